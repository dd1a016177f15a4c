#!/usr/bin/env bash
# clang-tidy with the checks of .clang-tidy over the sources of a build's compile_commands.json,
# as many at once as there are cores; any warning fails. To keep the test command short it reads
# the layers below the widgets' shell, where most of the logic is (platform, common, the
# settings and layout files, the transfers, the readers and the scan cycle: about 70 files, some
# 9 CPU-minutes); NIMBULO_TIDY_ALL=1 reads every source, tests included (about three times that).
# Usage: scripts/tidy.sh [BUILD]      (default: NIMBULO_TEST_BUILD, else build-test)
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:-${NIMBULO_TEST_BUILD:-build-test}}
if [ "${NIMBULO_TIDY_ALL:-0}" = 1 ]; then
  folders=(common platform weather saver setup tools tests)
else
  folders=(common platform weather/config weather/net weather/transfer weather/engine)
fi
git ls-files -- "${folders[@]/%//*.cpp}" |
  xargs -P "$(nproc)" -n 4 clang-tidy -p "$build" --quiet 2>/dev/null
