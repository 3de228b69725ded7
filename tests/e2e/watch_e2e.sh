#!/usr/bin/env bash
# The watcher (クイルモア.scr /w) and the ground it gives the saver on Windows' own desktop. With
# a screen-saver timeout of 6 s and Quillmoor the account's saver, the watcher runs on a desktop of
# its own name (where the last input is counted), with marks of a hue no other picture has on the
# screen: without input it photographs them before the timeout, and again while the idle time
# goes on (an unchanged screen: the record alone written again; the smoke picture and the model
# never); a session on a desktop named Screen-saver then shows them as its ground. A second
# watcher ends at once. Input after the photograph, a picture changed after its record, the
# session locked (the policy's ScreenSaverIsSecure), or another saver chosen: the session shows
# the wallpaper; locked (the user's own ScreenSaverIsSecure), the watcher writes nothing, and with
# another saver chosen (before it starts, or while it runs) it ends by itself. `/w end` ends it.
# One saver start per case with a renderer that ends at once.
#
# usage: watch_e2e.sh SAVER.scr WIN_POKE.exe SOURCE_DIR QUICK_RENDERER.exe
set -uo pipefail
saver=$1 poke=$2 source=$3 quick=$4
. "$(dirname "$0")/lib.sh"

fast="$WINEPREFIX/drive_c/qm_watch"
install_programs "$fast" "$saver" "$source/resources/クイルモア.data"
cp "$quick" "$fast/クイルモア.dll"
export QM_RENDERER_LINGER_MS=0
at_exit restart_wine  # the desktops' size is not left to the next test's programs

W=960 H=600 timeout=6
pics="$E2E_OUT/watch"
rm -rf "$pics"
mkdir -p "$pics"
mark='#40a020'
convert -size 200x150 xc:'#d0208c' xc:'#20d0c0' +append \( -size 200x150 xc:'#f0e020' xc:'#7040e0' +append \) -append \
  "$pics/wall.png"
convert "$pics/wall.png" -resize ${W}x$H! "$pics/expected-wall.png"  # stretched, as set below
set_wallpaper "$pics/wall.png" 2 0 '200 40 120'

# The account's screen-saver values, and the policy's; taken out again however the script ends.
desktop_key='HKCU\Control Panel\Desktop'
policy_key='HKCU\Software\Policies\Microsoft\Windows\Control Panel\Desktop'
value() { wine reg add "$1" /v "$2" /t REG_SZ /d "$3" /f </dev/null >/dev/null 2>&1; }
unset_value() { wine reg delete "$1" /v "$2" /f </dev/null >/dev/null 2>&1; }
restore_values() {
  for v in SCRNSAVE.EXE ScreenSaveTimeOut ScreenSaverIsSecure; do unset_value "$desktop_key" $v; done
  unset_value "$policy_key" ScreenSaverIsSecure
}
at_exit restore_values
at_exit 'rm -f "$QMORA/Quillmoor.watch"'  # no photograph of this test's left fresh for the next
ours='C:\qm_watch\クイルモア.scr'
value "$desktop_key" SCRNSAVE.EXE "$ours"
value "$desktop_key" ScreenSaveTimeOut $timeout
value "$desktop_key" ScreenSaverIsSecure 0
unset_value "$policy_key" ScreenSaverIsSecure

desk=""
in_desk() { wine explorer /desktop="$desk" "$@" </dev/null 2>/dev/null | tr -d '\r'; }
start_in_desk() { wine explorer /desktop="$desk" "$@" </dev/null >/dev/null 2>&1; }
desk_window() { xdotool search --name "^$desk - Wine desktop\$" 2>/dev/null | head -n 1; }
desk_shown() { [ -n "$(desk_window)" ]; }
open_desk() {  # name, what holds it open (win_poke's arguments)
  desk=$1
  shift
  wine explorer /desktop="$desk,${W}x$H" "$poke" "$@" </dev/null >/dev/null 2>&1 &
  within 30 desk_shown || fail "no desktop $desk"
  sleep 1
}
close_desk() {  # the title of the window that holds it open
  in_desk "$poke" close "$1"
  within 10 eval '! desk_shown' || fail "the desktop $desk did not close"
}
park_pointer() { xdotool mousemove $((W + 200)) $((H + 200)); }  # off every desktop's window

watcher_path='qm_watch.'  # the watcher this test installs
recorded() { [ -s "$QMORA/Quillmoor.watch" ]; }
idle_ms() { in_desk "$poke" idle - | head -n 1; }
idle_below() { local i; i=$(idle_ms); [ -n "$i" ] && [ "$i" -lt "$1" ]; }
# Input a user makes on the desktop: the pointer moved over it, then parked outside again.
move_over_desk() {
  local window
  window=$(desk_window)
  xdotool mousemove --window "$window" 300 200 mousemove --window "$window" 320 220
  park_pointer
}
fresh_folder() { rm -rf "$QMORA"; mkdir -p "$QMORA"; }

# The watcher started on a desktop of the user's with the marks on it, after input; true once it
# has written a photograph (its time from the input in $took_ms).
watch_marks() {
  open_desk "qmWatch$$" mark Marks 600 "${mark#\#}"
  send_until - "the idle time to start again" idle_below 1500 -- run move_over_desk
  local input=$(date +%s%N)
  rm -f "$QMORA/Quillmoor.watch"  # a record of an earlier case is not this one's
  start_in_desk "$fast/クイルモア.scr" /w
  within 30 recorded || { fail "the watcher wrote no photograph within 30 s"; return 1; }
  took_ms=$((($(date +%s%N) - input) / 1000000))
}
end_watcher() {
  start_in_desk "$fast/クイルモア.scr" /w end
  within 15 watcher_gone || fail "the watcher did not end on /w end"
}

# One saver start on a desktop named Screen-saver with the renderer that ends at once; its
# ground picture, the right way round, into $pics/NAME.png.
saver_done() { [ -s "$QMORA/Quillmoor.data" ] && [ -z "$(in_desk "$poke" find Quillmoor_Main)" ]; }
session_ground() {  # name
  open_desk Screen-saver hold Keeper 600
  rm -f "$QMORA/Quillmoor.data"
  start_in_desk "$fast/クイルモア.scr" /s
  within 60 saver_done || fail "$1: the saver wrote nothing, or did not end"
  convert "$QMORA/Quillmoor1.bmp" -flop "$pics/$1.png" 2>/dev/null || fail "$1: no ground picture"
  close_desk Keeper
}
expect_marks() {  # name
  local share
  share=$(colour_share "$pics/$1.png" "$mark")
  echo "$1: the marks' share of the ground $share (their window: 0.42)"
  awk -v s="$share" 'BEGIN { exit !(s > 0.35 && s < 0.5) }' || fail "$1: the ground is not the photograph of the marks"
}
expect_wallpaper() {  # name, why
  local rmse
  rmse=$(compare -metric RMSE "$pics/$1.png" "$pics/expected-wall.png" null: 2>&1 | sed -n 's/.*(\(.*\)).*/\1/p')
  echo "$1: the wallpaper ($2), RMSE ${rmse:-?}"
  awk -v r="${rmse:-1}" 'BEGIN { exit !(r < 0.06) }' || fail "$1: the ground is not the wallpaper ($2; RMSE ${rmse:-?})"
}

park_pointer
fresh_folder
echo "== no input: the marks photographed before the timeout, and again while the idle time goes on"
if watch_marks; then
  echo "the photograph was written $took_ms ms after the last input (timeout ${timeout}000 ms)"
  [ "$took_ms" -lt $((timeout * 1000)) ] || fail "the photograph came after the timeout ($took_ms ms)"
  convert "$QMORA/Quillmoor1.bmp" -flop "$pics/watched.png"
  expect_marks watched
  # The photographs and their record alone: the smoke picture and the model are the session's.
  [ ! -e "$QMORA/Quillmoor2.bmp" ] && [ ! -e "$QMORA/Quillmoor.data" ] || fail "the watcher wrote more than its photographs"
  first=$(md5sum <"$QMORA/Quillmoor.watch") picture=$(stat -c %i "$QMORA/Quillmoor1.bmp")
  within 25 eval '[ "$(md5sum <"$QMORA/Quillmoor.watch")" != "$first" ]' ||
    fail "no second photograph while the idle time went on"
  sed -n 2p "$QMORA/Quillmoor.watch"
  # Nothing on the screen changed: the record is new, the picture file the one written before.
  [ "$(stat -c %i "$QMORA/Quillmoor1.bmp")" = "$picture" ] || fail "an unchanged screen's picture was written again"
  # One watcher a session: a second one started meanwhile ends at once.
  running=$(watcher_pids)
  start_in_desk "$fast/クイルモア.scr" /w
  sleep 3
  [ "$(watcher_pids)" = "$running" ] || fail "a second watcher ran beside the first: $(watcher_pids | tr '\n' ' ')"
fi
# Another saver chosen meanwhile: the watcher ends at its next waking.
value "$desktop_key" SCRNSAVE.EXE 'C:\windows\system32\other.scr'
within 15 watcher_gone || { fail "the watcher ran on after another saver was chosen"; end_watcher; }
value "$desktop_key" SCRNSAVE.EXE "$ours"
close_desk Marks
echo "== a session on Screen-saver: the watcher's photograph"
session_ground fresh && expect_marks fresh

echo "== a picture changed after its record, then input after the photograph: the wallpaper"
watch_marks
end_watcher
# The same size, a few of its pixels another colour: not the picture the record names.
printf '\377\377\377\377\377\377\377\377' |
  dd of="$QMORA/Quillmoor1.bmp" bs=1 seek=$(($(stat -c %s "$QMORA/Quillmoor1.bmp") / 2)) conv=notrunc 2>/dev/null
close_desk Marks
session_ground changed && expect_wallpaper changed "the picture changed after its record"
watch_marks
end_watcher
send_until - "the idle time to start again" idle_below 1500 -- run move_over_desk
close_desk Marks
session_ground stale && expect_wallpaper stale "input since the photograph"

echo "== locked by the policy: the wallpaper; locked by the user's value: the watcher writes nothing"
watch_marks
end_watcher
close_desk Marks
value "$policy_key" ScreenSaverIsSecure 1
session_ground locked && expect_wallpaper locked "the session locked"
unset_value "$policy_key" ScreenSaverIsSecure
value "$desktop_key" ScreenSaverIsSecure 1
fresh_folder
open_desk "qmWatch$$" mark Marks 600 "${mark#\#}"
start_in_desk "$fast/クイルモア.scr" /w
within 10 watcher_running || fail "the watcher did not start"
sleep $((timeout + 2))
[ -z "$(ls -A "$QMORA")" ] || fail "the watcher wrote into the folder with the session locked: $(ls "$QMORA" | tr '\n' ' ')"
end_watcher
value "$desktop_key" ScreenSaverIsSecure 0

echo "== another saver chosen: the watcher ends by itself, writing nothing"
value "$desktop_key" SCRNSAVE.EXE 'C:\windows\system32\other.scr'
start_in_desk "$fast/クイルモア.scr" /w
within 15 watcher_gone || fail "the watcher ran on with another saver chosen"
[ -z "$(ls -A "$QMORA")" ] || fail "the watcher wrote with another saver chosen"
close_desk Marks

echo "$failures failures"
exit $((failures > 0))
