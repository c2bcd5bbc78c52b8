# What the GUI scenario scripts share: the Wine settings, the prefix set-up,
# the driver calls, string lookup, waits, screenshots and the program's run.
# The script that sources this sets WINEPREFIX, `scenario` and, when it makes
# any, `lock_pid` first.
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
lock_pid=${lock_pid:-}

fail() {
  echo "FAIL [$scenario]: $*" >&2
  screenshot_screen "failed_$scenario" >/dev/null 2>&1
  exit 1
}

cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null
  [ -n "$lock_pid" ] && kill "$lock_pid" 2>/dev/null
  # Only this prefix's processes: the scenario's program and its helpers.
  wineserver -k 2>/dev/null
}
trap cleanup EXIT

# One-time set-up of the prefix, marked done by the file MARKER in it: no
# crash dialog; Wine draws the title bars itself (Xvfb has no window
# manager), with its Marlett glyphs for the caption buttons; Japanese
# captions are drawn with a CJK font. EXTRA, when given, is a function that
# finishes the set-up (drives, say).
prepare_prefix() {  # marker [, extra]
  [ -f "$WINEPREFIX/$1" ] && return
  (
    flock 9
    [ -f "$WINEPREFIX/$1" ] && exit 0
    mkdir -p "$WINEPREFIX"
    wineboot --init >/dev/null 2>&1
    wineserver -w
    wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /t REG_SZ /d N /f >/dev/null 2>&1
    for face in "MS UI Gothic" "MS Gothic" "MS PGothic"; do
      wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$face" /t REG_SZ /d 'Noto Sans CJK JP' /f \
        >/dev/null 2>&1
    done
    for font in /usr/share/wine/fonts/marlett.ttf /usr/lib/wine/fonts/marlett.ttf; do
      [ -f "$font" ] && cp "$font" "$WINEPREFIX/drive_c/windows/Fonts/" && break
    done
    wineserver -w
    if [ -n "${2:-}" ]; then "$2"; fi
    touch "$WINEPREFIX/$1"
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
wait_gone() { drv gone "$1" "${2:-15000}" || fail "window \"$1\" is still open"; }

# Saves the screen area of window CAPTION (plus MARGIN pixels below and to
# the right, for menus) as NAME.png.
screenshot() {  # name, caption [, margin]
  local rect x y w h margin=${3:-0} full="$MENDORA_GUI_ARTIFACTS/$1.full.png"
  rect=$(drv rect "$2") || fail "no window \"$2\" to photograph"
  read -r x y w h <<<"$rect"
  sleep 0.7  # let the last paint reach the screen
  import -window root "$full" || fail "screenshot failed"
  convert "$full" -crop "$((w + margin))x$((h + margin))+$x+$y" +repage "$MENDORA_GUI_ARTIFACTS/$1.png" ||
    fail "cannot crop the screenshot"
  rm -f "$full"
  echo "screenshot: $MENDORA_GUI_ARTIFACTS/$1.png"
}
screenshot_screen() { import -window root "$MENDORA_GUI_ARTIFACTS/$1.png"; }

start() {  # program [args...]
  "$@" &
  app_pid=$!
}

# Waits for the program to end by itself and checks its exit status.
expect_exit() {  # [status, 0 when not given]
  local i status
  for i in $(seq 1 100); do
    kill -0 "$app_pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -0 "$app_pid" 2>/dev/null && fail "the program did not end"
  wait "$app_pid"
  status=$?
  app_pid=
  [ "$status" -eq "${1:-0}" ] || fail "exit status $status, expected ${1:-0}"
}

MAIN=$(string_text 1 1)
