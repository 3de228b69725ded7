#!/usr/bin/env bash
# The preview in the settings page's pane: a child of the saver fills the pane, nothing else
# happens (no exchange folder, no renderer), and the saver ends with the pane.
#
# usage: preview_e2e.sh SAVER.scr PREVIEW_HOST.exe WIN32_TESTS.exe SOURCE_DIR
set -uo pipefail
saver=$1 host=$2 win32_tests=$3 source=$4
. "$(dirname "$0")/lib.sh"

for form in space colon; do
  echo "== /p with the handle after a ${form}"
  rm -rf "$QMORA"
  log="$E2E_OUT/preview-$form.log"
  timeout 60 wine "$host" "$saver" "$form" </dev/null 2>/dev/null >"$log.raw" &
  runner=$!
  for _ in $(seq 1 100); do grep -q ready "$log.raw" && break; sleep 0.1; done
  import -window root "$E2E_OUT/preview-$form-screen.png" 2>/dev/null
  convert "$E2E_OUT/preview-$form-screen.png" -crop 152x112+100+100 +repage "$E2E_OUT/preview-$form.png"
  [ -n "$(xdotool search --name '^Quillmoor_VC$' 2>/dev/null)" ] && fail "a renderer started"
  wait "$runner"
  tr -d '\r' <"$log.raw" >"$log"
  cat "$log"
  expect_line "$log" "saver.running 1"
  expect_line "$log" "child 152x112 at 0,0 visible 1"
  expect_line "$log" "saver.ended_with_pane 1"
  [ -d "$QMORA" ] && fail "the preview created C:\\q_mora"
  # What the child draws is checked in the Win32 ring, in a pane of the test's own process:
  # Wine 8 here does not show a child's drawing inside another process's window.
done

echo "== a handle that is no window: the saver ends at once"
log="$E2E_OUT/preview-bogus.log"
timeout 60 wine "$host" "$saver" bogus </dev/null 2>/dev/null | tr -d '\r' >"$log"
cat "$log"
expect_line "$log" "saver.running 0"

echo "== the preview as it shows on screen (a pane of the drawing process, see above)"
timeout 60 wine "$win32_tests" --gtest_filter=Win32Preview.FillsThePaneUntilThePaneGoes </dev/null >"$E2E_OUT/preview-pane.log" 2>&1 &
runner=$!
pane=$(x_window pane 100)
if [ -n "$pane" ]; then
  sleep 0.4
  import -window root -crop 152x112+50+50 +repage "$E2E_OUT/preview-pane.png"
  # The screen shows the shipped picture one to one.
  error=$(compare -metric MAE "$E2E_OUT/preview-pane.png" "$source/resources/preview.bmp" null: 2>&1 | sed -n 's/.*(\(.*\)).*/\1/p')
  echo "the pane on screen against the shipped picture: mean error ${error:-?}"
  awk -v e="${error:-1}" 'BEGIN { exit !(e < 0.03) }' || fail "the pane on screen does not show the preview picture"
else
  fail "no pane window on screen"
fi
wait "$runner" || fail "the in-process preview test failed (status $?; 124: still running after 60 s)"

echo "$failures failures"
exit $((failures > 0))
