#!/usr/bin/env bash
# ImageMagick writes pictures in every format the reader accepts; the pixels our reader gets
# must be the pixels ImageMagick reads back from its own file.
set -euo pipefail
dibdump=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# A 67 x 41 source with colour everywhere: odd width, so every row has padding.
convert -size 67x41 gradient:red-blue \( -size 67x41 gradient:lime-black -rotate 90 -resize 67x41! \) \
  -compose plus -composite "$work/src.png"
convert "$work/src.png" -colors 200 "$work/src200.png"
convert "$work/src.png" -colors 12 "$work/src12.png"
convert "$work/src.png" -monochrome "$work/src2.png"

failures=0
check() {  # name, source, convert options...
  local name=$1 src=$2; shift 2
  convert "$src" "$@" "$work/$name.bmp"
  convert "$work/$name.bmp" -depth 8 "rgb:$work/$name.want"
  if ! "$dibdump" "$work/$name.bmp" "$work/$name.got" >/dev/null; then
    echo "FAIL $name: refused"; failures=$((failures + 1)); return
  fi
  if cmp -s "$work/$name.want" "$work/$name.got"; then
    echo "ok $name"
  else
    echo "FAIL $name: pixels differ"; failures=$((failures + 1))
  fi
}
check rgb24         "$work/src.png"    -type TrueColor -define bmp:format=bmp3
check rgb24-v5      "$work/src.png"    -type TrueColor -define bmp:format=bmp3 -flip -flip
check rgb32-bf      "$work/src.png"    -type TrueColorAlpha -alpha set -channel A -evaluate set 100% +channel -define bmp:format=bmp3
check rgb16-555     "$work/src.png"    -define bmp:subtype=RGB555 -define bmp:format=bmp3
check rgb16-565     "$work/src.png"    -define bmp:subtype=RGB565 -define bmp:format=bmp3
check pal8          "$work/src200.png" -type Palette -define bmp:format=bmp3
check pal8-rle      "$work/src200.png" -type Palette -compress RLE -define bmp:format=bmp3
check pal4          "$work/src12.png"  -type Palette -define bmp:format=bmp3
check pal4-rle      "$work/src12.png"  -type Palette -compress RLE -define bmp:format=bmp3
check pal1          "$work/src2.png"   -type Bilevel -define bmp:format=bmp3
check os2-pal8      "$work/src200.png" -type Palette -define bmp:format=bmp2
check os2-rgb24     "$work/src.png"    -type TrueColor -define bmp:format=bmp2
echo "$failures failed"
exit $failures
