#!/usr/bin/env bash
# Builds and runs every test: native, ASan/UBSan, ThreadSanitizer (thread
# protocol tests), the Windows build under Wine (GUI tests under Xvfb), and a
# timed run of every fuzz target.
#
#   MENDORA_QUICK=1      skip the tests labelled "big" (multi-GiB media)
#   MENDORA_STAGES="native asan tsan windows fuzz"   the stages to run
#   MENDORA_FUZZ_SECONDS=60                          time per fuzz target
set -uo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh || exit 1

stages=${MENDORA_STAGES:-"native asan tsan windows fuzz"}
fuzz_seconds=${MENDORA_FUZZ_SECONDS:-60}
jobs=$(nproc)
filter=()
[ -n "${MENDORA_QUICK:-}" ] && filter=(-LE big)
passed=0
failed=0
failed_stages=()

count_ctest() {  # adds the counts of a ctest log to the totals
  local line total bad
  line=$(grep -E '^[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$1" | tail -n 1)
  if [ -n "$line" ]; then
    bad=$(echo "$line" | sed -E 's/.* ([0-9]+) tests? failed out of.*/\1/')
    total=$(echo "$line" | sed -E 's/.*out of ([0-9]+).*/\1/')
    passed=$((passed + total - bad))
    failed=$((failed + bad))
  fi
}

# Wine now and then drops a test program at start-up on a loaded machine.
# wine-run starts such a program again; what still fails under Wine runs once
# more here, one test at a time. Both runs are printed, and the tests that
# needed it are named.
rerun_wine_failures() {  # log, wrapper...
  local log=$1; shift
  local names
  names=$(sed -n -E 's/^[[:space:]]*[0-9]+ - (.*) \((Failed|Timeout|SEGFAULT|Exception|Subprocess aborted)\)$/\1/p' "$log")
  [ -n "$names" ] || return 1
  echo "=== windows: running again what failed:"
  echo "$names" | sed 's/^/    /'
  if "$@" ctest --preset windows --rerun-failed 2>&1 | tee "$log.again"; then
    echo "=== windows: these passed when run again"
    # The totals count the second run.
    sed -i -E 's/^[0-9]+% tests passed, [0-9]+ tests? failed out of ([0-9]+)/100% tests passed, 0 tests failed out of \1/' "$log"
    return 0
  fi
  return 1
}

run_ctest_stage() {  # name, ctest arguments...
  local name=$1; shift
  echo "=== $name: configure and build"
  if ! cmake --preset "$name" >"build/$name.build.log" 2>&1 || ! cmake --build --preset "$name" -j "$jobs" >>"build/$name.build.log" 2>&1; then
    tail -n 60 "build/$name.build.log"
    failed_stages+=("$name(build)"); failed=$((failed + 1)); return
  fi
  echo "=== $name: test"
  local log="build/$name/ctest.log"
  if ! "$@" ctest --preset "$name" -j "$jobs" "${filter[@]}" 2>&1 | tee "$log"; then
    if [ "$name" = windows ] && rerun_wine_failures "$log" "$@"; then
      :
    else
      failed_stages+=("$name")
    fi
  fi
  grep -q "tests passed" "$log" || failed_stages+=("$name(no result)")
  count_ctest "$log"
}

mkdir -p build
for stage in $stages; do
  case $stage in
    native|asan)
      run_ctest_stage "$stage" env ;;
    tsan)
      # Only the tests of the thread protocols; TSan on the rest adds time, not checks.
      filter_saved=("${filter[@]}")
      filter+=(-L threads)
      run_ctest_stage tsan env TSAN_OPTIONS=halt_on_error=1
      filter=("${filter_saved[@]}") ;;
    windows)
      run_ctest_stage windows xvfb-run -a -s "-screen 0 1280x1024x24" ;;
    fuzz)
      echo "=== fuzz: configure and build"
      if ! cmake --preset fuzz >build/fuzz.build.log 2>&1 || ! cmake --build --preset fuzz -j "$jobs" >>build/fuzz.build.log 2>&1; then
        tail -n 60 build/fuzz.build.log; failed_stages+=("fuzz(build)"); failed=$((failed + 1)); continue
      fi
      for target in build/fuzz/fuzz/fuzz_*; do
        [ -x "$target" ] || continue
        name=$(basename "$target")
        corpus="fuzz/corpus/${name#fuzz_}"
        work="build/fuzz/work/$name"
        mkdir -p "$work"
        [ -d "$corpus" ] && cp -r "$corpus"/. "$work"/ 2>/dev/null
        echo "=== fuzz: $name for ${fuzz_seconds}s"
        if "$target" -max_total_time="$fuzz_seconds" -rss_limit_mb=2048 -malloc_limit_mb=512 \
             -timeout=10 -print_final_stats=0 -artifact_prefix="build/fuzz/$name-" "$work" \
             >"build/fuzz/$name.log" 2>&1; then
          echo "Fuzz $name: passed"; passed=$((passed + 1))
        else
          tail -n 40 "build/fuzz/$name.log"; failed_stages+=("fuzz:$name"); failed=$((failed + 1))
        fi
      done ;;
    *) echo "unknown stage $stage"; exit 2 ;;
  esac
done

if [ ${#failed_stages[@]} -gt 0 ]; then
  echo "Failed: ${failed_stages[*]}"
  echo "$passed passed, $failed failed"
  exit 1
fi
echo "$passed passed, $failed failed"
