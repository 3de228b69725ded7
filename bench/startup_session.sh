#!/usr/bin/env bash
# Start-up of a whole session under Wine, on demand: from `クイルモア.scr /s` to the renderer's
# first frame, on private 1280 x 1024, 1920 x 1080 and 3840 x 2160 screens, with the split of
# the steps.
#   - seen from the X server: the renderer's window mapped, and the first non-black picture in
#     it (polling screenshots, about 30 ms resolution);
#   - from inside: both programs write a line per start-up step when QUILLMOOR_STARTUP_TRACE
#     names a file (renderer/common/startup_trace.h), all on the same clock as this script.
# usage: bench/startup_session.sh [RUNS [SIZES...]]   (after ./scripts/build; default 5 runs per size)
#        QM_DIST=folder bench/startup_session.sh ...  measures the programs in another folder
#                                                     (an earlier build, say) instead of dist/x86
#                                                     (dist/x64 where the host runs no 32-bit code)
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-5}
shift || true
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(1280x1024 1920x1080 3840x2160)
cd "$root"
source scripts/lib/session.sh
. bench/bench_wine.sh
dist=${QM_DIST:-$root/dist/$(qm_session_arch)}

one_size() {  # WxH
  bench_wine "$1"
  local install="$WINEPREFIX/drive_c/qm_bench"
  install_programs "$install" "$dist/クイルモア.scr" "$dist/クイルモア.dll" "$dist/クイルモア.data"
  rm -f "$install/クイルモア.ini"
  # A busy desktop under the session, as the capture would find it.
  convert -seed 5 -size "$1" plasma:steelblue-orange "$E2E_OUT/bench-desktop.png"
  display -geometry +0+0 "$E2E_OUT/bench-desktop.png" &
  local desktop=$!
  sleep 1.5
  import -window root -crop 256x192+384+288 "$E2E_OUT/bench-desktop-crop.png"
  local trace_unix="$E2E_OUT/bench-trace.txt"
  local trace_win
  trace_win=$(winepath -w "$trace_unix" 2>/dev/null | tr -d '\r')
  local run
  rm -f "$E2E_OUT/bench-runs-$1.txt"
  for run in $(seq 1 "$runs"); do
    rm -rf "$QMORA" "$trace_unix"
    mkdir -p "$QMORA"
    local start window="" shown="" now
    start=$(date +%s%N)
    QUILLMOOR_STARTUP_TRACE="$trace_win" wine "$install/クイルモア.scr" /s </dev/null >/dev/null 2>&1 &
    local pid=$!
    while [ -z "$shown" ] && [ $(( ($(date +%s%N) - start) / 1000000 )) -lt 30000 ]; do
      now=$(date +%s%N)
      if [ -z "$window" ] && xdotool search --onlyvisible --name '^Quillmoor_VC$' >/dev/null 2>&1; then
        window=$(( (now - start) / 1000000 ))
      fi
      if [ -n "$window" ]; then
        # The window is not cleared before the first frame: until then the desktop shows through.
        local change
        change=$(import -window root -crop 256x192+384+288 png:- 2>/dev/null |
          compare -metric MAE - "$E2E_OUT/bench-desktop-crop.png" null: 2>&1 | sed -n 's/.*(\(.*\)).*/\1/p')
        awk -v c="${change:-0}" 'BEGIN { exit !(c > 0.05) }' && shown=$(( (now - start) / 1000000 ))
      fi
    done
    local id
    id=$(xdotool search --name '^Quillmoor_VC$' | head -n 1)
    if [ -n "$id" ]; then
      escape_until_gone "$id" "$pid" "the session"
    else
      reap "$pid" "the session" 1
    fi
    # Each step as milliseconds after the start, in the order they happened.
    local steps
    steps=$(awk -v t0="$start" '$1 !~ /frame-[0-9]/ { printf "%s=%.0f ", $1, ($2 * 1000 - t0) / 1e6 }' "$trace_unix" 2>/dev/null)
    echo "$1 run $run: window mapped ${window:-?} ms, first picture seen ${shown:-?} ms | $steps"
    echo "$steps x.window-mapped=${window:-0} x.picture-seen=${shown:-0}" >>"$E2E_OUT/bench-runs-$1.txt"
  done
  # Medians over the runs: each step's time after the start, and what it took after the step before.
  echo "$1, medians of $runs runs (ms after 'wine クイルモア.scr /s'; in brackets: since the step before):"
  awk -f bench/medians.awk "$E2E_OUT/bench-runs-$1.txt"
  kill "$desktop" 2>/dev/null
  wait "$desktop" 2>/dev/null
}

for size in "${sizes[@]}"; do
  (one_size "$size")
done
