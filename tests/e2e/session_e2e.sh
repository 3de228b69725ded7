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
reap "$second" "a second /s during the session"

sleep 1
import -window root "$E2E_OUT/session-running.png"
# The scene alone: the renderer's client area (a window here, as Xvfb keeps its display mode).
read -r cx cy < <(wine "$poke" origin Quillmoor_VC | tr -d '\r')
convert "$E2E_OUT/session-running.png" -crop 1024x768+${cx:-0}+${cy:-0} +repage "$E2E_OUT/session-scene.png"
# About half a second is usual (the watch ticks every 500 ms).
sent=$(date +%s%N)
if [ -n "$window" ] && send_until "$window" "the saver to end" gone "$pid" -- key Escape; then
  echo "the saver ended $(( ($(date +%s%N) - sent) / 1000000 )) ms after Escape"
fi
reap "$pid" "the saver"

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

# Wine's trace of the multimedia calls (+mci, +winmm), a call a line: the command strings as
# sent (Wine's own "open DEVICE wait" before a command on a device not open left out), and the
# sound player's calls as "PlaySound FLAGS NAME" ("-" for none: a null pointer, of whichever
# width the program has).
calls() {
  tr -d '\r' <"$1" | grep -oE 'mciSendStringW \(L"([^"\\]|\\.)*"|MULTIMEDIA_PlaySound.*|SoundName=L"[^"]*"' |
    sed -E 's/^mciSendStringW \(L"(.*)"$/\1/; s/\\(.)/\1/g' |
    awk '/^MULTIMEDIA_PlaySound/ { if (sound) print sound; split($0, f, "fdwSound="); sound = "PlaySound " f[2] ($0 ~ "pszSound=\x270+\x27" ? " -" : ""); next }
         /^SoundName=/ { sub(/^SoundName=L"/, ""); sub(/"$/, ""); if (sound) { print sound " " $0; sound = "" } ; next }
         / wait$/ && /^open / { next }
         { if (sound) { print sound; sound = "" } print }
         END { if (sound) print sound }'
}
count() { calls "$1" | grep -cxF -- "$2"; }

for file in 'C:\my music\tone.mp3' 'C:\my music\tone.wav'; do
  echo "== music: $file"
  write_settings 2 "$file"
  rm -f "$audio"
  rm -rf "$QMORA"
  log="$E2E_OUT/session-music-${file##*.}.log"
  ALSA_CONFIG_PATH="$E2E_OUT/asound-file.conf" WINEDEBUG=+mci,+winmm \
    wine "$install/クイルモア.scr" /s </dev/null >"$log" 2>&1 &
  pid=$!
  window=$(x_window Quillmoor_VC 200)
  sleep 4.5  # twice the tone: the MP3 is started again, the WAV loops
  sounding || fail "no sound from $file during the session"
  if [ -n "$window" ]; then
    escape_until_gone "$window" "$pid" "the session with $file"
  else
    fail "no renderer with $file"
    reap "$pid" "the session with $file" 1
  fi
  size=$(stat -c %s "$audio" 2>/dev/null || echo 0)
  sleep 1
  [ "$(stat -c %s "$audio" 2>/dev/null || echo 0)" = "$size" ] || fail "sound went on after the session"
  if [[ $file == *.mp3 ]]; then
    # Opened and played once at the start; watched every second (Timer1); started again from
    # the beginning once it had ended (the tone is 2 s); stopped and closed at the end.
    [ "$(count "$log" "open \"$file\" type MPEGVideo Alias MP3Play")" = 1 ] || fail "the MP3 was not opened once"
    [ "$(count "$log" 'play MP3Play')" = 1 ] || fail "the MP3 was not played once at the start"
    [ "$(count "$log" 'play MP3Play from 0')" -ge 1 ] || fail "the MP3 was not started again after it ended"
    queries=$(count "$log" 'status MP3Play mode')
    [ "$queries" -ge 3 ] && [ "$queries" -le 7 ] || fail "$queries MP3 status queries in about 5 s, not one a second"
    [ "$(calls "$log" | tail -n 2 | tr '\n' '|')" = 'stop MP3Play|close MP3Play|' ] || fail "the MP3 was not stopped and closed last"
    calls "$log" | grep -q 'PlaySound\|cdaudio' && fail "an MP3 session used the sound player or the CD"
  else
    # Played once through the sound player, looping (SND_ASYNC | SND_LOOP), stopped at the end;
    # no multimedia command at all.
    [ "$(calls "$log" | tr '\n' '|')" = "PlaySound 00000009 $file|PlaySound 00000000 -|" ] ||
      fail "the WAV was not played once, looping, and stopped: $(calls "$log" | tr '\n' '|')"
  fi
done

echo "== the audio CD without a drive: one round of the watch, then silence, and a clean end"
write_settings 1 ""
rm -rf "$QMORA"
log="$E2E_OUT/session-music-cd.log"
WINEDEBUG=+mci wine "$install/クイルモア.scr" /s </dev/null >"$log" 2>&1 &
pid=$!
window=$(x_window Quillmoor_VC 200)
sleep 1.5  # seven ticks of the CD watch, were it to go on
if [ -n "$window" ]; then
  escape_until_gone "$window" "$pid" "the session with the CD setting"
else
  fail "no renderer with the CD setting"
  reap "$pid" "the session with the CD setting" 1
fi
# The device opened and set to tracks; the watch's first query fails (no drive) and ends the
# watch: nothing more is asked, and the end finds the watch off and sends nothing.
expected='open cdaudio|set cdaudio time format tmsf|status cdaudio current track|'
[ "$(calls "$log" | tr '\n' '|')" = "$expected" ] || fail "CD commands: $(calls "$log" | tr '\n' '|')"
rm -f "$install/クイルモア.ini"

echo "$failures failures"
exit $((failures > 0))
