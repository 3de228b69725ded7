# Shared by the end-to-end scripts: needs WINEPREFIX and DISPLAY (scripts/test sets both).
# Pictures and logs go to a folder of the architecture under test (QM_ARCH, set by ctest).
: "${WINEPREFIX:?}" "${DISPLAY:?}"
E2E_OUT=${QM_E2E_OUT:-$PWD/e2e-out}${QM_ARCH:+/$QM_ARCH}
# Wine as the rest of the project runs it (the loader for the program's architecture).
wine_bin=$(cd "$(dirname "${BASH_SOURCE[0]}")/../../scripts/lib/wine-bin" && pwd)
. "$(dirname "${BASH_SOURCE[0]}")/../../scripts/lib/wineserver.sh"
case ":$PATH:" in *":$wine_bin:"*) ;; *) PATH="$wine_bin:$PATH" ;; esac
mkdir -p "$E2E_OUT"
QMORA="$WINEPREFIX/drive_c/q_mora"
mkdir -p "$QMORA"
failures=0

fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

expect_line() {  # log, exact line
  grep -qxF -- "$2" "$1" || fail "expected '$2' in $(basename "$1")"
}

# The exchange files of a session: a 1366-wide ground picture (every row padded) with red and
# blue quarters at the bottom and green and white at the top, the smoke puff, the wheel.
prepare_exchange() {  # source dir
  convert \( -size 683x384 xc:'#00ff00' xc:'#ffffff' +append \) \( -size 683x384 xc:'#ff0000' xc:'#0000ff' +append \) \
    -append -type TrueColor BMP3:"$QMORA/Quillmoor1.bmp"
  cp "$1/resources/smoke.bmp" "$QMORA/Quillmoor2.bmp"
  cp "$1/resources/クイルモア.data" "$QMORA/Quillmoor.data"
}

# A fresh folder holding the given files side by side, as a user installs them.
install_programs() {  # folder, files...
  local folder=$1
  shift
  rm -rf "$folder"
  mkdir -p "$folder"
  cp "$@" "$folder/"
}

# The X id of the first window whose title is exactly $1, waiting up to $2 tenths of a second.
x_window() {
  local id="" i
  for i in $(seq 1 "${2:-100}"); do
    id=$(xdotool search --name "^$1\$" 2>/dev/null | head -n 1)
    [ -n "$id" ] && break
    sleep 0.1
  done
  echo "$id"
}

# The share (0..1) of the screenshot's pixels within 25% of colour $2.
colour_share() {
  convert "$1" -fuzz 25% -fill black +opaque "$2" -fill white -opaque "$2" -colorspace Gray -format '%[fx:mean]' info:
}

# Waits up to $2 tenths of a second for process $1 to end; true when it did.
wait_gone() {
  local i
  for i in $(seq 1 "$2"); do
    kill -0 "$1" 2>/dev/null || return 0
    sleep 0.1
  done
  return 1
}

# Presses a key in window $1 as a user would: the window gets the X input focus and the key
# goes through the X test extension, so its release reaches whichever window has the focus
# afterwards (a box that closes on the press cannot take its own release).
press() {  # X window, key
  xdotool windowfocus --sync "$1" 2>/dev/null
  xdotool key "$2"
}

# An ALSA configuration under which whatever Wine plays lands in a raw file.
audio_to_file_config() {  # config path, audio file
  printf '</usr/share/alsa/alsa.conf>\npcm.!default { type file; slave.pcm "null"; file "%s"; format "raw" }\n' \
    "$2" >"$1"
}

# Opens the settings dialog (/c) of the saver $1 as a user would, with the tool $2 that finds
# windows (win_poke); sets pid and ox, oy (the client area's place on the screen).
open_dialog_of() {  # saver, win_poke
  wine "$1" /c </dev/null >/dev/null 2>&1 &
  pid=$!
  [ -n "$(x_window "<クイルモア>" 150)" ] || fail "no settings dialog"
  sleep 1
  read -r ox oy < <(wine "$2" origin "QuillmoorSettings|<クイルモア>" | tr -d '\r')
}

# A click at (x, y) of the dialog's client area opened by open_dialog_of.
click() {  # client x, y
  xdotool mousemove $((ox + $1)) $((oy + $2)) click 1
  sleep 0.3
}

# A short session: /s, the renderer's window, a second of the scene, Escape, and the end.
# Variables set before the call (ALSA_CONFIG_PATH=...) reach the programs.
brief_session() {  # saver, the case (for messages)
  local pid window
  wine "$1" /s </dev/null >/dev/null 2>&1 &
  pid=$!
  window=$(x_window Quillmoor_VC 200)
  [ -n "$window" ] || fail "no renderer $2"
  sleep 1
  [ -n "$window" ] && press "$window" Escape
  wait_gone "$pid" 50 || fail "the session $2 did not end after Escape"
  wait "$pid"
}

# A session's end as Wine's trace (WINEDEBUG=+cursor,+mci) shows it: after the last status
# query, the MP3 stopped and closed and then the cursor shown (its count back at 0); and the
# cursor was hidden at the start.
expect_mp3_stopped_then_cursor_shown() {  # trace log
  local text="${1%.log}.txt" calls
  tr -d '\r' <"$1" >"$text"
  calls=$(grep -E 'mciSendStringW \(L"(stop|close) MP3Play"|NtUserShowCursor' "$text" |
    sed -E 's/^[0-9a-f]+:trace:[a-z]+://' | tail -n 3 | tr '\n' '|')
  echo "last calls: $calls"
  [[ $calls == *'stop MP3Play'*'close MP3Play'*'NtUserShowCursor 1, count=0|' ]] ||
    fail "the end did not stop and close the MP3 and then show the cursor: $calls"
  grep -q 'NtUserShowCursor 0, count=-1' "$text" || fail "the cursor was never hidden"
}

# Kills this run's renderer as Windows would ("taskkill /f"): through this prefix's own Wine
# server, which knows only this run's processes, so another run's renderer on the same machine
# is never hit. True when one was killed.
kill_renderer() {
  wine taskkill /f /im クイルモア.dll </dev/null >/dev/null 2>&1
}

# Ends the persistent Wine server and starts it again, on $DISPLAY and with the registry as it
# now stands (the screen's DPI is read once, when the server starts).
restart_wine() {
  wineserver -k </dev/null >/dev/null 2>&1
  wineserver -w </dev/null >/dev/null 2>&1
  (setsid wineserver -p </dev/null >/dev/null 2>&1 &)
  qm_wait_prefix_server || fail "no Wine server for $WINEPREFIX after 5 s"
  wine cmd /c exit </dev/null >/dev/null 2>&1
}
