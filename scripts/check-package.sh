#!/usr/bin/env bash
# Builds the Debian package (scripts/package.sh) and checks it as a user would meet it:
# lintian finds no error, the AppStream metadata and the desktop entry validate, the manual
# pages render without warnings, every file lies below /usr (none in /usr/local) and none holds
# a path of the build; then the programs of the unpacked package answer --help and --version
# without a display, and with a fresh HOME the installer helper makes the per-user program
# folder and the monitor prints one scan of the demo bureau from it.
# Usage: scripts/check-package.sh [PACKAGE.deb]   (without one it is built first)
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/demo-services.sh
root=$PWD

work=$(mktemp -d)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "check-package: $*" >&2; exit 1; }

deb=${1:-}
[ -n "$deb" ] || deb=$(scripts/package.sh "$work" | tail -n 1)
deb=$(realpath "$deb")
version=$(dpkg-deb -f "$deb" Version)
[ "$(basename "$deb")" = "nimbulo_${version}_$(dpkg --print-architecture).deb" ] ||
  fail "unexpected package name $(basename "$deb")"
echo "== $deb"
dpkg-deb -f "$deb" Package Version Depends
# The record's SQLite driver and the event-sound library are loaded at run time, so no library
# names them: the package must depend on them.
for loaded in libqt6sql6-sqlite libcanberra0; do
  dpkg-deb -f "$deb" Depends | grep -q "$loaded" || fail "no dependency on $loaded"
done

echo "== lintian"
# Every tag is shown; errors fail the check (the warnings left are explained in the README).
lintian --fail-on error --display-info "$deb" || fail "lintian reports errors"

pkg="$work/root"
dpkg-deb -x "$deb" "$pkg"

echo "== files"
dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./|/|' >"$work/files"
grep -v -e '^/$' -e '^/usr/' "$work/files" && fail "files outside /usr"
grep '^/usr/local' "$work/files" && fail "files under /usr/local"
# No path of the build or the sources inside any file (the icons and manual pages included).
for path in "$root" "$(dirname "$deb")"; do
  if grep -rlaF "$path" "$pkg"; then fail "$path inside the files above"; fi
done
grep -rlaF 'nimbulo.example' "$pkg" && fail "a placeholder host inside the files above"
for size in 16x16 22x22 24x24 32x32 48x48 64x64 128x128 256x256; do
  [ -f "$pkg/usr/share/icons/hicolor/$size/apps/nimbulo.png" ] || fail "no $size icon"
done
[ -f "$pkg/usr/share/icons/hicolor/scalable/apps/nimbulo.svg" ] || fail "no scalable icon"

echo "== desktop entry and AppStream metadata"
desktop-file-validate "$pkg"/usr/share/applications/*.desktop
metainfo=$(echo "$pkg"/usr/share/metainfo/*.metainfo.xml)
appstreamcli validate --no-net "$metainfo" | tee "$work/appstream"
grep -q '^[EW]:' "$work/appstream" && fail "appstreamcli reports errors or warnings"
grep -q "<release version=\"$version\"" "$metainfo" || fail "no release $version in $metainfo"
# The metadata of a build that names a home page, with the screenshot published there.
cmake -DOUT="$work/web.metainfo.xml" -DNIMBULO_HOME_PAGE=https://nimbulo.invalid/ \
  -DNIMBULO_APP_ID="$(basename "$metainfo" .metainfo.xml)" -P cmake/Metainfo.cmake
appstreamcli validate --no-net "$work/web.metainfo.xml" | tee "$work/appstream-web"
grep -q '^[EW]:' "$work/appstream-web" && fail "appstreamcli reports errors or warnings"

echo "== manual pages"
for page in nimbulo nimsaver nimsetup; do
  man="$pkg/usr/share/man/man1/$page.1.gz"
  warnings=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$man" 2>&1 >/dev/null)
  [ -z "$warnings" ] || fail "$page.1: $warnings"
done

echo "== --help and --version without a display"
bin="$pkg/usr/bin"
for program in nimbulo nimsaver nimsetup; do
  for option in --help --version; do
    out=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM HOME="$work/nohome" \
      "$bin/$program" "$option") || fail "$program $option ended with $?"
    case "$option" in
      --help) grep -q "^Usage: $program" <<<"$out" || fail "$program --help: $out" ;;
      --version) [ "$out" = "$program (Nimbulo) $version" ] || fail "$program --version: $out" ;;
    esac
  done
  echo "$program: $(env -u DISPLAY "$bin/$program" --version)"
done
[ ! -e "$work/nohome" ] || fail "--help or --version made files in HOME"

echo "== the per-user program folder and one scan of the demo bureau"
home="$work/home"
mkdir -p "$home"
folder="$home/.local/share/nimbulo"
run() { env -u DISPLAY -u WAYLAND_DISPLAY -u XDG_DATA_HOME -u XDG_CONFIG_HOME HOME="$home" "$@"; }
run "$bin/nimsetup" rem
[ -f "$folder/weather.ini" ] || fail "nimsetup made no program folder $folder"
cmp -s "$folder/weather.ini" "$pkg/usr/share/nimbulo/weather.ini" || fail "not the shipped layout"
# An older layout file is replaced at the next start.
sed -i 's/^ver=.*/ver=0.0.1/' "$folder/weather.ini"
run "$bin/nimsetup" rem
cmp -s "$folder/weather.ini" "$pkg/usr/share/nimbulo/weather.ini" || fail "old layout kept"

build=${NIMBULO_PACKAGE_BUILD:-build-package}
[ -x "$build/tools/demo-bureau/demo-bureau" ] ||
  cmake --build "$build" --target demo-bureau >/dev/null
ca="$work/ca"
makeDemoCa "$ca"
"$build/tools/demo-bureau/demo-bureau" --port 0 --tls "$ca" --layout "$folder/weather.ini" \
  >"$work/bureau.log" 2>&1 &
pids+=($!)
port=$(listenPort "$work/bureau.log")
[ -n "$port" ] || fail "the demo bureau did not start: $(cat "$work/bureau.log")"
/usr/bin/python3 tools/demo-bureau/ftp_front.py --http-port "$port" >"$work/ftp.log" 2>&1 &
pids+=($!)
ftpport=$(listenPort "$work/ftp.log")
[ -n "$ftpport" ] || fail "the demo FTP service did not start: $(cat "$work/ftp.log")"
# The user's copy reads the feeds from the demo's FTP service; https goes through the demo
# bureau as the proxy.
sed -i "s|ftp://ftp\.bom\.gov\.au/anon/gen/fwo/|ftp://127.0.0.1:$ftpport/anon/gen/fwo/|" \
  "$folder/weather.ini"
printf '[SavedSetting]\nstate=0\nproxy_on=1\nproxy_server=127.0.0.1\nproxy_port=%s\n' "$port" \
  >"$folder/wsetting.ini"
scan=$(run env SSL_CERT_FILE="$ca/ca.pem" no_proxy=127.0.0.1 "$bin/nimbulo" --print) ||
  fail "nimbulo --print ended with $?"
echo "$scan"
grep -q '[0-9]' <<<"$scan" || fail "no values in the scan"
echo "check-package: all checks passed"
