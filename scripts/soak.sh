#!/usr/bin/env bash
# A soak run, a measurement and not a test: the monitor (Release build) runs under Xvfb with
# openbox and tint2 for SOAK_MINUTES (default 15) against the demo bureau, over the roads the
# shipped layout takes: HTTPS through the proxy's CONNECT tunnel (certificates from a CA made
# here, trusted through SSL_CERT_FILE) for the products, and FTP (the bureau's FTP front,
# reached directly) as their fallback. The bureau is started
# afresh every 20 s, its answers alternating between good ones and failing ones (404, a body cut
# short, a 407); halfway through each period the monitor's Refresh button is clicked. Every 30 s
# the monitor's resident memory, open descriptors, CPU time and the bureau connections of the
# last minute are sampled into <build>/soak/samples.tsv; a summary follows at the end.
# Usage: scripts/soak.sh       (NIMBULO_SOAK_BUILD: build directory, default build-demo)
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/demo-services.sh
root=$PWD
minutes=${SOAK_MINUTES:-15}
build=${NIMBULO_SOAK_BUILD:-build-demo}

scripts/deps.sh
# The shipped https roots, as scripts/run-demo.sh builds them.
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DNIMBULO_TESTS=OFF \
  -DNIMBULO_BUREAU_ROOT=https://reg.bom.gov.au/ -DNIMBULO_UPDATE_ROOT=https://nimbulo.example/ \
  >/dev/null
cmake --build "$build" --parallel "$(nproc)" --target weather demo-bureau

out="$root/$build/soak"
program="$out/program"
rm -rf "$out"
mkdir -p "$program/Media"
cp "$build/weather/weather" "$build/weather/nimbulo-transfer" "$build/weather/weather.ini" "$program/"
cp "$build/weather/Media/Ding.wav" "$program/Media/"
port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
printf '[SavedSetting]\nstate=0\ninterval=10\ntrend_arrow=1\nicon_set_1=10\nicon_set_2=30\nproxy_on=1\nproxy_server=127.0.0.1\nproxy_port=%s\n' \
  "$port" >"$program/wsetting.ini"

# The demo's certificate authority (made once, as scripts/run-demo.sh does).
ca="$root/$build/demo-ca"
makeDemoCa "$ca"
export SSL_CERT_FILE="$ca/ca.pem"
export no_proxy=127.0.0.1

pids=()
cleanup() {
  for pid in "${pids[@]}" $(cat "$out/bureau.pid" 2>/dev/null); do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
}
trap cleanup EXIT

# A private X server with the window manager and panel the monitor is made for.
Xvfb -displayfd 9 -screen 0 1280x800x24 -nolisten tcp 9>"$out/display" 2>"$out/xvfb.log" &
pids+=($!)
for _ in $(seq 100); do [ -s "$out/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$out/display")"
openbox >"$out/openbox.log" 2>&1 &
pids+=($!)
tint2 >"$out/tint2.log" 2>&1 &
pids+=($!)
sleep 2

# The FTP front lives through the bureau's restarts; it reads each file from the bureau's port.
/usr/bin/python3 tools/demo-bureau/ftp_front.py --http-port "$port" >"$out/ftp.log" 2>&1 &
pids+=($!)
ftpport=""
for _ in $(seq 50); do
  ftpport=$(sed -n 's/^listening on 127\.0\.0\.1:\([0-9]*\).*/\1/p' "$out/ftp.log")
  [ -n "$ftpport" ] && break
  sleep 0.1
done
[ -n "$ftpport" ] || { echo "the demo bureau's FTP front did not start:"; cat "$out/ftp.log"; exit 1; }
sed -i "s|ftp://ftp\.bom\.gov\.au/anon/gen/fwo/|ftp://127.0.0.1:$ftpport/anon/gen/fwo/|" \
  "$program/weather.ini"

main_window() { xdotool search --onlyvisible --name '^Nimbulo \(Australia\)' | head -n1 || true; }
answers=("" "--status 404" "" "--cut 2000" "" "--status 407")
bureau_and_refresh() {
  local i=0 bureau window
  while :; do
    # shellcheck disable=SC2086 # the answer is a list of options
    "$build/tools/demo-bureau/demo-bureau" --port "$port" --tls "$ca" --layout "$program/weather.ini" \
      ${answers[i % ${#answers[@]}]} >>"$out/bureau.log" 2>&1 &
    bureau=$!
    echo "$bureau" >"$out/bureau.pid"
    sleep 10
    window=$(main_window)
    if [ -n "$window" ]; then
      eval "$(xdotool getwindowgeometry --shell "$window")"
      # The Refresh button: first of the two button rows at the foot of the window.
      xdotool mousemove --window "$window" $((WIDTH / 8)) $((HEIGHT - 52)) click 1
    fi
    sleep 10
    kill "$bureau" 2>/dev/null || true
    wait "$bureau" 2>/dev/null || true
    i=$((i + 1))
  done
}
bureau_and_refresh &
pids+=($!)

"$program/weather" --appdir "$program" >"$out/weather.log" 2>&1 &
monitor=$!
pids+=($monitor)
# The monitor starts in the panel: a double click on its ticker brings the main window up.
for _ in $(seq 20); do
  [ -n "$(main_window)" ] && break
  sleep 1
  for ticker in $(xdotool search --onlyvisible --classname '^weather$' || true); do
    xdotool mousemove --window "$ticker" 10 8 click --repeat 2 --delay 80 1 || true
  done
done
[ -n "$(main_window)" ] || { echo "the monitor's main window did not come up"; exit 1; }

samples="$out/samples.tsv"
ticks=$(getconf CLK_TCK)
printf 'seconds\trss_kb\tfds\tcpu_s\tconnections_last_min\n' >"$samples"
start=$(date +%s)
end=$((start + minutes * 60))
while :; do
  now=$(date +%s)
  kill -0 "$monitor" 2>/dev/null || { echo "the monitor ended early: see $out/weather.log"; exit 1; }
  rss=$(awk '/^VmRSS/ { print $2 }' "/proc/$monitor/status")
  fds=$(find "/proc/$monitor/fd" -mindepth 1 -maxdepth 1 | wc -l)
  cpu=$(awk -v t="$ticks" '{ printf "%.2f", ($14 + $15) / t }' "/proc/$monitor/stat")
  # The servers close first, so each recent connection waits on their ports.
  connections=$(ss -Htan state time-wait "( sport = :$port or sport = :$ftpport )" | wc -l)
  printf '%s\t%s\t%s\t%s\t%s\n' $((now - start)) "$rss" "$fds" "$cpu" "$connections" >>"$samples"
  [ "$now" -ge "$end" ] && break
  sleep 30
done

cat "$samples"
awk -F'\t' 'NR == 2 { r0 = $2; f0 = $3 } NR > 1 { r = $2; f = $3; c = $4; s = $1; if ($2 > m) m = $2 }
  END { printf "RSS %d -> %d kB (max %d, %+d kB); descriptors %d -> %d; CPU %.1f s in %d s (%.2f %%)\n",
        r0, r, m, r - r0, f0, f, c, s, 100 * c / s }' "$samples"
