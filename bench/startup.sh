#!/usr/bin/env bash
# Start-up benchmark: starts the built program N times on a prepared data folder (one
# user logged in automatically, one word list) under Xvfb with a window manager
# (openbox, when installed) and a notification area (trayer), and beside it, in the
# same runs, the floor: bench/floor.cpp, a bare Qt Widgets window of the home window's
# size with a tray icon, built here with the system's Qt. Prints the medians of the
# time from exec until the window is mapped and of the resident memory once idle, for
# both, and their ratios (program / floor). Then, in every run, the settings dialog is
# opened and closed (which must leave the web engine unmapped and the program within
# 45 MB), the program's statistics page is opened (starting the web engine), left, and
# the program hidden to the tray: the resident memory after each is printed too, of the
# program's own process and with the web engine's helper processes.
#
#   bench/startup.sh [-n RUNS] [-i IDLE_SECONDS] [-s] [BUILD_DIR]
#     -s  start-up only: no settings, no statistics page, no hiding
#
# Extra environment for the program (for example QT_XCB_GL_INTEGRATION=none) is
# passed through, so variants can be compared on the same machine.
set -euo pipefail

runs=10
idle=3
pages=1
while getopts "n:i:s" opt; do
  case $opt in
    n) runs=$OPTARG ;;
    i) idle=$OPTARG ;;
    s) pages=0 ;;
    *) exit 2 ;;
  esac
done
shift $((OPTIND - 1))
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-$here/../build}" && pwd)
program="$build/bin/quillora"
tool="$build/bin/quillora-db"
for f in "$program" "$tool"; do
  [ -x "$f" ] || { echo "missing $f: cmake --build $build --target quillora quillora-db" >&2; exit 1; }
done
for t in Xvfb xdotool xdpyinfo c++ pkg-config; do
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

# The floor, built as any small Qt program would be.
floor="$work/floor"
# shellcheck disable=SC2046
c++ -O2 -std=c++17 -fPIC "$here/floor.cpp" -o "$floor" $(pkg-config --cflags --libs Qt6Widgets)

# The prepared data folder: a user with AutoLog who hides to the tray on close, one
# word list of 500 words chosen.
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
  echo "UPDATE UserInfo_tbl SET tid = 1, count = 500, CloseExit = 0 WHERE username = 'bench';"
  echo "COMMIT TRANSACTION;"
} >"$work/seed.sql"
"$tool" sql "$data/data.db" "$(cat "$work/seed.sql")" >/dev/null
printf '[login]\nLastUser=bench\nAutoLog=bench\n' >"$data/config.ini"

# A display of our own, with a window manager and a notification area when installed.
display=:$((90 + RANDOM % 400))
Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
export DISPLAY=$display
for _ in $(seq 1 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.05; done
if command -v openbox >/dev/null; then
  openbox --sm-disable >/dev/null 2>&1 &
  pids+=($!)
fi
if command -v trayer >/dev/null; then
  trayer --edge bottom --align right >/dev/null 2>&1 &
  pids+=($!)
fi
sleep 0.5

if [ "$(id -u)" -eq 0 ]; then export QTWEBENGINE_DISABLE_SANDBOX=1; fi
export HOME="$work/home" XDG_RUNTIME_DIR="$work/run"
mkdir -p "$HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"

median() { sort -n | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
rss_mb() { awk '/^VmRSS:/ { printf "%.1f", $2 / 1024 }' "/proc/$1/status"; }
# The process and all its descendants (the web engine's helpers).
tree_rss_mb() {
  local all=("$1") queue=("$1") p
  while [ ${#queue[@]} -gt 0 ]; do
    p=${queue[0]}
    queue=("${queue[@]:1}")
    for c in $(cat /proc/"$p"/task/*/children 2>/dev/null); do
      all+=("$c")
      queue+=("$c")
    done
  done
  for p in "${all[@]}"; do awk '/^VmRSS:/ { print $2 }' "/proc/$p/status" 2>/dev/null; done | awk '{ s += $1 } END { printf "%.1f", s / 1024 }'
}
children() { cat /proc/"$1"/task/*/children 2>/dev/null | wc -w; }

# The visible window of that name that is not the tray icon (which has the same name).
window_of() {
  local w
  for w in $(xdotool search --onlyvisible --pid "$1" --name "$2" 2>/dev/null); do
    if [ "$(xdotool getwindowgeometry "$w" | awk '/Geometry:/ { split($2, g, "x"); print g[1] }')" -ge 100 ]; then
      echo "$w"
      return 0
    fi
  done
  return 1
}

# start NAME_PATTERN COMMAND...: starts it, waits for its window to be mapped; sets
# started_pid, started_ms and started_wid.
start() {
  local pattern=$1 t0 t1
  shift
  t0=$(date +%s%N)
  "$@" >"$work/log" 2>&1 &
  started_pid=$!
  pids+=("$started_pid")
  started_wid=""
  for _ in $(seq 1 4000); do
    if started_wid=$(window_of "$started_pid" "$pattern") && [ -n "$started_wid" ]; then
      t1=$(date +%s%N)
      started_ms=$(((t1 - t0) / 1000000))
      return 0
    fi
    kill -0 "$started_pid" 2>/dev/null || break
  done
  echo "$*: the window never appeared" >&2
  cat "$work/log" >&2
  exit 1
}
stop() { kill "$1" 2>/dev/null || true; wait "$1" 2>/dev/null || true; }
click() { xdotool mousemove --window "$1" "$2" "$3" click 1; }
# Waits up to 5 s for the window of PID titled TITLE (a pattern) to go.
wait_gone() {
  for _ in $(seq 1 100); do
    window_of "$1" "$2" >/dev/null || return 0
    sleep 0.05
  done
}

settings_limit_mb=45
floor_ms=() floor_rss=() ms=() rss=() settings_rss=() settings_web=0 stats_rss=() stats_tree=() hidden_rss=() hidden_tree=()
for run in $(seq 1 "$runs"); do
  start '^floor$' "$floor"
  sleep "$idle"
  floor_ms+=("$started_ms")
  floor_rss+=("$(rss_mb "$started_pid")")
  stop "$started_pid"

  start '^Quillora$' "$program" --data-dir "$data"
  pid=$started_pid
  sleep "$idle"
  ms+=("$started_ms")
  rss+=("$(rss_mb "$pid")")
  line="run $run: floor ${floor_ms[-1]} ms ${floor_rss[-1]} MB; program ${ms[-1]} ms ${rss[-1]} MB"
  if [ "$pages" -eq 1 ]; then
    # The settings button, then Cancel: the dialog opens on its first page, and nothing
    # of the web engine may stay after it.
    click "$started_wid" 356 23
    settings_wid=""
    for _ in $(seq 1 200); do settings_wid=$(window_of "$pid" '^设置$') && break; sleep 0.05; done
    [ -n "$settings_wid" ] || { echo "run $run: the settings never appeared" >&2; cat "$work/log" >&2; exit 1; }
    sleep 1
    click "$settings_wid" 278 277
    wait_gone "$pid" '^设置$'
    sleep "$idle"
    settings_rss+=("$(rss_mb "$pid")")
    web="no"
    if grep -q libQt6WebEngineCore "/proc/$pid/maps"; then
      web="yes"
      settings_web=$((settings_web + 1))
    fi
    line+="; settings opened and closed ${settings_rss[-1]} MB, web engine mapped: $web"
    # The statistics button; the report is up once the web engine's helpers run and
    # have settled.
    click "$started_wid" 458 180
    for _ in $(seq 1 300); do [ "$(children "$pid")" -gt 0 ] && break; sleep 0.1; done
    [ "$(children "$pid")" -gt 0 ] || { echo "run $run: the web engine never started" >&2; cat "$work/log" >&2; exit 1; }
    sleep $((idle + 2))
    stats_rss+=("$(rss_mb "$pid")")
    stats_tree+=("$(tree_rss_mb "$pid")")
    # Back to the home page, then the close button, which hides to the tray.
    click "$started_wid" 458 290
    sleep 1
    click "$started_wid" 500 20
    wait_gone "$pid" '^Quillora$'
    sleep "$idle"
    hidden_rss+=("$(rss_mb "$pid")")
    hidden_tree+=("$(tree_rss_mb "$pid")")
    line+="; statistics ${stats_rss[-1]} MB (${stats_tree[-1]} MB with helpers); hidden ${hidden_rss[-1]} MB (${hidden_tree[-1]} MB)"
  fi
  stop "$pid"
  echo "$line"
done

m() { printf '%s\n' "$@" | median; }
fm=$(m "${floor_ms[@]}") fr=$(m "${floor_rss[@]}") pm=$(m "${ms[@]}") pr=$(m "${rss[@]}")
echo "median over $runs runs:"
echo "  floor:    window after $fm ms, idle RSS $fr MB"
echo "  quillora: home window after $pm ms, idle RSS $pr MB"
echo "  ratio:    time $(ratio "$pm" "$fm"), RSS $(ratio "$pr" "$fr")"
if [ "$pages" -eq 1 ]; then
  sr=$(m "${settings_rss[@]}")
  verdict=$(awk -v r="$sr" -v l="$settings_limit_mb" -v w="$settings_web" 'BEGIN { print (r <= l && w == 0) ? "within" : "OVER" }')
  echo "  settings opened and closed:      RSS $sr MB, web engine mapped in $settings_web of $runs runs ($verdict the $settings_limit_mb MB limit without it)"
  echo "  after the first statistics page: RSS $(m "${stats_rss[@]}") MB ($(m "${stats_tree[@]}") MB with the web engine's helpers)"
  echo "  hidden to the tray after it:     RSS $(m "${hidden_rss[@]}") MB ($(m "${hidden_tree[@]}") MB with the web engine's helpers)"
fi
