#!/usr/bin/env bash
# Installs the Debian packages the project builds, runs and tests with, when any is missing.
# Usage: scripts/deps.sh            (sudo is used when not run as root)
set -euo pipefail

packages=(
  build-essential cmake ninja-build ccache pkg-config clang-format
  qt6-base-dev qt6-base-dev-tools libqt6opengl6-dev
  libcanberra-dev libx11-dev libxcb1-dev
  xvfb xauth openbox tint2 x11-utils xdotool imagemagick
  dunst  # the desktop notifications' test: a real notification server
  fonts-dejavu-core fonts-comic-neue desktop-file-utils tinyproxy python3 python3-aiosmtpd
  xscreensaver xscreensaver-data
  libcurl4-openssl-dev ca-certificates openssl python3-pyftpdlib zlib1g-dev
  libssl-dev  # OpenSSL's names for the certificate checks curl reports
  clang clang-tidy libclang-rt-14-dev iproute2
  qt6-wayland dbus dbus-x11 xfce4-panel sway waybar grim
  qtkeychain-qt6-dev gnome-keyring # the mail password in the secret store; its test's Secret Service
  libqt6sql6-sqlite  # the station's record (Qt SQL's QSQLITE driver; qt6-base-dev has Qt6Sql)
  lintian appstream dpkg-dev librsvg2-bin man-db  # the Debian package: build, icons, checks
  time strace  # scripts/bench-start.sh: peak memory and the files a run opens
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get -o DPkg::Lock::Timeout=600 update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get -o DPkg::Lock::Timeout=600 install -y -qq --no-install-recommends "${missing[@]}"
