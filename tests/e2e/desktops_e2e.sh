#!/usr/bin/env bash
# A session on a display that really switches to 1024 x 768, under Wine: Wine's virtual desktop,
# 1920 x 1080, whose windows are not X windows, so a helper in the same desktop reads what a
# program there sees; after Escape, after another program changes the mode (the session ends),
# and after the renderer is killed in full screen (the saver puts the mode back); and the screen
# as it is, at 144 DPI, and changed under the scene (the helper switches the desktop, which Wine
# then resizes and tells its windows). (Several monitors: monitors_e2e.sh.)
#
# usage: desktops_e2e.sh SAVER.scr RENDERER.dll WIN_POKE.exe SOURCE_DIR
set -uo pipefail
saver=$1 renderer=$2 poke=$3 source=$4
. "$(dirname "$0")/lib.sh"

install="$WINEPREFIX/drive_c/qm_desktops"
install_programs "$install" "$saver" "$renderer" "$source/resources/クイルモア.data"
rm -f "$install/クイルモア.ini"

# The persistent Wine server belongs to the display it was started on: this test runs on an X
# server of its own, large enough for a 1920 x 1080 desktop, ends the server, starts it again
# there, and gives it back to the first display at the end.
outer=$DISPLAY
own_x_server Xvfb -screen 0 2400x1200x24 || give_up
big=$x_display
export DISPLAY=$big
# The virtual desktop runs at 144 DPI (150 %), as many 4K screens do: the renderer, aware of the
# screen's DPI, still covers it pixel for pixel.
screen_dpi 144
at_exit 'DISPLAY=$outer restart_wine'

# ---------------------------------------------------------------------------------------------
# The full-screen switch in a virtual desktop. A helper window ("keeper") holds the desktop open
# between programs (it closes with its last program); the helper's queries run inside it.
desk=qm$$
in_desk() { wine explorer /desktop="$desk" "$@" </dev/null 2>/dev/null | tr -d '\r'; }
screen_line() { in_desk "$poke" screen - | grep '^screen='; }
screen_size() { screen_line | sed -E 's/^screen=([0-9]+x[0-9]+).*/\1/'; }
desk_window() { xdotool search --name "^$desk - Wine desktop\$" 2>/dev/null | head -n 1; }

wine explorer /desktop="$desk,1920x1080" "$poke" hold Keeper 120 </dev/null >/dev/null 2>&1 &
keeper=$!
for _ in $(seq 1 100); do [ -n "$(desk_window)" ] && break; sleep 0.1; done
[ "$(screen_size)" = 1920x1080 ] || fail "the virtual desktop is not 1920x1080: $(screen_line)"

# Waits up to 20 s for the renderer's window inside the desktop; true when it is there.
renderer_in_desk() {
  local i
  for i in $(seq 1 40); do
    [ -n "$(in_desk "$poke" find Quillmoor_VC)" ] && return 0
    sleep 0.5
  done
  return 1
}

# The saver started inside the desktop is not a child of this script (the desktop's own process
# runs it): it is watched by its hidden window's title. saver_gone waits up to 5 s for it to go.
saver_left() { [ -z "$(in_desk "$poke" find Quillmoor_Main)" ]; }
saver_gone() {
  local start
  start=$(date +%s%N)
  while [ $(( ($(date +%s%N) - start) / 1000000 )) -lt 5000 ]; do
    saver_left && return 0
    sleep 0.1
  done
  return 1
}

# A session in the desktop over a fresh exchange folder, its output to the log given ($pid: the
# desktop's starter); true once the renderer's window is there.
session_in_desk() {  # [log]
  rm -rf "$QMORA"
  mkdir -p "$QMORA"
  wine explorer /desktop="$desk" "$install/クイルモア.scr" /s </dev/null >"${1:-/dev/null}" 2>&1 &
  pid=$!
  renderer_in_desk
}

echo "== full screen: 1920 x 1080 photographed, 1024 x 768 during the scene, 1920 x 1080 after Escape"
if session_in_desk; then
  sleep 1
  [ "$(identify -format '%wx%h' "$QMORA/Quillmoor1.bmp" 2>/dev/null)" = 1920x1080 ] ||
    fail "the photograph is not 1920x1080"
  [ "$(screen_size)" = 1024x768 ] || fail "the display was not switched to 1024x768: $(screen_line)"
  rect=$(in_desk "$poke" rect Quillmoor_VC)
  [ "$rect" = "0 0 1024 768" ] || fail "the renderer's window does not cover the screen from 0,0: $rect"
  import -window root -crop 1024x768+0+0 "$E2E_OUT/desktops-fullscreen.png"
  # The key typed inside the desktop, where the renderer's window is not an X window.
  send_until - "the saver to end" saver_left -- run in_desk "$poke" key Quillmoor_VC 0x1B
  [ "$(screen_size)" = 1920x1080 ] || fail "the display did not come back after Escape: $(screen_line)"
  import -window root "$E2E_OUT/desktops-after-escape.png"
else
  fail "no renderer window in the virtual desktop"
fi
reap "$pid" "the virtual desktop's starter"

echo "== full screen, the mode changed by another program: the session ends as on Escape, the display as it was"
if session_in_desk; then
  [ "$(screen_size)" = 1024x768 ] || fail "the display was not switched to 1024x768: $(screen_line)"
  in_desk "$poke" mode 800 600
  saver_gone || fail "the session went on after its display mode had gone"
  for _ in $(seq 1 30); do [ "$(screen_size)" = 1920x1080 ] && break; sleep 0.1; done
  [ "$(screen_size)" = 1920x1080 ] || fail "the display is not back after the session: $(screen_line)"
else
  fail "no renderer window in the virtual desktop (mode changed)"
fi
reap "$pid" "the virtual desktop's starter"

# The scene, not the desktop, over a W x H screen shot: the black sky above the ground across the
# whole width, and the ground down to the far corner (not the scene in a corner of the screen).
sky() { convert "$1" -crop "${2}x80+0+0" +repage -colorspace Gray -format '%[fx:mean]' info:; }
corner() { convert "$1" -crop "400x300+$(($2 - 420))+$(($3 - 320))" +repage -colorspace Gray -format '%[fx:mean]' info:; }

echo "== the screen as it is (the setting on), at 144 DPI: 1920 x 1080 throughout, the scene over all of it, Escape"
printf '[Section]\r\n\x89\xe6\x96\xca\xd3\xb0\xc4\xde=1\r\n' >"$install/クイルモア.ini"
import -window root -crop 1920x1080+0+0 "$E2E_OUT/desktops-native-before.png"
if session_in_desk; then
  [ "$(screen_size)" = 1920x1080 ] || fail "the display changed as the renderer started: $(screen_line)"
  sleep 1
  [ "$(screen_size)" = 1920x1080 ] || fail "the display changed during the scene: $(screen_line)"
  rect=$(in_desk "$poke" rect Quillmoor_VC)
  [ "$rect" = "0 0 1920 1080" ] || fail "the renderer's window does not cover the screen: $rect"
  import -window root -crop 1920x1080+0+0 "$E2E_OUT/desktops-native.png"
  # The sky where the desktop was blue, the ground (the desktop's own photograph, much like the
  # desktop) down to the far corner: the scene over the whole window, not in a 1024 x 768 corner.
  before=$(sky "$E2E_OUT/desktops-native-before.png" 1920) during=$(sky "$E2E_OUT/desktops-native.png" 1920)
  awk -v b="$before" -v d="$during" 'BEGIN { exit !(b > 0.15 && d < 0.02) }' ||
    fail "the screen does not show the scene's sky across its width (brightness $before before, $during during)"
  corner=$(corner "$E2E_OUT/desktops-native.png" 1920 1080)
  awk -v c="$corner" 'BEGIN { exit !(c > 0.1) }' || fail "no ground in the screen's far corner (brightness $corner)"
  send_until - "the saver to end" saver_left -- run in_desk "$poke" key Quillmoor_VC 0x1B
  [ "$(screen_size)" = 1920x1080 ] || fail "the display is not 1920x1080 after the session: $(screen_line)"
else
  fail "no renderer window in the virtual desktop (the screen as it is)"
fi
reap "$pid" "the virtual desktop's starter"

echo "== the screen as it is at 1280 x 1024, changed to 1024 x 768 and back during the scene: window, scene and pace follow"
in_desk "$poke" mode 1280 1024
trace="$E2E_OUT/desktops-trace.txt"
rm -f "$trace"
retuned() { grep -s '^renderer.display-changed-' "$trace" | wc -l; }
if QUILLMOOR_STARTUP_TRACE=$(winepath -w "$trace" | tr -d '\r') session_in_desk; then
  sleep 1
  rect=$(in_desk "$poke" rect Quillmoor_VC)
  [ "$rect" = "0 0 1280 1024" ] || fail "the renderer's window does not cover the 1280x1024 screen: $rect"
  for size in 1024x768 1280x1024; do
    w=${size%x*} h=${size#*x} before=$(retuned)
    # Within a second of the switch, the window over the new screen and the scene over all of it,
    # as the helper that switches sees them on the screen (its words: the desktop's starter does not
    # pass its status on); a picture of it then.
    moved=$(in_desk "$poke" follow Quillmoor_VC "$w" "$h" 1000)
    echo "switched to $size: $moved"
    [[ $moved == "0 0 $w $h, the window after "*", the scene after "* ]] ||
      fail "the window and the scene did not cover the screen within a second of the switch to $size: $moved"
    import -window root -crop "$size+0+0" "$E2E_OUT/desktops-changed-$size.png"
    during=$(sky "$E2E_OUT/desktops-changed-$size.png" "$w") far=$(corner "$E2E_OUT/desktops-changed-$size.png" "$w" "$h")
    awk -v d="$during" -v c="$far" 'BEGIN { exit !(d < 0.02 && c > 0.1) }' ||
      fail "the picture does not show the scene over the screen switched to $size (sky $during, far corner $far)"
    # The pace taken anew for the display as it is now: the renderer marks its rate and interval.
    for _ in $(seq 1 20); do [ "$(retuned)" -gt "$before" ] && break; sleep 0.1; done
    [ "$(retuned)" -gt "$before" ] || fail "the pace was not taken anew for the display switched to $size"
  done
  grep '^renderer.display-changed-' "$trace"
  send_until - "the saver to end" saver_left -- run in_desk "$poke" key Quillmoor_VC 0x1B
else
  fail "no renderer window in the virtual desktop (the screen changed)"
fi
reap "$pid" "the virtual desktop's starter"
in_desk "$poke" mode 1920 1080
rm -f "$install/クイルモア.ini"

echo "== full screen: the renderer killed, the saver puts the display back, stops the music, shows the cursor"
music="$WINEPREFIX/drive_c/my music"
mkdir -p "$music"
sox -n -r 44100 -c 2 "$music/tone.wav" synth 2 sine 440 2>/dev/null
lame --silent "$music/tone.wav" "$music/tone.mp3"
printf '[Section]\r\nBGM\x8b\xe6\x95\xaa=2\r\nBGM\xd8\xcb\xdf\xb0\xc4=0\r\nBGM\xcc\xa7\xb2\xd9=C:\\my music\\tone.mp3\r\n' \
  >"$install/クイルモア.ini"
audio="$E2E_OUT/desktops-audio.raw"
audio_to_file_config "$E2E_OUT/desktops-asound.conf" "$audio"
rm -f "$audio"
killed_trace="$E2E_OUT/desktops-killed-trace.txt"
rm -f "$killed_trace"
if QUILLMOOR_STARTUP_TRACE=$(windows_path "$killed_trace") ALSA_CONFIG_PATH="$E2E_OUT/desktops-asound.conf" \
  WINEDEBUG=+cursor,+mci session_in_desk "$E2E_OUT/desktops-killed.log"; then
  sleep 1
  [ "$(screen_size)" = 1024x768 ] || fail "the display was not switched before the kill: $(screen_line)"
  kill_renderer || fail "taskkill found no renderer"
  killed=$(date +%s%N)
  if saver_gone; then
    echo "the saver ended $(( ($(date +%s%N) - killed) / 1000000 )) ms after the renderer was killed"
  else
    fail "the saver was still running 5 s after its renderer was killed"
  fi
  # The desktop takes the mode back in its own process: give it a moment on a busy machine.
  for _ in $(seq 1 30); do [ "$(screen_size)" = 1920x1080 ] && break; sleep 0.1; done
  [ "$(screen_size)" = 1920x1080 ] ||
    fail "the display was left switched after the renderer died: $(screen_line); the saver: $(grep -o 'saver\.display-mode[a-z0-9-]*' "$killed_trace" 2>/dev/null | tr '\n' ' ')"
  size=$(stat -c %s "$audio" 2>/dev/null || echo 0)
  [ "$size" -gt 0 ] || fail "no music played before the kill"
  sleep 1
  [ "$(stat -c %s "$audio" 2>/dev/null || echo 0)" = "$size" ] || fail "sound went on after the session"
  expect_mp3_stopped_then_cursor_shown "$E2E_OUT/desktops-killed.log"
else
  fail "no renderer window in the virtual desktop (music case)"
fi
reap "$pid" "the virtual desktop's starter"
rm -f "$install/クイルモア.ini"
in_desk "$poke" close Keeper
reap "$keeper" "the virtual desktop's keeper"

echo "$failures failures"
exit $((failures > 0))
