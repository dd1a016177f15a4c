#!/usr/bin/env bash
# Makes the screenshot of the AppStream metadata, data/screenshots/nimbulo-main.png: the
# monitor of the package build (scripts/package.sh makes it) against the demo bureau, under a
# private X server with openbox and a tint2 panel, its main window brought up by a second start.
# Usage: scripts/screenshot.sh [OUTPUT.png]
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
out=$(realpath -m "${1:-data/screenshots/nimbulo-main.png}")
build=${NIMBULO_PACKAGE_BUILD:-build-package}
[ -x "$build/weather/nimbulo" ] || { echo "no $build/weather/nimbulo: run scripts/package.sh" >&2; exit 1; }

work=$(mktemp -d)
pids=()
trap 'for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; rm -rf "$work"' EXIT
program="$work/program"
mkdir -p "$program/Media" "$work/ca"
cp data/weather.ini "$program/"
openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj "/CN=Nimbulo screenshot CA" \
  -keyout "$work/ca/ca.key" -out "$work/ca/ca.pem" 2>/dev/null
"$build/tools/demo-bureau/demo-bureau" --port 0 --tls "$work/ca" --layout "$program/weather.ini" \
  >"$work/bureau.log" 2>&1 &
pids+=($!)
for _ in $(seq 50); do
  port=$(sed -n 's/^listening on 127\.0\.0\.1:\([0-9]*\).*/\1/p' "$work/bureau.log")
  [ -n "$port" ] && break
  sleep 0.1
done
# The feeds from the demo's FTP service, https through the demo bureau as the proxy.
/usr/bin/python3 tools/demo-bureau/ftp_front.py --http-port "$port" >"$work/ftp.log" 2>&1 &
pids+=($!)
for _ in $(seq 50); do
  ftpport=$(sed -n 's/^listening on 127\.0\.0\.1:\([0-9]*\).*/\1/p' "$work/ftp.log")
  [ -n "$ftpport" ] && break
  sleep 0.1
done
sed -i "s|ftp://ftp\.bom\.gov\.au/anon/gen/fwo/|ftp://127.0.0.1:$ftpport/anon/gen/fwo/|" \
  "$program/weather.ini"
export no_proxy=127.0.0.1
printf '[SavedSetting]\nstate=1\ninterval=10\ntrend_arrow=1\nicon_set_1=10\nicon_set_2=30\nproxy_on=1\nproxy_server=127.0.0.1\nproxy_port=%s\n' \
  "$port" >"$program/wsetting.ini"
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" SSL_CERT_FILE="$work/ca/ca.pem"
mkdir -p "$HOME"
xvfb-run -a -s "-screen 0 1024x640x24" bash -c "
  openbox & tint2 & sleep 1
  '$build/weather/nimbulo' --appdir '$program' & monitor=\$!
  sleep 12
  '$build/weather/nimbulo' --appdir '$program'
  sleep 3
  import -window root '$out'
  kill \$monitor; wait \$monitor 2>/dev/null || true
  kill %1 %2 2>/dev/null || true"
echo "$out"
