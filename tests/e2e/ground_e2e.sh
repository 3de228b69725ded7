#!/usr/bin/env bash
# The ground where Windows starts the saver by itself: on a desktop named Screen-saver (Wine's
# `explorer /desktop=`), with a window on it that a photograph would show, the ground is
# the user's wallpaper placed as Windows places it (fill, fit, stretch, tile, centre by the
# administrator's policy, span), one picture format each; a 16000 x 16000 JPEG read at an eighth
# of its size; a JPEG cut off halfway, a PNG beyond the memory bound and no wallpaper: the
# background colour. On the user's own desktop the photograph, as ever, and the wallpaper where
# the photograph is one colour. One saver start per case with a renderer that ends at once (the
# ground picture is what is checked), and one whole session with the real renderer.
# (Two monitors: monitors_e2e.sh.)
#
# usage: ground_e2e.sh SAVER.scr RENDERER.dll WIN_POKE.exe SOURCE_DIR QUICK_RENDERER.exe MAKE_BLOCK_JPEG.exe
set -uo pipefail
saver=$1 renderer=$2 poke=$3 source=$4 quick=$5 make_jpeg=$6
. "$(dirname "$0")/lib.sh"

real="$WINEPREFIX/drive_c/qm_ground"
install_programs "$real" "$saver" "$renderer" "$source/resources/クイルモア.data"
fast="$WINEPREFIX/drive_c/qm_ground_quick"
install_programs "$fast" "$saver" "$source/resources/クイルモア.data"
cp "$quick" "$fast/クイルモア.dll"
export QM_RENDERER_LINGER_MS=0  # for the renderer that ends at once; the real one never reads it
# A Wine desktop of another size leaves its size to the plain desktop's programs afterwards (a
# 1280 x 1024 screen seen as 960 x 600): the next test gets a fresh server, which forgets it.
at_exit restart_wine

W=960 H=600  # the desktops' size: 16:10, so that fill, fit and stretch of a 4:3 picture differ
pics="$E2E_OUT/ground"
rm -rf "$pics"
mkdir -p "$pics"

# The wallpaper: four quarters of hues no desktop in the tests has, in several formats.
convert -size 200x150 xc:'#d0208c' xc:'#20d0c0' +append \( -size 200x150 xc:'#f0e020' xc:'#7040e0' +append \) -append \
  "$pics/wall.png"
convert "$pics/wall.png" -quality 95 "$pics/wall.jpg"
convert "$pics/wall.png" "$pics/wall.gif"
convert "$pics/wall.png" -type TrueColor BMP3:"$pics/wall.bmp"
convert "$pics/wall.png" -compress none "$pics/wall.tif"
convert "$pics/wall.png" -filter point -resize 1920x1440 -quality 95 "$pics/wall-large.jpg"  # read at a half
# Cut off halfway through its pixels, as a download cut short.
head -c $(($(stat -c %s "$pics/wall-large.jpg") / 2)) "$pics/wall-large.jpg" >"$pics/cut.jpg"
# A PNG of 8000 x 6000 (48 million pixels, over the bound of 40), made as PNG encoders make it.
python3 - "$pics/over.png" <<'EOF'
import struct, sys, zlib
w, h = 8000, 6000
def chunk(kind, data):
    return struct.pack('>I', len(data)) + kind + data + struct.pack('>I', zlib.crc32(kind + data) & 0xffffffff)
row = b'\0' + bytes([0x20, 0xd0, 0xc0]) * w
pack = zlib.compressobj(1)
data = b''.join(pack.compress(row) for _ in range(h)) + pack.flush()
with open(sys.argv[1], 'wb') as f:
    f.write(b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', w, h, 8, 2, 0, 0, 0)) + chunk(b'IDAT', data) + chunk(b'IEND', b''))
EOF
wine "$make_jpeg" "$(windows_path "$pics/huge.jpg")" 16000 16000 d0208c 20d0c0 f0e020 7040e0 </dev/null || fail "no 16000 x 16000 JPEG"

# The background colour the user chose (Wine's desktops show it too).
background='200 40 120' bg_hex='#c82878'

# A desktop of a name, W x H, held open by a window of the helper's, which a photograph of the
# screen shows (a photograph inside Wine's desktop shows its own windows, not X windows over it).
desk=""
in_desk() { wine explorer /desktop="$desk" "$@" </dev/null 2>/dev/null | tr -d '\r'; }
# Starts a program in the desktop; its output goes nowhere, so nothing here waits for its end.
start_in_desk() { wine explorer /desktop="$desk" "$@" </dev/null >/dev/null 2>&1; }
desk_shown() { [ -n "$(xdotool search --name "^$desk - Wine desktop\$" 2>/dev/null)" ]; }
open_desk() {  # name
  desk=$1
  wine explorer /desktop="$desk,${W}x$H" "$poke" hold Keeper 600 </dev/null >/dev/null 2>&1 &
  within 30 desk_shown || fail "no desktop $desk"
  sleep 1
}
close_desk() {
  in_desk "$poke" close Keeper
  sleep 0.5
}

# One saver start in the desktop with the renderer that ends at once; its ground picture, turned
# back the right way round, into $pics/NAME.png. True when the saver wrote one and ended. A saver
# still running from the case before (a busy machine) is ended first: the next one would refuse
# to start beside it, and its late files be taken for the next case's.
saver_running() { [ -n "$(in_desk "$poke" find Quillmoor_Main)" ]; }
saver_gone() { ! saver_running; }
saver_done() { [ -s "$QMORA/Quillmoor.data" ] && ! saver_running; }
renderer_shown() { [ -n "$(in_desk "$poke" find Quillmoor_VC)" ]; }
ground_of() {  # name
  if ! within 30 saver_gone; then
    fail "$1: the saver before was still running after 30 s: ended by force"
    wine taskkill /f /im クイルモア.scr </dev/null >/dev/null 2>&1
  fi
  rm -rf "$QMORA"
  mkdir -p "$QMORA"
  local start=$(date +%s%N)
  start_in_desk "$fast/クイルモア.scr" /s
  within 60 saver_done
  echo "$1: the saver ended $(( ($(date +%s%N) - start) / 1000000 )) ms after its start"
  if [ ! -s "$QMORA/Quillmoor1.bmp" ] || saver_running; then
    fail "$1: the saver wrote no ground picture, or did not end"
    return 1
  fi
  convert "$QMORA/Quillmoor1.bmp" -flop "$pics/$1.png"
}

# The ground matches the picture ImageMagick places the same way (RMSE, 0..1; the filters differ
# at the quarters' edges only).
expect_like() {  # name, expected picture, what
  local rmse
  rmse=$(compare -metric RMSE "$pics/$1.png" "$2" null: 2>&1 | sed -n 's/.*(\(.*\)).*/\1/p')
  echo "$1: $3, RMSE ${rmse:-?}"
  awk -v r="${rmse:-1}" 'BEGIN { exit !(r < 0.06) }' || fail "$1: the ground is not the wallpaper $3 (RMSE ${rmse:-?})"
}
# The ground is the colour alone.
expect_plain() {  # name, why
  local share
  share=$(colour_share "$pics/$1.png" "$bg_hex")
  if [ "$(identify -format '%k' "$pics/$1.png")" = 1 ] && [ "$share" = 1 ]; then
    echo "$1: the background colour alone ($2)"
  else
    fail "$1: the ground is not the background colour alone ($2; $(identify -format '%k' "$pics/$1.png") colours)"
  fi
}

placed() {  # ImageMagick's placement options, into $pics/expected.png
  convert "$pics/wall.png" "$@" "$pics/expected.png"
}

echo "== Screen-saver: the wallpaper in every position, never the screen"
open_desk Screen-saver
set_wallpaper "$pics/wall.jpg" 10 0 "$background"
ground_of fill && placed -resize ${W}x$H^ -gravity center -extent ${W}x$H && expect_like fill "$pics/expected.png" "filled"
set_wallpaper "$pics/wall.png" 6 0 "$background"
ground_of fit && placed -resize ${W}x$H -background "$bg_hex" -gravity center -extent ${W}x$H &&
  expect_like fit "$pics/expected.png" "fitted, the colour beside it"
set_wallpaper "$pics/wall.gif" 2 0 "$background"
ground_of stretch && placed -resize ${W}x$H! && expect_like stretch "$pics/expected.png" "stretched"
set_wallpaper "$pics/wall.bmp" 0 1 "$background"
ground_of tile && convert -size ${W}x$H tile:"$pics/wall.png" "$pics/expected.png" &&
  expect_like tile "$pics/expected.png" "tiled from the top left corner"
set_wallpaper "$pics/wall.tif" 10 0 "$background" 0  # the user fills; the administrator's policy centres
ground_of center && placed -background "$bg_hex" -gravity center -extent ${W}x$H &&
  expect_like center "$pics/expected.png" "centred by the policy"
set_wallpaper "$pics/wall-large.jpg" 22 0 "$background"  # one monitor: spanned is filled
ground_of span && placed -resize ${W}x$H^ -gravity center -extent ${W}x$H && expect_like span "$pics/expected.png" "spanned"

echo "== Screen-saver: a 16000 x 16000 JPEG, read at an eighth"
set_wallpaper "$pics/huge.jpg" 10 0 "$background"
convert \( -size 100x100 xc:'#d0208c' xc:'#20d0c0' +append \) \( -size 100x100 xc:'#f0e020' xc:'#7040e0' +append \) -append \
  -resize ${W}x$H^ -gravity center -extent ${W}x$H "$pics/expected-huge.png"
ground_of huge && expect_like huge "$pics/expected-huge.png" "filled from 16000 x 16000"

echo "== Screen-saver: a JPEG cut off halfway, a PNG over the bound, no wallpaper: the colour"
set_wallpaper "$pics/cut.jpg" 10 0 "$background"
ground_of cut && expect_plain cut "a JPEG cut off halfway"
set_wallpaper "$pics/over.png" 10 0 "$background"
ground_of over && expect_plain over "a PNG of 8000 x 6000"
set_wallpaper "" 10 0 "$background"
ground_of none && expect_plain none "no wallpaper"

echo "== Screen-saver: a whole session over the 16000 x 16000 JPEG, the saver's memory bounded"
set_wallpaper "$pics/huge.jpg" 10 0 "$background"
within 30 saver_gone || fail "a saver was still running before the session"
rm -rf "$QMORA"
mkdir -p "$QMORA"
start_in_desk "$real/クイルモア.scr" /s
if within 60 renderer_shown; then
  sleep 2
  # The saver's peak memory, from the Linux side: its process is the one running its file.
  peak=$(for p in /proc/[0-9]*; do
    { tr '\0' ' ' <"$p/cmdline" | grep -q 'qm_ground.クイルモア\.scr' && awk '/^VmHWM/ {print $2}' "$p/status"; } 2>/dev/null
  done | sort -n | tail -n 1)
  echo "the saver's peak resident memory: ${peak:-?} kB (the whole picture decoded would be 750 MB)"
  [ -n "$peak" ] && [ "$peak" -lt 300000 ] || fail "the saver's peak memory was ${peak:-not found} kB"
  import -window root -crop 1024x768+0+0 "$pics/session.png"
  cp "$pics/session.png" "$E2E_OUT/ground-session.png"
  # The scene: a dark sky above, and the wallpaper's hues as the ground below it.
  sky=$(convert "$pics/session.png" -crop 1024x60+0+0 +repage -colorspace Gray -format '%[fx:mean]' info:)
  convert "$pics/session.png" -crop 1024x400+0+368 +repage "$pics/session-ground.png"
  hues=0
  for hue in '#d0208c' '#20d0c0' '#f0e020' '#7040e0'; do
    share=$(colour_share "$pics/session-ground.png" "$hue")
    awk -v s="$share" 'BEGIN { exit !(s > 0.03) }' && hues=$((hues + 1))
  done
  echo "session: sky $sky, wallpaper hues in the ground $hues of 4"
  awk -v s="$sky" 'BEGIN { exit !(s < 0.05) }' || fail "the session shows no scene (sky $sky)"
  [ "$hues" -ge 3 ] || fail "the session's ground is not the wallpaper ($hues of its hues)"
  # The keyboard is the scene's before anything here takes the foreground for it (the key below).
  keyboard=$(in_desk "$poke" foreground -)
  echo "session: the keyboard's window: $keyboard"
  [ "$keyboard" = 'OpenGL|Quillmoor_VC' ] || fail "the scene does not have the keyboard on Windows' own desktop ($keyboard)"
  send_until - "the saver to end" saver_done -- run in_desk "$poke" key Quillmoor_VC 0x1B
else
  fail "no renderer window in the Screen-saver desktop"
fi
close_desk

echo "== the user's own desktop: the photograph; where it is one colour, the wallpaper"
open_desk "qmUser$$"
set_wallpaper "$pics/wall.jpg" 10 0 "$background"
import -window root -crop ${W}x$H+0+0 "$pics/screen.png"
ground_of own && expect_like own "$pics/screen.png" "but the screen as it is"
close_desk
# A desktop with nothing on it (not even the helper's window): the saver its only program, the
# desktop closing with it.
rm -rf "$QMORA"
mkdir -p "$QMORA"
timeout 60 wine explorer /desktop="qmBlank$$,${W}x$H" "$fast/クイルモア.scr" /s </dev/null >/dev/null 2>&1
convert "$QMORA/Quillmoor1.bmp" -flop "$pics/blank.png" 2>/dev/null || fail "blank: no ground picture"
placed -resize ${W}x$H^ -gravity center -extent ${W}x$H && expect_like blank "$pics/expected.png" "filled, the screen being one colour"

echo "$failures failures"
exit $((failures > 0))
