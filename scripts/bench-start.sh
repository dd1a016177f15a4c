#!/usr/bin/env bash
# Start-up time and memory of the monitor against bare Qt programs, on a private X server with
# openbox and a tint2 panel, the state observations being the bureau's real NSW product (525 KB,
# read from ../shared/bureau-samples/) served by FTP on loopback.
# Usage: scripts/bench-start.sh [RUNS] [SCANS] [SETTLE] [MEMRUNS]
#        (defaults 5, 30, 60 seconds and 1)
# NIMBULO_TEST_BUILD names the build (default build-rel, made here as a Release build).
# Prints, each the median of RUNS runs where it is timed:
#  - the time from start to the first value painted in the docked ticker (bench_start: the
#    program's own start-up), against a bare Qt window's first paint (bench_bare, Qt alone);
#  - the resident memory of the running monitor SETTLE seconds after its start and after SCANS
#    scans one after the other, against a bare Qt window after SETTLE seconds (each the median
#    of MEMRUNS runs); the bare window paints a line of text, as the monitor must, and the same
#    window painting nothing is shown beside it (no font loaded: about 4 MB less);
#  - for `weather --print`: the time, the peak resident memory and the shared libraries loaded
#    (those two of the largest of its processes: itself or a transfer helper), and how often it
#    opens wsetting.ini, against a bare Qt program (bench_bare program);
#  - each figure's ratio to its bare counterpart beside the goal: the value within 1 s of the
#    start, the monitor within 1.3 times the bare window's memory, --print within 1.5 times the
#    bare program's time and memory.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/panel-session.sh
root=$PWD

runs=${1:-5}
scans=${2:-30}
settle=${3:-60}
memruns=${4:-1}
build=${NIMBULO_TEST_BUILD:-build-rel}
sample=${NIMBULO_SAMPLES:-$root/../shared/bureau-samples}/IDN60920-2020-07-29.xml
[ -f "$sample" ] || { echo "the bureau's real product $sample is absent" >&2; exit 1; }
[ -f "$build/CMakeCache.txt" ] ||
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DNIMBULO_TESTS=ON >/dev/null
cmake --build "$build" --target weather bench_start bench_bare >/dev/null
weather=$root/$build/weather/weather
bench=$root/$build/bench/bench_start
bare=$root/$build/bench/bench_bare

startScratch

# The product by FTP (a copy for this run only, removed with it).
mkdir -p "$work/ftp/anon/gen/fwo"
cp "$sample" "$work/ftp/anon/gen/fwo/IDN60920.xml"
/usr/bin/python3 tests/data/net_ftp_peer.py "$work/ftp" >"$work/ftp.log" 2>&1 &
pids+=($!)
port=""
for _ in $(seq 50); do
  port=$(sed -n 's/^port \([0-9]*\)$/\1/p' "$work/ftp.log")
  [ -n "$port" ] && break
  sleep 0.1
done
[ -n "$port" ] || { echo "the FTP server did not start:" >&2; cat "$work/ftp.log" >&2; exit 1; }

# The program folder: the shipped layout reading the product from that server by both its roads
# (as a user's first road answers), Sydney chosen.
program=$work/program
mkdir -p "$program"
sed -e "s|ftp://ftp\.bom\.gov\.au/anon/gen/fwo/|ftp://127.0.0.1:$port/anon/gen/fwo/|" \
  -e "s|^st_url=https://reg\.bom\.gov\.au/fwo/IDN60920\.xml|st_url=ftp://127.0.0.1:$port/anon/gen/fwo/IDN60920.xml|" \
  data/weather.ini >"$program/weather.ini"
printf '[SavedSetting]\nstate=0\nstation=0\nstation_name=Sydney - Observatory Hill\n' \
  >"$program/wsetting.ini"

startPanelSession "$work"

median() { sort -n | awk '{ v[NR] = $1 } END { print NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
rssOf() { awk '/^VmRSS/ { printf "%.1f", $2 / 1024 }' /proc/"$1"/status; }

# startProgram OUT COMMAND...: starts COMMAND, its output in OUT; the pid in $started.
startProgram() {
  local out=$1
  shift
  "$@" >"$out" 2>&1 &
  started=$!
  pids+=("$started")
}
# waitFor OUT PATTERN SECONDS: waits until a line of OUT matches PATTERN.
waitFor() {
  for _ in $(seq $(($3 * 20))); do
    grep -q "$2" "$1" 2>/dev/null && return 0
    sleep 0.05
  done
  echo "no \"$2\" in $3 s:" >&2
  cat "$1" >&2
  return 1
}
stopProgram() {
  kill "$1" 2>/dev/null || true
  wait "$1" 2>/dev/null || true
  sleep 0.5 # the tray lets the icons go
}

# Start to first paint, in seconds.
firstPaint() {
  local t0 painted
  t0=$(date +%s%3N)
  startProgram "$work/paint.out" "$@"
  waitFor "$work/paint.out" '^painted' 20
  painted=$(sed -n 's/^painted //p' "$work/paint.out")
  stopProgram "$started"
  awk -v a="$t0" -v b="$painted" 'BEGIN { printf "%.3f\n", (b - a) / 1000 }'
}
echo "start to first paint (median of $runs runs, seconds)"
barePaint=$(for _ in $(seq "$runs"); do firstPaint "$bare" window; done | median)
valuePaint=$(for _ in $(seq "$runs"); do firstPaint "$bench" "$program"; done | median)
printf '  bare Qt window  %s\n  value in ticker %s   (goal: at most 1 s)\n' "$barePaint" "$valuePaint"

# settledRss OUT SCANS COMMAND...: the resident memory of COMMAND SETTLE seconds after its
# start, or (SCANS > 0) once it printed "scanned SCANS".
settledRss() {
  local out=$1 n=$2 rss
  shift 2
  startProgram "$out" "$@"
  if [ "$n" -gt 0 ]; then
    # Run in a subshell: the program is ended here on every path.
    waitFor "$out" "^scanned $n\$" $((n * 5 + 30)) || { stopProgram "$started"; return 1; }
    sleep 2
  else
    sleep "$settle"
  fi
  rss=$(rssOf "$started")
  stopProgram "$started"
  echo "$rss"
}
echo "resident memory (median of $memruns runs, MB)"
bareRss=$(for _ in $(seq "$memruns"); do settledRss "$work/bare.out" 0 "$bare" window; done | median)
blankRss=$(for _ in $(seq "$memruns"); do settledRss "$work/bare.out" 0 "$bare" blank; done | median)
settledMon=$(for _ in $(seq "$memruns"); do settledRss "$work/monitor.out" 0 "$bench" "$program"; done | median)
scannedMon=$(for _ in $(seq "$memruns"); do
  settledRss "$work/monitor.out" "$scans" "$bench" "$program" "$scans"
done | median)
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
printf '  bare Qt window after %d s   %s   (painting nothing: %s)\n' "$settle" "$bareRss" "$blankRss"
printf '  monitor after %d s          %s   (%sx; goal: at most 1.3x; %sx the window painting nothing)\n' \
  "$settle" "$settledMon" "$(ratio "$settledMon" "$bareRss")" "$(ratio "$settledMon" "$blankRss")"
printf '  monitor after %d scans      %s   (%sx)\n' "$scans" "$scannedMon" "$(ratio "$scannedMon" "$bareRss")"

# measure COMMAND...: "<seconds> <peak MB>" of one run (time's own seconds count hundredths
# only, too coarse for a run of a few of them).
measure() {
  local t0 t1
  t0=$(date +%s%N)
  /usr/bin/time -f '%M' -o "$work/time" "$@" >/dev/null 2>&1 || true
  t1=$(date +%s%N)
  awk -v ns=$((t1 - t0)) '{ printf "%.3f %.1f\n", ns / 1e9, $1 / 1024 }' "$work/time"
}
# libraries COMMAND...: the shared objects one run loads (plug-ins included), in the process
# that loads the most (the monitor's transfer helpers are processes of their own).
libraries() {
  rm -f "$work"/ld.*
  LD_DEBUG=libs LD_DEBUG_OUTPUT=$work/ld "$@" >/dev/null 2>&1 || true
  for f in "$work"/ld.*; do grep -c 'calling init:' "$f"; done | sort -n | tail -n 1
}
# Runs of the two programs take turns, so that both meet the same load of the machine.
bareRuns="" printRuns=""
for _ in $(seq "$runs"); do
  bareRuns+="$(measure "$bare" program)"$'\n'
  printRuns+="$(measure "$weather" --appdir "$program" --print)"$'\n'
done
# printRow NAME RUNS COMMAND...: prints the medians of RUNS ("<seconds> <peak MB>" lines) and
# the libraries COMMAND loads; sets `seconds` and `peak` to the medians.
printRow() {
  local name=$1 times=$2
  shift 2
  seconds=$(sed '/^$/d' <<<"$times" | cut -d' ' -f1 | median)
  peak=$(sed '/^$/d' <<<"$times" | cut -d' ' -f2 | median)
  printf '  %-16s %9s %9s %10s\n' "$name" "$seconds" "$peak" "$(libraries "$@")"
}
echo "one-shot programs (median of $runs runs, taking turns)"
printf '  %-16s %9s %9s %10s\n' program seconds peak-MB libraries
printRow "bare Qt program" "$bareRuns" "$bare" program
bareSeconds=$seconds barePeak=$peak
printRow "weather --print" "$printRuns" "$weather" --appdir "$program" --print
printf '  weather --print against the bare program: %sx the time, %sx the memory' \
  "$(ratio "$seconds" "$bareSeconds")" "$(ratio "$peak" "$barePeak")"
echo " (goal: at most 1.5x each)"
reads=$(strace -f -e trace=open,openat -o "$work/strace" "$weather" --appdir "$program" --print \
  >/dev/null 2>&1 || true; grep -c 'wsetting\.ini' "$work/strace")
echo "  weather --print opens wsetting.ini $reads times"
