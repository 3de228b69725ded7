#!/usr/bin/env bash
# End-to-end ring: the renderer's readers and textures in a real Windows program under Wine,
# drawing through WGL on the X display; the picture reader's message box found on screen and
# dismissed as a user would. Needs WINEPREFIX and DISPLAY (scripts/test sets both).
#
# usage: run_e2e.sh GL_PROBE.exe SOURCE_DIR
set -uo pipefail
probe=$1 source=$2
: "${WINEPREFIX:?}" "${DISPLAY:?}"
out=${QM_E2E_OUT:-$PWD/e2e-out}
mkdir -p "$out"
qmora="$WINEPREFIX/drive_c/q_mora"
mkdir -p "$qmora"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
expect_line() {  # log, exact line
  grep -qxF -- "$2" "$1" || fail "expected '$2' in $(basename "$1")"
}

# A screen-like ground picture, 1366 wide so that every row is padded: red and blue quarters
# at the bottom, green and white at the top. The smoke picture and the wheel as shipped.
convert \( -size 683x384 xc:'#00ff00' xc:'#ffffff' +append \) \( -size 683x384 xc:'#ff0000' xc:'#0000ff' +append \) \
  -append -type TrueColor BMP3:"$qmora/Quillmoor1.bmp"
cp "$source/resources/smoke.bmp" "$qmora/Quillmoor2.bmp"
cp "$source/resources/クイルモア.data" "$qmora/Quillmoor.data"

echo "== textures and model through WGL"
wine "$probe" 2>/dev/null | tr -d '\r' >"$out/probe.log"
status=${PIPESTATUS[0]}
cat "$out/probe.log"
[ "$status" -eq 0 ] || fail "probe exit status $status"
expect_line "$out/probe.log" "pictures 1"
expect_line "$out/probe.log" "ground.quarters ff0000 0000ff 00ff00 ffffff"
expect_line "$out/probe.log" "smoke.size 64x64"
grep -qE '^smoke.centre ([0-9a-f]{2})\1\1$' "$out/probe.log" && ! grep -qx 'smoke.centre 000000' "$out/probe.log" \
  || fail "the smoke texture's centre is not a grey"
expect_line "$out/probe.log" "model 1"
pixels=$(sed -n 's/^model.pixels //p' "$out/probe.log")
[ "${pixels:-0}" -gt 2000 ] || fail "the wheel covered ${pixels:-no} pixels"

echo "== an empty ground picture: the reader's message box, then the run goes on"
: >"$qmora/Quillmoor1.bmp"
wine "$probe" 2>/dev/null | tr -d '\r' >"$out/probe-empty.log" &
runner=$!
box=""
for _ in $(seq 1 100); do
  box=$(xdotool search --name '^Error$' 2>/dev/null | head -n 1)
  [ -n "$box" ] && break
  sleep 0.2
done
if [ -n "$box" ]; then
  sleep 0.5
  import -window root "$out/error-box.png" 2>/dev/null || true
  xdotool key --window "$box" Return
else
  fail "no message box titled Error appeared"
fi
wait "$runner"
cat "$out/probe-empty.log"
expect_line "$out/probe-empty.log" "pictures 1"
expect_line "$out/probe-empty.log" "ground.name 0"
expect_line "$out/probe-empty.log" "smoke.size 64x64"

echo "== no pictures at all"
rm -f "$qmora/Quillmoor1.bmp" "$qmora/Quillmoor2.bmp"
wine "$probe" 2>/dev/null | tr -d '\r' >"$out/probe-none.log"
expect_line "$out/probe-none.log" "pictures 0"

echo "$failures failures"
exit $((failures > 0))
