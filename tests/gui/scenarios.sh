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
source "$(dirname "$0")/common.sh"

clear_settings() { wine reg delete 'HKCU\Software\Veltrax' /f >/dev/null 2>&1 || true; }
expect_no_settings() {
  if wine reg query "$SETTINGS_KEY" >/dev/null 2>&1; then
    fail "settings were written: $(wine reg query "$SETTINGS_KEY" 2>&1 | tr -d '\r')"
  fi
}

check_main_texts() {  # language field
  local lang=$1 caption
  caption=$(string_text 1 "$lang")
  wait_window "$caption"
  expect_text "$caption" 1020 "$(string_text 2 "$lang")"
  expect_text "$caption" 1016 "$(string_text 3 "$lang")"
  expect_text "$caption" 1018 "$(string_text 4 "$lang")"
  expect_text "$caption" 1017 "$(string_text 5 "$lang")"
  expect_text "$caption" 1019 "$(string_text 6 "$lang")"
  expect_text "$caption" 1121 "$(string_text 621 "$lang")"
  expect_text "$caption" 1151 "$(string_text 661 "$lang")"
  expect_text "$caption" 1150 "Export"
  expect_text "$caption" 1012 "Fix"
  expect_text "$caption" 1013 "Move"
  expect_text "$caption" 1014 "Copy"
  expect_text "$caption" 1015 "Preference"
  expect_text "$caption" 1120 "Check"
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

prepare_prefix .mendora-gui-ready
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
