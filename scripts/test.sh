#!/usr/bin/env bash
# Installs what is missing, builds everything and runs the whole test suite. Tests run
# offscreen; the end-to-end ones that need a real X server get one from xvfb-run.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build -G Ninja
cmake --build build
xvfb-run -a -s "-screen 0 1280x800x24" ctest --test-dir build --output-on-failure -j2 "$@"
