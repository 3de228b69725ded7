# Shared by the end-to-end scripts: needs WINEPREFIX and DISPLAY (scripts/test sets both; a
# script run without them is skipped with ctest's skip code).
# Pictures and logs go to a folder of the architecture under test (QM_ARCH, set by ctest).
if [ -z "${WINEPREFIX:-}" ] || [ -z "${DISPLAY:-}" ]; then
  echo "skipped: run through scripts/test (no Wine prefix or X display here)"
  exit 77
fi
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
# Ends the script where nothing after a failure can be tested.
give_up() { echo "$failures failures (the rest not tested)"; exit 1; }

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

# True once the command succeeds, tried until $1 seconds have passed (each try as long as it takes).
# The watcher's processes of this prefix, from the Linux side: those running a saver file whose
# path ends in `watcher_path` (a grep pattern; any saver unless set) with /w.
watcher_pids() {
  local p
  for p in /proc/[0-9]*; do
    { grep -qzxF "WINEPREFIX=$WINEPREFIX" "$p/environ" &&
      tr '\0' ' ' <"$p/cmdline" | grep -q "${watcher_path:-}クイルモア\.scr /w *\$" && echo "${p#/proc/}"; } 2>/dev/null
  done
}
watcher_running() { [ -n "$(watcher_pids)" ]; }
watcher_gone() { ! watcher_running; }

within() {  # seconds, command...
  local end=$(($(date +%s%N) + $1 * 1000000000))
  shift
  until "$@"; do
    [ "$(date +%s%N)" -ge "$end" ] && return 1
    sleep 0.1
  done
}

# True once process $1 has ended.
gone() { ! kill -0 "$1" 2>/dev/null; }

# True while X window $1 exists and is shown.
shown() { xwininfo -id "$1" 2>/dev/null | grep -q 'IsViewable'; }
not_shown() { ! shown "$1"; }

# Makes X window $1 the input focus and checks that it has it; true when it does within 2 s.
focus_window() {
  local i
  for i in $(seq 1 20); do
    xdotool windowfocus "$1" >/dev/null 2>&1
    [ "$(xdotool getwindowfocus 2>/dev/null)" = "$1" ] && return 0
    sleep 0.1
  done
  return 1
}

# Input that is not lost: sends input as a user would until its effect shows, the way a user who
# sees nothing happen tries again. Each try makes the window the X input focus and checks that
# it has it, sends the input (keys and clicks through the X test extension, so a key's release
# reaches whichever window has the focus afterwards), and gives the effect QM_INPUT_WAIT seconds
# (3); after QM_INPUT_TRIES tries (4) the test fails, naming the input and what it waited for.
# The effect is asked before every try, so nothing more is sent once it has come. True when it
# came.
#   send_until WINDOW "what it waits for" CHECK [ARG...] -- key KEY... | click X Y | run COMMAND...
# WINDOW: the X window that takes the input; "-" for none (a window of Wine's virtual desktop is
# no X window: its input is a command that finds it itself). CHECK: a command that succeeds once
# the effect is there. Click coordinates are the screen's.
send_until() {
  local window=$1 effect=$2 check=() try end note=""
  shift 2
  while [ $# -gt 0 ] && [ "$1" != -- ]; do check+=("$1"); shift; done
  shift
  for try in $(seq 1 "$QM_INPUT_TRIES"); do
    "${check[@]}" && return 0
    if [ "$window" != - ]; then
      if ! shown "$window"; then
        note=" (the window had gone)"
      elif ! focus_window "$window"; then
        note=" (the window would not take the focus)"
      else
        note=""
        case $1 in
          key) xdotool key "${@:2}" ;;
          click) xdotool mousemove "$2" "$3" click 1 ;;
          run) "${@:2}" ;;
        esac
      fi
    else
      "${@:2}"
    fi
    end=$(($(date +%s%N) + QM_INPUT_WAIT * 1000000000))
    while [ "$(date +%s%N)" -lt "$end" ]; do
      "${check[@]}" && return 0
      sleep 0.1
    done
  done
  "${check[@]}" && return 0
  fail "$*: no sign of $effect after $QM_INPUT_TRIES tries, $((QM_INPUT_TRIES * QM_INPUT_WAIT)) s$note"
  return 1
}
QM_INPUT_TRIES=${QM_INPUT_TRIES:-4}
QM_INPUT_WAIT=${QM_INPUT_WAIT:-3}

# Escape to a renderer's window until process $2 (the renderer, or the saver that follows it)
# has ended; then its status, as reap gives it.
escape_until_gone() {  # X window, pid, what ends (for messages)
  send_until "$1" "$3 to end" gone "$2" -- key Escape
  reap "$2" "$3"
}

# Waits for process $1 of this script to end, up to $3 tenths of a second (50); where it has not,
# fails naming $2 and ends it by force, with this run's renderer (which a killed saver leaves
# behind), so that a hang costs seconds and not the test's time limit. Returns its status.
reap() {  # pid, what, [tenths]
  if ! wait_gone "$1" "${3:-50}"; then
    fail "$2 was still running after $((${3:-50} / 10)) s: ended by force"
    kill -9 "$1" 2>/dev/null
    kill_renderer
  fi
  wait "$1"
}

# However a script ends, what it started ends with it, so that the next test starts on a clean
# desktop: any renderer or saver left in its prefix, and its background jobs; then what the
# script asked for with at_exit, in order.
qm_exit_actions=()
at_exit() { qm_exit_actions+=("$1"); }
qm_on_exit() {
  local jobs action
  if [ -f "$WINEPREFIX/system.reg" ]; then
    wine taskkill /f /im クイルモア.dll </dev/null >/dev/null 2>&1
    wine taskkill /f /im クイルモア.scr </dev/null >/dev/null 2>&1
  fi
  jobs=$(jobs -p)
  [ -n "$jobs" ] && kill $jobs 2>/dev/null
  for action in "${qm_exit_actions[@]}"; do eval "$action"; done
  return 0
}
trap qm_on_exit EXIT

# An ALSA configuration under which whatever Wine plays lands in a raw file.
audio_to_file_config() {  # config path, audio file
  printf '</usr/share/alsa/alsa.conf>\npcm.!default { type file; slave.pcm "null"; file "%s"; format "raw" }\n' \
    "$2" >"$1"
}

# The settings dialog's title: Japanese, as the tests' Wine speaks it (LANG); a test that starts
# the saver in another language sets the English one.
dialog_title="<クイルモア>"

# Opens the settings dialog (/c) of the saver $1 as a user would, with the tool $2 that finds
# windows (win_poke), the pointer out of its way; sets pid, dialog (its X window) and ox, oy
# (the client area's place on the screen). True when it opened.
open_dialog_of() {  # saver, win_poke
  poke_tool=$2
  xdotool mousemove 0 0  # the pointer away from where the dialog opens: its buttons at rest
  wine "$1" /c </dev/null >/dev/null 2>&1 &
  pid=$!
  dialog=$(x_window "$dialog_title" 150)
  if [ -z "$dialog" ]; then
    fail "no settings dialog"
    reap "$pid" "a saver without its dialog" 1
    return 1
  fi
  sleep 1
  # The window is on the X display before Wine lists it to another program on a busy machine.
  local _
  for _ in $(seq 1 50); do
    read -r ox oy < <(wine "$2" origin "QuillmoorSettings|$dialog_title" | tr -d '\r') && [ -n "$oy" ] && return 0
    sleep 0.1
  done
  fail "the settings dialog's place could not be read"
  return 1
}

# Clicks (x, y) of the client area of the dialog opened by open_dialog_of until CHECK holds.
click_until() {  # client x, y, what it waits for, CHECK [ARG...]
  local x=$1 y=$2 effect=$3
  shift 3
  send_until "$dialog" "$effect" "$@" -- click $((ox + x)) $((oy + y))
}

# Clicks the dialog's button at client (x, y) until the dialog has closed, and reaps it.
close_dialog_with() {  # client x, y, the button's name
  click_until "$1" "$2" "the dialog to close on $3" gone "$pid"
  reap "$pid" "the dialog after $3"
}

# The mark of source $1 (0 none, 1 the audio CD, 2 a music file) is the chosen one: blue in its
# middle (the dialog at 96 DPI).
source_chosen() {
  local y rgb
  y=$((16 + 1 + (76 + (${1} == 1 ? -20 : ${1} == 2 ? 20 : 0)) + 6))
  rgb=$(import -window root -crop 1x1+$((ox + 12 + 1 + 28 + 6))+$((oy + y)) -depth 8 txt:- 2>/dev/null |
    sed -n 's/.*(\([0-9]*\),\([0-9]*\),\([0-9]*\).*/\1 \2 \3/p' | head -n 1)
  read -r r g b <<<"$rgb"
  [ -n "${b:-}" ] && [ "$b" -gt $((r + 60)) ]
}

# The dialog's repeat box shows exactly $1.
repeat_shows() { wine "$poke_tool" text "QuillmoorSettings|$dialog_title" | tr -d '\r' | grep -qxF -- "$1"; }

# Chooses the audio CD and types track $1 into the repeat box, each step until it shows.
choose_cd_track() {
  click_until $((12 + 60)) $((16 + 62)) "the audio CD to be chosen" source_chosen 1   # its label
  send_until "$dialog" "the repeat box to show $1" repeat_shows "$1" -- run type_into_repeat "$1"
}
type_into_repeat() {
  xdotool mousemove $((ox + 12 + 120)) $((oy + 16 + 61)) click 1
  sleep 0.2
  xdotool key ctrl+a "$1"
}

# Process $1 (a renderer, or a saver that starts one): its renderer's window within 20 s, a
# second of the scene, then Escape until the process has ended; a failure names $2. Returns
# the process's status.
run_then_escape() {  # pid, what ends
  local window
  window=$(x_window Quillmoor_VC 200)
  if [ -z "$window" ]; then
    fail "no renderer window for $2"
    reap "$1" "$2" 1
    return
  fi
  sleep 1
  escape_until_gone "$window" "$1" "$2"
}

# Process $1 ends within $2 tenths of a second and no renderer window shows meanwhile; a failure
# names $3. Returns the process's status.
ends_without_window() {  # pid, tenths, what
  local seen="" i
  for i in $(seq 1 "$2"); do
    gone "$1" && break
    [ -n "$(xdotool search --name '^Quillmoor_VC$' 2>/dev/null)" ] && seen=1
    sleep 0.1
  done
  [ -z "$seen" ] || fail "a renderer window appeared: $3"
  reap "$1" "$3" 1
}

# A short session: /s, the renderer's window, a second of the scene, Escape, and the end.
# Variables set before the call (ALSA_CONFIG_PATH=...) reach the programs.
brief_session() {  # saver, the case (for messages)
  wine "$1" /s </dev/null >/dev/null 2>&1 &
  run_then_escape $! "the session $2"
}

# The screen's DPI for this test: Wine reads it when its server starts, so the server starts
# again; the prefix's own setting comes back when the test ends, whatever happens.
screen_dpi() {  # dpi
  local key='HKCU\Control Panel\Desktop'
  if [ -z "${qm_dpi_before+set}" ]; then
    qm_dpi_before=$(wine reg query "$key" /v LogPixels 2>/dev/null | tr -d '\r' | awk '$1 == "LogPixels" {print $3}')
    at_exit qm_restore_dpi
  fi
  wine reg add "$key" /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1
  restart_wine
}
qm_restore_dpi() {
  local key='HKCU\Control Panel\Desktop'
  if [ -n "$qm_dpi_before" ]; then
    wine reg add "$key" /v LogPixels /t REG_DWORD /d $((qm_dpi_before)) /f >/dev/null 2>&1
  else
    wine reg delete "$key" /v LogPixels /f >/dev/null 2>&1
  fi
  restart_wine
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

# Starts an X server of this test's own (Xvfb or Xephyr, with its arguments) on a display number
# it picks itself among the free ones, and waits until it answers; sets x_display (":N"). It is
# one of the script's background jobs, ended with it. False when it did not start.
own_x_server() {  # server, arguments...
  local number i
  number=$(mktemp "$E2E_OUT/display.XXXXXX")
  "$@" -displayfd 1 -nolisten tcp -noreset </dev/null >"$number" 2>/dev/null &
  x_display=""
  for i in $(seq 1 100); do
    if [ -s "$number" ] && DISPLAY=":$(head -n 1 "$number")" xdpyinfo >/dev/null 2>&1; then
      x_display=":$(head -n 1 "$number")"
      break
    fi
    sleep 0.1
  done
  rm -f "$number"
  [ -n "$x_display" ]
}

# Drive N: over a folder (made empty), which Wine calls a network drive: files there, or reached
# through links to them, lie on a share as far as a program can tell. Wine reads a drive's kind
# as its server starts: restart it after. Gone when the script ends.
network_drive() {  # folder
  local drives='HKLM\Software\Wine\Drives'
  rm -rf "$1"
  mkdir -p "$1"
  ln -sfn "$1" "$WINEPREFIX/dosdevices/n:"
  wine reg add "$drives" /v n: /d network /f </dev/null >/dev/null 2>&1
  at_exit "rm -f '$WINEPREFIX/dosdevices/n:'; wine reg delete '$drives' /v n: /f </dev/null >/dev/null 2>&1; rm -rf '$1'"
}

# The Windows path of a file of this machine (Z:\...).
windows_path() { winepath -w "$1" 2>/dev/null | tr -d '\r'; }

# The user's wallpaper as their desktop keeps it: the file (a path here, "" for none), the
# WallpaperStyle and TileWallpaper values, the background colour ("R G B"), and the policy's
# WallpaperStyle where given. Written in one registry import; the first call arranges that the
# prefix's own values come back when the script ends, however it ends.
set_wallpaper() {  # file, style, tile, background, [policy style]
  local file="" reg="$E2E_OUT/wallpaper-values.reg"
  if [ -z "${qm_background_before+set}" ]; then
    qm_background_before=$(wine reg query 'HKCU\Control Panel\Colors' /v Background 2>/dev/null | tr -d '\r' |
      sed -n 's/.*Background *REG_SZ *//p')
    at_exit qm_restore_wallpaper
  fi
  [ -n "$1" ] && file=$(windows_path "$1" | sed 's/\\/\\\\/g')
  {
    printf 'REGEDIT4\r\n\r\n[%s]\r\n"Wallpaper"="%s"\r\n' "$qm_desktop_key" "$file"
    if [ -n "$2" ]; then printf '"WallpaperStyle"="%s"\r\n"TileWallpaper"="%s"\r\n' "$2" "$3"; else
      printf '"WallpaperStyle"=-\r\n"TileWallpaper"=-\r\n'; fi
    printf '\r\n[HKEY_CURRENT_USER\\Control Panel\\Colors]\r\n"Background"="%s"\r\n' "$4"
    printf '\r\n[%s]\r\n' "$qm_policy_key"
    if [ -n "${5:-}" ]; then printf '"WallpaperStyle"="%s"\r\n' "$5"; else printf '"WallpaperStyle"=-\r\n'; fi
  } >"$reg"
  wine regedit /S "$(windows_path "$reg")" </dev/null >/dev/null 2>&1
}
qm_desktop_key='HKEY_CURRENT_USER\Control Panel\Desktop'
qm_policy_key='HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Policies\System'
qm_restore_wallpaper() { set_wallpaper "" "" "" "${qm_background_before:-58 110 165}"; }

# Ends the persistent Wine server and starts it again, on $DISPLAY with its own monitors and with
# the registry as it now stands (the screen's DPI is read once, when the server starts).
restart_wine() {
  wineserver -k </dev/null >/dev/null 2>&1
  wineserver -w </dev/null >/dev/null 2>&1
  (setsid wineserver -p </dev/null >/dev/null 2>&1 &)
  qm_wait_prefix_server || fail "no Wine server for $WINEPREFIX after 5 s"
  qm_forget_monitors
  wine cmd /c exit </dev/null >/dev/null 2>&1
}
