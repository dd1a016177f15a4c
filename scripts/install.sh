#!/usr/bin/env bash
# Installs Nimbulo for the current user: the three programs with weather.ini, readme.txt,
# Media/Ding.wav and the icon into the program folder (default ~/.local/share/nimbulo, which
# stays writable for the settings), an application-menu entry for the monitor, then runs the
# first-run questions (nimsetup add).
# Usage: scripts/install.sh [PROGRAM_FOLDER]
set -euo pipefail
cd "$(dirname "$0")/.."

prefix=${1:-${XDG_DATA_HOME:-$HOME/.local/share}/nimbulo}
scripts/deps.sh
cmake -S . -B build-install -G Ninja -DCMAKE_BUILD_TYPE=Release -DNIMBULO_TESTS=OFF \
  -DCMAKE_INSTALL_PREFIX="$prefix" >/dev/null
cmake --build build-install --parallel "$(nproc)"
cmake --install build-install

apps=${XDG_DATA_HOME:-$HOME/.local/share}/applications
mkdir -p "$apps"
entry="$apps/nimbulo-weather.desktop"
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
ENTRY
desktop-file-validate "$entry"
echo "Installed into $prefix; menu entry $entry"

if [ -n "${DISPLAY:-}" ]; then
  "$prefix/nimsetup" add
else
  echo "No display: run \"$prefix/nimsetup\" add from your desktop to answer the first-run questions."
fi
