#!/usr/bin/env bash
# Start-up benchmark: starts the built program N times on a prepared data folder (one
# user logged in automatically, one word list) under Xvfb with a notification area,
# and prints the median time from exec until the home window is mapped and the
# median resident memory once the program has been idle for a while.
#
#   bench/startup.sh [-n RUNS] [-i IDLE_SECONDS] [BUILD_DIR]
#
# Extra environment for the program (for example QT_XCB_GL_INTEGRATION=none) is
# passed through, so variants can be compared on the same machine.
set -euo pipefail

runs=10
idle=3
while getopts "n:i:" opt; do
  case $opt in
    n) runs=$OPTARG ;;
    i) idle=$OPTARG ;;
    *) exit 2 ;;
  esac
done
shift $((OPTIND - 1))
build=$(cd "${1:-$(dirname "$0")/../build}" && pwd)
program="$build/bin/quillora"
tool="$build/bin/quillora-db"
for f in "$program" "$tool"; do
  [ -x "$f" ] || { echo "missing $f: cmake --build $build --target quillora quillora-db" >&2; exit 1; }
done
for t in Xvfb xdotool; do
  command -v "$t" >/dev/null || { echo "missing $t (bash scripts/setup.sh)" >&2; exit 1; }
done

work=$(mktemp -d)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# The prepared data folder: a user with AutoLog, one word list of 500 words chosen.
data="$work/data"
mkdir -p "$data"
"$tool" init "$data/data.db" >/dev/null
{
  echo "BEGIN TRANSACTION;"
  echo "INSERT INTO ThesaurusInfo_tbl VALUES (1, 'bench');"
  for i in $(seq 1 500); do
    echo "INSERT INTO words_tbl VALUES (NULL, 1, 'word$i', 'n. meaning $i', 'w$i');"
  done
  echo "INSERT INTO UserInfo_tbl VALUES (NULL, 0, 'bench', 'pw', NULL, 20, 0, 0, NULL, NULL, NULL, NULL, 1, 0, 0, 0, 0, -1, -1, 0, -1, 40, 1);"
  echo "UPDATE UserInfo_tbl SET tid = 1, count = 500 WHERE username = 'bench';"
  echo "COMMIT TRANSACTION;"
} >"$work/seed.sql"
"$tool" sql "$data/data.db" "$(cat "$work/seed.sql")" >/dev/null
printf '[login]\nLastUser=bench\nAutoLog=bench\n' >"$data/config.ini"

# A display of our own, with a notification area when trayer is there.
display=:$((90 + RANDOM % 400))
Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
export DISPLAY=$display
for _ in $(seq 1 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.05; done
if command -v trayer >/dev/null; then
  trayer --edge bottom --align right >/dev/null 2>&1 &
  pids+=($!)
  sleep 0.5
fi

if [ "$(id -u)" -eq 0 ]; then export QTWEBENGINE_DISABLE_SANDBOX=1; fi
export HOME="$work/home" XDG_RUNTIME_DIR="$work/run"
mkdir -p "$HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"

median() { sort -n | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

times=()
rss=()
for run in $(seq 1 "$runs"); do
  start=$(date +%s%N)
  "$program" --data-dir "$data" >"$work/log" 2>&1 &
  pid=$!
  pids+=("$pid")
  shown=""
  for _ in $(seq 1 2000); do
    if xdotool search --onlyvisible --pid "$pid" --name '^Quillora$' >/dev/null 2>&1; then
      shown=$(date +%s%N)
      break
    fi
    kill -0 "$pid" 2>/dev/null || break
  done
  if [ -z "$shown" ]; then
    echo "run $run: the home window never appeared" >&2
    cat "$work/log" >&2
    exit 1
  fi
  sleep "$idle"
  kb=$(awk '/^VmRSS:/ { print $2 }' "/proc/$pid/status")
  kill "$pid"
  wait "$pid" 2>/dev/null || true
  ms=$(((shown - start) / 1000000))
  times+=("$ms")
  rss+=("$((kb / 1024))")
  echo "run $run: home window after $ms ms, idle RSS $((kb / 1024)) MB"
done

echo "median over $runs runs: home window $(printf '%s\n' "${times[@]}" | median) ms, idle RSS $(printf '%s\n' "${rss[@]}" | median) MB"
