#!/usr/bin/env bash
# The settings dialog on scaled displays: at 96, 120, 144 and 192 DPI (the screen's LogPixels,
# read by Wine when its server starts) the client area is 492 x 246 scaled to the screen, and
# the gradient, the band, the selected option mark and the buttons are where the scaled layout
# puts them. A screenshot of each is kept (dialog-DPI.png). At 96 and 144 DPI the check boxes are
# clicked as a user would: the monitors' box greyed while the screen mode's is clear, 設定 stores
# both, ｷｬﾝｾﾙ leaves the file alone, and unticked and stored they leave no key behind; and the
# dialog in English, as large, its texts English, its screen mode's box ticked in its place
# (dialog-en-DPI.png).
#
# usage: dialog_scaled_e2e.sh SAVER.scr RENDERER.dll WIN_POKE.exe
set -uo pipefail
saver=$1 renderer=$2 poke=$3
. "$(dirname "$0")/lib.sh"

install="$WINEPREFIX/drive_c/qm_dialog_scaled"
install_programs "$install" "$saver" "$renderer"
title="<クイルモア>"

pixel() {  # client x, y -> "r g b"
  convert "$shot" -crop 1x1+"$1"+"$2" -depth 8 txt:- 2>/dev/null |
    sed -n 's/.*(\([0-9]*\),\([0-9]*\),\([0-9]*\).*/\1 \2 \3/p' | head -n 1
}
scale() { echo $((($1 * dpi + 48) / 96)); }

for dpi in 96 120 144 192; do
  echo "== $dpi DPI"
  screen_dpi "$dpi"
  xdotool mousemove 0 0  # no button under the pointer: the faces at rest
  wine "$install/クイルモア.scr" /c </dev/null >/dev/null 2>&1 &
  pid=$!
  [ -n "$(x_window "$title" 150)" ] || { fail "no dialog at $dpi DPI"; reap "$pid" "the saver at $dpi DPI" 1; continue; }
  sleep 1.5
  found=$(wine "$poke" find "$title" | tr -d '\r')
  read -r ox oy < <(wine "$poke" origin "$title" | tr -d '\r')
  echo "$found at $ox,$oy"
  size=$(sed -nE 's/.*client=([0-9]+x[0-9]+).*/\1/p' <<<"$found")
  w=${size%x*} h=${size#*x}
  ew=$(scale 492) eh=$(scale 246)
  [ "${w:-0}" -ge $((ew - 1)) ] && [ "${w:-0}" -le $((ew + 1)) ] && [ "${h:-0}" -ge $((eh - 1)) ] &&
    [ "${h:-0}" -le $((eh + 1)) ] || fail "client $size at $dpi DPI, not ${ew}x${eh}"
  shot="$E2E_OUT/dialog-$dpi.png"
  import -window root -crop "${w:-492}x${h:-246}+$ox+$oy" +repage "$shot"

  # The gradient spans the whole height: dark at the top and the bottom, light in the middle.
  read -r r g b < <(pixel 2 1)
  [ "$r" -lt 40 ] && [ "$b" -gt $((r + 20)) ] || fail "$dpi DPI: the top is not dark blue ($r $g $b)"
  read -r r g b < <(pixel 2 $((h / 2)))
  [ "$r" -gt 200 ] && [ "$b" -gt 230 ] || fail "$dpi DPI: the middle is not light ($r $g $b)"
  read -r r g b < <(pixel 2 $((h - 2)))
  [ "$r" -lt 40 ] || fail "$dpi DPI: the bottom is not dark ($r $g $b)"
  # The band reaches the panel's far corner; the mark of "なし" (chosen: no settings yet) is the
  # selected one, blue all over its scaled square; the one of "音楽CD" is not.
  px=$(($(scale 12) + 1)) py=$(($(scale 16) + 1))
  read -r r g b < <(pixel $((px + $(scale 460))) $((py + $(scale 158))))
  [ "$r" -gt 170 ] && [ "$r" -lt 225 ] && [ "$g" -gt 170 ] || fail "$dpi DPI: no band at the panel's corner ($r $g $b)"
  for at in "2 2" "6 6" "9 9"; do
    read -r mx my <<<"$at"
    read -r r g b < <(pixel $((px + $(scale $((28 + mx))))) $((py + $(scale $((76 + my))))))
    [ "$b" -gt $((r + 60)) ] || fail "$dpi DPI: the chosen mark is not blue at $at ($r $g $b)"
  done
  read -r r g b < <(pixel $((px + $(scale 34))) $((py + $(scale 62))))
  [ "$b" -lt $((r + 60)) ] || fail "$dpi DPI: the mark of the audio CD is selected ($r $g $b)"
  # The confirm button's face fills its scaled place: its border near the right end, the
  # gradient's tint just above its bottom border, the dialog's own gradient just beyond it.
  bx=$(scale 316) by=$(scale 200) bw=$(scale 81) bh=$(scale 25)
  read -r r g b < <(pixel $((bx + bw - 1 - $(scale 1))) $((by + bh / 2)))
  [ "$r" -lt 120 ] && [ "$b" -gt $((r + 40)) ] || fail "$dpi DPI: no button border at its right end ($r $g $b)"
  read -r r g b < <(pixel $((bx + bw / 2)) $((by + bh - $(scale 5))))
  [ "$r" -gt 150 ] || fail "$dpi DPI: the button's face does not reach its bottom ($r $g $b)"

  wine "$poke" close "$title" >/dev/null
  reap "$pid" "the dialog at $dpi DPI after a close message"
  [ "$dpi" = 96 ] || [ "$dpi" = 144 ] || continue

  ini="$install/クイルモア.ini"
  rm -f "$ini"
  checks() { wine "$poke" checks "QuillmoorSettings|$dialog_title" | tr -d '\r'; }
  ticked() { checks | grep -qx '画面の解像度を変えない=1'; }
  unticked() { checks | grep -qx '画面の解像度を変えない=0'; }
  all_ticked() { checks | grep -qx 'すべてのモニターに表示=1'; }
  all_unticked() { checks | grep -qx 'すべてのモニターに表示=0'; }
  all_greyed() { checks | grep -q '^すべてのモニターに表示=[01] (disabled)$'; }
  close_with() { close_dialog_with $(scale $1) $(scale $2) "$3 at $dpi DPI"; }  # the button at 96 DPI, its name
  tick() { click_until $(scale 322) $(scale 190) "the screen mode's box to be $1 at $dpi DPI" "$1"; }
  tick_all() { click_until $(scale 322) $(scale 235) "the monitors' box to be $1 at $dpi DPI" "$1"; }
  value() { tr -d '\r' <"$ini" 2>/dev/null | iconv -f CP932 -t UTF-8 | sed -n "s/^$1=//p"; }
  open_dialog_of "$install/クイルモア.scr" "$poke" || continue
  ticked && fail "$dpi DPI: the check box starts ticked without a setting"
  all_greyed || fail "$dpi DPI: the monitors' box is usable with the screen switched: $(checks | tr '\n' ' ')"
  tick ticked
  all_greyed && fail "$dpi DPI: the monitors' box stays greyed with the screen kept as it is"
  tick_all all_ticked
  close_with 356 212 設定
  [ "$(value 画面ﾓｰﾄﾞ)" = 1 ] && [ "$(value ﾓﾆﾀｰ)" = 1 ] ||
    fail "$dpi DPI: 設定 did not store both boxes: $(value 画面ﾓｰﾄﾞ), $(value ﾓﾆﾀｰ)"
  cp "$ini" "$E2E_OUT/dialog-screen-$dpi.ini"
  open_dialog_of "$install/クイルモア.scr" "$poke" || continue
  ticked && all_ticked || fail "$dpi DPI: the stored settings are not shown: $(checks | tr '\n' ' ')"
  tick unticked
  all_greyed || fail "$dpi DPI: unticking the screen mode did not grey the monitors' box"
  close_with 440 212 ｷｬﾝｾﾙ
  cmp -s "$ini" "$E2E_OUT/dialog-screen-$dpi.ini" || fail "$dpi DPI: ｷｬﾝｾﾙ changed the settings file"
  open_dialog_of "$install/クイルモア.scr" "$poke" || continue
  ticked && all_ticked || fail "$dpi DPI: the settings did not survive ｷｬﾝｾﾙ"
  tick_all all_unticked
  tick unticked
  close_with 356 212 設定
  [ -s "$ini" ] && ! grep -qa "$(printf '\x89\xe6\x96\xca')" "$ini" && ! grep -qa "$(printf '\xd3\xc6\xc0\xb0')" "$ini" ||
    fail "$dpi DPI: unticked, a key stayed: $(value 画面ﾓｰﾄﾞ), $(value ﾓﾆﾀｰ)"
  [ "$(grep -ac '=' "$ini")" = 3 ] || fail "$dpi DPI: the file does not hold the three music keys alone"

  # In English: the same size, every control's text in English (the layout's fit of the painted
  # ones is the Win32 ring's), its first check box ticked where the longer text put it.
  LANG=en_US.UTF-8 dialog_title="<Quillmoor>"
  rm -f "$ini"
  open_dialog_of "$install/クイルモア.scr" "$poke" || continue
  found=$(wine "$poke" find "$dialog_title" | tr -d '\r')
  [ "$found" = "class=QuillmoorSettings client=${w}x${h} visible=1" ] || fail "$dpi DPI, in English: $found"
  shown=$(wine "$poke" text "QuillmoorSettings|$dialog_title" | tr -d '\r' | sort | tr '\n' '|')
  [ "$shown" = "...|Cancel|Keep the screen resolution|OK|Show on all monitors|" ] || fail "$dpi DPI, in English: $shown"
  import -window root -crop "${w}x${h}+$ox+$oy" +repage "$E2E_OUT/dialog-en-$dpi.png"
  ticked_en() { checks | grep -qx 'Keep the screen resolution=1'; }
  tick ticked_en
  close_with 440 212 Cancel
  [ ! -e "$ini" ] || fail "$dpi DPI, in English: Cancel wrote a settings file"
  LANG=ja_JP.UTF-8 dialog_title=$title
done

echo "$failures failures"
exit $((failures > 0))
