#!/usr/bin/env bash
# Sessions on several monitors, under Wine: nested X servers whose screens Xinerama joins side by
# side or where they are placed (Wine sees each screen as a monitor; the one it is told is the
# primary lies at 0,0, so a screen before it or above it lies at negative coordinates). Each
# monitor's desktop a picture of its own hue, dark on the left and light on the right, so that a
# photograph not mirrored, or mirrored twice, shows. With the setting "すべてのモニターに表示" on (and
# the screen kept as it is), every monitor shows a scene over its own photograph (or, where the
# window would hold much more than the monitors, is covered black), the exchange folder holds a
# mirrored photograph of each, Escape ends them all and the monitors are as they were (a
# photograph that is a link to a network drive is never read: that monitor's scene lies over
# black); with it off, the other monitors are black during the session, as ever, and show the
# desktop again after. A monitor with nothing on it (its photograph one colour) shows its part of
# the spanned wallpaper.
#
# usage: monitors_e2e.sh SAVER.scr RENDERER.dll WIN_POKE.exe SOURCE_DIR
set -uo pipefail
saver=$1 renderer=$2 poke=$3 source=$4
. "$(dirname "$0")/lib.sh"

install="$WINEPREFIX/drive_c/qm_monitors"
install_programs "$install" "$saver" "$renderer" "$source/resources/クイルモア.data"
ini="$install/クイルモア.ini"
settings() {  # screen mode, all monitors (1 or 0)
  printf '[Section]\r\n\x89\xe6\x96\xca\xd3\xb0\xc4\xde=%s\r\n\xd3\xc6\xc0\xb0=%s\r\n' "$1" "$2" >"$ini"
}

# A network drive (its kind read as the Wine server starts, on the first nested server).
network="$E2E_OUT/monitors-network"
network_drive "$network"

# The Wine server belongs to the display it started on: it moves to each nested server, and back
# to the first display at the end, the primary monitor's choice taken back.
outer=$DISPLAY
x11_key='HKCU\Software\Wine\X11 Driver'
at_exit "wine reg delete '$x11_key' /v PrimaryMonitor /f </dev/null >/dev/null 2>&1"
at_exit 'DISPLAY=$outer restart_wine'
own_x_server Xvfb -screen 0 3400x2400x24 || give_up
host=$x_display

# The hues of the monitors' desktops, in the order of the nested server's screens.
hues=('#c03030' '#3050c0' '#30a040')
light=('#f08080' '#80a0f0' '#80e090')

# Nests an X server with screens of the sizes given, side by side, or at X's place given after "@"
# ("WxH@X,Y"), the one at `primary` (an index) the primary monitor; shows each screen's desktop
# picture; sets mon_x, mon_y, mon_w, mon_h (the screens in X's coordinates) and mon_left, mon_top
# (in the virtual screen's, as Wine gives them).
nest() {  # primary, WxH[@X,Y]...
  local primary=$1 i x=0 y size screen
  shift
  [ -n "${nested:-}" ] && kill "$nested" 2>/dev/null
  mon_x=() mon_y=() mon_w=() mon_h=() mon_left=() mon_top=() desktop_pids=()
  local screens=()
  for screen in "$@"; do
    size=${screen%@*} y=0
    [ "$screen" != "$size" ] && IFS=, read -r x y <<<"${screen#*@}"
    mon_x+=("$x") mon_y+=("$y") mon_w+=("${size%x*}") mon_h+=("${size#*x}")
    [ ${#screens[@]} -gt 0 ] && screens+=(-origin "$x,$y")
    screens+=(-screen "$size")
    x=$((x + ${size%x*}))
  done
  DISPLAY=$host own_x_server Xephyr "${screens[@]}" +xinerama -extension RANDR || { fail "no nested X server"; return 1; }
  nested=$(jobs -p | tail -n 1)
  export DISPLAY=$x_display
  wine reg add "$x11_key" /v PrimaryMonitor /d "$primary" /f </dev/null >/dev/null 2>&1
  restart_wine
  for i in $(seq 0 $(($# - 1))); do
    convert -size "${mon_w[i]}x${mon_h[i]}" -define gradient:direction=east gradient:"${hues[$i]}"-"${light[$i]}" \
      "$E2E_OUT/monitors-desktop-$i.png"
    display -geometry "+${mon_x[i]}+${mon_y[i]}" "$E2E_OUT/monitors-desktop-$i.png" &
    desktop_pids+=($!)
    mon_left+=($((mon_x[i] - mon_x[primary]))) mon_top+=($((mon_y[i] - mon_y[primary])))
  done
  sleep 1.5
  import -window root "$E2E_OUT/monitors-desktop.png"
  local seen expected
  seen=$(wine "$poke" monitors - | tr -d '\r' | sort)
  expected=$(for i in $(seq 0 $(($# - 1))); do
    echo "${mon_left[i]} ${mon_top[i]} $((mon_left[i] + mon_w[i])) $((mon_top[i] + mon_h[i]))$([ "$i" = "$primary" ] && echo ' primary')"
  done | sort)
  [ "$seen" = "$expected" ] || { fail "Wine sees the monitors as: $(tr '\n' ';' <<<"$seen") not $(tr '\n' ';' <<<"$expected")"; return 1; }
}

# Screen i's area of a screenshot: the share (0..1) of its pixels near a colour; the mean
# brightness (0..1) of its top band (the scene's black sky), or of all of it (a cover's black).
crop_of() { echo "${mon_w[$1]}x${mon_h[$1]}+${mon_x[$1]}+${mon_y[$1]}"; }
share_in() {  # screenshot, screen index, colour
  local crop="$E2E_OUT/monitors-crop.png"
  convert "$1" -crop "$(crop_of "$2")" +repage "$crop"
  colour_share "$crop" "$3"
}
sky_in() {  # screenshot, screen index
  convert "$1" -crop "${mon_w[$2]}x$((mon_h[$2] / 12))+${mon_x[$2]}+${mon_y[$2]}" +repage -colorspace Gray -format '%[fx:mean]' info:
}
brightness_in() {  # screenshot, screen index
  convert "$1" -crop "$(crop_of "$2")" +repage -colorspace Gray -format '%[fx:mean]' info:
}

# A session with the settings as they stand; screenshot in $E2E_OUT/$1.png during it. Both
# folders a session may use hold a photograph of a monitor no layout here has: the session removes
# them, and leaves a folder and a link of such names, and other names.
own="$(winepath -u "$(wine cmd /c echo %LOCALAPPDATA% </dev/null 2>/dev/null | tr -d '\r')" 2>/dev/null)/Quillmoor"
stale=Quillmoor1_m9999_0_640x480.bmp
linked="$E2E_OUT/monitors-linked"
at_exit 'rm -rf "$own" "$linked"'
session() {  # name
  rm -rf "$QMORA" "$own" "$linked"
  mkdir -p "$QMORA/Quillmoor1_m1_1_1x1.bmp" "$own" "$linked"
  echo stale | tee "$QMORA/$stale" "$own/$stale" "$QMORA/Quillmoor1_m9999_0_640x480.txt" "$linked/theirs.bmp" >/dev/null
  ln -s "$linked" "$QMORA/Quillmoor1_m2_2_2x2.bmp"
  wine "$install/クイルモア.scr" /s </dev/null >/dev/null 2>&1 &
  local pid=$!
  local window
  window=$(x_window Quillmoor_VC 200)
  if [ -z "$window" ]; then
    fail "$1: no renderer window"
    reap "$pid" "the session $1" 1
    return 1
  fi
  sleep 2.5
  import -window root "$E2E_OUT/$1.png"
  escape_until_gone "$window" "$pid" "the session $1"
  [ ! -e "$QMORA/$stale" ] || fail "$1: the photograph of a monitor that is not there was kept"
  [ ! -e "$own/$stale" ] || fail "$1: the user's own folder kept the photograph of a monitor that is not there"
  [ -d "$QMORA/Quillmoor1_m1_1_1x1.bmp" ] && [ -L "$QMORA/Quillmoor1_m2_2_2x2.bmp" ] && [ -f "$linked/theirs.bmp" ] &&
    [ -f "$QMORA/Quillmoor1_m9999_0_640x480.txt" ] || fail "$1: a folder, a link or another name went: $(ls "$QMORA" | tr '\n' ' ')"
}

# Every monitor a scene over its own desktop, but those covered black: in each scene, the dark sky
# at the top, and the ground in that monitor's hue and in no other's; each monitor's photograph,
# mirrored, in the exchange folder, named by its place.
expect_scene_on_each() {  # name, primary, screens, [covered screens...]
  local name=$1 primary=$2 count=$3 i j sky own other picture
  shift 3
  for i in $(seq 0 $((count - 1))); do
    if [[ " $* " == *" $i "* ]]; then
      own=$(brightness_in "$E2E_OUT/$name.png" "$i")
      echo "$name, monitor $i (${mon_w[i]}x${mon_h[i]} at ${mon_left[i]},${mon_top[i]}): covered, brightness $own"
      awk -v b="$own" 'BEGIN { exit !(b < 0.01) }' || fail "$name: monitor $i is not covered black (brightness $own)"
    else
      sky=$(sky_in "$E2E_OUT/$name.png" "$i")
      own=$(share_in "$E2E_OUT/$name.png" "$i" "${hues[$i]}")
      echo "$name, monitor $i (${mon_w[i]}x${mon_h[i]} at ${mon_left[i]},${mon_top[i]}): sky $sky, own hue $own"
      awk -v s="$sky" 'BEGIN { exit !(s < 0.05) }' || fail "$name: monitor $i shows no scene (sky brightness $sky)"
      awk -v s="$own" 'BEGIN { exit !(s > 0.1) }' || fail "$name: monitor $i does not show its own desktop as the ground ($own)"
      for j in $(seq 0 $((count - 1))); do
        [ "$j" = "$i" ] && continue
        other=$(share_in "$E2E_OUT/$name.png" "$i" "${hues[$j]}")
        awk -v s="$other" 'BEGIN { exit !(s < 0.01) }' || fail "$name: monitor $i shows monitor $j's desktop ($other)"
      done
    fi
    picture="$QMORA/Quillmoor1.bmp"
    [ "$i" = "$primary" ] || picture="$QMORA/Quillmoor1_m${mon_left[i]}_${mon_top[i]}_${mon_w[i]}x${mon_h[i]}.bmp"
    if [ -s "$picture" ]; then
      convert "$picture" -depth 8 "rgb:$E2E_OUT/monitors-written.rgb"
      convert "$E2E_OUT/monitors-desktop.png" -crop "$(crop_of "$i")" +repage -flop -depth 8 "rgb:$E2E_OUT/monitors-expected.rgb"
      cmp -s "$E2E_OUT/monitors-written.rgb" "$E2E_OUT/monitors-expected.rgb" ||
        fail "$name: $(basename "$picture") is not monitor $i's desktop mirrored"
    else
      fail "$name: no photograph $(basename "$picture")"
    fi
  done
}

echo "== two monitors, the primary right of the other: the setting off, the other black"
nest 1 1280x1024 1024x768 || give_up
before=$(wine "$poke" monitors - | tr -d '\r')
settings 1 0
session monitors-two-off
sky=$(sky_in "$E2E_OUT/monitors-two-off.png" 1) left=$(brightness_in "$E2E_OUT/monitors-two-off.png" 0)
awk -v s="$sky" 'BEGIN { exit !(s < 0.05) }' || fail "the primary shows no scene with the setting off"
awk -v b="$left" 'BEGIN { exit !(b < 0.01) }' || fail "the other monitor is not black with the setting off (brightness $left)"
[ ! -e "$QMORA/Quillmoor1_m-1280_0_1280x1024.bmp" ] || fail "the other monitor photographed with the setting off"
sleep 0.5
import -window root "$E2E_OUT/monitors-two-after.png"
after=$(brightness_in "$E2E_OUT/monitors-two-after.png" 0)
awk -v b="$after" 'BEGIN { exit !(b > 0.2) }' || fail "the other monitor is still covered after the session (brightness $after)"

echo "== two monitors, the setting on: a scene on each"
settings 1 1
session monitors-two
expect_scene_on_each monitors-two 1 2
[ "$(wine "$poke" monitors - | tr -d '\r')" = "$before" ] || fail "the monitors changed with the session"

# The renderer alone on that session's files, the other monitor's photograph a link to a network
# drive: that monitor's scene over black, the primary's over its photograph.
echo "== a monitor's photograph a link to a picture on a network drive: never read"
picture="Quillmoor1_m${mon_left[0]}_${mon_top[0]}_${mon_w[0]}x${mon_h[0]}.bmp"
mv "$QMORA/$picture" "$network/$picture" && ln -s "$network/$picture" "$QMORA/$picture"
wine "$renderer" /keepmode /allmonitors </dev/null >/dev/null 2>&1 &
pid=$!
window=$(x_window Quillmoor_VC 200)
sleep 2.5
import -window root "$E2E_OUT/monitors-two-network.png"
if [ -n "$window" ]; then
  escape_until_gone "$window" "$pid" "the renderer over a linked photograph"
else
  fail "no renderer window over a linked photograph"
  reap "$pid" "the renderer over a linked photograph" 1
fi
far=$(share_in "$E2E_OUT/monitors-two-network.png" 0 "${hues[0]}")
near=$(share_in "$E2E_OUT/monitors-two-network.png" 1 "${hues[1]}")
echo "the linked photograph's hue on its monitor: $far; the primary's own: $near"
awk -v f="$far" -v n="$near" 'BEGIN { exit !(f < 0.01 && n > 0.1) }' ||
  fail "a photograph on a network drive was read, or the primary's was not (hues $far, $near)"

echo "== two monitors, the setting on, the left one's desktop blank: its part of the wallpaper spanned over both"
# The wallpaper exactly the size of the box around the monitors (2304 x 1024), of hues no
# desktop here has: spanned, the left monitor shows its left 1280 x 1024 as it is. A blank
# monitor's photograph is one colour, and counts as none.
convert -size 1280x1024 xc:'#e08020' -size 1024x1024 xc:'#20a0a0' +append -fill '#f0f0f0' \
  -draw 'circle 1280,512 1280,700' -draw 'rectangle 100,100 400,300' -depth 8 PNG24:"$E2E_OUT/monitors-wallpaper.png"
set_wallpaper "$E2E_OUT/monitors-wallpaper.png" 22 0 '0 0 0'
kill "${desktop_pids[0]}"
sleep 1
import -window root "$E2E_OUT/monitors-desktop.png"
session monitors-two-spanned
picture="$QMORA/Quillmoor1_m-1280_0_1280x1024.bmp"
if [ -s "$picture" ]; then
  convert "$picture" -flop -depth 8 "rgb:$E2E_OUT/monitors-written.rgb"
  convert "$E2E_OUT/monitors-wallpaper.png" -crop 1280x1024+0+0 +repage -depth 8 "rgb:$E2E_OUT/monitors-expected.rgb"
  cmp -s "$E2E_OUT/monitors-written.rgb" "$E2E_OUT/monitors-expected.rgb" ||
    fail "the blank monitor's ground is not its part of the spanned wallpaper"
else
  fail "no ground picture for the blank monitor"
fi
sky=$(sky_in "$E2E_OUT/monitors-two-spanned.png" 0) hue=$(share_in "$E2E_OUT/monitors-two-spanned.png" 0 '#e08020')
echo "monitors-two-spanned, the blank monitor: sky $sky, the wallpaper's hue $hue"
awk -v s="$sky" -v o="$hue" 'BEGIN { exit !(s < 0.05 && o > 0.1) }' || fail "the blank monitor shows no scene over the wallpaper"
# The primary still has its own photograph.
convert "$QMORA/Quillmoor1.bmp" -depth 8 "rgb:$E2E_OUT/monitors-written.rgb"
convert "$E2E_OUT/monitors-desktop.png" -crop 1024x768+1280+0 +repage -flop -depth 8 "rgb:$E2E_OUT/monitors-expected.rgb"
cmp -s "$E2E_OUT/monitors-written.rgb" "$E2E_OUT/monitors-expected.rgb" || fail "the primary's ground is not its photograph"
set_wallpaper "" "" "" '0 0 0'

echo "== the setting on without the screen kept as it is: the primary alone, the other black"
settings 0 1
session monitors-two-switched
left=$(brightness_in "$E2E_OUT/monitors-two-switched.png" 0)
awk -v b="$left" 'BEGIN { exit !(b < 0.01) }' || fail "the other monitor is not black with the display switched (brightness $left)"

# The window over all three would hold three times their pixels: it takes the primary and the one
# above it, and the far one is covered black. Areas and photographs with tops other than 0.
echo "== three monitors, one above the primary, one far off its corner: a scene on two, the third black"
nest 1 1024x768 1280x1024@0,768 800x600@2400,1792 || give_up
settings 1 1
session monitors-three
expect_scene_on_each monitors-three 1 3 2

echo "$failures failures"
exit $((failures > 0))
