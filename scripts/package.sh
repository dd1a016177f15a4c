#!/usr/bin/env bash
# Builds the Debian package nimbulo_<version>_<arch>.deb from the CMake install rules: a
# Release build in build-package (NIMBULO_PACKAGE_BUILD) with Debian's hardening flags,
# installed system-wide under /usr by CPack, with its dependencies worked out from the
# programs' libraries (dpkg-shlibdeps). The package lands in FOLDER (default: the project
# folder); its path is the last line printed.
# Usage: scripts/package.sh [FOLDER]
set -euo pipefail
cd "$(dirname "$0")/.."
out=$(realpath -m "${1:-$PWD}")
build=${NIMBULO_PACKAGE_BUILD:-build-package}

scripts/deps.sh

# Debian's build flags (hardening, and build paths mapped away from the objects).
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cxxflags="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DNIMBULO_TESTS=OFF \
  -DNIMBULO_SYSTEM_INSTALL=ON -DCMAKE_INSTALL_PREFIX=/usr \
  -DCMAKE_CXX_FLAGS="$cxxflags -ffile-prefix-map=$PWD=." \
  -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" >/dev/null
cmake --build "$build" --parallel "$(nproc)"
rm -f "$build"/nimbulo_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
mkdir -p "$out"
deb=$(basename "$build"/nimbulo_*.deb)
mv "$build/$deb" "$out/$deb"
echo "$out/$deb"
