#!/bin/bash
# CPU time of a 30 s network wait on a silent loopback server (a wait must sleep, not spin).
# Usage: scripts/bench-wait.sh [seconds]   with NIMBULO_TEST_BUILD naming the build (build-test).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${NIMBULO_TEST_BUILD:-build-test}
cmake --build "$build" --target bench_wait >/dev/null

# A server on a free port that accepts connections and never sends a byte.
coproc SERVER { exec python3 -u -c '
import socket, time
s = socket.socket(); s.bind(("127.0.0.1", 0)); s.listen(4)
print(s.getsockname()[1]); conns = []
while True: conns.append(s.accept())'; }
trap 'kill "$SERVER_PID" 2>/dev/null || true' EXIT
read -r port <&"${SERVER[0]}"
"$build/bench/bench_wait" "$port" "${1:-30}"
