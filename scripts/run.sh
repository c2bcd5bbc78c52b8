#!/usr/bin/env bash
# Builds Mendora and starts it.
#   bash scripts/run.sh              the Windows program under Wine (needs a display: DISPLAY,
#                                    or run it as `xvfb-run -a bash scripts/run.sh`)
#   bash scripts/run.sh cli ARGS...  the console tool mendora-cli, native
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
jobs=$(nproc)
if [ "${1:-}" = cli ]; then
  shift
  cmake --preset native >/dev/null
  cmake --build --preset native -j "$jobs" --target mendora-cli >/dev/null
  exec build/native/src/cli/mendora-cli "$@"
fi
cmake --preset windows >/dev/null
cmake --build --preset windows -j "$jobs" >/dev/null
exe=build/windows/src/app/mendora.exe
if [ -z "${DISPLAY:-}" ]; then
  echo "Mendora is a desktop program and needs a display: set DISPLAY, or run" >&2
  echo "  xvfb-run -a bash scripts/run.sh" >&2
  exit 1
fi
exec build/windows/wine-run "$exe"
