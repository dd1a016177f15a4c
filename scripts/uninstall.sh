#!/usr/bin/env bash
# Removes what scripts/install.sh put in place: the shortcuts (nimsetup rem, which needs no
# display), the programs and shipped files, the menu entry. A monitor running on the folder is
# asked to quit first. The user's settings (wsetting.ini, custom1.ini, custom2.ini, the
# station record observations.sqlite, and the screen saver's settings and password in
# ~/.config/nimbulo/registry.ini) stay unless --purge is given.
# Usage: scripts/uninstall.sh [--purge] [PROGRAM_FOLDER]
set -euo pipefail

purge=0
if [ "${1:-}" = "--purge" ]; then purge=1; shift; fi
prefix=${1:-${XDG_DATA_HOME:-$HOME/.local/share}/nimbulo}

# A monitor still running on the folder quits first, saving its settings, before its files go.
if [ -x "$prefix/weather" ]; then
  QT_QPA_PLATFORM=offscreen "$prefix/weather" --appdir "$prefix" --quit ||
    echo "The monitor running on $prefix did not quit; close it before removing." >&2
fi
if [ -x "$prefix/nimsetup" ]; then
  "$prefix/nimsetup" rem
fi

rm -f "$prefix/weather" "$prefix/nimbulo-transfer" "$prefix/nimsaver" "$prefix/nimsetup" \
  "$prefix/weather.ini" "$prefix/readme.txt" "$prefix/tmp.txt" "$prefix/stations.txt" "$prefix/Media/Ding.wav" \
  "$prefix/icons/nimbulo.svg"
rmdir "$prefix/Media" "$prefix/icons" 2>/dev/null || true
if [ "$purge" = 1 ]; then
  rm -f "$prefix/wsetting.ini" "$prefix/custom1.ini" "$prefix/custom2.ini" \
    "$prefix/observations.sqlite" "$prefix/observations.sqlite-journal"
  registry=${XDG_CONFIG_HOME:-$HOME/.config}/nimbulo
  rm -f "$registry/registry.ini"
  rmdir "$registry" 2>/dev/null || true
fi
rmdir "$prefix" 2>/dev/null || true
rm -f "${XDG_DATA_HOME:-$HOME/.local/share}/applications/au.nimbulo.Nimbulo.desktop" \
  "${XDG_DATA_HOME:-$HOME/.local/share}/applications/nimbulo-weather.desktop"
echo "Nimbulo removed from $prefix"
