#!/bin/bash
# SQLite's own benchmark, speedtest1, on the system SQLite and on the page codec.
#
#   bench/speedtest/run.sh [--sizes "25 50 100"] [--runs 3] [--stats SIZE] [--work DIR]
#
# Fetches Debian's sqlite3 source package on demand (fetch-sqlite-source.sh), builds
# speedtest1 twice against the system library: plain, and linked with the page codec's
# sources (store/PageCodec.cpp and the files beside it that it is built from) with its
# --key handed to sqlite3_key. Each size runs --pagesize 1024, plain and encrypted runs
# interleaved; prints the median wall time of each and the ratio
# encrypted / plain (target: at most 1.10 at size 25). --stats SIZE also prints the
# --stats page-cache and I/O figures of one run each at that size.
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
sizes="25 50 100"
runs=3
stats_size=""
work=$root/build-speedtest
key=speedtest-key
while [ $# -gt 0 ]; do
    case $1 in
    --sizes) sizes=$2; shift 2 ;;
    --runs) runs=$2; shift 2 ;;
    --stats) stats_size=$2; shift 2 ;;
    --work) work=$2; shift 2 ;;
    *) echo "usage: $0 [--sizes \"25 50 100\"] [--runs N] [--stats SIZE] [--work DIR]" >&2; exit 2 ;;
    esac
done

src=$("$root/bench/speedtest/fetch-sqlite-source.sh" "$work/src")
mkdir -p "$work/bin" "$work/db"
cc="cc"; cxx="c++"
if command -v ccache >/dev/null; then cc="ccache cc"; cxx="ccache c++"; fi
cflags="-O2 -DNDEBUG"

# The codec build: main renamed so that the wrapper registers the file layer first, and
# the key set through sqlite3_key rather than speedtest1's PRAGMA key.
sed -e 's/^int main(int argc, char \*\*argv){/int speedtest1_main(int argc, char **argv){/' \
    -e 's/speedtest1_exec("PRAGMA key(.%s.)", zKey);/if( sqlite3_key(g.db, zKey, (int)strlen(zKey)) ) fatal_error("sqlite3_key: %s\\n", sqlite3_errmsg(g.db));/' \
    -e 's/^#include "sqlite3.h"$/#include "sqlite3.h"\nint sqlite3_key(sqlite3*, const void*, int);/' \
    "$src/test/speedtest1.c" >"$work/speedtest1-codec.c"
grep -q 'sqlite3_key(g.db' "$work/speedtest1-codec.c" && grep -q '^int speedtest1_main' "$work/speedtest1-codec.c" \
    || { echo "speedtest1.c changed: cannot hook the key" >&2; exit 1; }

$cc $cflags -o "$work/bin/speedtest1-plain" "$src/test/speedtest1.c" -lsqlite3
$cc $cflags -c -o "$work/speedtest1-codec.o" "$work/speedtest1-codec.c"
codec_objects=()
for unit in PageCodec CodecFileLayer CodecTestHooks JournalTracking LegacyPageCipher StatementClassifier TempFileCipher; do
    $cxx -std=c++20 $cflags -I"$root" -c -o "$work/$unit.o" "$root/store/$unit.cpp"
    codec_objects+=("$work/$unit.o")
done
$cxx -std=c++20 $cflags -I"$root" -c -o "$work/codec_main.o" "$root/bench/speedtest/codec_main.cpp"
$cxx -o "$work/bin/speedtest1-codec" "$work/codec_main.o" "$work/speedtest1-codec.o" "${codec_objects[@]}" \
    -lsqlite3 -lnettle

plain=("$work/bin/speedtest1-plain" --pagesize 1024)
codec=("$work/bin/speedtest1-codec" --pagesize 1024 --key "$key")

# Wall time in seconds of one run; its output goes to $work/last-$kind.txt.
time_run() {
    local kind=$1 size=$2 db=$work/db/$1.db
    shift 2
    local start end
    start=$(date +%s.%N)
    "$@" --size "$size" "$db" >"$work/last-$kind.txt"
    end=$(date +%s.%N)
    awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f\n", b - a }'
}

median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# The encrypted file must not hold the plain header: the key really took.
check_encrypted() {
    if head -c 16 "$work/db/codec.db" | grep -q "SQLite format 3"; then
        echo "the codec run left a plain file: the key did not take" >&2
        exit 1
    fi
}

printf '%-6s %12s %12s %8s\n' size plain_s codec_s ratio
for size in $sizes; do
    p=(); c=()
    for ((i = 0; i < runs; i++)); do
        p+=("$(time_run plain "$size" "${plain[@]}")")
        c+=("$(time_run codec "$size" "${codec[@]}")")
        check_encrypted
    done
    mp=$(printf '%s\n' "${p[@]}" | median)
    mc=$(printf '%s\n' "${c[@]}" | median)
    printf '%-6s %12.3f %12.3f %8.3f\n' "$size" "$mp" "$mc" "$(awk -v a="$mc" -v b="$mp" 'BEGIN { print a / b }')"
done

if [ -n "$stats_size" ]; then
    for kind in plain codec; do
        if [ $kind = plain ]; then cmd=("${plain[@]}"); else cmd=("${codec[@]}"); fi
        echo "-- $kind, size $stats_size, --stats:"
        "${cmd[@]}" --stats --size "$stats_size" "$work/db/$kind.db" \
            | grep -E 'Pager Heap|Page cache|system calls|Bytes (sent|rcvd|received)|TOTAL'
        if [ $kind = codec ]; then check_encrypted; fi
    done
fi
rm -f "$work"/db/*.db "$work"/db/*.db-journal
