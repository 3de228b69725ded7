#!/usr/bin/env bash
# Nothing crosses between users: the exchange folder and the session's files are private; a link
# in the folder's place is not written through, nor does a stale entry where a file goes (a
# folder, a file another program holds open) silence the saver: the session goes through the
# user's own folder; a held file is never read, nor written over; texture names in a planted
# model, however spelt, never reach a share, a device, a pipe or a stream (Wine's +file trace
# shows every file the renderer opens), nor do exchange pictures that are links to a network
# drive. Wine keeps an access list as Unix mode bits and every user is the same here: "private"
# reads back as no entry for Everyone, Users or Authenticated Users.
#
# usage: privacy_e2e.sh SAVER.scr RENDERER.dll WIN_POKE.exe SOURCE_DIR
set -uo pipefail
saver=$1 renderer=$2 poke=$3 source=$4
. "$(dirname "$0")/lib.sh"

install="$WINEPREFIX/drive_c/qm_privacy"
install_programs "$install" "$saver" "$renderer" "$source/resources/クイルモア.data"
own="$(winepath -u "$(wine cmd /c echo %LOCALAPPDATA% </dev/null 2>/dev/null | tr -d '\r')" 2>/dev/null)/Quillmoor"
elsewhere="$WINEPREFIX/drive_c/qm_elsewhere"
restore() { [ -L "$QMORA" ] && rm -f "$QMORA"; mkdir -p "$QMORA"; rm -rf "$elsewhere"; }
at_exit restore

private() {  # Windows path
  local acl
  acl=$(wine "$poke" acl "$1" | tr -d '\r')
  [ -n "$acl" ] && ! grep -qE ';;;(WD|BU|AU)\)' <<<"$acl" || { echo "$1: $acl"; return 1; }
}

echo "== a session's folder and files: private, even where the folder was open to all"
rm -rf "$QMORA"
mkdir -p "$QMORA"
chmod 777 "$QMORA"
touch "$QMORA/Quillmoor1.bmp"  # left open to all by someone
chmod 666 "$QMORA/Quillmoor1.bmp"
brief_session "$install/クイルモア.scr" "over an open folder"
for path in 'C:\q_mora' 'C:\q_mora\Quillmoor1.bmp' 'C:\q_mora\Quillmoor2.bmp' 'C:\q_mora\Quillmoor.data'; do
  private "$path" || fail "$path is not private"
done
[ -s "$QMORA/Quillmoor1.bmp" ] || fail "no photograph written"
[ -z "$(ls "$QMORA" | grep -v '^Quillmoor[12]\.bmp$\|^Quillmoor\.data$')" ] || fail "files left beside the three: $(ls "$QMORA")"

echo "== a link in the folder's place: not written through, nor deleted through; the user's own folder instead"
rm -rf "$QMORA" "$own"
mkdir -p "$elsewhere"
echo theirs >"$elsewhere/Quillmoor1_m5_5_5x5.bmp"  # named as an old photograph of a monitor
ln -s "$elsewhere" "$QMORA"
brief_session "$install/クイルモア.scr" "with a link for the folder"
[ "$(ls -A "$elsewhere")" = Quillmoor1_m5_5_5x5.bmp ] || fail "written or deleted through the link: $(ls "$elsewhere")"
for f in Quillmoor1.bmp Quillmoor2.bmp Quillmoor.data; do
  [ -s "$own/$f" ] || fail "$f is not in the user's own folder"
done
private 'C:\users\'"$(whoami)"'\AppData\Local\Quillmoor' || fail "the user's own folder is not private"
restore

# A session whose fixed folder cannot take its files (a stale entry where one goes): it goes
# through the user's own folder instead, and leaves the entry as it was.
session_through_own_folder() {  # the case
  rm -rf "$own"
  brief_session "$install/クイルモア.scr" "$1"
  for f in Quillmoor1.bmp Quillmoor2.bmp Quillmoor.data; do
    [ -s "$own/$f" ] || fail "$1: $f is not in the user's own folder"
  done
}

echo "== a folder where a file goes: the session goes through the user's own folder"
prepare_exchange "$source"
rm -f "$QMORA/Quillmoor2.bmp"
mkdir "$QMORA/Quillmoor2.bmp"
session_through_own_folder "with a folder in a file's place"
[ -d "$QMORA/Quillmoor2.bmp" ] || fail "the folder in a file's place was touched"
rmdir "$QMORA/Quillmoor2.bmp"

echo "== a file held open for writing by another program: never written over, never read"
prepare_exchange "$source"
cp "$QMORA/Quillmoor.data" "$E2E_OUT/privacy-held.data"
wine "$poke" holdfile 'C:\q_mora\Quillmoor.data' 30 </dev/null >"$E2E_OUT/privacy-hold.log" 2>&1 &
holder=$!
for _ in $(seq 1 100); do grep -q holding "$E2E_OUT/privacy-hold.log" 2>/dev/null && break; sleep 0.1; done
session_through_own_folder "beside a held file"
cmp -s "$QMORA/Quillmoor.data" "$E2E_OUT/privacy-held.data" || fail "the held file was written over"
# The renderer alone (as an older saver would start it) takes the held model for missing.
wine "$renderer" </dev/null >/dev/null 2>&1 &
pid=$!
reap "$pid" "the renderer without its model" 100
[ -z "$(xdotool search --name '^Quillmoor_VC$' 2>/dev/null)" ] || fail "the renderer opened a window on a held model"
kill "$holder" 2>/dev/null
wait "$holder" 2>/dev/null

echo "== exchange pictures that are links to a network drive: never read (the renderer ends as without them)"
# A drive of Wine's that it calls a network drive, and the two pictures links to pictures there.
network="$E2E_OUT/privacy-network"
network_drive "$network"
restart_wine
prepare_exchange "$source"
for f in Quillmoor1.bmp Quillmoor2.bmp; do
  mv "$QMORA/$f" "$network/$f"
  ln -s "$network/$f" "$QMORA/$f"
done
wine "$renderer" </dev/null >/dev/null 2>&1 &
pid=$!
reap "$pid" "the renderer over pictures on a network drive" 150
rm -f "$QMORA/Quillmoor1.bmp" "$QMORA/Quillmoor2.bmp"

echo "== texture names in a planted model: only a local file is opened"
prepare_exchange "$source"
cp "$source/resources/smoke.bmp" "$QMORA/qm_local.bmp"
python3 - "$QMORA/Quillmoor.data" <<'PY'
import struct, sys
names = [r"\\127.0.0.1\share\qm_unc.bmp", "//127.0.0.1/share/qm_slash.bmp", r"\\.\pipe\qm_pipe",
         r"\\?\UNC\127.0.0.1\share\qm_long.bmp", r"\\?\c:\q_mora\qm_device.bmp", "CON", "COM1", "NUL.bmp",
         "lpt1.bmp", r"c:\q_mora\qm_stream.bmp:hidden", r"\??\UNC\127.0.0.1\share\qm_ntunc.bmp",
         r"\??\pipe\qm_ntpipe", r"\GLOBAL??\UNC\127.0.0.1\share\qm_global.bmp", "/??/UNC/127.0.0.1/share/qm_fwd.bmp",
         r"c:\q_mora\qm_local.bmp"]
out = b"MS3D000000" + struct.pack("<i", 4)
out += struct.pack("<H", 3) + b"".join(struct.pack("<B3fbB", 0, x, 0.0, z, -1, 1) for x, z in [(0, 0), (1, 0), (0, 1)])
out += struct.pack("<H", 1) + struct.pack("<H3H9f3f3fBB", 0, 0, 1, 2, *([0.0, 1.0, 0.0] * 3), 0, 1, 0, 0, 0, 1, 1, 0)
out += struct.pack("<H", 1) + struct.pack("<B32sHHb", 0, b"g", 1, 0, 0)
out += struct.pack("<H", len(names))
for name in names:
    out += struct.pack("<32s16fffB128s128s", b"m", *([0.5] * 16), 1.0, 1.0, 0, name.encode("ascii"), b"")
open(sys.argv[1], "wb").write(out)
PY
log="$E2E_OUT/privacy-textures.log"
WINEDEBUG=+file wine "$renderer" </dev/null >"$log" 2>&1 &
run_then_escape $! "the renderer on the planted model"
trace=$(tr -d '\r' <"$log" | grep -a 'CreateFile')
grep -q 'qm_local\.bmp' <<<"$trace" || fail "the trace shows no open of the local texture (is +file tracing on?)"
for name in qm_unc qm_slash qm_pipe qm_long qm_device qm_stream qm_ntunc qm_ntpipe qm_global qm_fwd 'L"CON"' 'L"COM1"' \
  'NUL\.bmp' 'lpt1\.bmp'; do
  grep -qi "$name" <<<"$trace" && fail "the renderer opened $name: $(grep -i "$name" <<<"$trace" | head -n 1)"
done
prepare_exchange "$source"

echo "$failures failures"
exit $((failures > 0))
