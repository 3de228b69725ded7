#!/usr/bin/env bash
# Sessions on several monitors, under Wine: nested X servers whose screens Xinerama joins side by
# side (Wine sees each screen as a monitor; the one it is told is the primary lies at 0,0, so a
# screen before it lies left of the primary, at negative coordinates). Each monitor's desktop a
# picture of its own hue. With the setting "すべてのモニターに表示" on (and the screen kept as it is),
# every monitor shows a scene over its own photograph, the exchange folder holds a mirrored
# photograph of each, Escape ends them all and the monitors are as they were; with it off, the
# other monitors are black during the session, as ever, and show the desktop again after it. A
# monitor with nothing on it (its photograph one colour) shows its part of the spanned wallpaper.
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

# The Wine server belongs to the display it started on: it moves to each nested server, and back
# to the first display at the end, the primary monitor's choice taken back.
outer=$DISPLAY
x11_key='HKCU\Software\Wine\X11 Driver'
at_exit "wine reg delete '$x11_key' /v PrimaryMonitor /f </dev/null >/dev/null 2>&1"
at_exit 'DISPLAY=$outer restart_wine'
own_x_server Xvfb -screen 0 3400x1200x24 || give_up
host=$x_display

# The hues of the monitors' desktops, in the order of the nested server's screens.
hues=('#c03030' '#3050c0' '#30a040')
light=('#f08080' '#80a0f0' '#80e090')

# Nests an X server with screens of the sizes given, side by side, the one at `primary` (an
# index) the primary monitor; shows each screen's desktop picture; sets mon_x, mon_w, mon_h (the
# screens in X's coordinates) and mon_left, mon_top (in the virtual screen's, as Wine gives them).
nest() {  # primary, WxH...
  local primary=$1 i x=0
  shift
  [ -n "${nested:-}" ] && kill "$nested" 2>/dev/null
  local screens=()
  for size in "$@"; do screens+=(-screen "$size"); done
  DISPLAY=$host own_x_server Xephyr "${screens[@]}" +xinerama -extension RANDR || { fail "no nested X server"; return 1; }
  nested=$(jobs -p | tail -n 1)
  export DISPLAY=$x_display
  wine reg add "$x11_key" /v PrimaryMonitor /d "$primary" /f </dev/null >/dev/null 2>&1
  restart_wine
  mon_x=() mon_w=() mon_h=() mon_left=() mon_top=() desktop_pids=()
  i=0
  for size in "$@"; do
    mon_x+=("$x") mon_w+=("${size%x*}") mon_h+=("${size#*x}")
    convert -size "$size" gradient:"${hues[$i]}"-"${light[$i]}" "$E2E_OUT/monitors-desktop-$i.png"
    display -geometry "+$x+0" "$E2E_OUT/monitors-desktop-$i.png" &
    desktop_pids+=($!)
    x=$((x + ${size%x*}))
    i=$((i + 1))
  done
  for i in $(seq 0 $(($# - 1))); do
    mon_left+=($((mon_x[i] - mon_x[primary]))) mon_top+=(0)
  done
  sleep 1.5
  import -window root "$E2E_OUT/monitors-desktop.png"
  local seen
  seen=$(wine "$poke" monitors - | tr -d '\r' | sort)
  local expected
  expected=$(for i in $(seq 0 $(($# - 1))); do
    echo "${mon_left[i]} 0 $((mon_left[i] + mon_w[i])) ${mon_h[i]}$([ "$i" = "$primary" ] && echo ' primary')"
  done | sort)
  [ "$seen" = "$expected" ] || { fail "Wine sees the monitors as: $(tr '\n' ';' <<<"$seen") not $(tr '\n' ';' <<<"$expected")"; return 1; }
}

# Share (0..1) of the pixels of screen i's area of a screenshot near a colour.
share_in() {  # screenshot, screen index, colour
  local crop="$E2E_OUT/monitors-crop.png"
  convert "$1" -crop "${mon_w[$2]}x${mon_h[$2]}+${mon_x[$2]}+0" +repage "$crop"
  colour_share "$crop" "$3"
}
# Mean brightness (0..1) of the top band of screen i's area: the scene's black sky.
sky_in() {  # screenshot, screen index
  convert "$1" -crop "${mon_w[$2]}x$((mon_h[$2] / 12))+${mon_x[$2]}+0" +repage -colorspace Gray -format '%[fx:mean]' info:
}

# A session with the settings as they stand; screenshot in $E2E_OUT/$1.png during it. The
# folder holds a photograph of a monitor no layout here has: the session removes it.
stale="$QMORA/Quillmoor1_m9999_0_640x480.bmp"
session() {  # name
  rm -rf "$QMORA"
  mkdir -p "$QMORA"
  echo stale >"$stale"
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
  [ ! -e "$stale" ] || fail "$1: the photograph of a monitor that is not there was kept"
}

# Every monitor a scene over its own desktop: in each, the scene's dark sky at the top, and the
# ground in that monitor's hue and in no other's; its photograph mirrored in the exchange folder.
expect_scene_on_each() {  # name, primary, screens
  local name=$1 primary=$2 count=$3 i j
  for i in $(seq 0 $((count - 1))); do
    local sky own
    sky=$(sky_in "$E2E_OUT/$name.png" "$i")
    own=$(share_in "$E2E_OUT/$name.png" "$i" "${hues[$i]}")
    echo "$name, monitor $i (${mon_w[i]}x${mon_h[i]} at ${mon_left[i]},0): sky $sky, own hue $own"
    awk -v s="$sky" 'BEGIN { exit !(s < 0.05) }' || fail "$name: monitor $i shows no scene (sky brightness $sky)"
    awk -v s="$own" 'BEGIN { exit !(s > 0.1) }' || fail "$name: monitor $i does not show its own desktop as the ground ($own)"
    for j in $(seq 0 $((count - 1))); do
      [ "$j" = "$i" ] && continue
      local other
      other=$(share_in "$E2E_OUT/$name.png" "$i" "${hues[$j]}")
      awk -v s="$other" 'BEGIN { exit !(s < 0.01) }' || fail "$name: monitor $i shows monitor $j's desktop ($other)"
    done
    local picture="$QMORA/Quillmoor1.bmp"
    [ "$i" = "$primary" ] || picture="$QMORA/Quillmoor1_m${mon_left[i]}_0_${mon_w[i]}x${mon_h[i]}.bmp"
    if [ -s "$picture" ]; then
      convert "$picture" -depth 8 "rgb:$E2E_OUT/monitors-written.rgb"
      convert "$E2E_OUT/monitors-desktop.png" -crop "${mon_w[i]}x${mon_h[i]}+${mon_x[i]}+0" +repage -flop -depth 8 \
        "rgb:$E2E_OUT/monitors-expected.rgb"
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
sky=$(sky_in "$E2E_OUT/monitors-two-off.png" 1) left=$(convert "$E2E_OUT/monitors-two-off.png" -crop 1280x1024+0+0 +repage -colorspace Gray -format '%[fx:mean]' info:)
awk -v s="$sky" 'BEGIN { exit !(s < 0.05) }' || fail "the primary shows no scene with the setting off"
awk -v b="$left" 'BEGIN { exit !(b < 0.01) }' || fail "the other monitor is not black with the setting off (brightness $left)"
[ -z "$(ls "$QMORA" | grep '_m')" ] || fail "other monitors photographed with the setting off: $(ls "$QMORA")"
sleep 0.5
import -window root "$E2E_OUT/monitors-two-after.png"
after=$(convert "$E2E_OUT/monitors-two-after.png" -crop 1280x1024+0+0 +repage -colorspace Gray -format '%[fx:mean]' info:)
awk -v b="$after" 'BEGIN { exit !(b > 0.2) }' || fail "the other monitor is still covered after the session (brightness $after)"

echo "== two monitors, the setting on: a scene on each"
settings 1 1
session monitors-two
expect_scene_on_each monitors-two 1 2
[ "$(wine "$poke" monitors - | tr -d '\r')" = "$before" ] || fail "the monitors changed with the session"

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
sky=$(sky_in "$E2E_OUT/monitors-two-spanned.png" 0) own=$(share_in "$E2E_OUT/monitors-two-spanned.png" 0 '#e08020')
echo "monitors-two-spanned, the blank monitor: sky $sky, the wallpaper's hue $own"
awk -v s="$sky" -v o="$own" 'BEGIN { exit !(s < 0.05 && o > 0.1) }' || fail "the blank monitor shows no scene over the wallpaper"
# The primary still has its own photograph.
convert "$QMORA/Quillmoor1.bmp" -depth 8 "rgb:$E2E_OUT/monitors-written.rgb"
convert "$E2E_OUT/monitors-desktop.png" -crop 1024x768+1280+0 +repage -flop -depth 8 "rgb:$E2E_OUT/monitors-expected.rgb"
cmp -s "$E2E_OUT/monitors-written.rgb" "$E2E_OUT/monitors-expected.rgb" || fail "the primary's ground is not its photograph"
set_wallpaper "" "" "" '0 0 0'

echo "== the setting on without the screen kept as it is: the primary alone, the other black"
settings 0 1
session monitors-two-switched
left=$(convert "$E2E_OUT/monitors-two-switched.png" -crop 1280x1024+0+0 +repage -colorspace Gray -format '%[fx:mean]' info:)
awk -v b="$left" 'BEGIN { exit !(b < 0.01) }' || fail "the other monitor is not black with the display switched (brightness $left)"

echo "== three monitors of three sizes, one left of the primary, one right: a scene on each"
nest 1 1024x768 1280x1024 800x600 || give_up
settings 1 1
session monitors-three
expect_scene_on_each monitors-three 1 3

echo "$failures failures"
exit $((failures > 0))
