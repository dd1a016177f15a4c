#!/usr/bin/env bash
# Builds the fuzz targets (clang, libFuzzer, ASan and UBSan) in their own build directory and
# runs each for SECONDS (default 300), as many at once as there are cores. Each starts from its
# seeds in fuzz/corpus/<target>/ (left as they are) and the corpus it grew in earlier runs.
# Any finding (a crash, a sanitizer report, a property that does not hold, a hang, a leak) fails
# the run; the input that caused it is kept in <build>/findings/ with the target's log.
# Usage: scripts/fuzz.sh [SECONDS]          (NIMBULO_FUZZ_BUILD: build directory, build-fuzz)
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-300}
build=${NIMBULO_FUZZ_BUILD:-build-fuzz}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
  -DNIMBULO_FUZZ=ON -DNIMBULO_TESTS=OFF >/dev/null
cmake --build "$build" --target fuzzers --parallel "$(nproc)"

findings="$build/findings"
rm -rf "$findings"
mkdir -p "$findings"

# The longest input of a target: a fetched page's readers up to the response cap (8 MB), the
# layout just past the size a layout may have; 0 lets libFuzzer choose.
max_len_of() {
  case $1 in
    fuzz_observations | fuzz_state_feed | fuzz_station_history | fuzz_history | fuzz_http_response)
      echo $((8 * 1024 * 1024)) ;;
    fuzz_layout) echo $((1024 * 1024 + 1)) ;;
    *) echo 0 ;;
  esac
}

run_target() {
  local name=$1 work="$build/corpus/$1"
  mkdir -p "$work"
  if "$build/fuzz/$name" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
      -max_len="$(max_len_of "$name")" \
      -print_final_stats=1 -artifact_prefix="$findings/$name-" \
      "$work" "fuzz/corpus/$name" >"$findings/$name.log" 2>&1; then
    echo "$name: $(grep -m1 -o 'stat::number_of_executed_units: *[0-9]*' "$findings/$name.log" |
      grep -o '[0-9]*$') runs, no finding"
  else
    echo "$name: FINDING (log and input in $findings/)"
    tail -n 40 "$findings/$name.log"
    return 1
  fi
}
export -f run_target max_len_of
export build seconds findings

targets=$(ls fuzz/fuzz_*.cpp | xargs -n1 basename | sed 's/\.cpp$//')
echo "Fuzzing each target for $seconds s: $(echo $targets)"
printf '%s\n' $targets | xargs -P "$(nproc)" -I{} bash -c 'run_target {}'
