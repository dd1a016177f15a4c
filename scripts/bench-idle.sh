#!/usr/bin/env bash
# Idle cost of the docked ticker against a bare Qt window, on a private X server with openbox and
# a tint2 panel. Usage: scripts/bench-idle.sh [seconds]   (default 600, per program).
# NIMBULO_TEST_BUILD names the build (build-test; a Release build gives the truer CPU figure).
# For each program prints the wake-ups per second (context switches of all its threads: each is
# a sleep the process was woken from) and its CPU use in % of one core over the run.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/panel-session.sh

seconds=${1:-600}
build=${NIMBULO_TEST_BUILD:-build-test}
cmake --build "$build" --target bench_idle >/dev/null
bench=$build/bench/bench_idle

startScratch

startPanelSession "$work"

# Context switches of every thread and CPU ticks (user + system) of process $1.
switches() {
  cat /proc/"$1"/task/*/status 2>/dev/null |
    awk '/^(non)?voluntary_ctxt_switches/ { n += $2 } END { print n + 0 }'
}
ticks() { awk '{ print $14 + $15 }' /proc/"$1"/stat; }

hz=$(getconf CLK_TCK)
printf '%-8s %10s %14s %8s\n' program seconds wake-ups/s cpu-%
for mode in bare ticker; do
  "$bench" "$mode" >"$work/$mode.out" 2>&1 &
  pid=$!
  pids+=("$pid")
  for _ in $(seq 200); do grep -q ready "$work/$mode.out" 2>/dev/null && break; sleep 0.1; done
  grep -q ready "$work/$mode.out" || { echo "$mode did not start:" >&2; cat "$work/$mode.out" >&2; exit 1; }
  sleep 5 # start-up work done (the ticker's first fast checks)
  s0=$(switches "$pid") t0=$(ticks "$pid")
  sleep "$seconds"
  s1=$(switches "$pid") t1=$(ticks "$pid")
  kill "$pid"
  wait "$pid" 2>/dev/null || true
  awk -v m="$mode" -v d="$seconds" -v s=$((s1 - s0)) -v t=$((t1 - t0)) -v hz="$hz" \
    'BEGIN { printf "%-8s %10d %14.2f %8.3f\n", m, d, s / d, 100 * t / hz / d }'
done
