#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test:
#   1. the normal build: unit, render, runner, end-to-end and level tests;
#   2. a build with AddressSanitizer and UndefinedBehaviorSanitizer: unit and
#      runner tests (and the soak), leaks checked by LeakSanitizer;
#   3. the level reader and loader fuzzed: every corpus and regression input
#      replayed, then a fixed number of new inputs from a fixed seed (so the
#      verdict does not depend on the machine's speed; see fuzz/run.sh).
set -uo pipefail
cd "$(dirname "$0")"
bash tools/install-deps.sh || exit 1
jobs=$(nproc)
export GSETTINGS_BACKEND=memory NO_AT_BRIDGE=1

status=0
summary=()
passed=0
failed=0
run_ctest() {  # name, build dir, ctest args...
  local name=$1 dir=$2; shift 2
  local log="$dir/ctest-$name.log"
  ctest --test-dir "$dir" --output-on-failure -j"$jobs" "$@" 2>&1 | tee "$log"
  local rc=${PIPESTATUS[0]}
  local line
  line=$(grep -E 'tests passed, [0-9]+ tests failed out of' "$log" | tail -1)
  summary+=("$name: ${line:-no result}")
  if [[ $line =~ ([0-9]+)\ tests\ failed\ out\ of\ ([0-9]+) ]]; then
    failed=$((failed + BASH_REMATCH[1])); passed=$((passed + BASH_REMATCH[2] - BASH_REMATCH[1]))
  else
    failed=$((failed + 1))
  fi
  [ "$rc" -eq 0 ] || status=1
}

echo "== Normal build"
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null && cmake --build build -j"$jobs" || exit 1
run_ctest normal build

echo "== Sanitizer build"
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DTILTMOOR_SANITIZE=ON -DTILTMOOR_PRESENTATION=OFF \
  -DTILTMOOR_BENCH=OFF >/dev/null && cmake --build build-asan -j"$jobs" || exit 1
ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 LSAN_OPTIONS=suppressions=$PWD/tests/leaks/lsan.supp \
  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  run_ctest sanitizer build-asan -L 'unit|runner|soak'

if [ -f fuzz/run.sh ]; then
  echo "== Fuzzing"
  if bash fuzz/run.sh; then
    summary+=("fuzz: passed"); passed=$((passed + 1))
  else
    summary+=("fuzz: FAILED"); failed=$((failed + 1)); status=1
  fi
fi

echo "== Summary"
printf '%s\n' "${summary[@]}"
echo "$passed passed, $failed failed"
exit $status
