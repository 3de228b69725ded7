#!/usr/bin/env bash
# What dist/ ships: each folder holds the three files side by side, and each program in it is a
# Windows GUI program of the folder's machine type, with a manifest naming that architecture and
# the product's version in its version resource, and holds nothing on against the user's power
# settings; the 32-bit ones are large-address-aware. An installer for each architecture, a GUI
# program of its type. Quillmoor.zip holds both folders, file for file.
#
# usage: shipped_programs.sh DIST_FOLDER VERSION
set -uo pipefail
dist=$1 version=$2
if [ ! -d "$dist/x86" ] || [ ! -d "$dist/x64" ]; then
  echo "skipped: run through scripts/test (no $dist: scripts/build fills it)"
  exit 77
fi
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

for arch in x86 x64; do
  case $arch in
    x86) format=pei-i386 manifest=x86 ;;
    x64) format=pei-x86-64 manifest=amd64 ;;
  esac
  for name in クイルモア.scr クイルモア.dll クイルモア.data; do
    [ -s "$dist/$arch/$name" ] || fail "$arch/$name is missing"
  done
  for name in クイルモア.scr クイルモア.dll; do
    program="$dist/$arch/$name"
    [ -s "$program" ] || continue
    header=$(LC_ALL=C objdump -p "$program" 2>&1)
    grep -q "file format $format\$" <<<"$header" || fail "$arch/$name is not $format: $(head -n 2 <<<"$header" | tr '\n' ' ')"
    grep -qE '^Subsystem[[:space:]]+00000002' <<<"$header" || fail "$arch/$name is not a Windows GUI program"
    if [ $arch = x86 ]; then
      grep -q 'large address aware' <<<"$header" || fail "$arch/$name is not large-address-aware"
    fi
    # The manifest is kept as text among the resources.
    grep -aqF "processorArchitecture=\"$manifest\"" "$program" || fail "$arch/$name: the manifest does not name $manifest"
    [ "$(grep -ac 'processorArchitecture=' "$program")" = 1 ] || fail "$arch/$name: not exactly one manifest"
    # Nothing holds the display on against the user's power settings: no execution state and no
    # power request, imported or looked up by name; and the display's power notice is looked up
    # at run time, not imported (a program that imports it does not start before Vista).
    imports=$(LC_ALL=C objdump -p "$program" | awk '/DLL Name:/ { dll = 1 } dll && /^\t[0-9a-f]+\t +[0-9]+ +[A-Za-z_]/ { print $3 }')
    grep -qx CloseHandle <<<"$imports" || fail "$arch/$name: its imports could not be read"
    for call in SetThreadExecutionState PowerCreateRequest PowerSetRequest; do
      grep -qx "$call" <<<"$imports" && fail "$arch/$name imports $call"
      grep -aq "$call" "$program" && fail "$arch/$name names $call"
    done
    grep -qx RegisterPowerSettingNotification <<<"$imports" && fail "$arch/$name imports RegisterPowerSettingNotification"
    # The version resource's texts are UTF-16: each name followed by its value.
    for key in FileVersion ProductVersion; do
      [ "$(strings -el "$program" | grep -A1 -x "$key" | tail -n 1)" = "$version" ] || fail "$arch/$name: $key is not $version"
    done
  done
  setup="$dist/Quillmoor-$version-$arch-setup.exe"
  header=$(LC_ALL=C objdump -p "$setup" 2>&1)
  grep -q "file format $format\$" <<<"$header" || fail "$(basename "$setup") is not $format"
  grep -qE '^Subsystem[[:space:]]+00000002' <<<"$header" || fail "$(basename "$setup") is not a Windows GUI program"
done

# The zip: both folders, and the same bytes as beside it.
unpacked=$(mktemp -d)
trap 'rm -rf "$unpacked"' EXIT
if (cd "$unpacked" && cmake -E tar xf "$dist/Quillmoor.zip"); then
  [ "$(cd "$unpacked" && find . -type f | sort)" = "$(cd "$dist" && find x86 x64 -type f | sed 's#^#./#' | sort)" ] ||
    fail "Quillmoor.zip does not hold exactly x86/ and x64/"
  for f in x86/クイルモア.scr x86/クイルモア.dll x86/クイルモア.data x64/クイルモア.scr x64/クイルモア.dll x64/クイルモア.data; do
    cmp -s "$unpacked/$f" "$dist/$f" || fail "Quillmoor.zip's $f differs from dist/$f"
  done
else
  fail "Quillmoor.zip does not unpack"
fi

echo "$failures failures"
exit $((failures > 0))
