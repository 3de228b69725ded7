#!/usr/bin/env bash
# ImageMagick writes pictures in the variants the reader accepts (and one it refuses). For each:
# the file's header must be the variant named (ImageMagick quietly writes another variant for
# some requests), and the pixels our reader gets must be the source's pixels, and also what
# ImageMagick reads back from its own file.
#
# (16-bit pictures are not among them: ImageMagick writes its 16-bit 40-byte-header pictures as
# bit fields without the masks. The BMP Suite's 16-bit pictures, 5-5-5 and 5-6-5, with their
# reference PNGs, cover those in bmpsuite_test.cpp; RLE4 likewise, as ImageMagick writes RLE8.)
set -euo pipefail
dibdump=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# A 67 x 41 source with colour everywhere: odd width, so every row has padding.
convert -size 67x41 gradient:red-blue \( -size 67x41 gradient:lime-black -rotate 90 -resize 67x41! \) \
  -compose plus -composite -depth 8 "$work/src.png"
convert "$work/src.png" -colors 200 "$work/src200.png"
convert "$work/src.png" -colors 12 "$work/src12.png"
convert "$work/src.png" -monochrome "$work/src2.png"

# The header's size, bits per pixel and compression ("-" for the core header, which has none).
header() {
  local size
  size=$(od -An -tu4 -j14 -N4 "$1" | tr -d ' ')
  if [ "$size" = 12 ]; then
    echo "12/$(od -An -tu2 -j24 -N2 "$1" | tr -d ' ')/-"
  else
    echo "$size/$(od -An -tu2 -j28 -N2 "$1" | tr -d ' ')/$(od -An -tu4 -j30 -N4 "$1" | tr -d ' ')"
  fi
}

failures=0
failed() { echo "FAIL $1"; failures=$((failures + 1)); }
# Writes the picture and checks its header; true when it is the variant expected.
write_variant() {  # name, expected header ("size/bits/compression"), source, convert options...
  local name=$1 expected=$2 src=$3
  shift 3
  convert "$src" "$@" "$work/$name.bmp"
  local got
  got=$(header "$work/$name.bmp")
  [ "$got" = "$expected" ] || { failed "$name: ImageMagick wrote $got, not $expected"; return 1; }
}
check() {  # as write_variant; our reading must be the source's pixels and ImageMagick's
  local name=$1 src=$3
  write_variant "$@" || return
  if ! "$dibdump" "$work/$name.bmp" "$work/$name.got" >/dev/null; then
    failed "$name: refused"
    return
  fi
  convert "$src" -depth 8 "rgb:$work/$name.source"
  convert "$work/$name.bmp" -depth 8 "rgb:$work/$name.theirs"
  cmp -s "$work/$name.source" "$work/$name.got" || { failed "$name: pixels differ from the source"; return; }
  cmp -s "$work/$name.theirs" "$work/$name.got" || { failed "$name: pixels differ from ImageMagick's reading"; return; }
  echo "ok $name ($2)"
}
refused() {  # as write_variant; our reader must refuse the file
  local name=$1
  write_variant "$@" || return
  if "$dibdump" "$work/$name.bmp" "$work/$name.got" >/dev/null 2>&1; then failed "$name: accepted"; else echo "ok $name ($2) refused"; fi
}

check rgb24     40/24/0 "$work/src.png"    -type TrueColor -define bmp:format=bmp3
check rgb32     40/32/0 "$work/src.png"    -alpha set -define bmp:format=bmp3 -define bmp3:alpha=true
check pal8      40/8/0  "$work/src200.png" -type Palette -compress None -define bmp:format=bmp3
check pal8-rle  40/8/1  "$work/src200.png" -type Palette -compress RLE -define bmp:format=bmp3
check pal4      40/4/0  "$work/src12.png"  -type Palette -compress None -define bmp:format=bmp3
check pal1      40/1/0  "$work/src2.png"   -type Bilevel -define bmp:format=bmp3
check os2-pal8  12/8/-  "$work/src200.png" -type Palette -define bmp:format=bmp2
check os2-rgb24 12/24/- "$work/src.png"    -type TrueColor -define bmp:format=bmp2
refused rgb24-v5 124/24/0 "$work/src.png"  -type TrueColor -define bmp:format=bmp4
echo "$failures failed"
exit $failures
