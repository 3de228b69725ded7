#!/usr/bin/env bash
# What goes wrong around a session, end to end: the renderer killed while music plays, a
# renderer that never opens its window (no model; or stuck, given up on and ended), exchange
# folders that cannot be written, settings files no dialog wrote, and exchange files that are
# not what they claim to be.
#
# usage: faults_e2e.sh SAVER.scr RENDERER.dll WIN_POKE.exe SOURCE_DIR STUCK_RENDERER.exe
set -uo pipefail
saver=$1 renderer=$2 poke=$3 source=$4 stuck=$5
. "$(dirname "$0")/lib.sh"

install="$WINEPREFIX/drive_c/qm_faults"
install_programs "$install" "$saver" "$renderer" "$source/resources/クイルモア.data"
ini="$install/クイルモア.ini"
ms() { echo $(( ($(date +%s%N) - $1) / 1000000 )); }

# The user's own folder, where a session goes when the fixed one cannot take its files.
own="$(winepath -u "$(wine cmd /c echo %LOCALAPPDATA% </dev/null 2>/dev/null | tr -d '\r')" 2>/dev/null)/Quillmoor"
# An immutable folder would outlive a failed run and block the next one's clean-up.
unlock() { chattr -R -i "$QMORA" "$own" 2>/dev/null; }
at_exit unlock

music="$WINEPREFIX/drive_c/my music"
mkdir -p "$music"
sox -n -r 44100 -c 2 "$music/tone.wav" synth 2 sine 440 2>/dev/null
lame --silent "$music/tone.wav" "$music/tone.mp3"

# The settings file's three keys (Shift_JIS) and their values, as the dialog would write them.
key_kind=$(printf 'BGM\x8b\xe6\x95\xaa') key_repeat=$(printf 'BGM\xd8\xcb\xdf\xb0\xc4') key_file=$(printf 'BGM\xcc\xa7\xb2\xd9')
write_settings() {  # section, kind, repeat, file
  printf '[%s]\r\n%s=%s\r\n%s=%s\r\n%s=%s\r\n' "$1" "$key_kind" "$2" "$key_repeat" "$3" "$key_file" "$4" >"$ini"
}

# Whatever Wine plays goes into a file through an ALSA file device.
audio="$E2E_OUT/faults-audio.raw"
audio_to_file_config "$E2E_OUT/faults-asound.conf" "$audio"

echo "== the renderer killed while an MP3 plays: the session ends, the music stops, the cursor is back"
write_settings Section 2 0 'C:\my music\tone.mp3'
rm -rf "$QMORA" "$audio"
mkdir -p "$QMORA"
ALSA_CONFIG_PATH="$E2E_OUT/faults-asound.conf" WINEDEBUG=+cursor,+mci \
  wine "$install/クイルモア.scr" /s </dev/null >"$E2E_OUT/faults-killed.log" 2>&1 &
pid=$!
[ -n "$(x_window Quillmoor_VC 200)" ] || fail "the renderer's window did not appear"
sleep 1.5
killed=$(date +%s%N)
kill_renderer || fail "no renderer process to kill"
wait_gone "$pid" 50 && echo "the saver ended $(ms "$killed") ms after the renderer was killed (the watch ticks every 500 ms)"
reap "$pid" "the saver after its renderer was killed"
size=$(stat -c %s "$audio" 2>/dev/null || echo 0)
[ "$size" -gt 0 ] || fail "no music played before the kill"
sleep 1
[ "$(stat -c %s "$audio" 2>/dev/null || echo 0)" = "$size" ] || fail "sound went on after the session"
expect_mp3_stopped_then_cursor_shown "$E2E_OUT/faults-killed.log"

echo "== no model to copy: no renderer, and the session ends at once"
install_programs "$install" "$saver" "$renderer"
rm -f "$ini"
rm -rf "$QMORA"
start=$(date +%s%N)
wine "$install/クイルモア.scr" /s </dev/null >/dev/null 2>&1 &
pid=$!
seen=""
while kill -0 "$pid" 2>/dev/null && [ "$(ms "$start")" -lt 20000 ]; do
  [ -n "$(xdotool search --name '^Quillmoor_VC$' 2>/dev/null)" ] && seen=1
  sleep 0.1
done
took=$(ms "$start")
reap "$pid" "the session without a model, after 20 s," 1
echo "the session without a model ended after $took ms"
[ -z "$seen" ] || fail "a renderer window appeared without the model"
# The watch gives a starting renderer up to 15 s; a renderer that has ended gets no grace.
[ "$took" -lt 8000 ] || fail "the session outlived its renderer by seconds ($took ms)"
cp "$source/resources/クイルモア.data" "$install/"

echo "== the exchange folder cannot be written: the session goes through the user's own folder"
prepare_exchange "$source"
rm -rf "$own"
for f in "$QMORA"/*; do cp "$f" "$E2E_OUT/faults-before-$(basename "$f")"; done
if chattr -R +i "$QMORA" 2>/dev/null; then
  brief_session "$install/クイルモア.scr" "over a read-only folder"
  unlock
  for f in "$QMORA"/*; do
    cmp -s "$f" "$E2E_OUT/faults-before-$(basename "$f")" || fail "$(basename "$f") was changed in a read-only folder"
  done
  for f in Quillmoor1.bmp Quillmoor2.bmp Quillmoor.data; do
    [ -s "$own/$f" ] || fail "$f is not in the user's own folder"
  done
else
  echo "(this file system cannot make the folder immutable; the next case covers unwritable names)"
fi

echo "== neither folder can take the files: no renderer, a quiet end"
rm -rf "$QMORA" "$own"
mkdir -p "$QMORA/Quillmoor1.bmp" "$QMORA/Quillmoor2.bmp" "$QMORA/Quillmoor.data"
mkdir -p "$own/Quillmoor1.bmp" "$own/Quillmoor2.bmp" "$own/Quillmoor.data"
WINEDEBUG=+cursor wine "$install/クイルモア.scr" /s </dev/null >"$E2E_OUT/faults-nowhere.log" 2>&1 &
ends_without_window $! 100 "the session with nowhere to write"; status=$?
[ "$status" = 0 ] || fail "status $status with nowhere to write"
[ -z "$(find "$QMORA" "$own" -type f)" ] || fail "files left behind: $(find "$QMORA" "$own" -type f)"
# The cursor hidden at the start is shown again (the display count back at 0).
tr -d '\r' <"$E2E_OUT/faults-nowhere.log" | grep -q 'NtUserShowCursor 1, count=0' || fail "the cursor was not given back"
rm -rf "$QMORA" "$own"
mkdir -p "$QMORA"

echo "== a renderer that never shows its window: given up after 15 s, and ended with the session"
install_programs "$WINEPREFIX/drive_c/qm_stuck" "$saver" "$source/resources/クイルモア.data"
cp "$stuck" "$WINEPREFIX/drive_c/qm_stuck/クイルモア.dll"
start=$(date +%s%N)
wine "$WINEPREFIX/drive_c/qm_stuck/クイルモア.scr" /s </dev/null >/dev/null 2>&1 &
pid=$!
reap "$pid" "the session over a renderer that never shows" 250
echo "the session gave up after $(ms "$start") ms"
stuck_left() { wine tasklist </dev/null 2>/dev/null | grep -q 'クイルモア\.dll'; }
for _ in $(seq 1 20); do stuck_left || break; sleep 0.1; done
stuck_left && fail "the renderer given up on is still running"

# Opens the settings dialog over the file as it stands and confirms at once: what the dialog
# writes back is what the saver loaded. Prints "kind|repeat|file".
loaded_settings() {
  open_dialog_of "$install/クイルモア.scr" "$poke" >&2 || return
  close_dialog_with 356 212 設定 >&2
  local k r f
  k=$(grep -a "^$key_kind=" "$ini" | tail -n 1 | cut -d= -f2- | tr -d '\r')
  r=$(grep -a "^$key_repeat=" "$ini" | tail -n 1 | cut -d= -f2- | tr -d '\r')
  f=$(grep -a "^$key_file=" "$ini" | tail -n 1 | cut -d= -f2- | tr -d '\r')
  echo "$k|$r|$f"
}
expect_loaded() {  # case, expected "kind|repeat|file"
  local got
  got=$(loaded_settings)
  echo "$1: $got"
  [ "$got" = "$2" ] || fail "$1 loaded as '$got', expected '$2'"
}

echo "== settings files no dialog wrote load by the rules"
write_settings Section 2.9 -0.5 'C:\my music\tone.wav'
expect_loaded "fractions" '2|-1|C:\my music\tone.wav'
head -c 4096 "$source/resources/クイルモア.data" >"$ini"
expect_loaded "binary garbage" '0|0|'
write_settings Section 99999999999999999999 1e400 'C:\my music\tone.wav'
expect_loaded "huge numbers" '0|0|C:\my music\tone.wav'
write_settings Section 40000 abc 'C:\my music\tone.wav'
expect_loaded "beyond 16 bits and letters" '0|0|C:\my music\tone.wav'
write_settings Other 2 3 'C:\my music\tone.wav'
expect_loaded "keys in another section" '0|0|'
# A music file whose path is 300 bytes long: read back cut to 255 bytes, it names no file.
long_dir='C:\'$(printf 'a%.0s' $(seq 1 120))'\'$(printf 'b%.0s' $(seq 1 120))
long_path="$long_dir"'\'$(printf 'c%.0s' $(seq 1 $((300 - ${#long_dir} - 5))))'.wav'
[ "${#long_path}" = 300 ] || fail "test set-up: the long path is ${#long_path} bytes"
unix_long="$WINEPREFIX/drive_c/${long_path:3}"
unix_long=${unix_long//\\//}
mkdir -p "$(dirname "$unix_long")"
cp "$music/tone.wav" "$unix_long"
write_settings Section 2 0 "$long_path"
expect_loaded "a 300-byte music path" '0|0|'
rm -rf "$WINEPREFIX/drive_c/aaaa"*

echo "== a session over a garbage settings file runs silently and ends"
head -c 4096 "$source/resources/クイルモア.data" >"$ini"
rm -f "$audio"
ALSA_CONFIG_PATH="$E2E_OUT/faults-asound.conf" brief_session "$install/クイルモア.scr" "over a garbage settings file"
[ ! -f "$audio" ] || [ -z "$(tr -d '\000' <"$audio" | head -c 16)" ] || fail "music played from a garbage settings file"
rm -f "$ini"

error_box() { xdotool search --onlyvisible --name '^Error$' 2>/dev/null | head -n 1; }
gone_or_message() { gone "$1" || [ -n "$(error_box)" ]; }

# Runs the renderer alone over the exchange folder as it stands: it must either run (Escape ends
# it) or end by itself; a reader's message is read, checked and answered. Status 0 always.
renderer_survives() {  # case
  local start box text window="" shown="" escaped="" answered="" status
  wine "$renderer" </dev/null >/dev/null 2>&1 &
  pid=$!
  start=$(date +%s%N)
  while ! gone "$pid" && [ "$(ms "$start")" -lt 20000 ]; do
    # The window comes first, then the pictures are read: a message may follow the window.
    box=$(error_box)
    if [ -n "$box" ]; then
      if [ "$box" != "$answered" ]; then
        sleep 0.2
        text=$(wine "$poke" text Error | tr -d '\r' | grep -v '^OK$' | head -n 1)
        echo "  $1: message \"$text\""
        case $text in
          "Unknown DIB file format." | "Image file conversion error." | "Out of memory." | "Failed to open DIB file "*) ;;
          *) fail "$1: unexpected message '$text'" ;;
        esac
        answered=$box
      fi
      send_until "$box" "$1: the message box to close" not_shown "$box" -- key Return || break
      shown=""
      continue
    fi
    window=$(xdotool search --name '^Quillmoor_VC$' 2>/dev/null | head -n 1)
    if [ -n "$window" ]; then
      if [ -z "$shown" ]; then
        shown=$(date +%s%N)
      elif [ "$(ms "$shown")" -gt 1000 ]; then
        # A message that comes meanwhile is answered first, and Escape pressed again after it.
        send_until "$window" "$1: the renderer to end" gone_or_message "$pid" -- key Escape || break
        gone "$pid" && escaped=1
      fi
    fi
    sleep 0.1
  done
  reap "$pid" "$1: the renderer"; status=$?
  echo "  $1: ${escaped:+ran, }status $status"
  [ "$status" = 0 ] || fail "$1: status $status"
}

echo "== garbage in each exchange file, given to the renderer alone"
garbage_dir="$E2E_OUT/faults-garbage"
mkdir -p "$garbage_dir"
# A picture header that promises a vast picture, and one whose pixel offset lies past the end.
printf 'BM\x36\x00\x00\x00\x00\x00\x00\x00\x36\x00\x00\x00\x28\x00\x00\x00\xff\xff\xff\x7f\xff\xff\xff\x7f\x01\x00\x18\x00\x00\x00\x00\x00' \
  >"$garbage_dir/vast.bmp"
head -c 20 /dev/zero >>"$garbage_dir/vast.bmp"
head -c 54 "$source/resources/smoke.bmp" >"$garbage_dir/header-only.bmp"
head -c 4096 "$source/resources/クイルモア.data" >"$garbage_dir/binary"
head -c 40000 "$source/resources/クイルモア.data" >"$garbage_dir/cut.data"
: >"$garbage_dir/empty"
for target in Quillmoor1.bmp Quillmoor2.bmp Quillmoor.data; do
  for bad in binary empty vast.bmp header-only.bmp cut.data; do
    prepare_exchange "$source"
    cp "$garbage_dir/$bad" "$QMORA/$target"
    renderer_survives "$target <- $bad"
  done
done
prepare_exchange "$source"

echo "$failures failures"
exit $((failures > 0))
