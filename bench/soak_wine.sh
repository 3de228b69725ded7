#!/usr/bin/env bash
# A long session under Wine, on demand: a whole session (/s, the saver photographing a busy
# desktop and starting the renderer) for MINUTES, with what each program holds sampled every
# minute (win_poke usage: working set, private memory (Wine's PagefileUsage), handles, GDI
# objects and windows; where Wine's own counts answer 0, handles and GDI objects as counted in
# the system's lists), and the renderer's steps and frames a second over each minute from its
# trace marks. A session that lasts holds flat after its first minute.
# usage: bench/soak_wine.sh [MINUTES [WxH]]   (after ./scripts/build)
#   MINUTES  how long the session runs (default 30)
#   WxH      the screen (default 1024x768)
# QM_64BIT_ONLY=1 runs the 64-bit programs (Wine 8 gives its 32-bit processes no GDI table to
# count).
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
minutes=${1:-30}
size=${2:-1024x768}
. "$root/bench/wine_bench.sh"

arch=$(qm_session_arch)
poke="build/$arch/tests/e2e/win_poke.exe"
install="$WINEPREFIX/drive_c/qm_bench_soak"
install_programs "$install" "dist/$arch/クイルモア.scr" "dist/$arch/クイルモア.dll" "dist/$arch/クイルモア.data"
convert -seed 7 -size "$size" plasma:steelblue-orange "$E2E_OUT/soak-desktop.png"
display -geometry +0+0 "$E2E_OUT/soak-desktop.png" 2>/dev/null &
sleep 2
trace_unix="$E2E_OUT/soak-trace.txt"
rm -f "$trace_unix"
QUILLMOOR_STARTUP_TRACE=$(winepath -w "$trace_unix" | tr -d '\r') wine "$install/クイルモア.scr" /s </dev/null >/dev/null 2>&1 &
pid=$!
window=$(x_window Quillmoor_VC 300)
[ -n "$window" ] || { echo "no renderer window"; exit 1; }
start=$(date +%s)

# The marks of one kind (step, frame) a second between two times (seconds since 1970).
rate() {
  awk -v mark="$1" -v t0="$2" -v t1="$3" '$1 ~ "^renderer\\." mark "-[0-9]+$" && $2 / 1e6 >= t0 && $2 / 1e6 <= t1 {
      n = substr($1, index($1, mark "-") + length(mark) + 1) + 0; t = $2 / 1e6
      if (!seen) { seen = 1; n0 = n; s0 = t } n1 = n; s1 = t }
    END { if (n1 > n0) printf "%.1f", (n1 - n0) / (s1 - s0); else printf "-" }' "$trace_unix"
}
field() { sed -n "s/.*\\b$1=\\([0-9]*\\).*/\\1/p" <<<"$2"; }
echo "$minutes minutes, screen $size, $arch; memory in MB, then handles, GDI objects, windows"
printf '%6s | %-33s | %-33s | %s\n' minute "renderer: set private hnd gdi win" "saver: set private hnd gdi win" "steps/s frames/s"
for minute in $(seq 0 "$minutes"); do
  now=$(date +%s)
  [ "$minute" -gt 0 ] && sleep $((start + minute * 60 - now))
  gone "$pid" && { echo "the session ended by itself after $minute minutes"; break; }
  line=""
  for title in Quillmoor_VC Quillmoor_Main; do
    usage=$(wine "$poke" usage "$title" 2>/dev/null | tr -d '\r')
    line+=$(awk -v set="$(field workingset "$usage")" -v private="$(field pagefile "$usage")" -v handles="$(field counted-handles "$usage")" \
      -v gdi="$(field counted-gdi "$usage")" -v windows="$(field windows "$usage")" \
      'BEGIN { printf "%8.1f %7.1f %4s %4s %3s |", set / 1024, private / 1024, handles, gdi, windows }')
  done
  t=$(date +%s)
  printf '%6s | %s %s %s\n' "$minute" "$line" "$(rate step $((t - 60)) "$t")" "$(rate frame $((t - 60)) "$t")"
done
escape_until_gone "$window" "$pid" "the session"
