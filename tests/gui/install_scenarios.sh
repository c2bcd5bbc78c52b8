#!/usr/bin/env bash
# The Windows packages as a user gets them, under Wine in a prefix of their
# own: the packages built by CPack (the zip's contents), the installer run
# silently, the installed program and Explorer's verb, then the uninstaller.
#   install_scenarios.sh package|install|uninstall   (ctest sets MENDORA_*)
set -uo pipefail

if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" "$@"
fi

scenario=$1
: "${MENDORA_SOURCE:?}" "${MENDORA_BUILD:?}" "${MENDORA_VERSION:?}" "${MENDORA_INSTALL_PREFIX:?}"
: "${MENDORA_GUI_ARTIFACTS:?}" "${MENDORA_GUIDRV:?}"
export WINEPREFIX=$MENDORA_INSTALL_PREFIX
source "$(dirname "$0")/common.sh"
# Shortcuts in the Start menu must not become menu entries of this machine.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

PACKAGES=$MENDORA_BUILD/test-packages
NAME=mendora-$MENDORA_VERSION-win64
UNINSTALL_KEY='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Mendora'
VERB_KEY='HKCU\Software\Classes\SystemFileAssociations\.avi\shell\Mendora.Fix'

# The data of value NAME (empty: the default value) of registry KEY.
reg_value() {  # key, name
  local out
  if [ -z "$2" ]; then out=$(wine reg query "$1" /ve 2>/dev/null) || return 1
  else out=$(wine reg query "$1" /v "$2" 2>/dev/null) || return 1; fi
  printf '%s\n' "$out" | tr -d '\r' | awk '/REG_/ { sub(/^.*REG_[A-Z_]+[ \t]+/, ""); print; exit }'
}
expect_value() {  # key, name, expected
  local got
  got=$(reg_value "$1" "$2") || fail "no value [$2] in $1"
  [ "$got" = "$3" ] || fail "$1 [$2]: expected [$3], got [$got]"
}
# A folder of the user's profile, as a Linux path.
profile_dir() {  # variable name (LOCALAPPDATA, APPDATA)
  local windows
  windows=$(wine cmd /c "echo %$1%" 2>/dev/null | tr -d '\r')
  winepath -u "$windows" 2>/dev/null
}

case $scenario in
  package)
    # One command builds both Windows packages.
    rm -rf "$PACKAGES"
    cpack --config "$MENDORA_BUILD/CPackConfig.cmake" -B "$PACKAGES" >"$MENDORA_GUI_ARTIFACTS/cpack.log" 2>&1 ||
      { cat "$MENDORA_GUI_ARTIFACTS/cpack.log"; fail "cpack failed"; }
    [ -f "$PACKAGES/$NAME.exe" ] || fail "no installer $NAME.exe"
    [ -f "$PACKAGES/$NAME.zip" ] || fail "no zip $NAME.zip"
    listing=$(unzip -Z1 "$PACKAGES/$NAME.zip") || fail "cannot list the zip"
    for file in mendora.exe mendora-cli.exe README.md guide/guide.html guide/guide.ja.html; do
      grep -qx "$NAME/$file" <<<"$listing" || fail "the zip lacks $file"
    done
    # Every picture the guide shows is in the zip beside it.
    unzip -p "$PACKAGES/$NAME.zip" "$NAME/guide/guide.html" "$NAME/guide/guide.ja.html" >"$PACKAGES/guides.html"
    pictures=$(grep -oE 'src="images/[^"]+"' "$PACKAGES/guides.html" | sed 's/^src="//; s/"$//' | sort -u)
    [ -n "$pictures" ] || fail "the guide shows no screenshot"
    for picture in $pictures; do
      grep -qx "$NAME/guide/$picture" <<<"$listing" || fail "the zip lacks $picture, shown by the guide"
    done
    # The programs in the packages are the release's: stripped, and still
    # carrying their version.
    unzip -p "$PACKAGES/$NAME.zip" "$NAME/mendora-cli.exe" >"$PACKAGES/mendora-cli.exe"
    out=$(wine "$PACKAGES/mendora-cli.exe" --version | tr -d '\r')
    [ "$out" = "mendora-cli $MENDORA_VERSION" ] || fail "the zip's mendora-cli --version printed [$out]"
    ;;
  install)
    # A fresh prefix: no earlier install, no settings.
    rm -rf "$WINEPREFIX"
    prepare_prefix .mendora-install-ready
    # A setting of the user's, which the uninstaller must leave.
    wine reg add "$SETTINGS_KEY" /v PrefBackupFlag /t REG_SZ /d 0 /f >/dev/null 2>&1 || fail "cannot write a setting"
    wine "$PACKAGES/$NAME.exe" /S || fail "the silent install failed ($?)"
    wineserver -w
    dir="$(profile_dir LOCALAPPDATA)/Programs/Mendora"
    for file in mendora.exe mendora-cli.exe README.md guide/guide.html guide/guide.ja.html Uninstall.exe; do
      [ -f "$dir/$file" ] || fail "not installed: $file (in $dir)"
    done
    windows_dir=$(winepath -w "$dir" | tr -d '\r')
    expect_value "$UNINSTALL_KEY" DisplayName Mendora
    expect_value "$UNINSTALL_KEY" DisplayVersion "$MENDORA_VERSION"
    expect_value "$UNINSTALL_KEY" UninstallString "\"$windows_dir\\Uninstall.exe\""
    expect_value "$VERB_KEY" "" "$(string_text 9 1)"
    expect_value "$VERB_KEY\\command" "" "\"$windows_dir\\mendora.exe\" /fix \"%1\""
    menu="$(profile_dir APPDATA)/Microsoft/Windows/Start Menu/Programs/Mendora"
    for link in Mendora.lnk "$(string_text 10 1).lnk"; do
      [ -f "$menu/$link" ] || fail "no Start-menu shortcut $link"
    done

    # The installed program starts into its main dialog.
    start wine "$windows_dir\\mendora.exe"
    wait_window "$MAIN" 60000
    expect_text "$MAIN" 1012 "Fix"
    expect_text "$MAIN" 1020 "$(string_text 2 1)"
    screenshot installed_main_en "$MAIN"
    drv click "$MAIN" 2
    expect_exit 0
    # Explorer's verb, as Explorer runs it: the program the installer
    # registered (its command line is checked above) with /fix, on a file
    # that is no reference AVI. The Fix starts and refuses it with the error
    # dialog, without the main dialog.
    command=$(reg_value "$VERB_KEY\\command" "")
    program=${command#\"}
    program=${program%%\"*}
    start wine "$program" /fix 'C:\windows\win.ini'
    ERROR=$(string_text 40 1)
    wait_window "$ERROR" 60000
    expect_text "$ERROR" 1009 "$(string_text 3005 1)"
    drv gone "$MAIN" 0 || fail "the verb opened the main dialog"
    drv click "$ERROR" 1
    expect_exit 1
    ;;
  uninstall)
    dir="$(profile_dir LOCALAPPDATA)/Programs/Mendora"
    menu="$(profile_dir APPDATA)/Microsoft/Windows/Start Menu/Programs/Mendora"
    [ -f "$dir/Uninstall.exe" ] || fail "nothing installed to uninstall"
    # The uninstaller copies itself away and runs from there: wait for the folder to go.
    wine "$dir/Uninstall.exe" /S || fail "the uninstaller failed ($?)"
    for i in $(seq 1 100); do
      [ -e "$dir" ] || break
      sleep 0.3
    done
    wineserver -w
    [ -e "$dir" ] && fail "the program folder is still there: $(cd "$dir" && find . | tr '\n' ' ')"
    [ -e "$menu" ] && fail "the Start-menu folder is still there"
    wine reg query "$UNINSTALL_KEY" >/dev/null 2>&1 && fail "the uninstall entry is still there"
    wine reg query "$VERB_KEY" >/dev/null 2>&1 && fail "the context-menu verb is still there"
    expect_value "$SETTINGS_KEY" PrefBackupFlag 0
    ;;
  *)
    fail "unknown scenario"
    ;;
esac
echo "PASS [$scenario]"
