#!/usr/bin/env bash
# The renderer's readers and textures in a real Windows program under Wine, drawing through WGL
# on the X display; the picture reader's message box found on screen and dismissed as a user
# would.
#
# usage: run_e2e.sh GL_PROBE.exe SOURCE_DIR
set -uo pipefail
probe=$1 source=$2
. "$(dirname "$0")/lib.sh"
prepare_exchange "$source"

echo "== textures and model through WGL"
timeout 60 wine "$probe" 2>/dev/null | tr -d '\r' >"$E2E_OUT/probe.log"
status=${PIPESTATUS[0]}
cat "$E2E_OUT/probe.log"
[ "$status" -eq 0 ] || fail "probe exit status $status"
expect_line "$E2E_OUT/probe.log" "pictures 1"
expect_line "$E2E_OUT/probe.log" "ground.quarters ff0000 0000ff 00ff00 ffffff"
expect_line "$E2E_OUT/probe.log" "smoke.size 64x64"
grep -qE '^smoke.centre ([0-9a-f]{2})\1\1$' "$E2E_OUT/probe.log" && ! grep -qx 'smoke.centre 000000' "$E2E_OUT/probe.log" \
  || fail "the smoke texture's centre is not a grey"
expect_line "$E2E_OUT/probe.log" "model 1"
pixels=$(sed -n 's/^model.pixels //p' "$E2E_OUT/probe.log")
[ "${pixels:-0}" -gt 2000 ] || fail "the wheel covered ${pixels:-no} pixels"

echo "== an empty ground picture: the reader's message box, then the run goes on"
: >"$QMORA/Quillmoor1.bmp"
timeout 60 wine "$probe" 2>/dev/null | tr -d '\r' >"$E2E_OUT/probe-empty.log" &
runner=$!
box=$(x_window Error 100)
if [ -n "$box" ]; then
  sleep 0.5
  import -window root "$E2E_OUT/error-box.png" 2>/dev/null || true
  send_until "$box" "the message box to close" not_shown "$box" -- key Return ||
    wine taskkill /f /im "$(basename "$probe")" </dev/null >/dev/null 2>&1
else
  fail "no message box titled Error appeared"
  wine taskkill /f /im "$(basename "$probe")" </dev/null >/dev/null 2>&1
fi
wait "$runner"
cat "$E2E_OUT/probe-empty.log"
expect_line "$E2E_OUT/probe-empty.log" "pictures 1"
expect_line "$E2E_OUT/probe-empty.log" "ground.name 0"
expect_line "$E2E_OUT/probe-empty.log" "smoke.size 64x64"

echo "== no pictures at all"
rm -f "$QMORA/Quillmoor1.bmp" "$QMORA/Quillmoor2.bmp"
timeout 60 wine "$probe" 2>/dev/null | tr -d '\r' >"$E2E_OUT/probe-none.log"
expect_line "$E2E_OUT/probe-none.log" "pictures 0"

echo "$failures failures"
exit $((failures > 0))
