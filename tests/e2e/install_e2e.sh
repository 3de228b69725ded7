#!/usr/bin/env bash
# The installer as a user and an administrator meet it, in a Wine prefix of its own made fresh:
# its page in Japanese, English and (for want of German) English, naming the account; a silent
# install puts the three files where the Screen Saver list of that architecture looks
# (Wine has no Screen Saver control panel: "listed" is checked by place, and the name it would
# list by string 1 in each language), with an uninstall entry named in the installer's language
# and Quillmoor as the user's screen saver; the installed saver runs a session and opens its
# settings from there; settings that cannot be kept beside the program go to the user's own file,
# and where neither can be written the dialog says so (in Japanese, and in English under an English
# Windows) and stays; a silent uninstall leaves nothing of Quillmoor, a screen saver the user chose
# since stays chosen, and a link in C:\q_mora's place is not deleted through. The watcher is
# registered to start at the account's sign-in and started; the uninstaller ends it and removes
# the registration; an install that leaves the user's screen saver alone registers none. The
# saver's file held open (as another account's watcher holds it): an upgrade and the uninstall
# succeed, and the restart finishes them.
#
# usage: install_e2e.sh SETUP.exe x86|x64 VERSION WIN_POKE.exe
set -uo pipefail
setup=$1 arch=$2 version=$3 poke=$4
: "${DISPLAY:?}"

# A prefix of this run's own (the shared one already holds the programs).
prefix=$(mktemp -d "${TMPDIR:-/tmp}/qm-install.XXXXXX")
export WINEPREFIX=$prefix WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml= LANG=ja_JP.UTF-8
. "$(dirname "$0")/lib.sh"
at_exit 'wineserver -k </dev/null >/dev/null 2>&1; rm -rf "$prefix"'
wineboot -i </dev/null >/dev/null 2>&1
wineserver -w </dev/null >/dev/null 2>&1
[ -f "$prefix/system.reg" ] || { echo "FAIL: no Wine prefix"; exit 1; }
restart_wine

# Where the Screen Saver list of each architecture looks: the 64-bit system folder; on 64-bit
# Windows, the 32-bit system folder (SysWOW64) for a 32-bit saver.
if [ "$arch" = x64 ]; then
  system=windows/system32 view=/reg:64 programs="Program Files"
else
  system=windows/syswow64 view=/reg:32 programs="Program Files (x86)"
fi
folder="$prefix/drive_c/$system"
saver_win="C:\\${system//\//\\}\\クイルモア.scr"
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Quillmoor'
desktop_key='HKCU\Control Panel\Desktop'
run_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Run'

# A registry value as text ("" when it is not there); reg prints in the console's code page.
reg_value() {  # key, value, [view]
  wine reg query "$1" /v "$2" ${3:-} </dev/null 2>/dev/null | iconv -f CP932 -t UTF-8 | tr -d '\r' |
    awk -v name="$2" '$1 == name { $1 = ""; $2 = ""; sub(/^ +/, ""); print }'
}
same_path() { [ "$(tr 'A-Z' 'a-z' <<<"$1")" = "$(tr 'A-Z' 'a-z' <<<"$2")" ]; }
installed_files() { ls "$folder" 2>/dev/null | grep -c '^クイルモア\.\(scr\|dll\|data\|ini\)$'; }

# Uninstalls silently; the uninstaller runs from a copy of itself, so its end is waited for.
uninstall() {
  timeout 60 wine "C:\\$programs\\Quillmoor\\uninstall.exe" /S </dev/null >/dev/null 2>&1 || fail "the uninstaller did not start (status $?)"
  local i
  for i in $(seq 1 100); do
    [ "$(installed_files)" = 0 ] && [ ! -e "$prefix/drive_c/$programs/Quillmoor" ] && [ -z "$(reg_value "$uninstall_key" DisplayName $view)" ] && break
    sleep 0.2
  done
}

echo "== the page, in the user's language, names whose screen saver the option sets: the account the installer runs as"
account=$(wine cmd /c echo %USERNAME% </dev/null 2>/dev/null | tr -d '\r')
installer_page() {  # LANG, the window's title, the option's text
  LANG=$1 timeout 60 wine "$setup" </dev/null >/dev/null 2>&1 &
  pid=$!
  if [ -n "$(x_window "$2" 150)" ]; then
    sleep 0.5
    option=$(wine "$poke" checks "$2" | tr -d '\r' | grep -F " $account ")
    echo "the option under $1: $option"
    [ "$option" = "$3=1" ] || fail "under $1 the option is not '$3': '$option'"
  else
    fail "no installer window '$2' under $1"
  fi
  wine taskkill /f /im "$(basename "$setup")" </dev/null >/dev/null 2>&1
  reap "$pid" "the installer left on its page under $1"
}
installer_page ja_JP.UTF-8 'Quillmoor セットアップ' "クイルモアを $account のスクリーンセーバーにする"
english_option="Make Quillmoor the screen saver of the account $account (the account this installer runs as)"
installer_page en_US.UTF-8 'Quillmoor Setup' "$english_option"
installer_page de_DE.UTF-8 'Quillmoor Setup' "$english_option"  # no German: English

echo "== without the rights to write the system folder: the install says so and fails"
if chattr +i "$folder" 2>/dev/null; then
  timeout 60 wine "$setup" /S </dev/null >/dev/null 2>&1
  status=$?
  chattr -i "$folder"
  [ "$status" = 5 ] || fail "the installer without rights ended with status $status, not 5 (access denied)"
  [ "$(installed_files)" = 0 ] || fail "files placed without rights"
  [ -z "$(reg_value "$uninstall_key" DisplayName $view)" ] || fail "an uninstall entry without an install"
else
  echo "(this file system cannot make the folder immutable)"
fi

echo "== a silent install"
[ -z "$(reg_value "$desktop_key" SCRNSAVE.EXE)" ] || fail "the fresh prefix has a screen saver already"
timeout 60 wine "$setup" /S </dev/null >/dev/null 2>&1 || fail "the installer failed (status $?; 124: still running after 60 s)"
for f in クイルモア.scr クイルモア.dll クイルモア.data; do
  [ -s "$folder/$f" ] || fail "$f is not in $system"
done
[ -f "$prefix/drive_c/$programs/Quillmoor/uninstall.exe" ] || fail "no uninstaller in $programs\\Quillmoor"
[ "$(reg_value "$uninstall_key" DisplayName $view)" = "クイルモア ($arch)" ] || fail "uninstall entry: name '$(reg_value "$uninstall_key" DisplayName $view)'"
[ "$(reg_value "$uninstall_key" DisplayVersion $view)" = "$version" ] || fail "uninstall entry: version"
[ "$(reg_value "$uninstall_key" Publisher $view)" = Quillmoor ] || fail "uninstall entry: publisher"
same_path "$(reg_value "$uninstall_key" DisplayIcon $view)" "$saver_win,0" || fail "uninstall entry: icon '$(reg_value "$uninstall_key" DisplayIcon $view)'"
size=$(reg_value "$uninstall_key" EstimatedSize $view)
[ $((size)) -ge $(( $(du -ck "$folder"/クイルモア.* | tail -n 1 | cut -f1) * 9 / 10 )) ] || fail "uninstall entry: size $size"
[ -n "$(reg_value "$uninstall_key" UninstallString $view)" ] || fail "uninstall entry: no uninstall command"
same_path "$(reg_value "$desktop_key" SCRNSAVE.EXE)" "$saver_win" || fail "SCRNSAVE.EXE is '$(reg_value "$desktop_key" SCRNSAVE.EXE)'"
same_path "$(reg_value "$run_key" Quillmoor)" "\"$saver_win\" /w" || fail "the watcher is registered as '$(reg_value "$run_key" Quillmoor)'"
within 15 watcher_running || fail "the installer did not start the watcher"

echo "== the Screen Saver list's name for it, in each user's language"
for listed in "ja_JP.UTF-8 クイルモア" "en_US.UTF-8 Quillmoor" "de_DE.UTF-8 Quillmoor"; do
  read -r lang name <<<"$listed"
  shown=$(LANG=$lang wine "$poke" name "$saver_win" | tr -d '\r')
  [ "$shown" = "$name" ] || fail "under $lang the list names it '$shown', not '$name'"
done

echo "== the installed saver runs a session"
rm -rf "$QMORA"
brief_session "$folder/クイルモア.scr" "from $system"
[ -s "$QMORA/Quillmoor1.bmp" ] || fail "the installed saver wrote no photograph"

title="<クイルモア>"
open_settings() { open_dialog_of "$folder/クイルモア.scr" "$poke" || give_up; }
ini_value() {  # file, key (UTF-8)
  tr -d '\r' <"$1" 2>/dev/null | iconv -f CP932 -t UTF-8 | sed -n "s/^$2=//p"
}
own_file="$(winepath -u "$(wine cmd /c echo %APPDATA% </dev/null 2>/dev/null | tr -d '\r')" 2>/dev/null)/Quillmoor/クイルモア.ini"
beside="$folder/クイルモア.ini"

echo "== the file beside the program cannot be written: the user's own takes the settings"
mkdir -p "$beside"
open_settings
choose_cd_track 3
close_dialog_with 356 212 設定
[ "$(ini_value "$own_file" 'BGM区分')" = 1 ] && [ "$(ini_value "$own_file" 'BGMﾘﾋﾟｰﾄ')" = 3 ] ||
  fail "the user's own file does not hold the settings: $(cat "$own_file" 2>/dev/null | iconv -f CP932 -t UTF-8 | tr '\r\n' '  ')"
open_settings
repeat_shows 3 || fail "the next dialog does not show track 3"
close_dialog_with 440 212 ｷｬﾝｾﾙ

echo "== neither can be written: the dialog says so, naming the file, and stays"
rm -f "$own_file"
mkdir -p "$own_file"
open_settings
choose_cd_track 4
message_shown() { wine "$poke" find "#32770|$title" >/dev/null; }
click_until 356 212 "a message that nothing was stored" message_shown   # 設定
message=$(wine "$poke" text "#32770|$title" | tr -d '\r')
echo "$message" | head -n 3
grep -q '設定を保存できませんでした' <<<"$message" || fail "no message that nothing was stored"
grep -qF 'Quillmoor\クイルモア.ini' <<<"$message" || fail "the message does not name the file"
wine "$poke" close "#32770|$title"
for _ in $(seq 1 50); do message_shown || break; sleep 0.1; done
[ "$(wine "$poke" find "QuillmoorSettings|$title" | tr -d '\r')" = "class=QuillmoorSettings client=492x246 visible=1" ] ||
  fail "the dialog did not stay open"
kill -0 "$pid" 2>/dev/null || fail "the saver ended"
close_dialog_with 440 212 ｷｬﾝｾﾙ
# The same message in English, where Windows speaks it.
LANG=en_US.UTF-8 dialog_title="<Quillmoor>"
open_settings
english_shown() { wine "$poke" find "#32770|<Quillmoor>" >/dev/null; }
click_until 356 212 "a message in English that nothing was stored" english_shown   # OK
message=$(wine "$poke" text "#32770|<Quillmoor>" | tr -d '\r')
grep -qxF 'The settings were not saved. These files cannot be written:' <<<"$message" &&
  grep -qF 'Quillmoor\クイルモア.ini' <<<"$message" || fail "in English the message says: $message"
wine "$poke" close "#32770|<Quillmoor>"
for _ in $(seq 1 50); do english_shown || break; sleep 0.1; done
close_dialog_with 440 212 Cancel
LANG=ja_JP.UTF-8 dialog_title=$title

echo "== both writable again: the file beside the program, as ever"
rmdir "$beside" "$own_file"
open_settings
choose_cd_track 5
close_dialog_with 356 212 設定
[ "$(ini_value "$beside" 'BGMﾘﾋﾟｰﾄ')" = 5 ] || fail "the settings were not written beside the program"
[ ! -e "$own_file" ] || fail "a user's own file was written where the one beside the program could be"

echo "== an uninstall without the rights to change the system folder says so, fails, and keeps everything"
if chattr +i "$folder" 2>/dev/null; then
  # Run in place (_?=, which takes its folder unquoted: by its short name), so that its own
  # status is the one seen.
  place=$(winepath -s "C:\\$programs\\Quillmoor" </dev/null 2>/dev/null | tr -d '\r')
  timeout 60 wine "$place\\uninstall.exe" /S "_?=$place" </dev/null >/dev/null 2>&1
  status=$?
  chattr -i "$folder"
  [ "$status" = 5 ] || fail "the uninstaller without rights ended with status $status, not 5 (access denied)"
  for f in クイルモア.scr クイルモア.dll クイルモア.data; do [ -s "$folder/$f" ] || fail "$f went without rights"; done
  [ -n "$(reg_value "$uninstall_key" DisplayName $view)" ] || fail "the entry went though the files stayed"
  same_path "$(reg_value "$desktop_key" SCRNSAVE.EXE)" "$saver_win" || fail "the screen saver setting went though the files stayed"
  within 15 watcher_running || fail "the watcher did not run again after the uninstall failed"
else
  echo "(this file system cannot make the folder immutable)"
fi

echo "== a silent uninstall, which also removes this account's session files, and no file of the user's named alike"
own_folder="$(winepath -u "$(wine cmd /c echo %LOCALAPPDATA% </dev/null 2>/dev/null | tr -d '\r')" 2>/dev/null)/Quillmoor"
mkdir -p "$own_folder"
for f in Quillmoor1.bmp Quillmoor1_m-1280_0_1280x1024.bmp Quillmoor2.bmp Quillmoor.data '~Quillmoor1.bmp.7.8.9.tmp'; do
  echo x >"$own_folder/$f"
done
echo mine >"$own_folder/Quillmoor1_mine.bmp"
[ -s "$QMORA/Quillmoor1.bmp" ] || fail "test set-up: no photograph in C:\\q_mora before the uninstall"
printf '[Section]\r\n' >"$own_file"
uninstall
[ ! -e "$QMORA" ] || fail "C:\\q_mora is left: $(ls -A "$QMORA" | tr '\n' ' ')"
[ "$(ls -A "$own_folder" 2>/dev/null)" = Quillmoor1_mine.bmp ] ||
  fail "the user's own session folder does not hold the user's file alone: $(ls -A "$own_folder" | tr '\n' ' ')"
[ -f "$own_file" ] || fail "the user's own settings went with the uninstall"
[ "$(installed_files)" = 0 ] || fail "files left in $system: $(ls "$folder" | grep クイルモア | tr '\n' ' ')"
[ ! -e "$prefix/drive_c/$programs/Quillmoor" ] || fail "$programs\\Quillmoor is left"
[ -z "$(reg_value "$uninstall_key" DisplayName $view)" ] || fail "the uninstall entry is left"
[ -z "$(reg_value "$desktop_key" SCRNSAVE.EXE)" ] || fail "SCRNSAVE.EXE still names '$(reg_value "$desktop_key" SCRNSAVE.EXE)'"
[ -z "$(reg_value "$run_key" Quillmoor)" ] || fail "the watcher is still registered"
watcher_gone || fail "the uninstaller left the watcher running"

echo "== another screen saver chosen: /CURRENT=0 (an English install) and the uninstall leave it; C:\\q_mora a link: nothing deleted through it"
other='C:\windows\system32\other.scr'
wine reg add "$desktop_key" /v SCRNSAVE.EXE /d "$other" /f </dev/null >/dev/null 2>&1
LANG=en_US.UTF-8 timeout 60 wine "$setup" /S /CURRENT=0 </dev/null >/dev/null 2>&1 ||
  fail "the installer failed (status $?; 124: still running after 60 s)"
[ -s "$folder/クイルモア.scr" ] || fail "the second install placed nothing"
[ "$(reg_value "$uninstall_key" DisplayName $view)" = "Quillmoor ($arch)" ] ||
  fail "installed in English, the uninstall entry is named '$(reg_value "$uninstall_key" DisplayName $view)'"
[ "$(reg_value "$desktop_key" SCRNSAVE.EXE)" = "$other" ] || fail "/CURRENT=0 changed the screen saver"
[ -z "$(reg_value "$run_key" Quillmoor)" ] && watcher_gone || fail "/CURRENT=0 registered or started the watcher"
# The saver's file in use, as another signed-in account's watcher holds it: the upgrade places the
# new one to take its place at the restart, and the uninstall below leaves it to the restart too.
hold_saver() {
  wine "$poke" holdfile "$saver_win" 120 </dev/null >"$E2E_OUT/install-hold.log" 2>&1 &
  holder=$!
  for _ in $(seq 1 100); do grep -q holding "$E2E_OUT/install-hold.log" 2>/dev/null && break; sleep 0.1; done
}
release_and_restart() {
  wine taskkill /f /im "$(basename "$poke")" </dev/null >/dev/null 2>&1
  reap "$holder" "the file's holder"
  wineboot -r </dev/null >/dev/null 2>&1
}
hold_saver
LANG=en_US.UTF-8 timeout 60 wine "$setup" /S /CURRENT=0 </dev/null >/dev/null 2>&1 ||
  fail "the upgrade over a file in use failed (status $?)"
[ -s "$folder/クイルモア.scr.new" ] || fail "the upgrade left no new saver to take the old one's place"
release_and_restart
[ -s "$folder/クイルモア.scr" ] && [ ! -e "$folder/クイルモア.scr.new" ] ||
  fail "after the restart the new saver has not taken the old one's place: $(ls "$folder" | grep クイルモア | tr '\n' ' ')"
hold_saver
# Someone's folder, with files of the session's names, and C:\q_mora a link to it.
theirs="$prefix/drive_c/theirs"
mkdir -p "$theirs"
planted=(Quillmoor1.bmp Quillmoor1_m-1280_0_1280x1024.bmp Quillmoor2.bmp Quillmoor.data '~Quillmoor1.bmp.7.8.9.tmp')
for f in "${planted[@]}"; do echo theirs >"$theirs/$f"; done
rm -rf "$QMORA"
ln -s "$theirs" "$QMORA"
place=$(winepath -s "C:\\$programs\\Quillmoor" </dev/null 2>/dev/null | tr -d '\r')
timeout 60 wine "$place\\uninstall.exe" /S "_?=$place" </dev/null >/dev/null 2>&1 ||
  fail "the uninstall with the saver's file in use failed (status $?)"
[ "$(ls "$folder" | grep クイルモア)" = クイルモア.scr ] && [ -z "$(reg_value "$uninstall_key" DisplayName $view)" ] ||
  fail "with the saver's file in use the uninstall did not go through, leaving that file alone: $(ls "$folder" | grep クイルモア | tr '\n' ' ')"
release_and_restart
[ -z "$(ls "$folder" | grep クイルモア)" ] || fail "files left after the restart: $(ls "$folder" | grep クイルモア | tr '\n' ' ')"
[ "$(reg_value "$desktop_key" SCRNSAVE.EXE)" = "$other" ] || fail "the uninstall removed another saver's choice"
for f in "${planted[@]}"; do [ -f "$theirs/$f" ] || fail "the uninstall deleted $f through the link C:\\q_mora"; done
[ -L "$QMORA" ] || fail "the link C:\\q_mora went"

echo "$failures failures"
exit $((failures > 0))
