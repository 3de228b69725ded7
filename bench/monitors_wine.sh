#!/usr/bin/env bash
# A session with a scene on every monitor, under Wine, on demand: nested X screens joined by
# Xinerama (Wine sees each as a monitor), the setting "すべてのモニターに表示" on; steps and frames a
# second, the renderer's CPU use (bench/measure_renderer.sh), and its memory at its peak (/proc's
# high-water marks of its process).
# usage: bench/monitors_wine.sh [SECONDS [WxH [COUNT]]]   (after ./scripts/build)
#   SECONDS  how long to measure (default 20)
#   WxH      each monitor (default 1920x1080)
#   COUNT    how many monitors, side by side (default 2; 1 for the figure beside them)
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-20}
size=${2:-1920x1080}
count=${3:-2}
cd "$root"
source scripts/lib/session.sh
width=${size%x*} height=${size#*x}
QM_SCREEN="$((width * count + 64))x$((height + 64))x24" qm_start_display
# A prefix of the benchmarks' own (see steady_wine.sh).
export WINEPREFIX="$root/build/wineprefix-bench"
qm_start_wine
export QM_E2E_OUT="$root/out/bench"
. tests/e2e/lib.sh
. bench/measure_renderer.sh

screens=()
for _ in $(seq 1 "$count"); do screens+=(-screen "$size"); done
own_x_server Xephyr "${screens[@]}" +xinerama -extension RANDR || { echo "no nested X server"; exit 1; }
export DISPLAY=$x_display
restart_wine
for i in $(seq 0 $((count - 1))); do
  convert -seed "$i" -size "$size" plasma:steelblue-orange "$E2E_OUT/bench-monitor-$i.png"
  display -geometry "+$((i * width))+0" "$E2E_OUT/bench-monitor-$i.png" &
done
sleep 2

arch=$(qm_session_arch)
install="$WINEPREFIX/drive_c/qm_bench_monitors"
install_programs "$install" "dist/$arch/クイルモア.scr" "dist/$arch/クイルモア.dll" "dist/$arch/クイルモア.data"
printf '[Section]\r\n\x89\xe6\x96\xca\xd3\xb0\xc4\xde=1\r\n\xd3\xc6\xc0\xb0=1\r\n' >"$install/クイルモア.ini"
trace_unix="$E2E_OUT/monitors-trace.txt"
rm -f "$trace_unix"
QUILLMOOR_STARTUP_TRACE=$(winepath -w "$trace_unix" | tr -d '\r') wine "$install/クイルモア.scr" /s </dev/null >/dev/null 2>&1 &
pid=$!
measure_renderer "$trace_unix" "$seconds" || exit 1
escape_until_gone "$renderer_window" "$pid" "the session"
echo "$count monitors of $size side by side, $arch, the window $(xwininfo -root | awk '/Width/ {w = $2} /Height/ {h = $2} END {print w "x" h}') over them"
report_renderer "$trace_unix"
echo "memory of the renderer's process: $renderer_memory"
