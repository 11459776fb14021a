#!/usr/bin/env bash
# Installs what is missing, builds everything and runs the whole test suite. Tests run
# offscreen; the end-to-end ones that need a real X server get one from xvfb-run.
#   bash scripts/test.sh [CTEST ARGS]             the normal build, in build/
#   bash scripts/test.sh --sanitize [CTEST ARGS]  AddressSanitizer and UndefinedBehavior-
#       Sanitizer, in build-sanitize/; any report fails the test that made it
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

if [ "${1:-}" != "--sanitize" ]; then
  cmake -S . -B build -G Ninja
  cmake --build build
  exec xvfb-run -a -s "-screen 0 1280x800x24" ctest --test-dir build --output-on-failure -j2 "$@"
fi
shift

cmake -S . -B build-sanitize -G Ninja -DQUILLORA_SANITIZE=ON
cmake --build build-sanitize -j2
# Leaks: only those of system libraries that keep their caches until exit are
# suppressed (scripts/sanitize-leaks.supp); every other leak is a failure.
export ASAN_OPTIONS=halt_on_error=1:detect_leaks=1
export LSAN_OPTIONS=suppressions=$PWD/scripts/sanitize-leaks.supp:print_suppressions=0
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
# No GLX context for the offscreen windows: Mesa's driver, loaded for it and unloaded
# at exit, leaves leaks that cannot be traced to a library.
export QT_QPA_OFFSCREEN_NO_GLX=1
# The browser engine, not built for the sanitizers, reports its own leaks and
# mismatched deletes under them (in its profile and page adapters), so the tests that
# start it run in the normal build only.
exec xvfb-run -a -s "-screen 0 1280x800x24" ctest --test-dir build-sanitize --output-on-failure -j2 \
  -LE webengine "$@"
