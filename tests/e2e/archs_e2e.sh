#!/usr/bin/env bash
# The 32-bit and the 64-bit programs write the same files: the settings file the dialog writes
# back, and a session's three exchange files over the same still desktop, byte for byte. Either
# build's renderer may then be started on what either build's saver wrote. Needs a host that
# runs both (skipped, code 77, where it runs no 32-bit code; the writers' layouts are then held
# by the unit ring).
#
# usage: archs_e2e.sh FOLDER_A FOLDER_B WIN_POKE.exe   (each folder with the three files, as dist/ has them)
set -uo pipefail
a=$1 b=$2 poke=$3
. "$(dirname "$0")/lib.sh"

case " ${QM_WINE_ARCHS:-} " in
  *" x86 "*) ;;
  *) echo "skipped: this host runs no 32-bit code"; exit 77 ;;
esac

# A still desktop, the same for both sessions.
size=$(xdpyinfo | awk '/dimensions:/ {print $2}')
convert -seed 11 -size "$size" plasma:olivedrab-slateblue "$E2E_OUT/archs-desktop.png"
display -geometry +0+0 "$E2E_OUT/archs-desktop.png" &
sleep 1.5

# Settings that name a music file under a Japanese name, in the ANSI code page as on disk.
music="$WINEPREFIX/drive_c/音楽"
mkdir -p "$music"
sox -n -r 44100 -c 2 "$music/tone.wav" synth 1 sine 440 2>/dev/null
key_kind=$(printf 'BGM\x8b\xe6\x95\xaa') key_repeat=$(printf 'BGM\xd8\xcb\xdf\xb0\xc4') key_file=$(printf 'BGM\xcc\xa7\xb2\xd9')
file=$(printf 'C:\\音楽\\tone.wav' | iconv -f UTF-8 -t CP932)

n=0
for folder in "$a" "$b"; do
  n=$((n + 1))
  echo "== $folder"
  install="$WINEPREFIX/drive_c/qm_archs_$n"
  install_programs "$install" "$folder/クイルモア.scr" "$folder/クイルモア.dll" "$folder/クイルモア.data"
  # Numbers as a hand would write them: what comes back is the program's own writing.
  printf '[Section]\r\n%s=2.5\r\n%s=7.9\r\n%s=%s\r\n' "$key_kind" "$key_repeat" "$key_file" "$file" >"$install/クイルモア.ini"

  # The dialog opens on the file and confirms at once: it writes back what it loaded.
  if open_dialog_of "$install/クイルモア.scr" "$poke"; then
    close_dialog_with 356 212 設定
    xdotool mousemove 0 0
  fi
  sleep 1  # the desktop repainted where the dialog was

  rm -rf "$QMORA"
  mkdir -p "$QMORA"
  brief_session "$install/クイルモア.scr" "from $folder"
  mkdir -p "$E2E_OUT/archs-$n"
  cp "$install/クイルモア.ini" "$QMORA/Quillmoor1.bmp" "$QMORA/Quillmoor2.bmp" "$QMORA/Quillmoor.data" "$E2E_OUT/archs-$n/"
done

for f in クイルモア.ini Quillmoor1.bmp Quillmoor2.bmp Quillmoor.data; do
  if [ -s "$E2E_OUT/archs-1/$f" ] && cmp -s "$E2E_OUT/archs-1/$f" "$E2E_OUT/archs-2/$f"; then
    echo "$f: the same $(stat -c %s "$E2E_OUT/archs-1/$f") bytes"
  else
    fail "$f differs between the two builds (or is missing): $(cmp "$E2E_OUT/archs-1/$f" "$E2E_OUT/archs-2/$f" 2>&1 | head -n 1)"
  fi
done
for line in "$key_kind=2" "$key_repeat=7" "$key_file=$file"; do
  tr -d '\r' <"$E2E_OUT/archs-1/クイルモア.ini" | grep -aqxF "$line" || fail "the dialog did not write back $(iconv -f CP932 -t UTF-8 <<<"$line")"
done

echo "$failures failures"
exit $((failures > 0))
