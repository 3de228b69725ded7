#!/usr/bin/env bash
# The renderer's steady state under Wine, on demand: steps and frames a second and CPU use on a
# private screen (Mesa llvmpipe through GLX), over a ground picture of the screen's size
# (measured as bench/measure_renderer.sh says).
# usage: bench/steady_wine.sh [SECONDS [WxH [--keepmode]]]   (after ./scripts/build)
#   SECONDS     how long to measure (default 20)
#   WxH         the screen (default 1024x768)
#   --keepmode  the renderer keeps the screen as it is and covers all of it (the setting
#               "画面の解像度を変えない"); without it the renderer asks for 1024 x 768 as ever
#               (Xvfb keeps its mode, so that is a 1024 x 768 window)
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-20}
size=${2:-1024x768}
case ${3:-} in
  --keepmode) option=/keepmode ;;
  "") option="" ;;
  *) echo "usage: bench/steady_wine.sh [SECONDS [WxH [--keepmode]]]" >&2; exit 2 ;;
esac
. "$root/bench/wine_bench.sh"

prepare_exchange "$root"
convert -seed 5 -size "$size" plasma:steelblue-orange -type TrueColor BMP3:"$QMORA/Quillmoor1.bmp"
trace_unix="$E2E_OUT/steady-trace.txt"
rm -f "$trace_unix"
QUILLMOOR_STARTUP_TRACE=$(winepath -w "$trace_unix" | tr -d '\r') wine dist/$(qm_session_arch)/クイルモア.dll $option </dev/null >/dev/null 2>&1 &
pid=$!
measure_renderer "$trace_unix" "$seconds" || exit 1
escape_until_gone "$renderer_window" "$pid" "the renderer"
echo "screen $size, renderer ${option:-switching to 1024 x 768}, $(qm_session_arch)"
report_renderer "$trace_unix"
