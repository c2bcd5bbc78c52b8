#!/usr/bin/env bash
# The user guides keep up with the program: every button of the main dialog
# (the PUSHBUTTON and DEFPUSHBUTTON captions of IDD_MAIN in mendora.rc) and
# every command of mendora-cli (as its --help lists them) has a section, a
# heading that names it, in the English and the Japanese guide.
#   guide_test.sh   (ctest sets MENDORA_CLI and MENDORA_SOURCE)
set -uo pipefail
: "${MENDORA_CLI:?}" "${MENDORA_SOURCE:?}"
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

rc=$MENDORA_SOURCE/src/resources/mendora.rc
buttons=$(awk '/^IDD_MAIN[ \t]+DIALOG/ { on = 1 } on && /^END/ { exit }
  on && /^[ \t]*(DEF)?PUSHBUTTON[ \t]/ { if (match($0, /"[^"]*"/)) print substr($0, RSTART + 1, RLENGTH - 2) }' "$rc" |
  sed 's/&//g')
commands=$("$MENDORA_CLI" --help | awk '/^commands:/ { on = 1; next } on && !NF { exit } on && /^  [a-z]/ { print $1 }')
[ "$(echo "$buttons" | wc -w)" -ge 3 ] || fail "too few buttons read from IDD_MAIN: [$buttons]"
[ "$(echo "$commands" | wc -w)" -ge 3 ] || fail "too few commands read from --help: [$commands]"

for guide in docs/guide.md docs/guide.ja.md; do
  headings=$(grep -E '^#{1,6} ' "$MENDORA_SOURCE/$guide")
  [ -n "$headings" ] || fail "$guide has no headings"
  while IFS= read -r button; do
    [ -n "$button" ] || continue
    # The caption as a word of a heading: "## Move and Copy", "## 終了 (Quit)".
    grep -qE "(^|[^A-Za-z])$button([^A-Za-z]|\$)" <<<"$headings" || fail "$guide: no section for the button $button"
  done <<<"$buttons"
  for command in $commands; do
    grep -qE "mendora-cli $command([^a-z-]|\$)" <<<"$headings" || fail "$guide: no section for mendora-cli $command"
  done
done
[ "$failures" -eq 0 ] || exit 1
echo "PASS: $(echo $buttons | wc -w) buttons and $(echo $commands | wc -w) commands in both guides"
