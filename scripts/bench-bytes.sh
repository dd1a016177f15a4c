#!/bin/bash
# Bytes on the wire per scan, and per day at a 10-minute interval, of the observations product:
# `weather --print` scans SCANS times (default 12) against the demo bureau serving a product of
# the real size (the bureau's NSW state product from ../shared/bureau-samples when it is there,
# else the demo's own), which changes every other scan. Two runs:
#   before: the product by FTP, whole, every scan (the 1.2 layout's road, nothing kept);
#   after:  the shipped layout: HTTPS (compressed, asked only when changed), products kept.
# Counted: what the servers sent (the demo bureau's TLS records, the FTP service's control and
# data bytes), as they print it.
# Usage: scripts/bench-bytes.sh [SCANS]   with NIMBULO_TEST_BUILD naming the build (build-test).
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/demo-services.sh
root=$PWD
build=${NIMBULO_TEST_BUILD:-build-test}
scans=${1:-12}
cmake --build "$build" --target weather demo-bureau >/dev/null

work=$(mktemp -d)
bureau="" ftp=""
trap 'kill $bureau $ftp 2>/dev/null || true; rm -rf "$work"' EXIT
sample=$(ls ../shared/bureau-samples/IDN60920*.xml 2>/dev/null | head -1 || true)
product="$work/IDN60920.xml"
serve=()
if [ -n "$sample" ]; then
  cp "$sample" "$product" # a working copy, changed between scans, removed at the end
  serve=(--serve "/fwo/IDN60920.xml=$product")
fi

makeDemoCa "$work/ca"
export SSL_CERT_FILE="$work/ca/ca.pem"
"$build/tools/demo-bureau/demo-bureau" --port 0 --tls "$work/ca" --count-bytes "${serve[@]}" \
  >"$work/http.log" 2>&1 &
bureau=$!
port=$(listenPort "$work/http.log")
[ -n "$port" ] || { cat "$work/http.log"; exit 1; }
/usr/bin/python3 tools/demo-bureau/ftp_front.py --http-port "$port" --count-bytes \
  >"$work/ftp.log" 2>&1 &
ftp=$!
ftpport=$(listenPort "$work/ftp.log")
[ -n "$ftpport" ] || { cat "$work/ftp.log"; exit 1; }
export no_proxy=127.0.0.1 # the FTP service directly, HTTPS through the demo bureau as proxy

sent() { cat "$work/http.log" "$work/ftp.log" | sed -n 's/^sent \([0-9]*\) bytes$/\1/p' |
  awk '{s += $1} END {print s + 0}'; }

# run NAME LAYOUT-EDIT KEEP: SCANS scans with the layout edited by the sed script LAYOUT-EDIT;
# KEEP=0 removes the kept products before every scan.
run() {
  local app="$work/$1" total=0 before after
  mkdir -p "$app"
  sed -e "s|ftp://ftp\.bom\.gov\.au/anon/gen/fwo/|ftp://127.0.0.1:$ftpport/anon/gen/fwo/|" \
    -e "$2" data/weather.ini >"$app/weather.ini"
  printf '[SavedSetting]\nstate=0\ninterval=10\nproxy_on=1\nproxy_server=127.0.0.1\nproxy_port=%s\n' \
    "$port" >"$app/wsetting.ini"
  for i in $(seq "$scans"); do
    [ "$3" = 1 ] || rm -f "$app/products.cache"
    # The product changes every other scan.
    if [ -n "$sample" ] && [ $((i % 2)) = 1 ]; then echo "<!-- scan $i of $1 -->" >>"$product"; fi
    before=$(sent)
    QT_QPA_PLATFORM=offscreen "$build/weather/weather" --appdir "$app" --print >/dev/null 2>&1 || true
    sleep 0.3 # the servers print a connection's count as it closes
    after=$(sent)
    printf '  %-6s scan %2d: %8d bytes\n' "$1" "$i" $((after - before))
    total=$((total + after - before))
  done
  local per=$((total / scans))
  printf '%-6s %d bytes per scan, %.1f MB per day at a 10-minute interval\n' "$1" "$per" \
    "$(echo "$per * 144 / 1000000" | bc -l)"
}

echo "Product: $( [ -n "$sample" ] && echo "$sample ($(stat -c %s "$sample") bytes)" || echo "the demo's own")"
# Before: FTP first, as the 1.2 layout read it, and nothing kept between scans.
run before 's|^st_url=https://reg\.bom\.gov\.au/fwo/\(ID.60920\.xml\)|st_url=ftp://127.0.0.1:'"$ftpport"'/anon/gen/fwo/\1|' 0
run after '' 1
