#!/usr/bin/env bash
# GUI scenarios of the Windows program: mendora.exe under Wine, driven by
# mendora-guidrv. Screenshots go to $MENDORA_GUI_ARTIFACTS.
#   scenarios.sh NAME     (ctest sets the MENDORA_* variables)
set -uo pipefail

# Without a display, run on a virtual one.
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" "$@"
fi

scenario=$1
: "${MENDORA_SOURCE:?}" "${MENDORA_GUI_PREFIX:?}" "${MENDORA_GUI_ARTIFACTS:?}"
: "${MENDORA_EXE:?}" "${MENDORA_GUIDRV:?}" "${MENDORA_SHOWERROR:?}"
export WINEPREFIX=$MENDORA_GUI_PREFIX
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win64
# English user interface unless a scenario asks for another; UTF-8, so that
# Japanese captions pass through the command line unchanged.
export LANG=C.UTF-8 LC_ALL=
STRINGS=$MENDORA_SOURCE/src/resources/strings.txt
SETTINGS_KEY='HKCU\Software\Veltrax\Kestrix\Mendora\Installation'
mkdir -p "$MENDORA_GUI_ARTIFACTS"
app_pid=

fail() {
  echo "FAIL [$scenario]: $*" >&2
  exit 1
}

cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null
  # Only this prefix's processes: the scenario's program and its helpers.
  wineserver -k 2>/dev/null
}
trap cleanup EXIT

# One-time set-up of the prefix: no crash dialog; Wine draws the title bars
# itself (Xvfb has no window manager), with its Marlett glyphs for the
# caption buttons; Japanese captions are drawn with a CJK font.
prepare_prefix() {
  [ -f "$WINEPREFIX/.mendora-gui-ready" ] && return
  (
    flock 9
    [ -f "$WINEPREFIX/.mendora-gui-ready" ] && exit 0
    mkdir -p "$WINEPREFIX"
    wineboot --init >/dev/null 2>&1
    wineserver -w
    wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /t REG_SZ /d N /f >/dev/null 2>&1
    # Japanese faces the system asks for (captions, menus) come from Noto.
    for face in "MS UI Gothic" "MS Gothic" "MS PGothic"; do
      wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$face" /t REG_SZ /d 'Noto Sans CJK JP' /f \
        >/dev/null 2>&1
    done
    for font in /usr/share/wine/fonts/marlett.ttf /usr/lib/wine/fonts/marlett.ttf; do
      [ -f "$font" ] && cp "$font" "$WINEPREFIX/drive_c/windows/Fonts/" && break
    done
    wineserver -w
    touch "$WINEPREFIX/.mendora-gui-ready"
  ) 9>"$WINEPREFIX.lock" || fail "cannot prepare the Wine prefix"
}

drv() { wine "$MENDORA_GUIDRV" "$@"; }

# The text of string ID from strings.txt: field 1 English, 2 Japanese.
string_text() {
  awk -v id="$1" -v want="$2" '
    $1 == id {
      s = $0; sub(/^[0-9]+[ \t]+/, "", s)
      n = 0; i = 1; len = length(s)
      while (i <= len && n < want) {
        while (substr(s, i, 1) != "\"" && i <= len) i++
        i++; field = ""
        while (i <= len) {
          c = substr(s, i, 1)
          if (c == "\"") { if (substr(s, i + 1, 1) == "\"") { field = field "\""; i += 2; continue } i++; break }
          if (c == "\\" && substr(s, i + 1, 1) == "n") { field = field "\n"; i += 2; continue }
          field = field c; i++
        }
        n++
      }
      if (n == want) printf "%s", field
      exit
    }' "$STRINGS"
}

expect_text() {  # caption, control id, expected text
  local got
  got=$(drv text "$1" "$2") || fail "no control $2 in \"$1\""
  [ "$got" = "$3" ] || fail "control $2 of \"$1\": expected [$3], got [$got]"
}

wait_window() { drv wait "$1" "${2:-30000}" || fail "window \"$1\" did not appear"; }
wait_gone() { drv gone "$1" "${2:-10000}" || fail "window \"$1\" is still open"; }

# Saves the screen area of window CAPTION (plus MARGIN pixels below and to
# the right, for menus) as NAME.png.
screenshot() {  # name, caption [, margin]
  local rect x y w h margin=${3:-0} full="$MENDORA_GUI_ARTIFACTS/$1.full.png"
  rect=$(drv rect "$2") || fail "no window \"$2\" to photograph"
  read -r x y w h <<<"$rect"
  sleep 0.5  # let the last paint reach the screen
  import -window root "$full" || fail "screenshot failed"
  convert "$full" -crop "$((w + margin))x$((h + margin))+$x+$y" +repage "$MENDORA_GUI_ARTIFACTS/$1.png" ||
    fail "cannot crop the screenshot"
  rm -f "$full"
  echo "screenshot: $MENDORA_GUI_ARTIFACTS/$1.png"
}

start() {  # program [args...]
  "$@" &
  app_pid=$!
}

# Waits for the program to end by itself and checks its exit status.
expect_exit() {  # status
  local i
  for i in $(seq 1 100); do
    kill -0 "$app_pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -0 "$app_pid" 2>/dev/null && fail "the program did not end"
  wait "$app_pid"
  local status=$?
  app_pid=
  [ "$status" -eq "$1" ] || fail "exit status $status, expected $1"
}

clear_settings() { wine reg delete 'HKCU\Software\Veltrax' /f >/dev/null 2>&1 || true; }
expect_no_settings() {
  if wine reg query "$SETTINGS_KEY" >/dev/null 2>&1; then
    fail "settings were written: $(wine reg query "$SETTINGS_KEY" 2>&1 | tr -d '\r')"
  fi
}

MAIN=$(string_text 1 1)

check_main_texts() {  # language field
  local lang=$1 caption
  caption=$(string_text 1 "$lang")
  wait_window "$caption"
  expect_text "$caption" 1020 "$(string_text 2 "$lang")"
  expect_text "$caption" 1016 "$(string_text 3 "$lang")"
  expect_text "$caption" 1018 "$(string_text 4 "$lang")"
  expect_text "$caption" 1017 "$(string_text 5 "$lang")"
  expect_text "$caption" 1019 "$(string_text 6 "$lang")"
  expect_text "$caption" 1012 "Fix"
  expect_text "$caption" 1013 "Move"
  expect_text "$caption" 1014 "Copy"
  expect_text "$caption" 1015 "Preference"
  expect_text "$caption" 2 "Quit"
}

check_about() {  # language field, system command, screenshot name
  local lang=$1 about
  about=$(string_text 21 "$lang")
  drv syscmd "$MAIN" "$2" || fail "cannot send the system command"
  wait_window "$about" 10000
  expect_text "$about" 1028 "$(string_text 23 "$lang")"
  expect_text "$about" 1029 "$(string_text 22 "$lang")"
  [ -n "${3:-}" ] && screenshot "$3" "$about"
  drv click "$about" 1 || fail "no OK button"
  wait_gone "$about"
}

prepare_prefix
clear_settings

case $scenario in
  main_dialog)
    start wine "$MENDORA_EXE"
    check_main_texts 1
    screenshot main_en "$MAIN"
    # The system menu carries the About entry (opened as Alt+Space would).
    drv syscmd "$MAIN" 0xF100 32
    sleep 1
    screenshot sysmenu_en "$MAIN" 40
    # Esc closes the menu, a second Esc leaves menu mode; neither ends the dialog.
    drv key "$MAIN" 27
    sleep 0.5
    drv key "$MAIN" 27
    sleep 0.5
    drv wait "$MAIN" 1000 || fail "Esc in the system menu closed the dialog"
    drv click "$MAIN" 2
    expect_exit 0
    expect_no_settings
    ;;
  about_box)
    start wine "$MENDORA_EXE"
    wait_window "$MAIN"
    check_about 1 16 about_en
    # The system keeps the low four bits of a command: 31 is About too.
    check_about 1 31
    drv key "$MAIN" 27
    expect_exit 0
    expect_no_settings
    ;;
  quit_button | close_box | escape_key)
    start wine "$MENDORA_EXE"
    wait_window "$MAIN"
    case $scenario in
      quit_button) drv click "$MAIN" 2 ;;
      close_box) drv syscmd "$MAIN" 0xF060 ;;  # SC_CLOSE, as the close box sends
      escape_key) drv key "$MAIN" 27 ;;
    esac
    expect_exit 0
    expect_no_settings
    ;;
  error_dialog)
    for code in 66 81 80 79 78 0 290; do
      case $code in
        66) caption=$(string_text 40 1); message=$(string_text 306 1) ;;
        81) caption=$(string_text 41 1); message=$(string_text 353 1) ;;
        80 | 79) caption=$(string_text 41 1); message=$(string_text 351 1) ;;
        290) caption=$(string_text 40 1); message=$(string_text 3005 1) ;;
        *) caption=$(string_text 40 1); message=$(string_text 42 1) ;;
      esac
      start wine "$MENDORA_SHOWERROR" error "$code"
      wait_window "$caption"
      expect_text "$caption" 1009 "$message"
      expect_text "$caption" 1 "OK"
      [ "$code" = 81 ] && screenshot error_en "$caption"
      drv click "$caption" 1
      expect_exit 0
    done
    ;;
  last_error)
    # ReportLastError: the system's own text for the error, in a box titled
    # with the program's file name.
    start wine "$MENDORA_SHOWERROR" lasterror 5
    title=mendora-showerror
    wait_window "$title"
    text=$(drv text "$title" 65535 2>/dev/null || true)
    [ -n "$text" ] || text=$(drv text "$title" 100 2>/dev/null || true)
    echo "message box text: $text"
    case $text in
      *[Aa]ccess*) ;;
      *) fail "message box does not show the text for access denied: [$text]" ;;
    esac
    screenshot last_error_en "$title"
    drv key "$title" 13
    expect_exit 0
    ;;
  japanese)
    locale -a | grep -qix 'ja_JP.utf8' || fail "locale ja_JP.UTF-8 is missing (scripts/deps.sh generates it)"
    export LANG=ja_JP.UTF-8
    start wine "$MENDORA_EXE"
    check_main_texts 2
    screenshot main_ja "$MAIN"
    check_about 2 16 about_ja
    drv syscmd "$MAIN" 0xF060
    expect_exit 0
    caption=$(string_text 41 2)
    start wine "$MENDORA_SHOWERROR" error 81
    wait_window "$caption"
    expect_text "$caption" 1009 "$(string_text 353 2)"
    screenshot error_ja "$caption"
    drv click "$caption" 1
    expect_exit 0
    ;;
  *)
    fail "unknown scenario"
    ;;
esac
echo "PASS [$scenario]"
