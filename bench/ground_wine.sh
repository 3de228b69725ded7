#!/usr/bin/env bash
# The saver's start under Wine, on demand, by where its ground comes from: the photograph (the
# saver on the user's own desktop, a busy picture on the screen) beside the wallpaper (the saver
# on a desktop named Screen-saver, as Windows starts it by itself, the wallpaper a 3840 x 2160
# JPEG filled over the screen), on private screens of 1920 x 1080 and 3840 x 2160 (or the sizes
# named). From `クイルモア.scr /s` to the renderer started, with the split of the steps from the
# saver's own trace (renderer/common/startup_trace.h); the renderer is one that ends at once, so
# that each run is the saver's work alone.
# usage: bench/ground_wine.sh [RUNS [SIZES...]]   (after ./scripts/build; default 5 runs per size)
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-5}
shift || true
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(1920x1080 3840x2160)
cd "$root"
source scripts/lib/session.sh
. bench/bench_wine.sh
arch=$(qm_session_arch)

one_size() {  # WxH
  bench_wine "$1"
  # A fresh server, which forgets the size of a Wine desktop of the size before.
  restart_wine
  local install="$WINEPREFIX/drive_c/qm_ground_bench"
  install_programs "$install" "dist/$arch/クイルモア.scr" "dist/$arch/クイルモア.data"
  cp "build/$arch/tests/e2e/silent_renderer.exe" "$install/クイルモア.dll"
  export QM_RENDERER_LINGER_MS=0
  convert -seed 5 -size 3840x2160 plasma:steelblue-orange -quality 90 "$E2E_OUT/ground-wallpaper.jpg"
  convert -seed 6 -size "$1" plasma:olivedrab-tan "$E2E_OUT/ground-desktop.png"
  display -geometry +0+0 "$E2E_OUT/ground-desktop.png" &
  local desktop=$!
  sleep 1.5
  set_wallpaper "$E2E_OUT/ground-wallpaper.jpg" 10 0 '0 0 0'
  local trace="$E2E_OUT/ground-trace.txt" path run start
  for path in photograph wallpaper; do
    rm -f "$E2E_OUT/ground-runs.txt"
    for run in $(seq 1 "$runs"); do
      rm -rf "$QMORA" "$trace"
      mkdir -p "$QMORA"
      start=$(date +%s%N)
      export QUILLMOOR_STARTUP_TRACE
      QUILLMOOR_STARTUP_TRACE=$(windows_path "$trace")
      if [ $path = photograph ]; then
        timeout 60 wine "$install/クイルモア.scr" /s </dev/null >/dev/null 2>&1
      else
        timeout 60 wine explorer /desktop="Screen-saver,$1" "$install/クイルモア.scr" /s </dev/null >/dev/null 2>&1
      fi
      awk -v t0="$start" '$1 ~ /^saver\./ { printf "%s=%.0f ", $1, ($2 * 1000 - t0) / 1e6 } END { print "" }' \
        "$trace" >>"$E2E_OUT/ground-runs.txt"
    done
    echo "$1, the $path, $arch, medians of $runs runs (ms after 'wine クイルモア.scr /s'; in brackets: since the step before):"
    awk -f bench/medians.awk "$E2E_OUT/ground-runs.txt"
  done
  kill "$desktop" 2>/dev/null
  wait "$desktop" 2>/dev/null
}

for size in "${sizes[@]}"; do
  (one_size "$size")
done
