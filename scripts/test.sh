#!/usr/bin/env bash
# Builds everything with AddressSanitizer and UBSan, warnings as errors, runs clang-tidy
# (scripts/tidy.sh) and every test.
# Tests that need a display get a private X server (xvfb-run); the rest run offscreen. Then the
# Debian package is built (a Release build of the programs) and checked, and the fuzz targets
# run for NIMBULO_FUZZ_SECONDS each (default 30; 0 skips them): any finding fails. At its end,
# passed or failed, no process it started may be left running: every one carries
# NIMBULO_TEST_RUN=<this run> in its environment, and any still running is listed, ended, and
# fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."

export NIMBULO_TEST_RUN="$$.$(date +%s%N)"
check_left() {
  local status=$? left
  # A test killed by its time-out has its hosts ended by its guard's watcher a moment later.
  for _ in 1 2 3 4 5 6 7 8 9 10; do
    left=$(tests/host_guard.sh --left "NIMBULO_TEST_RUN=$NIMBULO_TEST_RUN") && return "$status"
    sleep 1
  done
  echo "Processes the tests started are still running (now ended):" >&2
  echo "$left" >&2
  tests/host_guard.sh --left "NIMBULO_TEST_RUN=$NIMBULO_TEST_RUN" kill >/dev/null
  exit 1
}
trap check_left EXIT

scripts/deps.sh

build=${NIMBULO_TEST_BUILD:-build-test}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DNIMBULO_SANITIZE=ON -DNIMBULO_WERROR=ON -DNIMBULO_TESTS=ON >/dev/null
cmake --build "$build" --parallel "$(nproc)"
scripts/tidy.sh "$build"

# Qt's own allocations are not our leaks; everything else the sanitizers find fails the run.
export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
xvfb-run -a -s "-screen 0 1280x800x24" \
  ctest --test-dir "$build" --output-on-failure --timeout 300 -j "$(nproc)"

scripts/check-package.sh

fuzz_seconds=${NIMBULO_FUZZ_SECONDS:-30}
[ "$fuzz_seconds" -eq 0 ] || scripts/fuzz.sh "$fuzz_seconds"
