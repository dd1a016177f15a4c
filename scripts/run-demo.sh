#!/usr/bin/env bash
# Builds the monitor and the demo bureau, starts the demo bureau on a free loopback port with
# TLS and its FTP service beside it, and runs `weather` with a demo program folder whose proxy
# setting points at the demo bureau: the monitor asks for https://reg.bom.gov.au/... as it
# would on a user's machine, through a CONNECT tunnel that the demo bureau ends itself, with a
# certificate from a CA made here and trusted through SSL_CERT_FILE. With a display the
# monitor's window opens; without one it runs under a private X server, a screenshot is saved
# and one headless scan (`weather --print`) is printed.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/demo-services.sh
root=$PWD

scripts/deps.sh

build=build-demo
# The shipped https roots, also in a build folder configured before they were the default.
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DNIMBULO_TESTS=OFF \
  -DNIMBULO_BUREAU_ROOT=https://reg.bom.gov.au/ -DNIMBULO_UPDATE_ROOT=https://nimbulo.example/ \
  >/dev/null
cmake --build "$build" --parallel "$(nproc)" --target weather demo-bureau

# The demo program folder: the layout file and sound beside the program, settings kept between
# runs so the user's choices stay.
program="$root/$build/program"
mkdir -p "$program/Media"
cp "$build/weather/weather" "$build/weather/nimbulo-transfer" "$build/weather/weather.ini" "$program/"
cp "$build/weather/Media/Ding.wav" "$program/Media/"

# The demo's own certificate authority, made once; the demo bureau makes its server
# certificate from it at every start.
ca="$root/$build/demo-ca"
makeDemoCa "$ca"
export SSL_CERT_FILE="$ca/ca.pem"


log="$program/demo-bureau.log"
# A warning for the district of the first station comes at once, is updated after 5 minutes
# and cancelled after 15 (see demo-bureau --help): the first scan shows it, the scans 10 and 20
# minutes later its update and its end.
"$build/tools/demo-bureau/demo-bureau" --port 0 --tls "$ca" --layout "$program/weather.ini" \
  --warning schedule >"$log" 2>&1 &
bureau=$!
ftp=""
trap 'kill $bureau $ftp 2>/dev/null || true' EXIT
port=$(listenPort "$log")
[ -n "$port" ] || { echo "the demo bureau did not start:"; cat "$log"; exit 1; }
echo "Demo bureau on 127.0.0.1:$port (HTTP, and HTTPS through CONNECT; CA $SSL_CERT_FILE)"

ftplog="$program/demo-bureau-ftp.log"
/usr/bin/python3 tools/demo-bureau/ftp_front.py --http-port "$port" >"$ftplog" 2>&1 &
ftp=$!
ftpport=$(listenPort "$ftplog")
[ -n "$ftpport" ] || { echo "the demo bureau's FTP service did not start:"; cat "$ftplog"; exit 1; }
echo "Demo bureau FTP on ftp://127.0.0.1:$ftpport/anon/gen/fwo/"

# The shipped layout reads the bureau's feeds by HTTPS (through the proxy, the demo bureau),
# and by FTP when HTTPS fails (here the demo's FTP service, reached directly, not through the
# proxy).
sed -i "s|ftp://ftp\.bom\.gov\.au/anon/gen/fwo/|ftp://127.0.0.1:$ftpport/anon/gen/fwo/|" \
  "$program/weather.ini"
export no_proxy=127.0.0.1

# Point the monitor at the demo bureau; on a first run also pick a region and a station.
settings="$program/wsetting.ini"
if [ ! -f "$settings" ]; then
  printf '[SavedSetting]\nstate=0\ninterval=10\ntrend_arrow=1\n' >"$settings"
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
