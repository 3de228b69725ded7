#!/usr/bin/env bash
# Start-up of the renderer under Wine, on demand, for desktop-sized ground pictures:
#   - from the process start to its window on the X server, and to the first non-black screen
#     (seen from outside, by polling; about 30 ms resolution);
#   - the split of the same steps inside a Windows program (gl_probe --time).
# usage: bench/startup_wine.sh        (after ./scripts/build)
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
source scripts/lib/session.sh
QM_SCREEN=1920x1080x24 qm_start_display
# A prefix of the benchmarks' own: Wine keeps a monitor's last mode in its registry, and a
# mode a benchmark's renderer set on its screen must not meet the tests on theirs.
export WINEPREFIX="$root/build/wineprefix-bench"
qm_start_wine
. tests/e2e/lib.sh
arch=$(qm_session_arch)
renderer=build/$arch/renderer/クイルモア.dll
probe=build/$arch/tests/e2e/gl_probe.exe
ms() { echo $(( ($(date +%s%N) - $1) / 1000000 )); }

for size in 1920x1080 3840x2160; do
  prepare_exchange "$root"
  convert -seed 3 -size "$size" plasma:steelblue-orange -type TrueColor BMP3:"$QMORA/Quillmoor1.bmp"
  for run in 1 2 3; do
    start=$(date +%s%N)
    wine "$renderer" </dev/null >/dev/null 2>&1 &
    pid=$!
    window="" shown=""
    while [ -z "$shown" ] && [ "$(ms "$start")" -lt 30000 ]; do
      if [ -z "$window" ] && xdotool search --onlyvisible --name '^Quillmoor_VC$' >/dev/null 2>&1; then
        window=$(ms "$start")
      fi
      if [ -n "$window" ]; then
        mean=$(import -window root -crop 256x192+384+288 png:- 2>/dev/null | convert - -format '%[fx:mean]' info:)
        awk -v m="${mean:-0}" 'BEGIN { exit !(m > 0.02) }' && shown=$(ms "$start")
      fi
    done
    id=$(xdotool search --name '^Quillmoor_VC$' | head -n 1)
    [ -n "$id" ] && xdotool key --window "$id" Escape
    wait "$pid"
    echo "$size run $run: window after ${window:-?} ms, first picture after ${shown:-?} ms"
  done
  wine "$probe" --time </dev/null 2>/dev/null | tr -d '\r' | grep '^time\.' | sed "s/^/$size /"
done
