#!/usr/bin/env bash
# The watcher (クイルモア.scr /w) under Wine, on demand: its CPU time, memory and wake-ups over
# SECONDS of idle (the screen-saver timeout TIMEOUT seconds, so that the idle time passes it and
# the watcher photographs the WxH screen, then again every 10 s) and over SECONDS of typing (five
# keys a second, the pointer moved now and then), on a Wine desktop of its own name where the
# input is counted.
# usage: bench/watch_wine.sh [SECONDS [WxH [TIMEOUT]]]   (after ./scripts/build)
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
size=${2:-1920x1080}
timeout=${3:-10}
. "$root/bench/wine_bench.sh"

arch=$(qm_session_arch)
poke="build/$arch/tests/e2e/win_poke.exe"
saver_win=$(windows_path "$root/dist/$arch/クイルモア.scr")
key='HKCU\Control Panel\Desktop'
wine reg add "$key" /v SCRNSAVE.EXE /t REG_SZ /d "$saver_win" /f </dev/null >/dev/null 2>&1
wine reg add "$key" /v ScreenSaveTimeOut /t REG_SZ /d "$timeout" /f </dev/null >/dev/null 2>&1
wine reg delete "$key" /v ScreenSaverIsSecure /f </dev/null >/dev/null 2>&1
at_exit "wine reg delete '$key' /v SCRNSAVE.EXE /f </dev/null >/dev/null 2>&1"
rm -rf "$QMORA"
mkdir -p "$QMORA"

desk="qmBench$$"
wine explorer /desktop="$desk,$size" "$poke" mark Marks 3600 40a020 </dev/null >/dev/null 2>&1 &
desk_window() { xdotool search --name "^$desk - Wine desktop\$" 2>/dev/null | head -n 1; }
within 30 eval '[ -n "$(desk_window)" ]' || { echo "no desktop"; exit 1; }
window=$(desk_window)
at_exit "wine explorer /desktop='$desk' '$poke' close Marks </dev/null >/dev/null 2>&1"
xdotool mousemove --window "$window" 300 200
wine explorer /desktop="$desk" "dist/$arch/クイルモア.scr" /w </dev/null >/dev/null 2>&1
pid=""
for _ in $(seq 1 100); do
  for p in /proc/[0-9]*; do
    { grep -qzxF "WINEPREFIX=$WINEPREFIX" "$p/environ" && tr '\0' ' ' <"$p/cmdline" | grep -q 'クイルモア\.scr /w *$' &&
      pid=${p#/proc/}; } 2>/dev/null
  done
  [ -n "$pid" ] && break
  sleep 0.1
done
[ -n "$pid" ] || { echo "the watcher did not start"; exit 1; }
at_exit "wine explorer /desktop='$desk' 'dist/$arch/クイルモア.scr' /w end </dev/null >/dev/null 2>&1"

cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$pid/stat"; }
# The times the watcher's own thread slept and woke, and those of all its process's threads
# (Wine's own among them).
wakeups() {
  echo "$(awk '/^voluntary_ctxt_switches/ { print $2 }' "/proc/$pid/task/$pid/status") \
$(cat /proc/"$pid"/task/*/status | awk '/^voluntary_ctxt_switches/ { n += $2 } END { print n }')"
}
memory() { awk '/^VmRSS|^VmHWM/ { printf "%s %d MB  ", $1, $2 / 1024 }' "/proc/$pid/status"; }
photographs() { sed -n 2p "$QMORA/Quillmoor.watch" 2>/dev/null; }
picture() { stat -c %i "$QMORA/Quillmoor1.bmp" 2>/dev/null; }  # a new file at each write

# One stretch: SECONDS with the given input (a command run every 0.2 s, or none), counting the
# photographs the watcher takes (its record written) and the pictures it writes (an unchanged
# screen's are not written again).
stretch() {  # name, input command or ""
  local t0 c0 w0 a0 t1 c1 w1 a1 end last now taken=0 file written=0
  t0=$(date +%s%N) c0=$(cpu_ticks) last=$(photographs) file=$(picture)
  read -r w0 a0 <<<"$(wakeups)"
  end=$((t0 + seconds * 1000000000))
  while [ "$(date +%s%N)" -lt "$end" ]; do
    [ -n "$2" ] && $2
    now=$(photographs)
    [ "$now" != "$last" ] && taken=$((taken + 1)) && last=$now
    [ "$(picture)" != "$file" ] && written=$((written + 1)) && file=$(picture)
    sleep 0.2
  done
  t1=$(date +%s%N) c1=$(cpu_ticks)
  read -r w1 a1 <<<"$(wakeups)"
  awk -v c="$((c1 - c0))" -v hz="$(getconf CLK_TCK)" -v t="$(((t1 - t0) / 1000000))" -v w="$((w1 - w0))" -v a="$((a1 - a0))" \
    -v n="$taken" -v p="$written" -v name="$1" 'BEGIN { printf "%s: CPU %.2f s in %.1f s (%.2f %% of one core), %d photographs (pictures written %d times), its thread woke %d times (all its threads %d); ", name, c / hz, t / 1000, 100 * c / hz / (t / 1000), n, p, w, a }'
  memory
  echo
}
typing=0
type_key() {
  typing=$((typing + 1))
  if [ $((typing % 10)) = 0 ]; then xdotool mousemove --window "$window" $((300 + typing % 50)) 200; else xdotool key a; fi
}

echo "watcher $arch, screen $size, screen-saver timeout $timeout s"
xdotool mousemove --window "$window" 310 210
stretch idle ""
focus_window "$window" || echo "(the desktop would not take the focus)"
stretch typing type_key
echo "the idle time at the end of the typing: $(wine explorer /desktop="$desk" "$poke" idle - </dev/null 2>/dev/null | tr -d '\r') ms"
