#!/usr/bin/env bash
# The Debian package of mendora-cli, built by CPack from this build tree:
# its name and fields, its files, the tool it installs (unpacked with
# dpkg -x into a scratch root), its bash completion, and the manual page, which must render
# without warnings and document every command and option the tool has.
#   deb_test.sh   (ctest sets MENDORA_BUILD and MENDORA_VERSION)
set -uo pipefail
: "${MENDORA_BUILD:?}" "${MENDORA_VERSION:?}"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

if ! cpack --config "$MENDORA_BUILD/CPackConfig.cmake" -G DEB -B "$work/out" >"$work/cpack.log" 2>&1; then
  cat "$work/cpack.log"
  echo "FAIL: cpack could not build the package" >&2
  exit 1
fi
arch=$(dpkg --print-architecture)
deb="$work/out/mendora-cli_${MENDORA_VERSION}_$arch.deb"
[ -f "$deb" ] || { ls "$work/out" >&2; echo "FAIL: no $deb" >&2; exit 1; }

[ "$(dpkg-deb -f "$deb" Package)" = mendora-cli ] || fail "Package: $(dpkg-deb -f "$deb" Package)"
[ "$(dpkg-deb -f "$deb" Version)" = "$MENDORA_VERSION" ] || fail "Version: $(dpkg-deb -f "$deb" Version)"
# The C and C++ libraries it links, found by dpkg-shlibdeps.
dpkg-deb -f "$deb" Depends | grep -q 'libc6' || fail "Depends lacks libc6: $(dpkg-deb -f "$deb" Depends)"
files=$(dpkg-deb -c "$deb" | awk '$NF !~ /\/$/ { print $NF }' | sort)
expected=$(printf '%s\n' ./usr/bin/mendora-cli ./usr/share/bash-completion/completions/mendora-cli \
  ./usr/share/man/man1/mendora-cli.1.gz | sort)
[ "$files" = "$expected" ] || fail "files: [$files], expected [$expected]"

root="$work/root"
dpkg -x "$deb" "$root" || { echo "FAIL: dpkg -x" >&2; exit 1; }
cli="$root/usr/bin/mendora-cli"
version=$("$cli" --version)
[ "$version" = "mendora-cli $MENDORA_VERSION" ] || fail "--version printed [$version]"
# Strip only shortened the tool: it still runs a command.
[ "$("$cli" probe /nonexistent.avi 2>/dev/null)" = 289 ] || fail "the installed tool does not run probe"
# The installed completion, with the installed tool, completes a command.
completed=$(bash -c 'source "$1"; COMP_WORDS=("$2" fi); COMP_CWORD=1; _mendora_cli; echo "${COMPREPLY[*]}"' _ \
  "$root/usr/share/bash-completion/completions/mendora-cli" "$cli")
[ "$completed" = fix ] || fail "the installed completion gives [$completed] for \"fi\""

page="$root/usr/share/man/man1/mendora-cli.1.gz"
# Rendered as a user's terminal shows it.
LC_ALL=C.UTF-8 MANWIDTH=100 man --warnings -l "$page" >"$work/page" 2>"$work/warnings" || fail "man -l failed"
[ -s "$work/warnings" ] && fail "man warns: $(cat "$work/warnings")"
for section in NAME SYNOPSIS DESCRIPTION OPTIONS COMMANDS "EXIT STATUS" "DRIVE MAP" ENVIRONMENT FILES; do
  grep -q "^$section\$" "$work/page" || fail "no section $section"
done
grep -q "Mendora $MENDORA_VERSION" "$work/page" || fail "the page does not carry the version"
# Every command of the tool's own usage has its entry, at the start of a line.
# (in the overview each command starts a line indented by two, its summary
# and options are indented further)
commands=$("$cli" --help | awk '/^commands:/ { on = 1; next } on && !NF { exit } on && /^  [a-z]/ { print $1 }')
[ -n "$commands" ] || fail "no commands in --help"
for command in $commands; do
  grep -Eq "^ +$command( |\$)" "$work/page" || fail "command $command is not documented"
done
# Every option the tool's usage texts name: the global ones, and those of
# each command that takes options (shown when an option is wrong).
options=$({ "$cli" --help; for command in $commands; do "$cli" "$command" --help; "$cli" "$command" --no-such-option 2>&1; done; } |
  grep -oE -- '--[a-z][a-z-]*|-[a-z]\b' | grep -v -- '--no-such-option' | sort -u)
for option in $options; do
  # An entry of its own: "--to DIR", or "--yes, -y".
  grep -Eq -- "^ +(-[-a-z]+, )?$option(,| |\$)" "$work/page" || fail "option $option is not documented"
done
for code in 0 1 2; do
  grep -Eq "^ +$code +[A-Z]" "$work/page" || fail "exit status $code is not documented"
done
for name in MENDORA_DRIVES MENDORA_DRIVES_FILE MENDORA_CODEPAGE '~/.config/mendora/drives'; do
  grep -qF "$name" "$work/page" || fail "$name is not documented"
done
[ "$failures" -eq 0 ] || exit 1
echo "PASS: $(basename "$deb"), $(echo "$commands" | wc -w) commands, $(echo "$options" | wc -w) options documented"
