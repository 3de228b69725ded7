#!/usr/bin/env bash
# The screen saver as the system starts it: a second instance refused, the missing renderer
# reported, an unknown mode ending quietly, and the renderer found under a Western code page (its
# absence told in English there).
#
# usage: saver_e2e.sh SAVER.scr RENDERER.dll WIN_POKE.exe SOURCE_DIR
set -uo pipefail
saver=$1 renderer=$2 poke=$3 source=$4
. "$(dirname "$0")/lib.sh"

# Two installations: a complete one, and one without the renderer.
ok="$WINEPREFIX/drive_c/qm_ok" nodll="$WINEPREFIX/drive_c/qm_nodll"
install_programs "$ok" "$saver" "$renderer" "$source/resources/クイルモア.data"
install_programs "$nodll" "$saver"
title="クイルモア"

run_saver() {  # folder, arguments...; sets pid
  local folder=$1
  shift
  wine "$folder/クイルモア.scr" "$@" </dev/null >/dev/null 2>&1 &
  pid=$!
}

echo "== a session or the dialog already open: every mode ends at once, nothing created"
for holder in Quillmoor_Main "<クイルモア>" "<Quillmoor>"; do  # the dialog open in either language
  wine "$poke" hold "$holder" 30 </dev/null >"$E2E_OUT/hold.log" 2>&1 &
  hold_pid=$!
  for _ in $(seq 1 100); do grep -q holding "$E2E_OUT/hold.log" && break; sleep 0.1; done
  for args in /s /c "/p 0" ""; do
    rm -rf "$QMORA"
    run_saver "$nodll" $args
    reap "$pid" "'$args' with '$holder' open"
    [ -d "$QMORA" ] && fail "'$args' with '$holder' open created C:\\q_mora"
  done
  kill "$hold_pid" 2>/dev/null
  wait "$hold_pid" 2>/dev/null
done

echo "== no renderer beside the saver: the message, then the end"
for args in /s /c; do
  rm -rf "$QMORA"
  run_saver "$nodll" $args
  box=$(x_window "$title" 100)
  if [ -z "$box" ]; then
    fail "'$args': no message box captioned $title"
  else
    text=$(wine "$poke" text "$title" | tr -d '\r')
    grep -qxF 'クイルモア.dll が同じﾌｫﾙﾀﾞに見つかりません！' <<<"$text" || fail "'$args': box text '$text'"
    sleep 0.5
    import -window root "$E2E_OUT/saver-no-renderer.png" 2>/dev/null
    kill -0 "$pid" 2>/dev/null || fail "'$args' ended before OK was pressed"
    send_until "$box" "'$args' to end after OK" gone "$pid" -- key Return
  fi
  reap "$pid" "'$args' without a renderer"
  [ -d "$QMORA" ] || fail "'$args' did not create C:\\q_mora first"
done

echo "== an unknown mode: the folder made, the settings read, then the end"
for lang in ja_JP.UTF-8 en_US.UTF-8; do
  rm -rf "$QMORA"
  LANG=$lang run_saver "$ok" /a
  wait_gone "$pid" 100 || fail "/a under $lang did not end by itself (renderer not found?)"
  [ -n "$(xdotool search --name "^$title\$" 2>/dev/null)" ] && fail "/a under $lang showed a window"
  reap "$pid" "/a under $lang" 1
  [ -d "$QMORA" ] || fail "/a under $lang did not create C:\\q_mora"
done

echo "== under a Western code page the renderer's absence is still noticed, and told in English"
LANG=en_US.UTF-8 run_saver "$nodll" /a
box=$(x_window Quillmoor 100)
if [ -n "$box" ]; then
  text=$(wine "$poke" text Quillmoor | tr -d '\r')
  grep -qxF "クイルモア.dll is missing from this screen saver's folder." <<<"$text" || fail "the English box says '$text'"
  send_until "$box" "the saver to end after OK" gone "$pid" -- key Return
else
  fail "no message captioned Quillmoor under en_US without the renderer"
fi
reap "$pid" "the saver under en_US without the renderer"

echo "$failures failures"
exit $((failures > 0))
