#!/usr/bin/env bash
# Renders the skin art (res/PNG, res/BITMAP, res/ICON) from res/art/*.svg as listed
# in res/art/manifest. Extra arguments go to the renderer, e.g.
#   scripts/render-art.sh --preview /tmp/art-preview   # also write look-at sheets
#   scripts/render-art.sh --check                      # verify the committed files
# BUILD_DIR chooses the build folder (default: build-art).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${BUILD_DIR:-$root/build-art}"
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build" -G Ninja
fi
cmake --build "$build" --target render_art
QT_QPA_PLATFORM=offscreen "$build/tools/render_art" "$@" "$root/res/art/manifest"
