#!/usr/bin/env bash
# The settings dialog as a user meets it: where it opens, how it looks, choosing the audio CD
# and a track and confirming (the settings file's bytes), cancelling (the file untouched),
# a saver start while it is open, and a button's face under the pointer. Then in English, as a
# Windows that does not speak Japanese shows it (a German one too): its texts, a Japanese start
# while it is open, and the same settings file, byte for byte.
#
# usage: dialog_e2e.sh SAVER.scr RENDERER.dll WIN_POKE.exe
set -uo pipefail
saver=$1 renderer=$2 poke=$3
. "$(dirname "$0")/lib.sh"

install="$WINEPREFIX/drive_c/qm_dialog"
install_programs "$install" "$saver" "$renderer"
ini="$install/クイルモア.ini"
title="<クイルモア>"

open_dialog() { open_dialog_of "$install/クイルモア.scr" "$poke"; }
pixel() {  # client x, y -> "r g b"
  import -window root -crop 1x1+$((ox + $1))+$((oy + $2)) txt:- 2>/dev/null |
    sed -n 's/.*(\([0-9]*\),\([0-9]*\),\([0-9]*\).*/\1 \2 \3/p' | head -n 1
}

# The dialog's title and the texts of its controls (the painted labels apart) are exactly those
# given, in any order.
texts_are() {  # title, texts...
  local title=$1 shown expected
  shift
  shown=$(wine "$poke" text "QuillmoorSettings|$title" | tr -d '\r' | sort)
  expected=$(printf '%s\n' "$@" | sort)
  [ "$shown" = "$expected" ] || fail "the dialog $title shows $(tr '\n' '|' <<<"$shown"), not $(tr '\n' '|' <<<"$expected")"
}

echo "== /c: the dialog's place, size and look"
open_dialog || give_up
texts_are "$title" ... 設定 ｷｬﾝｾﾙ 画面の解像度を変えない すべてのモニターに表示
found=$(wine "$poke" find "$title" | tr -d '\r')
echo "$found at $ox,$oy"
[ "$found" = "class=QuillmoorSettings client=492x246 visible=1" ] || fail "dialog: $found"
screen_w=$(xdpyinfo | awk '/dimensions:/ {split($2, d, "x"); print d[1]}')
[ $((ox - (screen_w - 492) / 2)) -ge -1 ] && [ $((ox - (screen_w - 492) / 2)) -le 1 ] || fail "not centred: $ox"
import -window root "$E2E_OUT/dialog.png"
# The dialog alone, as the README shows it.
convert "$E2E_OUT/dialog.png" -crop 492x246+$ox+$oy +repage "$E2E_OUT/dialog-window.png"
read -r r g b < <(pixel 4 2)
[ "$r" -lt 40 ] && [ "$b" -gt $((r + 20)) ] || fail "the top is not dark blue ($r $g $b)"
read -r r g b < <(pixel 4 123)
[ "$r" -gt 200 ] && [ "$b" -gt 230 ] || fail "the middle is not light ($r $g $b)"
read -r r g b < <(pixel 300 120)
[ "$r" -gt 180 ] && [ "$r" -lt 220 ] && [ "$g" -gt 175 ] || fail "no band on the panel ($r $g $b)"

echo "== a saver start while the dialog is open ends at once"
rm -rf "$QMORA"
wine "$install/クイルモア.scr" /s </dev/null >/dev/null 2>&1 &
second=$!
reap "$second" "/s beside the dialog"

echo "== the pointer over a button changes its face"
import -window root -crop 81x25+$((ox + 316))+$((oy + 200)) "$E2E_OUT/dialog-button-rest.png"
hover_face_differs() {
  import -window root -crop 81x25+$((ox + 316))+$((oy + 200)) "$E2E_OUT/dialog-button-hover.png"
  [ "$(compare -metric AE "$E2E_OUT/dialog-button-rest.png" "$E2E_OUT/dialog-button-hover.png" null: 2>&1)" != 0 ]
}
over_the_button() { xdotool mousemove $((ox + 300)) $((oy + 150)) mousemove $((ox + 356)) $((oy + 212)); }
send_until "$dialog" "the button's face to change under the pointer" hover_face_differs -- run over_the_button

echo "== the audio CD, track 3, confirmed"
choose_cd_track 3
close_dialog_with $((316 + 40)) $((200 + 12)) 設定
bytes=$(od -An -c "$ini" | tr -d ' \n')
grep -q "$(printf 'BGM\x8b\xe6\x95\xaa=1')" "$ini" || fail "BGM区分 is not 1: $bytes"
grep -q "$(printf 'BGM\xd8\xcb\xdf\xb0\xc4=3')" "$ini" || fail "BGMﾘﾋﾟｰﾄ is not 3: $bytes"
grep -q "$(printf 'BGM\xcc\xa7\xb2\xd9=')" "$ini" || fail "BGMﾌｧｲﾙ was not written: $bytes"
cp "$ini" "$E2E_OUT/settings-japanese.ini"

echo "== changes, then cancel: the file stays as it was"
cp "$ini" "$E2E_OUT/settings-before.ini"
open_dialog || give_up
click_until $((12 + 60)) $((16 + 102)) "the music file to be chosen" source_chosen 2   # the label "MP3、WAV"
close_dialog_with $((400 + 40)) $((200 + 12)) ｷｬﾝｾﾙ
cmp -s "$ini" "$E2E_OUT/settings-before.ini" || fail "cancel changed the settings file"

echo "== in English: the title, the texts, a Japanese start beside it, the same file"
rm -f "$ini"
LANG=en_US.UTF-8 dialog_title="<Quillmoor>"
open_dialog || give_up
texts_are "<Quillmoor>" ... OK Cancel "Keep the screen resolution" "Show on all monitors"
import -window root -crop 492x246+$ox+$oy +repage "$E2E_OUT/dialog-window-en.png"
# The dialog is found by its title in either language: a start in Japanese ends at once.
LANG=ja_JP.UTF-8 wine "$install/クイルモア.scr" /c </dev/null >/dev/null 2>&1 &
second=$!
reap "$second" "/c in Japanese beside the English dialog"
wine "$poke" find "$title" >/dev/null && fail "a Japanese dialog opened beside the English one"
choose_cd_track 3
close_dialog_with $((316 + 40)) $((200 + 12)) OK
cmp -s "$ini" "$E2E_OUT/settings-japanese.ini" ||
  fail "the English dialog wrote another file: $(od -An -c "$ini" | tr -d ' \n')"

echo "== in German: English"
rm -f "$ini"
LANG=de_DE.UTF-8
open_dialog || give_up
texts_are "<Quillmoor>" ... OK Cancel "Keep the screen resolution" "Show on all monitors"
close_dialog_with $((400 + 40)) $((200 + 12)) Cancel
LANG=ja_JP.UTF-8 dialog_title=$title

echo "$failures failures"
exit $((failures > 0))
