#!/usr/bin/env bash
# Installs what is missing, builds Quillora and starts it. Extra arguments go to the
# program (for example --data-dir DIR).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build -G Ninja
cmake --build build --target quillora
exec build/bin/quillora "$@"
