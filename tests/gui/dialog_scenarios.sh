#!/usr/bin/env bash
# GUI scenarios of Fix, Move, Copy and Preference: the whole program under
# Wine, driven by mendora-guidrv, on real files on the Wine drives D: and E:
# (folders of the build tree). Each scenario checks the dialogs' texts and
# then the files on disk. Screenshots go to $MENDORA_GUI_ARTIFACTS.
#   dialog_scenarios.sh NAME     (ctest sets the MENDORA_* variables)
set -uo pipefail

if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" "$@"
fi

scenario=$1
: "${MENDORA_SOURCE:?}" "${MENDORA_GUI_ARTIFACTS:?}" "${MENDORA_DIALOGS_PREFIX:?}" "${MENDORA_GUI_DRIVES:?}"
: "${MENDORA_EXE:?}" "${MENDORA_TEST_EXE:?}" "${MENDORA_GUIDRV:?}" "${MENDORA_FIXTURE:?}" "${MENDORA_CLI:?}"
export WINEPREFIX=$MENDORA_DIALOGS_PREFIX
D=$MENDORA_GUI_DRIVES/d
E=$MENDORA_GUI_DRIVES/e
source "$(dirname "$0")/common.sh"

# The drives D: and E: of these scenarios are folders of the build tree.
map_drives() {
  mkdir -p "$D" "$E"
  ln -sfn "$D" "$WINEPREFIX/dosdevices/d:"
  ln -sfn "$E" "$WINEPREFIX/dosdevices/e:"
}

fx() { wine "$MENDORA_FIXTURE" "$@"; }

# String ID with %1 (and %2) replaced.
format1() { local t; t=$(string_text "$1" "${LANGFIELD:-1}"); printf '%s' "${t//%1/$2}"; }

BOX=mendora          # message boxes carry the program's file name
SELECT_FIX=$(format1 201 "$(string_text 202 1)")
SELECT_MOVE=$(format1 201 "$(string_text 204 1)")
SELECT_COPY=$(format1 201 "$(string_text 203 1)")
SEARCH=$(string_text 501 1)
FOUND="Found Similar File"
BROWSE="Browse for Folder"
ANALYSIS=$(format1 401 "$(string_text 402 1)")
CREATION=$(format1 401 "$(string_text 403 1)")
CARRY_COPY=$(format1 401 "$(string_text 405 1)")
OVERWRITE=$(string_text 467 1)

set_setting() { wine reg add "$SETTINGS_KEY" /v "$1" /t REG_SZ /d "$2" /f >/dev/null 2>&1 || fail "cannot set $1"; }
setting() {
  wine reg query "$SETTINGS_KEY" /v "$1" 2>/dev/null | tr -d '\r' | awk -v v="$1" '$1 == v { $1 = ""; $2 = ""; sub(/^ +/, ""); print }'
}
expect_setting() { local got; got=$(setting "$1"); [ "$got" = "$2" ] || fail "setting $1: expected [$2], got [$got]"; }

# Starts the program in Japanese and types FILE into its Fix selection
# (photographed as SHOT when given); sets JA_MAIN and JA_SELECT.
fix_in_japanese() {  # file [, screenshot name]
  start wine "$MENDORA_EXE"
  JA_MAIN=$(string_text 1 2)
  wait_window "$JA_MAIN"
  JA_SELECT=$(format1 201 "$(string_text 202 2)")
  drv click "$JA_MAIN" 1012
  wait_window "$JA_SELECT"
  [ -n "${2:-}" ] && screenshot "$2" "$JA_SELECT"
  drv type "$JA_SELECT" 1152 "$1"
}

# Fresh drives and settings. The search walks D: (the folder of the
# selection) and E:.
fresh() {
  rm -rf "${D:?}"/* "${E:?}"/*
  mkdir -p "$D/clips" "$E/moved" "$E/dest"
  wine reg delete 'HKCU\Software\Veltrax' /f >/dev/null 2>&1
  set_setting Directory 'D:\clips\'
  set_setting PrefSearchDir 000000000000000000000E0000
  set_setting PrefBackupFlag 1
}

# take1.avi in D:\clips linking take1.001 and take1.002 there.
make_take1() {
  fx data 'D:\clips\take1.001' 3 && fx data 'D:\clips\take1.002' 3 &&
    fx refavi 'D:\clips\take1.avi' 'D:\clips\take1.001' 'D:\clips\take1.002' || fail "cannot make take1"
}

links() { fx links "$1" | tr -d '\r'; }
expect_links() {  # windows path, expected links (one a line)
  local got
  got=$(links "$1") || fail "cannot read the links of $1"
  [ "$got" = "$2" ] || fail "links of $1: expected [$2], got [$got]"
}
expect_files() {  # native folder, expected listing (sorted, one a line)
  local got
  got=$(cd "$1" && ls -A | sort)
  [ "$got" = "$2" ] || fail "files in $1: expected [$2], got [$(echo "$got" | tr '\n' ' ')]"
}
digest() { md5sum <"$1" | cut -d' ' -f1; }
# take1.avi as it was before the scenario ($before), beside exactly the data
# files named in D:\clips.
expect_take1_kept() {  # data file names
  [ "$(digest "$D/clips/take1.avi")" = "$before" ] || fail "the reference AVI changed"
  expect_files "$D/clips" "$(printf '%s\n' "$@" take1.avi)"
}

# Waits for a message box with exactly TEXT, optionally photographs it, and
# presses BUTTON (1 OK, 2 Cancel, 4 Retry).
expect_box() {  # text, button [, screenshot name]
  local i got=
  for i in $(seq 1 60); do
    got=$(drv text "$BOX" 65535 2>/dev/null) && [ "$got" = "$1" ] && break
    sleep 0.3
  done
  [ "$got" = "$1" ] || fail "message box: expected [$1], got [$got]"
  [ -n "${3:-}" ] && screenshot "$3" "$BOX"
  drv click "$BOX" "$2" || fail "no button $2 in the message box"
  sleep 0.5
}
no_box() { drv gone "$BOX" "${1:-1500}" || fail "unexpected message box: [$(drv text "$BOX" 65535)]"; }

# Opens the file selection dialog with BUTTON, types NAMES into its name box
# and presses Open.
select_files() {  # button id, caption, names [, screenshot name]
  drv click "$MAIN" "$1" || fail "no button $1"
  wait_window "$2"
  [ -n "${4:-}" ] && screenshot "$4" "$2"
  drv type "$2" 1152 "$3" || fail "no file name box"
  drv click "$2" 1 || fail "no Open button"
}
# The file selection dialog closes after its operation.
selection_closed() { wait_gone "$1"; no_box; }

quit_program() {
  drv click "$MAIN" 2 || fail "no Quit button"
  expect_exit
}

# An archive in D:\clips: take1.avi whole, take2.avi broken (take2.002 was
# moved to E:\moved, where the search finds it), plain.avi a DV AVI without
# links, and a text file.
make_archive() {
  make_take1
  fx data 'D:\clips\take2.001' 3 && fx data 'D:\clips\take2.002' 3 &&
    fx refavi 'D:\clips\take2.avi' 'D:\clips\take2.001' 'D:\clips\take2.002' &&
    fx dvavi 'D:\clips\plain.avi' || fail "cannot make the archive"
  printf 'tapes 1 and 2\r\n' >"$D/clips/notes.txt"
  mv "$D/clips/take2.002" "$E/moved/take2.002"
}
# The rows of the check report REPORT, in language field LANGFIELD.
expect_rows() {  # caption, expected rows (one a line)
  local got
  got=$(drv list "$1" 1122 | tr -d '\r') || fail "no report list"
  [ "$got" = "$2" ] || fail "report rows: expected [$2], got [$got]"
}
status_text() { string_text "$1" "${LANGFIELD:-1}"; }
# Check on D:\clips from the main dialog MAIN (the program was started with
# MENDORA_TEST_BROWSE_FOLDER set to it); sets REPORT.
check_clips() {
  drv click "$MAIN" 1120 || fail "no Check button"
  local browse
  for browse in "$BROWSE" "フォルダーの参照" "フォルダの参照"; do
    drv wait "$browse" 3000 >/dev/null 2>&1 && break
  done
  drv click "$browse" 1 || fail "no folder browser"
  REPORT=$(LANGFIELD=${LANGFIELD:-1} format1 624 'D:\clips')
  wait_window "$REPORT"
}
archive_rows() {  # take2's second link as it is now, its status id
  local ok missing self
  ok=$(status_text 640); missing=$(status_text "$2"); self=$(status_text 642)
  if [ "$2" = 644 ]; then
    printf '%s\n' "D:\clips\take2.avi | $1 | $missing | 2" "D:\clips\take2.avi | D:\clips\take2.001 | $ok | 2" \
      "D:\clips\take1.avi | D:\clips\take1.001 | $ok | 2" "D:\clips\take1.avi | D:\clips\take1.002 | $ok | 2" \
      "D:\clips\plain.avi |  | $self | "
  else
    printf '%s\n' "D:\clips\take1.avi | D:\clips\take1.001 | $ok | 2" "D:\clips\take1.avi | D:\clips\take1.002 | $ok | 2" \
      "D:\clips\take2.avi | D:\clips\take2.001 | $ok | 2" "D:\clips\take2.avi | $1 | $ok | 2" \
      "D:\clips\plain.avi |  | $self | "
  fi
}

prepare_prefix .mendora-dialogs-ready map_drives

case $scenario in
  fix_present)
    # All links present: only the finished message, nothing written.
    fresh; make_take1
    before=$(digest "$D/clips/take1.avi")
    start wine "$MENDORA_EXE"
    wait_window "$MAIN" 60000
    select_files 1012 "$SELECT_FIX" take1.avi selection_fix_en
    expect_box "$(format1 303 'D:\clips\take1.avi')" 1 box_finished_en
    selection_closed "$SELECT_FIX"
    quit_program
    expect_take1_kept take1.001 take1.002
    ;;
  fix_found)
    # A missing data file found by the drive search: OK, then 304 and 303;
    # the old file is kept as the backup.
    fresh; make_take1
    mv "$D/clips/take1.002" "$E/moved/take1.002"
    before=$(digest "$D/clips/take1.avi")
    start wine "$MENDORA_EXE"
    wait_window "$MAIN" 60000
    select_files 1012 "$SELECT_FIX" take1.avi
    wait_window "$FOUND"
    expect_text "$FOUND" 1001 "$(string_text 520 1)"
    expect_text "$FOUND" 1007 "$(format1 521 'D:\clips\take1.002')"
    expect_text "$FOUND" 1008 "$(format1 522 'E:\moved\take1.002')"
    expect_text "$SEARCH" 1005 "$(format1 502 take1.avi)"
    expect_text "$SEARCH" 1027 "$(string_text 503 1)"
    expect_text "$SEARCH" 1006 "take1.002"
    expect_text "$SEARCH" 1025 'E:\moved'
    screenshot found_en "$FOUND"
    # The found dialog opens over the search dialog: move it aside.
    drv move "$FOUND" 0 0
    screenshot search_en "$SEARCH"
    drv click "$FOUND" 1
    expect_box "$(format1 304 'D:\clips\take1.avi')" 1 box_corrected_en
    expect_box "$(format1 303 'D:\clips\take1.avi')" 1
    selection_closed "$SELECT_FIX"
    quit_program
    expect_files "$D/clips" "$(printf 'take1.001\ntake1.avi\ntake1.avi.bak')"
    [ "$(digest "$D/clips/take1.avi.bak")" = "$before" ] || fail "the backup is not the old file"
    expect_links 'D:\clips\take1.avi' "$(printf 'D:\\clips\\take1.001\nE:\\moved\\take1.002')"
    ;;
  fix_next_locate)
    # Next on every offer: "File Not Found", then manual location. A non-DV
    # choice is refused and the dialog stays open; opening the folder that
    # holds the file fills in its name.
    fresh; make_take1
    mv "$D/clips/take1.002" "$E/moved/take1.002"
    fx wave 'E:\moved\notdv.avi'
    start wine "$MENDORA_EXE"
    wait_window "$MAIN" 60000
    select_files 1012 "$SELECT_FIX" take1.avi
    wait_window "$FOUND"
    drv click "$FOUND" 1000
    expect_box "File Not Found" 1 box_not_found_en
    LOCATE=$(format1 540 take1.avi)
    wait_window "$LOCATE"
    expect_text "$LOCATE" 1004 "$(string_text 541 1)"
    expect_text "$LOCATE" 1003 "take1.002"
    expect_text "$LOCATE" 1152 "*.avi"
    drv type "$LOCATE" 1152 'E:\moved\notdv.avi'
    drv click "$LOCATE" 1
    wait_window "$(string_text 40 1)"
    expect_text "$(string_text 40 1)" 1009 "$(string_text 3005 1)"
    screenshot error_290_en "$(string_text 40 1)"
    drv click "$(string_text 40 1)" 1
    wait_gone "$(string_text 40 1)"
    drv wait "$LOCATE" 3000 || fail "the locate dialog closed after a refused file"
    drv type "$LOCATE" 1152 'E:\moved'
    drv click "$LOCATE" 1
    sleep 1
    expect_text "$LOCATE" 1152 "take1.002"
    screenshot locate_en "$LOCATE"
    drv click "$LOCATE" 1
    expect_box "$(format1 304 'D:\clips\take1.avi')" 1
    expect_box "$(format1 303 'D:\clips\take1.avi')" 1
    selection_closed "$SELECT_FIX"
    quit_program
    expect_links 'D:\clips\take1.avi' "$(printf 'D:\\clips\\take1.001\nE:\\moved\\take1.002')"
    expect_setting Directory 'E:\moved\'
    ;;
  fix_command_line)
    # mendora.exe /fix FILE, as Explorer's "Fix with Mendora" starts it: the
    # Fix runs to its end without the main dialog or the file selection, and
    # the program ends. A file that is not DV is refused with the error
    # dialog, and a command line it cannot read is explained.
    fresh; make_take1
    mv "$D/clips/take1.002" "$E/moved/take1.002"
    before=$(digest "$D/clips/take1.avi")
    start wine "$MENDORA_EXE" /fix 'D:\clips\take1.avi'
    wait_window "$FOUND" 60000
    drv gone "$SELECT_FIX" 0 || fail "the file selection opened"
    drv gone "$MAIN" 0 || fail "the main dialog opened"
    expect_text "$FOUND" 1008 "$(format1 522 'E:\moved\take1.002')"
    drv click "$FOUND" 1
    expect_box "$(format1 304 'D:\clips\take1.avi')" 1
    expect_box "$(format1 303 'D:\clips\take1.avi')" 1
    expect_exit 0
    expect_files "$D/clips" "$(printf 'take1.001\ntake1.avi\ntake1.avi.bak')"
    [ "$(digest "$D/clips/take1.avi.bak")" = "$before" ] || fail "the backup is not the old file"
    expect_links 'D:\clips\take1.avi' "$(printf 'D:\\clips\\take1.001\nE:\\moved\\take1.002')"

    fx wave 'E:\moved\notdv.avi'
    start wine "$MENDORA_EXE" /FIX 'E:\moved\notdv.avi'
    wait_window "$(string_text 40 1)"
    expect_text "$(string_text 40 1)" 1009 "$(string_text 3005 1)"
    drv click "$(string_text 40 1)" 1
    expect_exit 1

    start wine "$MENDORA_EXE" /repair 'D:\clips\take1.avi'
    expect_box "$(format1 11 /repair)" 1 box_command_line_en
    expect_exit 2
    ;;
  drop_question)
    # mendora.exe FILE: the main dialog opens and asks, as for files dropped
    # beside its buttons, which operation to run; Fix then runs on the file.
    fresh; make_take1
    before=$(digest "$D/clips/take1.avi")
    DROP=$(string_text 7 1)
    start wine "$MENDORA_EXE" 'D:\clips\take1.avi'
    wait_window "$MAIN" 60000
    wait_window "$DROP"
    expect_text "$DROP" 1032 "$(string_text 8 1)"
    expect_text "$DROP" 1033 'D:\clips\take1.avi'
    screenshot drop_question_en "$DROP"
    drv click "$DROP" 1012
    expect_box "$(format1 303 'D:\clips\take1.avi')" 1
    wait_gone "$DROP"
    quit_program
    expect_take1_kept take1.001 take1.002
    # In Japanese, Cancel: nothing runs.
    export LANG=ja_JP.UTF-8
    start wine "$MENDORA_EXE" 'D:\clips\take1.avi' 'D:\clips\take1.001'
    JA_DROP=$(string_text 7 2)
    wait_window "$JA_DROP" 60000
    expect_text "$JA_DROP" 1032 "$(string_text 8 2)"
    screenshot drop_question_ja "$JA_DROP"
    drv click "$JA_DROP" 2
    wait_gone "$JA_DROP"
    no_box
    drv click "$(string_text 1 2)" 2
    expect_exit
    expect_take1_kept take1.001 take1.002
    ;;
  fix_cancel)
    # Cancel in the found dialog gives up the search: no message, nothing written.
    fresh; make_take1
    mv "$D/clips/take1.002" "$E/moved/take1.002"
    before=$(digest "$D/clips/take1.avi")
    start wine "$MENDORA_EXE"
    wait_window "$MAIN" 60000
    select_files 1012 "$SELECT_FIX" take1.avi
    wait_window "$FOUND"
    drv click "$FOUND" 2
    selection_closed "$SELECT_FIX"
    quit_program
    expect_take1_kept take1.001
    ;;
  fix_readonly)
    # A read-only reference AVI with a missing link: Retry asks again,
    # Cancel ends the file without a message.
    fresh; make_take1
    rm "$D/clips/take1.002"
    chmod a-w "$D/clips/take1.avi"
    start wine "$MENDORA_EXE"
    wait_window "$MAIN" 60000
    select_files 1012 "$SELECT_FIX" take1.avi
    what=$(string_text 315 1); what=${what//%1/'D:\clips\take1.avi'}; what=${what//%2/$(string_text 311 1)}
    question=$(string_text 316 1); question=${question//%1/Fix}; question=${question//%2/$what}
    expect_box "$question" 4 box_retry_en
    expect_box "$question" 2
    selection_closed "$SELECT_FIX"
    quit_program
    expect_files "$D/clips" "$(printf 'take1.001\ntake1.avi')"
    ;;
  copy_collision)
    # Copy to another folder that already holds the reference AVI and one of
    # the data files: the overwrite question, then the data file under a
    # collision-free name.
    fresh; make_take1
    fx data 'E:\dest\take1.001' 1
    fx data 'E:\dest\take1.avi' 1
    other=$(digest "$E/dest/take1.001")
    export MENDORA_TEST_BROWSE_FOLDER='E:\dest'
    start wine "$MENDORA_TEST_EXE"
    wait_window "$MAIN" 60000
    select_files 1014 "$SELECT_COPY" take1.avi selection_copy_en
    wait_window "$BROWSE"
    screenshot browse_en "$BROWSE"
    drv click "$BROWSE" 1
    wait_window "$OVERWRITE"
    expect_text "$OVERWRITE" 1009 "$(string_text 466 1)"
    expect_text "$OVERWRITE" 1010 'E:\dest\take1.avi'
    expect_text "$OVERWRITE" 1011 "$OVERWRITE"
    screenshot existing_files_en "$OVERWRITE"
    drv click "$OVERWRITE" 1
    expect_box "$(format1 302 'D:\clips\take1.avi')" 1
    selection_closed "$SELECT_COPY"
    quit_program
    expect_files "$D/clips" "$(printf 'take1.001\ntake1.002\ntake1.avi')"
    expect_files "$E/dest" "$(printf 'take1.001\ntake1.002\ntake1.avi\ntake1~001.001')"
    [ "$(digest "$E/dest/take1.001")" = "$other" ] || fail "the file already there was overwritten"
    cmp -s "$D/clips/take1.001" "$E/dest/take1~001.001" || fail "take1~001.001 is not the copy"
    expect_links 'E:\dest\take1.avi' "$(printf 'E:\\dest\\take1~001.001\nE:\\dest\\take1.002')"
    expect_links 'D:\clips\take1.avi' "$(printf 'D:\\clips\\take1.001\nD:\\clips\\take1.002')"
    ;;
  copy_same_folder)
    # Copy into the reference AVI's own folder: no question, the old file
    # becomes the backup.
    fresh; make_take1
    set_setting PrefBackupFlag 0
    export MENDORA_TEST_BROWSE_FOLDER='D:\clips'
    start wine "$MENDORA_TEST_EXE"
    wait_window "$MAIN" 60000
    select_files 1014 "$SELECT_COPY" take1.avi
    wait_window "$BROWSE"
    drv click "$BROWSE" 1
    expect_box "$(format1 302 'D:\clips\take1.avi')" 1
    selection_closed "$SELECT_COPY"
    quit_program
    expect_files "$D/clips" "$(printf 'take1.001\ntake1.002\ntake1.avi\ntake1.avi.bak')"
    expect_links 'D:\clips\take1.avi' "$(printf 'D:\\clips\\take1.001\nD:\\clips\\take1.002')"
    ;;
  move_backup | move_no_backup)
    # Move to another drive: the data files go, the source reference AVI
    # stays behind as its backup only when the preference asks for it.
    fresh; make_take1
    [ "$scenario" = move_no_backup ] && set_setting PrefBackupFlag 0
    export MENDORA_TEST_BROWSE_FOLDER='E:\dest'
    start wine "$MENDORA_TEST_EXE"
    wait_window "$MAIN" 60000
    select_files 1013 "$SELECT_MOVE" take1.avi selection_move_en
    wait_window "$BROWSE"
    drv click "$BROWSE" 1
    expect_box "$(format1 301 'D:\clips\take1.avi')" 1
    selection_closed "$SELECT_MOVE"
    quit_program
    if [ "$scenario" = move_backup ]; then
      expect_files "$D/clips" "take1.avi.bak"
    else
      expect_files "$D/clips" ""
    fi
    expect_files "$E/dest" "$(printf 'take1.001\ntake1.002\ntake1.avi')"
    expect_links 'E:\dest\take1.avi' "$(printf 'E:\\dest\\take1.001\nE:\\dest\\take1.002')"
    ;;
  cancel_analysis)
    fresh; make_take1
    before=$(digest "$D/clips/take1.avi")
    export MENDORA_TEST_REPORT_DELAY_MS=700
    start wine "$MENDORA_TEST_EXE"
    wait_window "$MAIN" 60000
    select_files 1012 "$SELECT_FIX" take1.avi
    wait_window "$ANALYSIS" 10000
    screenshot progress_analysis_en "$ANALYSIS"
    drv click "$ANALYSIS" 2
    selection_closed "$SELECT_FIX"
    quit_program
    expect_take1_kept take1.001 take1.002
    ;;
  cancel_creation)
    # Cancel while the corrected file is written: the temporary file goes,
    # the reference AVI stays as it was, no backup.
    fresh; make_take1
    mv "$D/clips/take1.002" "$E/moved/take1.002"
    before=$(digest "$D/clips/take1.avi")
    export MENDORA_TEST_REPORT_DELAY_MS=700
    start wine "$MENDORA_TEST_EXE"
    wait_window "$MAIN" 60000
    select_files 1012 "$SELECT_FIX" take1.avi
    wait_window "$FOUND" 60000
    drv click "$FOUND" 1
    wait_window "$CREATION" 10000
    screenshot progress_creation_en "$CREATION"
    drv click "$CREATION" 2
    selection_closed "$SELECT_FIX"
    quit_program
    expect_take1_kept take1.001
    ;;
  cancel_carry)
    # Cancel while the data files are copied: the copies are removed.
    fresh; make_take1
    export MENDORA_TEST_BROWSE_FOLDER='E:\dest'
    export MENDORA_TEST_REPORT_DELAY_MS=2000
    start wine "$MENDORA_TEST_EXE"
    wait_window "$MAIN" 60000
    select_files 1014 "$SELECT_COPY" take1.avi
    wait_window "$BROWSE" 60000
    drv click "$BROWSE" 1
    wait_window "$CARRY_COPY" 10000
    screenshot progress_carry_en "$CARRY_COPY"
    drv click "$CARRY_COPY" 2
    selection_closed "$SELECT_COPY"
    quit_program
    expect_files "$E/dest" ""
    expect_files "$D/clips" "$(printf 'take1.001\ntake1.002\ntake1.avi')"
    ;;
  preference)
    # The drive tree and the backup box: OK writes both, Cancel neither.
    fresh
    set_setting PrefSearchDir 00000000000000000000000C00
    PREF=Preference
    start wine "$MENDORA_EXE"
    wait_window "$MAIN" 60000
    drv click "$MAIN" 1015
    wait_window "$PREF"
    expect_text "$PREF" 1026 "$(string_text 102 1)"
    expect_text "$PREF" 1031 "$(string_text 121 1)"
    # Drives C:, D:, E: come first, in that order; only C: is checked.
    states=$(drv tree "$PREF" 1024 | tr -d '\r' | head -n 3 | tr '\n' ' ')
    [ "$states" = "2 1 1 " ] || fail "drive tree check states: [$states]"
    [ "$(drv check "$PREF" 1030 | tr -d '\r')" = 1 ] || fail "the backup box is not ticked"
    screenshot preference_en "$PREF"
    drv treecheck "$PREF" 1024 0   # C: off
    drv treecheck "$PREF" 1024 2   # E: on
    drv click "$PREF" 1030         # backup off
    sleep 0.5
    states=$(drv tree "$PREF" 1024 | tr -d '\r' | head -n 3 | tr '\n' ' ')
    [ "$states" = "1 1 2 " ] || fail "check states after the clicks: [$states]"
    drv click "$PREF" 1
    wait_gone "$PREF"
    expect_setting PrefSearchDir 000000000000000000000E0000
    expect_setting PrefBackupFlag 0
    # Cancel writes nothing.
    drv click "$MAIN" 1015
    wait_window "$PREF"
    states=$(drv tree "$PREF" 1024 | tr -d '\r' | head -n 3 | tr '\n' ' ')
    [ "$states" = "1 1 2 " ] || fail "check states when opened again: [$states]"
    [ "$(drv check "$PREF" 1030 | tr -d '\r')" = 0 ] || fail "the backup box is ticked"
    drv treecheck "$PREF" 1024 1
    drv click "$PREF" 1030
    drv click "$PREF" 2
    wait_gone "$PREF"
    expect_setting PrefSearchDir 000000000000000000000E0000
    expect_setting PrefBackupFlag 0
    quit_program
    ;;
  selection_errors)
    # A file that cannot be opened (289) and a file that is not DV (290) are
    # refused; the dialog stays open and writes no settings.
    fresh; make_take1
    fx wave 'D:\clips\notdv.avi'
    # A saved filter would be written as "1": "01" shows that none was saved.
    set_setting Filter 01
    ERROR=$(string_text 40 1)
    start wine "$MENDORA_EXE"
    wait_window "$MAIN" 60000
    select_files 1012 "$SELECT_FIX" notdv.avi
    wait_window "$ERROR"
    expect_text "$ERROR" 1009 "$(string_text 3005 1)"
    drv click "$ERROR" 1
    wait_gone "$ERROR"
    drv wait "$SELECT_FIX" 3000 || fail "the selection dialog closed after 290"
    # Held open without sharing by another program.
    coproc LOCK { fx lock 'D:\clips\take1.avi' 60; }
    lock_pid=$LOCK_PID
    read -r -t 20 locked <&"${LOCK[0]}" || fail "cannot lock the file"
    drv type "$SELECT_FIX" 1152 take1.avi
    drv click "$SELECT_FIX" 1
    wait_window "$ERROR"
    expect_text "$ERROR" 1009 "$(string_text 3004 1)"
    screenshot error_289_en "$ERROR"
    drv click "$ERROR" 1
    wait_gone "$ERROR"
    kill "$lock_pid" 2>/dev/null; lock_pid=
    drv wait "$SELECT_FIX" 3000 || fail "the selection dialog closed after 289"
    expect_setting Directory 'D:\clips\'
    expect_setting Filter 01
    drv click "$SELECT_FIX" 2
    wait_gone "$SELECT_FIX"
    no_box
    quit_program
    ;;
  settings_remembered)
    # Two files chosen at once with "All Files": both are checked, and the
    # next opening, in another mode, starts in their folder with that type.
    fresh; make_take1
    mkdir -p "$E/two"
    fx data 'E:\two\b.001' 2 && fx refavi 'E:\two\a.avi' 'E:\two\b.001' && fx refavi 'E:\two\c.avi' 'E:\two\b.001'
    set_setting Filter 2
    start wine "$MENDORA_EXE"
    wait_window "$MAIN" 60000
    drv click "$MAIN" 1012
    wait_window "$SELECT_FIX"
    expect_text "$SELECT_FIX" 1136 "All Files (*.*)"
    drv type "$SELECT_FIX" 1152 'E:\two'
    drv click "$SELECT_FIX" 1
    sleep 1
    drv type "$SELECT_FIX" 1152 '"a.avi" "c.avi"'
    drv click "$SELECT_FIX" 1
    expect_box "$(format1 303 'E:\two\a.avi')" 1
    expect_box "$(format1 303 'E:\two\c.avi')" 1
    selection_closed "$SELECT_FIX"
    expect_setting Directory 'E:\two\'
    expect_setting Filter 2
    drv click "$MAIN" 1013
    wait_window "$SELECT_MOVE"
    expect_text "$SELECT_MOVE" 1136 "All Files (*.*)"
    expect_text "$SELECT_MOVE" 1137 "two"
    drv click "$SELECT_MOVE" 2
    wait_gone "$SELECT_MOVE"
    quit_program
    ;;
  export | export_japanese)
    # Export to another drive: the DV AVI takes the reference AVI's name in
    # the chosen folder, and the finished message names it.
    fresh
    fx data 'D:\clips\take1.001' 3 && fx data 'D:\clips\take1.002' 3 &&
      fx exportable 'D:\clips\take1.avi' 'D:\clips\take1.001' 'D:\clips\take1.002' || fail "cannot make take1"
    before=$(digest "$D/clips/take1.avi")
    lang=1 shot=en browse=$BROWSE
    if [ "$scenario" = export_japanese ]; then
      locale -a | grep -qix 'ja_JP.utf8' || fail "locale ja_JP.UTF-8 is missing (scripts/deps.sh generates it)"
      export LANG=ja_JP.UTF-8
      LANGFIELD=2 lang=2 shot=ja
      browse="フォルダーの参照"  # Wine's own caption in Japanese
    fi
    export MENDORA_TEST_BROWSE_FOLDER='E:\dest'
    start wine "$MENDORA_TEST_EXE"
    MAIN=$(string_text 1 $lang)
    wait_window "$MAIN" 60000
    expect_text "$MAIN" 1151 "$(string_text 661 $lang)"
    select_export=$(format1 201 "$(string_text 662 $lang)")
    select_files 1150 "$select_export" take1.avi "selection_export_$shot"
    wait_window "$browse"
    drv click "$browse" 1
    expect_box "$(format1 664 'E:\dest\take1.avi')" 1 "export_done_$shot"
    selection_closed "$select_export"
    quit_program
    expect_files "$E/dest" take1.avi
    [ "$(digest "$D/clips/take1.avi")" = "$before" ] || fail "the reference AVI changed"
    [ "$(head -c 4 "$E/dest/take1.avi")" = RIFF ] || fail "no AVI written"
    [ "$(links 'E:\dest\take1.avi')" = "" ] || fail "the export names data files"
    ;;
  japanese)
    # The search's dialogs in Japanese.
    locale -a | grep -qix 'ja_JP.utf8' || fail "locale ja_JP.UTF-8 is missing (scripts/deps.sh generates it)"
    export LANG=ja_JP.UTF-8
    LANGFIELD=2
    fresh; make_take1
    mv "$D/clips/take1.002" "$E/moved/take1.002"
    fix_in_japanese take1.avi selection_fix_ja
    drv click "$JA_SELECT" 1
    wait_window "$FOUND"
    JA_SEARCH=$(string_text 501 2)
    expect_text "$JA_SEARCH" 1005 "$(format1 502 take1.avi)"
    expect_text "$FOUND" 1001 "$(string_text 520 2)"
    expect_text "$FOUND" 1007 "$(format1 521 'D:\clips\take1.002')"
    screenshot found_ja "$FOUND"
    drv move "$FOUND" 0 0
    screenshot search_ja "$JA_SEARCH"
    drv click "$FOUND" 2
    selection_closed "$JA_SELECT"
    drv click "$JA_MAIN" 2
    expect_exit
    ;;
  japanese_paths)
    # A reference AVI written by a Japanese Windows: its paths are CP932
    # bytes, the folders have Japanese names. A moved data file is found by
    # the search and the file is fixed.
    locale -a | grep -qix 'ja_JP.utf8' || fail "locale ja_JP.UTF-8 is missing (scripts/deps.sh generates it)"
    export LANG=ja_JP.UTF-8
    LANGFIELD=2
    fresh
    mkdir -p "$D/映像素材" "$E/移動済み"
    set_setting Directory 'D:\映像素材\'
    fx data 'D:\映像素材\take1.001' 3 && fx data 'D:\映像素材\take1.002' 3 &&
      fx refavi 'D:\映像素材\take1.avi' 'D:\映像素材\take1.001' 'D:\映像素材\take1.002' || fail "cannot make take1"
    # The program records what Windows wrote: CP932 bytes, not UTF-8.
    grep -qaF "$(printf 'D:\\\x89\x66\x91\x9c\x91\x66\x8d\xde\\take1.002')" "$D/映像素材/take1.avi" ||
      fail "the reference AVI does not hold CP932 paths"
    mv "$D/映像素材/take1.002" "$E/移動済み/take1.002"
    fix_in_japanese take1.avi
    drv click "$JA_SELECT" 1
    wait_window "$FOUND"
    expect_text "$FOUND" 1007 "$(format1 521 'D:\映像素材\take1.002')"
    expect_text "$FOUND" 1008 "$(format1 522 'E:\移動済み\take1.002')"
    screenshot found_ja_paths "$FOUND"
    drv click "$FOUND" 1
    expect_box "$(format1 304 'D:\映像素材\take1.avi')" 1
    expect_box "$(format1 303 'D:\映像素材\take1.avi')" 1
    selection_closed "$JA_SELECT"
    drv click "$JA_MAIN" 2
    expect_exit
    expect_files "$D/映像素材" "$(printf 'take1.001\ntake1.avi\ntake1.avi.bak')"
    grep -qaF "$(printf 'E:\\\x88\xda\x93\xae\x8d\xcf\x82\xdd\\take1.002')" "$D/映像素材/take1.avi" ||
      fail "the fixed reference AVI does not name the found file in CP932"
    ;;
  move_command_line_recovery)
    # mendora.exe /move FILE after a Move that stopped between its last
    # rename and the removal of its journal: the source reference AVI is
    # already gone, so the file cannot pass the DV check; its journal is
    # looked for first, and the program finishes the Move.
    fresh
    fx data 'E:\moved\take1.001' 3 && fx refavi 'E:\moved\take1.avi' 'E:\moved\take1.001' ||
      fail "cannot make the moved files"
    printf 'mendora journal 1\nmode move\nphase place\navi D:\\clips\\take1.avi\noutput E:\\moved\\take1.avi\ntemporary E:\\moved\\take1.avi.tmp\nsource delete\nattributes 0\npair D:\\clips\\take1.001\tE:\\moved\\take1.001\nend 1\n' \
      >"$D/clips/take1.avi.journal"
    avi='D:\clips\take1.avi'
    start wine "$MENDORA_EXE" /move "$avi"
    question=$(string_text 330 1); question=${question//%1/Move}
    expect_box "${question//%2/$avi}" 6 box_recover_question_en
    done_text=$(string_text 332 1); done_text=${done_text//%1/Move}
    expect_box "${done_text//%2/$avi}" 1 box_recovered_en
    expect_exit 0
    expect_files "$D/clips" ""
    expect_files "$E/moved" "$(printf 'take1.001\ntake1.avi')"
    expect_links 'E:\moved\take1.avi' 'E:\moved\take1.001'
    ;;
  japanese_backslash)
    # Names whose second CP932 byte is 0x5C, the backslash: 能力, 予定, 表示
    # and 十. Fix by the search, then Copy: every name stays whole ("予定.avi"
    # was copied as "定.avi", "表示.001" as "示.001"). The copy goes to an
    # ASCII folder: Wine's folder browser cannot be set to a Japanese one
    # (cli_japanese_backslash copies into E:\ソ).
    locale -a | grep -qix 'ja_JP.utf8' || fail "locale ja_JP.UTF-8 is missing (scripts/deps.sh generates it)"
    export LANG=ja_JP.UTF-8
    LANGFIELD=2
    fresh
    mkdir -p "$D/能力" "$E/十"
    set_setting Directory 'D:\能力\'
    fx data 'D:\能力\表示.001' 3 && fx data 'D:\能力\表示.002' 4 &&
      fx refavi 'D:\能力\予定.avi' 'D:\能力\表示.001' 'D:\能力\表示.002' || fail "cannot make 予定.avi"
    mv "$D/能力/表示.002" "$E/十/表示.002"
    fx data 'E:\示.002' 4  # the name a byte-wise split looks for
    export MENDORA_TEST_BROWSE_FOLDER='E:\dest'
    start wine "$MENDORA_TEST_EXE"
    JA_MAIN=$(string_text 1 2)
    wait_window "$JA_MAIN" 60000
    JA_SELECT=$(format1 201 "$(string_text 202 2)")
    drv click "$JA_MAIN" 1012
    wait_window "$JA_SELECT"
    drv type "$JA_SELECT" 1152 予定.avi
    drv click "$JA_SELECT" 1
    wait_window "$FOUND"
    expect_text "$FOUND" 1007 "$(format1 521 'D:\能力\表示.002')"
    expect_text "$FOUND" 1008 "$(format1 522 'E:\十\表示.002')"
    screenshot found_ja_backslash "$FOUND"
    drv click "$FOUND" 1
    expect_box "$(format1 304 'D:\能力\予定.avi')" 1
    expect_box "$(format1 303 'D:\能力\予定.avi')" 1
    selection_closed "$JA_SELECT"
    grep -qaF "$(printf 'E:\\\x8f\x5c\\\x95\x5c\x8e\xa6.002')" "$D/能力/予定.avi" ||
      fail "the fixed reference AVI does not name E:\十\表示.002"
    JA_COPY=$(format1 201 "$(string_text 203 2)")
    drv click "$JA_MAIN" 1014
    wait_window "$JA_COPY"
    drv type "$JA_COPY" 1152 予定.avi
    drv click "$JA_COPY" 1
    for browse in "$BROWSE" "フォルダーの参照" "フォルダの参照"; do
      drv wait "$browse" 3000 >/dev/null 2>&1 && break
    done
    drv click "$browse" 1 || fail "no folder browser"
    expect_box "$(format1 302 'D:\能力\予定.avi')" 1 box_copied_ja_backslash
    selection_closed "$JA_COPY"
    drv click "$JA_MAIN" 2
    expect_exit
    expect_files "$E/dest" "$(printf '予定.avi\n表示.001\n表示.002\n' | sort)"
    cmp -s "$D/能力/表示.001" "$E/dest/表示.001" && cmp -s "$E/十/表示.002" "$E/dest/表示.002" ||
      fail "the copies do not hold the data files"
    grep -qaF "$(printf 'E:\\dest\\\x95\x5c\x8e\xa6.001')" "$E/dest/予定.avi" &&
      grep -qaF "$(printf 'E:\\dest\\\x95\x5c\x8e\xa6.002')" "$E/dest/予定.avi" ||
      fail "the copy does not name its data files in E:\dest"
    ;;
  cli_japanese_backslash)
    # The console tool on a Japanese Windows (ANSI code page 932): Copy into
    # E:\ソ, then Move on to E:\十, of a reference AVI whose two data files
    # share the name 表示.001.
    locale -a | grep -qix 'ja_JP.utf8' || fail "locale ja_JP.UTF-8 is missing (scripts/deps.sh generates it)"
    export LANG=ja_JP.UTF-8
    fresh
    mkdir -p "$D/能力" "$D/ソ" "$E/ソ" "$E/十"
    fx data 'D:\能力\表示.001' 3 && fx data 'D:\ソ\表示.001' 4 &&
      fx refavi 'D:\能力\予定.avi' 'D:\能力\表示.001' 'D:\ソ\表示.001' || fail "cannot make 予定.avi"
    wine "$MENDORA_CLI" copy --to 'E:\ソ' 'D:\能力\予定.avi' </dev/null || fail "copy failed"
    expect_files "$E/ソ" "$(printf '予定.avi\n表示.001\n表示~001.001\n' | sort)"
    cmp -s "$D/ソ/表示.001" "$E/ソ/表示~001.001" || fail "表示~001.001 is not the copy of D:\ソ\表示.001"
    wine "$MENDORA_CLI" move --backup 0 --to 'E:\十' 'E:\ソ\予定.avi' </dev/null || fail "move failed"
    expect_files "$E/ソ" ""
    expect_files "$E/十" "$(printf '予定.avi\n表示.001\n表示~001.001\n' | sort)"
    cmp -s "$D/ソ/表示.001" "$E/十/表示~001.001" || fail "the move changed 表示~001.001"
    grep -qaF "$(printf 'E:\\\x8f\x5c\\\x95\x5c\x8e\xa6~001.001')" "$E/十/予定.avi" ||
      fail "the moved reference AVI does not name E:\十\表示~001.001"
    expect_files "$D/能力" "$(printf '予定.avi\n表示.001\n' | sort)"
    # Reports are UTF-8 on Windows too, whatever the ANSI code page.
    json=$(wine "$MENDORA_CLI" check --json 'E:\十\予定.avi' </dev/null | tr -d '\r')
    printf '%s' "$json" | iconv -f UTF-8 -t UTF-8 >/dev/null || fail "check --json is not UTF-8: $json"
    case $json in
      *'"path": "E:\\十\\予定.avi", "status": "ok"'*'"path": "E:\\十\\表示~001.001"'*) ;;
      *) fail "check --json: $json" ;;
    esac
    ;;
  check_report)
    # Check on a folder: the report's rows, broken file first; the CSV saved;
    # a double-click on the broken file fixes it (the search finds the moved
    # data file) and its rows show it whole.
    fresh; make_archive
    export MENDORA_TEST_BROWSE_FOLDER='D:\clips'
    start wine "$MENDORA_TEST_EXE"
    wait_window "$MAIN" 60000
    expect_text "$MAIN" 1121 "$(string_text 621 1)"
    expect_text "$MAIN" 1120 "Check"
    screenshot main_check_en "$MAIN"
    check_clips
    expect_text "$REPORT" 1123 "Save report..."
    expect_text "$REPORT" 2 "$(string_text 630 1)"
    expect_rows "$REPORT" "$(archive_rows 'D:\clips\take2.002' 644)"
    screenshot check_report_en "$REPORT"
    drv click "$REPORT" 1123
    SAVE=$(string_text 632 1)
    wait_window "$SAVE"
    screenshot check_save_en "$SAVE"
    drv type "$SAVE" 1148 'E:\report.csv' || fail "no file name box"
    drv click "$SAVE" 1
    wait_gone "$SAVE"
    want=$(printf '%s\r\n' 'file,status,reason,link,link status,frames' \
      'D:\clips\plain.avi,self-contained,,,,' \
      'D:\clips\take1.avi,ok,,D:\clips\take1.001,ok,2' 'D:\clips\take1.avi,ok,,D:\clips\take1.002,ok,2' \
      'D:\clips\take2.avi,broken,,D:\clips\take2.001,ok,2' 'D:\clips\take2.avi,broken,,D:\clips\take2.002,missing,2')
    [ "$(cat "$E/report.csv")" = "$want" ] || fail "saved report: [$(cat -A "$E/report.csv")]"
    drv listdbl "$REPORT" 1122 0 || fail "cannot double-click the first row"
    wait_window "$FOUND"
    expect_text "$FOUND" 1008 "$(format1 522 'E:\moved\take2.002')"
    drv click "$FOUND" 1
    expect_box "$(format1 304 'D:\clips\take2.avi')" 1
    expect_box "$(format1 303 'D:\clips\take2.avi')" 1
    for i in $(seq 1 50); do
      [ "$(drv list "$REPORT" 1122 | tr -d '\r')" = "$(archive_rows 'E:\moved\take2.002' 640)" ] && break
      sleep 0.2
    done
    expect_rows "$REPORT" "$(archive_rows 'E:\moved\take2.002' 640)"
    screenshot check_fixed_en "$REPORT"
    drv click "$REPORT" 2
    wait_gone "$REPORT"
    quit_program
    expect_links 'D:\clips\take2.avi' "$(printf 'D:\\clips\\take2.001\nE:\\moved\\take2.002')"
    ;;
  check_japanese)
    # The same archive, the main dialog and the report in Japanese.
    fresh; make_archive
    export LANG=ja_JP.UTF-8 LANGFIELD=2 MENDORA_TEST_BROWSE_FOLDER='D:\clips'
    start wine "$MENDORA_TEST_EXE"
    MAIN=$(string_text 1 2)
    wait_window "$MAIN" 60000
    expect_text "$MAIN" 1121 "$(string_text 621 2)"
    screenshot main_check_ja "$MAIN"
    check_clips
    expect_text "$REPORT" 1123 "$(string_text 629 2)"
    expect_text "$REPORT" 1124 "$(string_text 631 2)"
    expect_rows "$REPORT" "$(archive_rows 'D:\clips\take2.002' 644)"
    screenshot check_report_ja "$REPORT"
    drv click "$REPORT" 2
    wait_gone "$REPORT"
    quit_program
    ;;
  relink_folder | relink_folder_ja)
    # A folder of data files moved, one of them into a subfolder: the first
    # file is located by hand (a same-name decoy with PAL frames typed first
    # is refused with its message, and the locate dialog stays open), then
    # one question box takes the other two, and every link is fixed.
    if [ "$scenario" = relink_folder_ja ]; then
      locale -a | grep -qix 'ja_JP.utf8' || fail "locale ja_JP.UTF-8 is missing (scripts/deps.sh generates it)"
      export LANG=ja_JP.UTF-8
      LANGFIELD=2
      suffix=ja
    else
      LANGFIELD=1
      suffix=en
    fi
    fresh
    mkdir -p "$D/clips/sub" "$E/archive/clips/sub" "$E/decoy"
    fx data 'D:\clips\take1.001' 3 && fx data 'D:\clips\take1.002' 3 && fx data 'D:\clips\sub\take1.003' 3 &&
      fx refavi 'D:\clips\take1.avi' 'D:\clips\take1.001' 'D:\clips\take1.002' 'D:\clips\sub\take1.003' ||
      fail "cannot make take1"
    fx data 'E:\decoy\take1.001' 3 144000 || fail "cannot make the decoy"
    mv "$D/clips/take1.001" "$D/clips/take1.002" "$E/archive/clips/"
    mv "$D/clips/sub/take1.003" "$E/archive/clips/sub/"
    before=$(digest "$D/clips/take1.avi")
    if [ "$suffix" = ja ]; then
      fix_in_japanese take1.avi
      drv click "$JA_SELECT" 1
      selection=$JA_SELECT
    else
      start wine "$MENDORA_EXE"
      wait_window "$MAIN" 60000
      select_files 1012 "$SELECT_FIX" take1.avi
      selection=$SELECT_FIX
    fi
    # The walk offers a moved file (the decoy it meets is passed over without
    # a word); Reference locates by hand instead, the first link first.
    wait_window "$FOUND"
    drv click "$FOUND" 1002
    LOCATE=$(format1 540 take1.avi)
    wait_window "$LOCATE"
    expect_text "$LOCATE" 1003 "take1.001"
    drv type "$LOCATE" 1152 'E:\decoy\take1.001'
    drv click "$LOCATE" 1
    expect_box "$(format1 542 'E:\decoy\take1.001')" 1 "box_not_the_frames_$suffix"
    drv wait "$LOCATE" 3000 || fail "the locate dialog closed after a refused file"
    [ "$(digest "$D/clips/take1.avi")" = "$before" ] || fail "the reference AVI changed"
    drv type "$LOCATE" 1152 'E:\archive\clips\take1.001'
    drv click "$LOCATE" 1
    # 6: Yes.
    expect_box "$(format1 523 2)" 6 "box_update_others_$suffix"
    expect_box "$(format1 304 'D:\clips\take1.avi')" 1
    expect_box "$(format1 303 'D:\clips\take1.avi')" 1
    selection_closed "$selection"
    if [ "$suffix" = ja ]; then
      drv click "$JA_MAIN" 2
      expect_exit
    else
      quit_program
    fi
    expect_links 'D:\clips\take1.avi' \
      "$(printf 'E:\\archive\\clips\\take1.001\nE:\\archive\\clips\\take1.002\nE:\\archive\\clips\\sub\\take1.003')"
    expect_files "$D/clips" "$(printf 'sub\ntake1.avi\ntake1.avi.bak')"
    ;;
  *)
    fail "unknown scenario"
    ;;
esac
echo "PASS [$scenario]"
