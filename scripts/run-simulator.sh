#!/usr/bin/env bash
# Builds the program and starts it on the virtual printer, with the printer's front panel beside
# it. The printer keeps its EEPROM, head, capture.log, print jobs and pages in ./virtual-printer
# (or the folder given).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo > /dev/null
cmake --build build -j "${JOBS:-2}" --target arvana-adjust arvana-printer-sim
exec build/arvana-adjust --simulator="${1:-virtual-printer}" --panel
