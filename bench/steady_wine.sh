#!/usr/bin/env bash
# The renderer's steady state under Wine, on demand: steps and frames a second and CPU use on a
# private screen (Mesa llvmpipe through GLX), over a ground picture of the screen's size.
# The renderer marks every 100th step and every 100th swapped frame in its trace
# (renderer/common/startup_trace.h); the CPU time is its process's (found by its window, not by
# its name, which its loader shares), from /proc, over the same stretch (llvmpipe draws on worker
# threads, so more than 100 % means more than one core).
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
cd "$root"
source scripts/lib/session.sh
QM_SCREEN=${size}x24 qm_start_display
# A prefix of the benchmarks' own: Wine keeps a monitor's last mode in its registry, and a
# mode a benchmark's renderer set on its screen must not meet the tests on theirs.
export WINEPREFIX="$root/build/wineprefix-bench"
qm_start_wine
export QM_E2E_OUT="$root/out/bench"
. tests/e2e/lib.sh

prepare_exchange "$root"
convert -seed 5 -size "$size" plasma:steelblue-orange -type TrueColor BMP3:"$QMORA/Quillmoor1.bmp"
trace_unix="$E2E_OUT/steady-trace.txt"
rm -f "$trace_unix"
QUILLMOOR_STARTUP_TRACE=$(winepath -w "$trace_unix" | tr -d '\r') wine dist/$(qm_session_arch)/クイルモア.dll $option </dev/null >/dev/null 2>&1 &
pid=$!
for _ in $(seq 1 300); do grep -q 'step-200 ' "$trace_unix" 2>/dev/null && break; sleep 0.1; done
id=$(xdotool search --name '^Quillmoor_VC$' | head -n 1)
renderer=$([ -n "$id" ] && xdotool getwindowpid "$id" 2>/dev/null)
[ -n "$renderer" ] && [ -r "/proc/$renderer/stat" ] || { echo "no renderer process"; exit 1; }
ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
hz=$(getconf CLK_TCK)
t0=$(date +%s%N) c0=$(ticks "$renderer")
sleep "$seconds"
t1=$(date +%s%N) c1=$(ticks "$renderer")
if [ -n "$id" ]; then
  escape_until_gone "$id" "$pid" "the renderer"
else
  reap "$pid" "the renderer" 1
fi
echo "screen $size, renderer ${option:-switching to 1024 x 768}, $(qm_session_arch)"

# Steps and frames per second between the first and the last of their marks inside the measured
# stretch.
per_second() {  # mark name
  awk -v t0="$t0" -v t1="$t1" -v mark="$1" '$1 ~ "^renderer\\." mark "-[0-9]+$" {
      n = substr($1, index($1, mark "-") + length(mark) + 1) + 0; t = $2 * 1000
      if (t >= t0 && t <= t1) { if (!first) { first = 1; n0 = n; s0 = t } n1 = n; s1 = t } }
    END { if (n1 > n0) printf "%ss: %d in %.1f s, %.1f per second (%.1f ms each)\n", mark, n1 - n0, (s1 - s0) / 1e9,
            (n1 - n0) / ((s1 - s0) / 1e9), (s1 - s0) / 1e6 / (n1 - n0); else print mark "s: too few marks" }' "$trace_unix"
}
per_second step
per_second frame
awk -v c="$((c1 - c0))" -v hz="$hz" -v t="$(( (t1 - t0) / 1000000 ))" -v cores="$(nproc)" \
  'BEGIN { printf "CPU: %.1f s in %.1f s, %.0f %% of one core (%d cores here)\n", c / hz, t / 1000, 100 * c / hz / (t / 1000), cores }'
