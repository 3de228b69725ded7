#!/usr/bin/env bash
# A whole session as the system starts it: the saver photographs the screen (mirrored), writes
# the exchange files, starts the renderer, and ends after it; a second start is refused; music
# plays from the file the settings name. (Faults: faults_e2e.sh.)
#
# usage: session_e2e.sh SAVER.scr RENDERER.dll WIN_POKE.exe SOURCE_DIR
set -uo pipefail
saver=$1 renderer=$2 poke=$3 source=$4
. "$(dirname "$0")/lib.sh"

install="$WINEPREFIX/drive_c/qm_session"
install_programs "$install" "$saver" "$renderer" "$source/resources/クイルモア.data"

# A known, still picture on the whole screen.
size=$(xdpyinfo | awk '/dimensions:/ {print $2}')
convert -size "$size" gradient:'#204080'-'#e0c060' -fill '#c03030' -draw 'rectangle 40,40 300,200' \
  -fill '#30c030' -draw 'circle 900,600 980,650' "$E2E_OUT/session-desktop.png"
display -geometry +0+0 "$E2E_OUT/session-desktop.png" &
desktop=$!
sleep 1.5
import -window root "$E2E_OUT/session-screen.png"

start_session() {
  rm -rf "$QMORA"
  mkdir -p "$QMORA"
  wine "$install/クイルモア.scr" /s </dev/null >/dev/null 2>&1 &
  pid=$!
}

echo "== /s: the exchange files, the renderer, a second start refused, Escape ends both"
start_session
window=$(x_window Quillmoor_VC 200)
[ -n "$window" ] || fail "the renderer's window did not appear"
convert "$QMORA/Quillmoor1.bmp" -depth 8 "rgb:$E2E_OUT/written.rgb"
convert "$E2E_OUT/session-screen.png" -flop -depth 8 "rgb:$E2E_OUT/screen-mirrored.rgb"
cmp -s "$E2E_OUT/written.rgb" "$E2E_OUT/screen-mirrored.rgb" || fail "Quillmoor1.bmp is not the screen mirrored"
[ "$(identify -format '%wx%h' "$QMORA/Quillmoor1.bmp")" = "$size" ] || fail "Quillmoor1.bmp is not $size"
[ "$(identify -format '%wx%h' "$QMORA/Quillmoor2.bmp")" = "64x64" ] || fail "Quillmoor2.bmp is not 64x64"
cmp -s "$QMORA/Quillmoor.data" "$source/resources/クイルモア.data" || fail "Quillmoor.data differs from the shipped model"

wine "$install/クイルモア.scr" /s </dev/null >/dev/null 2>&1 &
second=$!
wait_gone "$second" 50 || fail "a second /s during the session did not end at once"
wait "$second"

sleep 1
import -window root "$E2E_OUT/session-running.png"
# The scene alone: the renderer's client area (a window here, as Xvfb keeps its display mode).
read -r cx cy < <(wine "$poke" origin Quillmoor_VC | tr -d '\r')
convert "$E2E_OUT/session-running.png" -crop 1024x768+${cx:-0}+${cy:-0} +repage "$E2E_OUT/session-scene.png"
sent=$(date +%s%N)
[ -n "$window" ] && press "$window" Escape
# About half a second is usual (the watch ticks every 500 ms); a loaded machine gets 5 s.
if wait_gone "$pid" 50; then
  echo "the saver ended $(( ($(date +%s%N) - sent) / 1000000 )) ms after Escape"
else
  fail "the saver was still running 5 s after Escape (renderer window $( [ -n "$(x_window Quillmoor_VC 1)" ] && echo still there || echo gone))"
fi
wait "$pid"

# Settings as the dialog writes them: the keys in Shift_JIS, the file path as chosen.
write_settings() {  # kind, file
  printf '[Section]\r\nBGM\x8b\xe6\x95\xaa=%s\r\nBGM\xd8\xcb\xdf\xb0\xc4=0\r\nBGM\xcc\xa7\xb2\xd9=%s\r\n' \
    "$1" "$2" >"$install/クイルモア.ini"
}
music="$WINEPREFIX/drive_c/my music"
mkdir -p "$music"
sox -n -r 44100 -c 2 "$music/tone.wav" synth 2 sine 440 2>/dev/null
lame --silent "$music/tone.wav" "$music/tone.mp3"

# Whatever Wine plays goes into a file through an ALSA file device.
audio="$E2E_OUT/session-audio.raw"
audio_to_file_config "$E2E_OUT/asound-file.conf" "$audio"
sounding() { [ -s "$audio" ] && [ -n "$(head -c 2000000 "$audio" | tr -d '\000' | head -c 16)" ]; }

for file in 'C:\my music\tone.mp3' 'C:\my music\tone.wav'; do
  echo "== music: $file"
  write_settings 2 "$file"
  rm -f "$audio"
  rm -rf "$QMORA"
  ALSA_CONFIG_PATH="$E2E_OUT/asound-file.conf" wine "$install/クイルモア.scr" /s </dev/null >/dev/null 2>&1 &
  pid=$!
  window=$(x_window Quillmoor_VC 200)
  sleep 3  # longer than the tone: the MP3 is started again, the WAV loops
  sounding || fail "no sound from $file during the session"
  [ -n "$window" ] && press "$window" Escape
  wait_gone "$pid" 50 || fail "the session with $file did not end after Escape"
  wait "$pid"
  size=$(stat -c %s "$audio" 2>/dev/null || echo 0)
  sleep 1
  [ "$(stat -c %s "$audio" 2>/dev/null || echo 0)" = "$size" ] || fail "sound went on after the session"
done

echo "== the audio CD without a drive: silent, and a clean end"
write_settings 1 ""
rm -rf "$QMORA"
brief_session "$install/クイルモア.scr" "with the CD setting"
rm -f "$install/クイルモア.ini"

kill "$desktop" 2>/dev/null
wait "$desktop" 2>/dev/null
echo "$failures failures"
exit $((failures > 0))
