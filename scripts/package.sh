#!/usr/bin/env bash
# Installs what is missing, builds Quillora and makes its Debian package,
# build/quillora_1.0.0_amd64.deb (install it with: sudo apt install ./build/quillora_1.0.0_amd64.deb).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build -G Ninja
cmake --build build
cd build
cpack -G DEB
