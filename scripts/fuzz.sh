#!/usr/bin/env bash
# Builds one libFuzzer target with clang (AddressSanitizer and UndefinedBehaviorSanitizer
# on) and runs it on its seed corpus for the given number of seconds.
#   bash scripts/fuzz.sh --list            names the targets
#   bash scripts/fuzz.sh TARGET SECONDS    builds and runs one
# New inputs go to build-fuzz/corpus/TARGET, crashes to build-fuzz/artifacts/TARGET;
# the seeds in fuzz/corpus/TARGET are only read.
set -euo pipefail
cd "$(dirname "$0")/.."

targets=(fuzz_wordlist fuzz_profile fuzz_text fuzz_store)
if [ "${1:-}" = "--list" ]; then
  printf '%s\n' "${targets[@]}"
  exit 0
fi
if [ $# -ne 2 ] || ! printf '%s\n' "${targets[@]}" | grep -qx "$1" || ! [[ "$2" =~ ^[0-9]+$ ]]; then
  echo "usage: $0 --list | TARGET SECONDS" >&2
  exit 2
fi
target=$1
seconds=$2

# clang and its libFuzzer runtime; only fuzzing needs them.
bash scripts/setup.sh
if ! command -v clang++ >/dev/null || ! ls /usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a >/dev/null 2>&1; then
  sudo=""
  if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -q
  $sudo apt-get install -y -q --no-install-recommends clang libclang-rt-14-dev
fi

cmake -S . -B build-fuzz -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLORA_FUZZ=ON -DBUILD_TESTING=OFF >/dev/null
cmake --build build-fuzz --target "$target" -j2

work=build-fuzz/corpus/$target
artifacts=build-fuzz/artifacts/$target
mkdir -p "$work" "$artifacts"
export ASAN_OPTIONS=${ASAN_OPTIONS:-abort_on_error=1:detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
exec "build-fuzz/fuzz/$target" -max_total_time="$seconds" -max_len=65536 -print_final_stats=1 \
  -artifact_prefix="$artifacts/" "$work" "fuzz/corpus/$target"
