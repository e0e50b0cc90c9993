#!/usr/bin/env bash
# Builds and runs the program. With no controller attached it runs on the
# simulated controller: `scripts/run.sh` (K5) or `scripts/run.sh R2`.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh build
model=${1:-K5}
if [ -x build/marrowick ]; then
  exec build/marrowick --simulate "$model"
fi
# Without the window: identify a simulated controller on a pseudo-terminal.
build/marrowick-sim --model "$model" > build/sim-port.txt &
sim=$!
trap 'kill $sim 2>/dev/null' EXIT
for _ in $(seq 50); do [ -s build/sim-port.txt ] && break; sleep 0.1; done
build/marrowick-cli identify --port "$(head -n1 build/sim-port.txt)"
