#!/usr/bin/env bash
# The renderer with the display off, under Wine, on demand: its CPU use over SECONDS with the
# display on (steps, frames, CPU: bench/measure_renderer.sh), then over SECONDS with the display
# reported off (as the system reports it: win_poke power), with its thread's wake-ups; then the
# display back on, and the marks of its going off and coming back.
# usage: bench/display_off_wine.sh [SECONDS [WxH]]   (after ./scripts/build)
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-20}
size=${2:-1024x768}
. "$root/bench/wine_bench.sh"

arch=$(qm_session_arch)
poke="build/$arch/tests/e2e/win_poke.exe"
prepare_exchange "$root"
convert -seed 5 -size "$size" plasma:steelblue-orange -type TrueColor BMP3:"$QMORA/Quillmoor1.bmp"
trace_unix="$E2E_OUT/display-off-trace.txt"
rm -f "$trace_unix"
QUILLMOOR_STARTUP_TRACE=$(winepath -w "$trace_unix" | tr -d '\r') wine dist/$arch/クイルモア.dll </dev/null >/dev/null 2>&1 &
pid=$!
measure_renderer "$trace_unix" "$seconds" || exit 1
echo "screen $size, renderer switching to 1024 x 768, $arch; the display on:"
report_renderer "$trace_unix"

wakeups() { awk '/^voluntary_ctxt_switches/ { print $2 }' "/proc/$renderer_pid/task/$renderer_pid/status"; }
wine "$poke" power Quillmoor_VC display 0 >/dev/null || echo "the power message was not sent"
sleep 1
t0=$(date +%s%N) c0=$(cpu_ticks) w0=$(wakeups)
sleep "$seconds"
t1=$(date +%s%N) c1=$(cpu_ticks) w1=$(wakeups)
awk -v c="$((c1 - c0))" -v hz="$(getconf CLK_TCK)" -v t="$(( (t1 - t0) / 1000000 ))" -v w="$((w1 - w0))" \
  'BEGIN { printf "the display off: CPU %.2f s in %.1f s (%.1f %% of one core); the renderer'"'"'s thread woke %d times\n", c / hz, t / 1000, 100 * c / hz / (t / 1000), w }'
wine "$poke" power Quillmoor_VC display 1 >/dev/null
sleep 2
grep '^renderer.display-' "$trace_unix"
escape_until_gone "$renderer_window" "$pid" "the renderer"
