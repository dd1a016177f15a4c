#!/usr/bin/env bash
# Builds the monitor and the demo bureau, starts the demo bureau on a free loopback port and
# runs `weather` with a demo program folder whose settings reach it (through the proxy setting,
# since the monitor always fetches from port 80). With a display the monitor's window opens;
# without one it runs under a private X server, a screenshot is saved and one headless scan
# (`weather --print`) is printed.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

scripts/deps.sh

build=build-demo
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DNIMBULO_TESTS=OFF >/dev/null
cmake --build "$build" --parallel "$(nproc)" --target weather demo-bureau

# The demo program folder: the layout file and sound beside the program, settings kept between
# runs so the user's choices stay.
program="$root/$build/program"
mkdir -p "$program/Media"
cp "$build/weather/weather" "$build/weather/weather.ini" "$program/"
cp "$build/weather/Media/Ding.wav" "$program/Media/"
# The shipped layout reads the bureau's feeds by FTP and HTTPS; the demo bureau serves the same
# products over plain HTTP, which the monitor's own client fetches through the proxy setting.
sed -i -e 's|ftp://ftp\.bom\.gov\.au/anon/gen/fwo/|http://www.bom.gov.au/fwo/|' \
  -e 's|https://reg\.bom\.gov\.au/|http://www.bom.gov.au/|' "$program/weather.ini"

log="$program/demo-bureau.log"
"$build/tools/demo-bureau/demo-bureau" --port 0 --layout "$program/weather.ini" >"$log" 2>&1 &
bureau=$!
trap 'kill $bureau 2>/dev/null || true' EXIT
for _ in $(seq 50); do
  port=$(sed -n 's/^listening on 127\.0\.0\.1:\([0-9]*\).*/\1/p' "$log")
  [ -n "$port" ] && break
  sleep 0.1
done
[ -n "${port:-}" ] || { echo "the demo bureau did not start:"; cat "$log"; exit 1; }
echo "Demo bureau on 127.0.0.1:$port"

# Point the monitor at the demo bureau; on a first run also pick a region and a station.
settings="$program/wsetting.ini"
if [ ! -f "$settings" ]; then
  printf '[SavedSetting]\nstate=0\ninterval=10\ntrend_arrow=1\nicon_set_1=10\nicon_set_2=30\n' >"$settings"
fi
ini() { # key value: replace or append in [SavedSetting]
  if grep -q "^$1=" "$settings"; then sed -i "s|^$1=.*|$1=$2|" "$settings"
  else sed -i "/^\[SavedSetting\]/a $1=$2" "$settings"; fi
}
ini proxy_on 1
ini proxy_server 127.0.0.1
ini proxy_port "$port"

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  "$program/weather" --appdir "$program"
else
  shot="$root/$build/weather-demo.png"
  xvfb-run -a -s "-screen 0 1024x768x24" bash -c "
    '$program/weather' --appdir '$program' &
    monitor=\$!
    sleep 6
    import -window root '$shot'
    kill \$monitor
    wait \$monitor 2>/dev/null || true"
  echo "No display: the monitor ran under Xvfb; its window is in $shot"
  echo "One headless scan (weather --print):"
  "$program/weather" --appdir "$program" --print
fi
