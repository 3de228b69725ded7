#!/usr/bin/env bash
# The renderer as the saver starts it: by path, no arguments, on the exchange files of a
# private Wine prefix, its pace, the display's power going off and coming back, ended by Escape
# or a close message; and its start-up failures.
#
# usage: renderer_e2e.sh RENDERER.dll WIN_POKE.exe SOURCE_DIR
set -uo pipefail
renderer=$1 poke=$2 source=$3
. "$(dirname "$0")/lib.sh"

# Expects the renderer to be running with its window (screenshot $2 if given), ends it with
# Escape and expects status 0; $1 names the case in messages.
expect_running_then_escape() {
  local window status
  window=$(x_window Quillmoor_VC 150)
  sleep 1
  if [ -n "$window" ] && kill -0 "$pid" 2>/dev/null; then
    [ -n "${2:-}" ] && import -window root -crop 1024x768+0+0 "$E2E_OUT/$2"
    escape_until_gone "$window" "$pid" "the renderer $1"
  else
    fail "did not run $1"
    reap "$pid" "the renderer $1" 1
  fi
  status=$?
  [ "$status" = 0 ] || fail "status $status $1"
}

start_renderer() {  # log name; sets pid (of the wine process)
  wine "$renderer" </dev/null >"$E2E_OUT/$1.log" 2>&1 &
  pid=$!
}


echo "== a session's renderer: the window, the ground, its pace, Escape"
prepare_exchange "$source"
trace="$E2E_OUT/renderer-trace.txt"
rm -f "$trace"
QUILLMOOR_STARTUP_TRACE=$(winepath -w "$trace" | tr -d '\r') start_renderer renderer
window=$(x_window Quillmoor_VC 150)
if [ -z "$window" ]; then
  fail "no window titled Quillmoor_VC appeared"
else
  # The X window exists before it is shown: wait until it is.
  for _ in $(seq 1 50); do
    found=$(wine "$poke" find Quillmoor_VC | tr -d '\r')
    [[ $found == *visible=1 ]] && break
    sleep 0.1
  done
  echo "$found"
  [ "$found" = "class=OpenGL client=1024x768 visible=1" ] || fail "window: $found"
  sleep 2
  import -window root -crop 1024x768+0+0 "$E2E_OUT/renderer-orbit.png"
  # Its pace, from the trace's marks of every 100th step and frame: 60 steps a second, however
  # the frames come (a busy machine slows the frames, not the scene); and where no vertical
  # blank holds the swaps, 60 frames a second at most, not as many as the machine can draw.
  # (Up to 30 s: the 32-bit renderer under software GL on a busy machine draws 10 frames a second.)
  # A driver that takes the swap interval and yet holds no swap (Mesa on Xvfb) is trusted until
  # the frames show otherwise, which the renderer marks: the frames are counted from then on.
  untrusted() { sed -n 's/^renderer\.swaps-not-held-at-\([0-9]*\) .*/\1/p' "$trace" 2>/dev/null | head -n 1; }
  last_frame() { sed -n 's/^renderer\.frame-\([0-9]*\) .*/\1/p' "$trace" 2>/dev/null | tail -n 1; }
  rate() {  # mark name, [after]: its count a second between its first and last marks (after that count)
    awk -v mark="$1" -v after="${2:-0}" '$1 ~ mark "-[0-9]+$" { n = substr($1, index($1, mark "-") + length(mark) + 1)
                        if (n + 0 <= after + 0) next
                        if (!seen) { seen = 1; n0 = n; t0 = $2 } n1 = n; t1 = $2 }
                      END { if (n1 > n0) printf "%.1f", (n1 - n0) / ((t1 - t0) / 1e6) }' "$trace"
  }
  # (Frames just over 60 a second are marked later: where there is no mark yet and more than 62
  # frames a second came, the wait goes on.)
  for _ in $(seq 1 300); do
    from=$(untrusted) last=$(last_frame)
    if [ -n "$last" ] && [ "$last" -ge $(( ${from:-0} / 100 * 100 + 300 )) ]; then
      [ -n "$from" ] && break
      awk -v r="$(rate frame)" 'BEGIN { exit !(r <= 62) }' && break
    fi
    sleep 0.1
  done
  steps=$(rate step) frames=$(rate frame "$from")
  echo "steps a second: ${steps:-unknown}, frames a second: ${frames:-unknown}${from:+ (from frame $from on, where the frames showed that the driver does not hold the swaps)}"
  awk -v r="${steps:-0}" 'BEGIN { exit !(r >= 57 && r <= 63) }' || fail "the scene takes ${steps:-no} steps a second, not 60"
  awk -v r="${frames:-0}" 'BEGIN { exit !(r > 0 && r <= 62) }' || fail "the renderer draws ${frames:-no} frames a second, not 60 at most"
  for colour in '#ff0000' '#0000ff' '#00ff00' '#ffffff'; do
    share=$(colour_share "$E2E_OUT/renderer-orbit.png" "$colour")
    echo "ground colour $colour: $share of the screen"
    awk -v s="$share" 'BEGIN { exit !(s > 0.005) }' || fail "the ground does not show $colour"
  done

  echo "== while the display is off nothing is drawn, and the renderer waits for messages alone"
  # The renderer asked the system for the display's power by the setting of the Windows the
  # prefix reports (the console display's state from 6.2 on, the monitor's power before; Wine's
  # default prefix is 6.1), and was given a registration (Wine's is a stub's, but it answers).
  setting=$(wine cmd /c ver </dev/null | tr -d '\r' | grep -o '[0-9]*\.[0-9]*\.[0-9]*' |
            awk -F. '{ print ($1 > 6 || ($1 == 6 && $2 >= 2)) ? "console" : "monitor" }')
  grep '^renderer.display-watch-' "$trace"
  grep -q "^renderer.display-watch-${setting:-?}-registered " "$trace" ||
    fail "the renderer did not register for the ${setting:-unknown} power setting"
  # The power messages as the system sends them (win_poke puts the setting's record into the
  # renderer's memory); the renderer marks the frames swapped and the steps taken when the
  # display goes off and when it comes back, which must be the same, and the steps of the first
  # frame after it came back, which must be one (the time off dropped).
  renderer_pid=$(xdotool getwindowpid "$window")
  wakeups() { awk '/^voluntary_ctxt_switches/ { print $2 }' "/proc/$renderer_pid/task/$renderer_pid/status"; }
  cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$renderer_pid/stat"; }
  mark_count() { grep -c "^renderer.display-$1-" "$trace" 2>/dev/null; }
  power() {  # setting, value, the display mark it makes, how many of them there are then
    wine "$poke" power Quillmoor_VC "$1" "$2" >/dev/null || fail "power $1 $2 not sent"
    for _ in $(seq 1 50); do [ "$(mark_count "$3")" -ge "$4" ] && return 0; sleep 0.1; done
    fail "power $1 $2 left no display-$3 mark"
  }
  power display 0 off 1
  w0=$(wakeups) c0=$(cpu_ticks)
  sleep 3
  woken=$(( $(wakeups) - w0 )) used=$(( $(cpu_ticks) - c0 ))
  echo "display off for 3 s: the renderer's thread woke $woken times, its process used $used CPU ticks"
  [ "$woken" -le 10 ] || fail "the renderer woke $woken times in 3 s with the display off"
  # Waiting costs nothing (0 ticks here); a loop that polls or yields instead takes most of a
  # core (up to 300 ticks of 10 ms in 3 s), even one that seldom blocks and so seldom wakes.
  [ "$used" -le 30 ] || fail "the renderer used $used CPU ticks in 3 s with the display off"
  power display 2 on 1  # dimmed: drawn
  frames_then=$(grep -o '^renderer.display-on-frames-[0-9]*' "$trace" | head -n 1 | grep -o '[0-9]*$')
  for _ in $(seq 1 100); do
    [ -n "$(grep -o '^renderer.frame-[0-9]*' "$trace" | grep -o '[0-9]*$' | awk -v f="${frames_then:-0}" '$1 > f')" ] && break
    sleep 0.1
  done
  power display 1 on 1  # on: nothing changes
  power monitor 0 off 2  # the setting before Windows 8
  power monitor 1 on 2
  grep '^renderer.display-' "$trace"
  paste -d ' ' <(grep -o '^renderer.display-off-[a-z0-9-]*' "$trace" | sed 's/display-off-//') \
               <(grep -o '^renderer.display-on-[a-z0-9-]*' "$trace" | sed 's/display-on-//') |
    while read -r off on; do [ "$off" = "$on" ] || echo "$off $on"; done | grep -q . &&
    fail "frames or steps went on while the display was off"
  for _ in $(seq 1 50); do [ "$(mark_count back)" -ge 2 ] && break; sleep 0.1; done
  back=$(grep -o '^renderer.display-back-steps-[0-9]*' "$trace" | grep -o '[0-9]*$' | tr '\n' ' ')
  [ "$back" = "1 1 " ] || fail "the first frames after the display came back took ${back:-no} steps, not 1 each"
  [ -n "$(grep -o '^renderer.frame-[0-9]*' "$trace" | grep -o '[0-9]*$' | awk -v f="${frames_then:-0}" '$1 > f')" ] ||
    fail "no frames after the display came back (dimmed)"

  sent=$(date +%s%N)
  send_until "$window" "the renderer to end" gone "$pid" -- key Escape &&
    echo "ended $(( ($(date +%s%N) - sent) / 1000000 )) ms after Escape"
  reap "$pid" "the renderer"; status=$?
  [ "$status" = 0 ] || fail "status $status after Escape"
  [ -z "$(x_window Quillmoor_VC 1)" ] || fail "the window outlived the program"
fi

echo "== a close message"
start_renderer renderer-close
window=$(x_window Quillmoor_VC 150)
wine "$poke" close Quillmoor_VC
reap "$pid" "the renderer after the close message"; status=$?
[ "$status" = 0 ] || fail "status $status after the close message"

echo "== screen-saver and monitor power commands are swallowed, others go to the default handler"
# Wine's relay trace, narrowed to the default window procedure, shows every command that reaches
# it: the two exact commands must not, the same commands with other low bits must.
relay_key='HKCU\Software\Wine\Debug'
wine reg add "$relay_key" /v RelayInclude /d 'user32.DefWindowProcA' /f </dev/null >/dev/null 2>&1
at_exit 'wine reg delete "$relay_key" /v RelayInclude /f </dev/null >/dev/null 2>&1'
WINEDEBUG=+relay wine "$renderer" </dev/null >"$E2E_OUT/renderer-syscommand.log" 2>&1 &
pid=$!
window=$(x_window Quillmoor_VC 150)
# SC_SCREENSAVE, SC_MONITORPOWER, and two neighbours of the latter. (Wine's default handler of a
# screen-saver command never returns: were that command not swallowed, the renderer would hang.)
for command in 0xF140 0xF170 0xF171 0xF172; do
  timeout 10 wine "$poke" syscommand Quillmoor_VC $command || fail "system command $command did not return"
done
sleep 1
kill -0 "$pid" 2>/dev/null || fail "a system command ended the renderer"
wine "$poke" find Quillmoor_VC >/dev/null || fail "the window went after a system command"
escape_until_gone "$window" "$pid" "the renderer after the system commands"
wine reg delete "$relay_key" /v RelayInclude /f </dev/null >/dev/null 2>&1
defaulted() { tr -d '\r' <"$E2E_OUT/renderer-syscommand.log" | grep -c "DefWindowProcA(.*,00000112,0000$1,"; }
for command in f140 f170; do
  [ "$(defaulted $command)" = 0 ] || fail "system command $command reached the default handler"
done
for command in f171 f172; do
  [ "$(defaulted $command)" = 1 ] || fail "system command $command did not reach the default handler"
done

echo "== without the model no window ever appears"
rm -f "$QMORA/Quillmoor.data"
start_renderer renderer-nomodel
ends_without_window "$pid" 100 "the renderer without its model"; status=$?
[ "$status" = 0 ] || fail "status $status without the model"

echo "== without either picture it ends by itself"
prepare_exchange "$source"
rm -f "$QMORA/Quillmoor1.bmp" "$QMORA/Quillmoor2.bmp"
start_renderer renderer-nopictures
reap "$pid" "the renderer without pictures" 150; status=$?
[ "$status" = 0 ] || fail "status $status without pictures"

echo "== the ground picture alone is enough"
prepare_exchange "$source"
rm -f "$QMORA/Quillmoor2.bmp"
start_renderer renderer-groundonly
expect_running_then_escape "on the ground picture alone" renderer-groundonly.png

echo "== an empty ground picture: the reader's message, then the renderer goes on"
prepare_exchange "$source"
: >"$QMORA/Quillmoor1.bmp"
start_renderer renderer-empty
box=$(x_window Error 150)
if [ -z "$box" ]; then
  fail "no box captioned Error"
else
  text=$(wine "$poke" text Error | tr -d '\r')
  echo "box: $text"
  sleep 0.3
  import -window root "$E2E_OUT/renderer-error-box.png"
  grep -qF 'Failed to open DIB file c:\q_mora\Quillmoor1.bmp.' <<<"$text" || fail "box text: $text"
  send_until "$box" "the message box to close" not_shown "$box" -- key Return
fi
expect_running_then_escape "after the message"

echo "$failures failures"
exit $((failures > 0))
