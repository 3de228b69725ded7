#!/usr/bin/env bash
# A renderer run offscreen over a desktop-sized ground picture, the shipped smoke and wheel:
# start-up, FRAMES frames (past both camera changes of the cycle), and an orderly end.
# usage: offscreen_run.sh OFFSCREEN_RUN SOURCE_DIR FRAMES
set -euo pipefail
tool=$1 source=$2 frames=$3
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
convert -size 1366x768 gradient:'#204080'-'#e0c060' -fill '#c03030' -draw 'rectangle 40,40 300,200' \
  -type TrueColor BMP3:"$dir/ground.bmp"
# The renderer's exchange names are Windows paths; here they are plain names in the folder.
mv "$dir/ground.bmp" "$dir/c:\\q_mora\\Quillmoor1.bmp"
cp "$source/resources/smoke.bmp" "$dir/c:\\q_mora\\Quillmoor2.bmp"
cp "$source/resources/クイルモア.data" "$dir/c:\\q_mora\\Quillmoor.data"
"$tool" "$dir" "$frames" 320 240
