#!/usr/bin/env bash
# The bash completion of mendora-cli, sourced and called as bash calls it
# (COMP_WORDS split at "=" and ":" as bash splits them): commands, each
# command's options (the same as its --help lists), file and folder names,
# and the drive letters of the drive map.
#   completion_test.sh   (ctest sets MENDORA_CLI and MENDORA_COMPLETION)
set -uo pipefail
: "${MENDORA_CLI:?}" "${MENDORA_COMPLETION:?}"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
# expect NAME EXPECTED ACTUAL: both as sorted, space-separated words.
expect() { [ "$2" = "$3" ] || fail "$1: expected [$2], got [$3]"; }
sorted() { printf '%s\n' "$@" | sed '/^$/d' | sort | tr '\n' ' ' | sed 's/ $//'; }

# shellcheck source=/dev/null
source "$MENDORA_COMPLETION"
complete -p mendora-cli >/dev/null || fail "no completion registered for mendora-cli"
cli=$MENDORA_CLI
comp() {
  COMP_WORDS=("$cli" "$@")
  COMP_CWORD=$#
  COMPREPLY=()
  _mendora_cli
  sorted "${COMPREPLY[@]}"
}

# The commands of the README's console tool sections, and those --help shows.
readme_commands="check copy export fix links move probe recover rewrite trace"
help_commands=$("$cli" --help | awk '/^commands:/ { on = 1; next } on && !NF { exit } on && /^  [a-z]/ { print $1 }')
expect "--help commands" "$readme_commands" "$(sorted $help_commands)"
expect "first word" "$(sorted $readme_commands help --drive --codepage --version --help -h)" "$(comp "")"
expect "a command's start" "fix" "$(comp fi)"
expect "after global options" "check" "$(comp --codepage 932 --drive D = /x che)"
expect "help COMMAND" "$readme_commands" "$(comp help "")"

# Each command's options are those its --help lists (every spelling), and
# --help; README's own options are among them.
for command in $help_commands; do
  listed=$("$cli" "$command" --help | awk '/^options:/ { on = 1; next } on' |
    sed -E 's/^  //; s/  .*//' | tr ',' '\n' | awk '{ print $1 }')
  expect "options of $command" "$(sorted $listed --help)" "$(comp "$command" -)"
done
for pair in fix:--map fix:--backup copy:--to move:--accept-first check:--csv links:--json export:--yes; do
  comp "${pair%%:*}" - | grep -qw -- "${pair#*:}" || fail "${pair%%:*} does not offer ${pair#*:}"
done
expect "after --, files only" "" "$(comp fix -- --)"

# File and folder names.
mkdir -p "$work/files/reels" "$work/dirs/alpha"
: >"$work/dirs/alpha.avi"
: >"$work/files/ref one.avi"
: >"$work/files/ref two.avi"
expect "files" "$work/files/reels $work/files/ref one.avi $work/files/ref two.avi" "$(comp links "$work/files/re")"
expect "--to takes folders" "$work/files/reels" "$(comp copy --to "$work/files/re")"
# "--drive D=DIR" takes folders; after the "=" bash puts back only what
# follows it.
expect "--drive X=DIR" "$work/dirs/alpha" "$(comp --drive D = "$work/dirs/al")"
expect "--map OLD=NEW" "$work/files/reels" "$(comp fix --map 'C' : '\old' = "$work/files/reel")"

# Drive letters: the map file (comments, code page, "X:=", lower case, an
# entry with a relative folder that does not count, a letter taken away
# again), then MENDORA_DRIVES on top.
unset MENDORA_DRIVES XDG_CONFIG_HOME
cat >"$work/drives" <<'MAP'
# the edit machine
C=/home/me/c
d:=/media/video
codepage=932
Q=relative
F=/f ; H=/h
F=
MAP
export MENDORA_DRIVES_FILE="$work/drives"
expect "--drive letters" "C= D= H=" "$(comp --drive "")"
expect "--drive letter started" "D=" "$(comp --drive d)"
expect "--drives letters" "C D H" "$(comp fix --drives "")"
expect "--drives adds a letter" "DC DH" "$(comp fix --drives D)"
expect "MENDORA_DRIVES on top" "D= G= H=" "$(MENDORA_DRIVES="G=/g;C=" comp --drive "")"
unset MENDORA_DRIVES_FILE
mkdir -p "$work/config/mendora"
echo "E=/e" >"$work/config/mendora/drives"
expect "XDG_CONFIG_HOME" "E" "$(XDG_CONFIG_HOME="$work/config" comp move --drives "")"
expect "no map: Z is the root" "Z" "$(XDG_CONFIG_HOME="$work/none" comp move --drives "")"

[ "$failures" -eq 0 ] || exit 1
echo "PASS: completion of $(echo $help_commands | wc -w) commands"
