#!/usr/bin/env bash
# Installs Nimbulo for the current user: the three programs with weather.ini, readme.txt,
# Media/Ding.wav and the icon into the program folder (default ~/.local/share/nimbulo, which
# stays writable for the settings), an application-menu entry for the monitor, then, on a first
# install, the first-run questions (nimsetup add). An upgrade (the folder holds settings
# already) keeps the user's settings and asks nothing unless --setup is given. Without a
# display it does everything but the questions.
# Usage: scripts/install.sh [--setup] [PROGRAM_FOLDER]
# With NIMBULO_INSTALL_BUILD=DIR the programs of that existing build folder are installed
# instead of a fresh Release build.
set -euo pipefail
cd "$(dirname "$0")/.."

setup=0
if [ "${1:-}" = "--setup" ]; then setup=1; shift; fi
prefix=${1:-${XDG_DATA_HOME:-$HOME/.local/share}/nimbulo}
build=${NIMBULO_INSTALL_BUILD:-}
if [ -z "$build" ]; then
  build=build-install
  scripts/deps.sh
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DNIMBULO_TESTS=OFF >/dev/null
  cmake --build "$build" --parallel "$(nproc)"
fi
upgrade=0
[ -e "$prefix/wsetting.ini" ] && upgrade=1
# The settings in it hold the scrambled proxy password: a new program folder is the user's alone.
[ -d "$prefix" ] || install -d -m 700 "$prefix"
cmake --install "$build" --prefix "$prefix" >/dev/null

apps=${XDG_DATA_HOME:-$HOME/.local/share}/applications
mkdir -p "$apps"
# Named by the desktop entry id the monitor gives its windows (NIMBULO_APP_ID), so the desktop
# matches them to it.
entry="$apps/au.nimbulo.Nimbulo.desktop"
rm -f "$apps/nimbulo-weather.desktop" # the name of older installs
cat >"$entry" <<ENTRY
[Desktop Entry]
Type=Application
Name=Nimbulo
GenericName=Weather observations monitor
Comment=Live weather observations of the Bureau of Meteorology
Exec="$prefix/weather"
Path=$prefix
Icon=$prefix/icons/nimbulo.svg
Terminal=false
Categories=Utility;
StartupWMClass=Nimbulo
ENTRY
desktop-file-validate "$entry"
echo "Installed into $prefix; menu entry $entry"

if [ "$upgrade" = 1 ] && [ "$setup" = 0 ]; then
  echo "Upgrade: the settings in $prefix/wsetting.ini are kept (--setup asks the first-run questions again)."
  exit 0
fi
# Status 2: no display to ask on; nimsetup has said how to answer the questions later.
status=0
"$prefix/nimsetup" add || status=$?
[ "$status" = 0 ] || [ "$status" = 2 ] || exit "$status"
