; The Windows installer of one build (x86 or x64): the three files side by side in the system
; folder where the Screen Saver list of that architecture looks, an Add/Remove Programs entry,
; and, as an option, Quillmoor as the screen saver of the account the installer runs as (named
; on its page: an installer elevated with another account's password runs as that account), with
; its watcher (the saver with /w, which photographs the desktop before Windows switches to its
; own) started at that account's sign-in, and at once where the account's desktop is elevated too.
; Without the rights to write the system folder it says so and fails; so does the uninstaller,
; which also removes its account's session files (a photograph of the desktop among them). A
; file in use (another signed-in account's watcher runs the saver) is replaced or removed as
; Windows restarts, and both say so.
;
; makensis -INPUTCHARSET UTF8 -DARCH=x86|x64 -DVERSION=1.2.3 -DPROGRAMS=folder -DICON=file.ico
;          -DOUTFILE=setup.exe quillmoor.nsi
;
; Silent use: setup.exe /S [/CURRENT=0]   (/CURRENT=0 leaves the user's screen saver as it is)
;             uninstall.exe /S
Unicode true
!if "${ARCH}" == "x64"
  Target amd64-unicode
!else if "${ARCH}" != "x86"
  !error "ARCH is x86 or x64"
!endif

!include MUI2.nsh
!include FileFunc.nsh
!include LogicLib.nsh
!include nsDialogs.nsh
!include x64.nsh

!define PRODUCT "Quillmoor"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Quillmoor"
!define DESKTOP_KEY "Control Panel\Desktop"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define WATCHER_VALUE "Quillmoor"  ; the watcher's registration, started at sign-in
!define EXCHANGE "C:\q_mora"  ; the sessions' fixed folder, as the saver names it

Name "${PRODUCT}"
OutFile "${OUTFILE}"
RequestExecutionLevel admin  ; the system folder
SetCompressor /SOLID lzma
!if "${ARCH}" == "x64"
  InstallDir "$PROGRAMFILES64\${PRODUCT}"
!else
  InstallDir "$PROGRAMFILES\${PRODUCT}"
!endif
ShowInstDetails nevershow
ShowUninstDetails nevershow

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=0 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=0 "CompanyName" "${PRODUCT}"
VIAddVersionKey /LANG=0 "FileDescription" "${PRODUCT} ${VERSION} (${ARCH}) setup"
VIAddVersionKey /LANG=0 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "LegalCopyright" "Quillmoor"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
Page custom OptionsPage OptionsLeave
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
; The installer and the uninstaller speak the user's UI language where they have it and the
; first one listed otherwise: English, for every Windows that does not speak Japanese.
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "Japanese"

LangString OptionsTitle ${LANG_JAPANESE} "スクリーンセーバーの設定"
LangString OptionsTitle ${LANG_ENGLISH} "Screen saver"
LangString OptionsText ${LANG_JAPANESE} "クイルモアをすべてのユーザーのスクリーンセーバー一覧に入れます。"
LangString OptionsText ${LANG_ENGLISH} "Quillmoor will be in every user's list of screen savers."
; The option's text around the account's name.
LangString CurrentBefore ${LANG_JAPANESE} "クイルモアを "
LangString CurrentBefore ${LANG_ENGLISH} "Make Quillmoor the screen saver of the account "
LangString CurrentAfter ${LANG_JAPANESE} " のスクリーンセーバーにする"
LangString CurrentAfter ${LANG_ENGLISH} " (the account this installer runs as)"
LangString NoRights ${LANG_JAPANESE} "クイルモアをインストールするには管理者の権限が必要です。$\r$\n$SYSDIR に書き込めません。"
LangString NoRights ${LANG_ENGLISH} "Installing Quillmoor needs administrator rights.$\r$\n$SYSDIR cannot be written."
LangString NoRightsUninstall ${LANG_JAPANESE} "クイルモアをアンインストールするには管理者の権限が必要です。$\r$\n$SYSDIR のファイルを削除できません。"
LangString NoRightsUninstall ${LANG_ENGLISH} "Uninstalling Quillmoor needs administrator rights.$\r$\nThe files in $SYSDIR cannot be removed."
; A file held open by another program (another signed-in account's watcher runs the saver): it is
; replaced or removed as Windows restarts.
LangString InUse ${LANG_JAPANESE} "$SYSDIR のクイルモアのファイルは使用中です (別のユーザーのウォッチャーなど)。$\r$\nWindows を再起動すると完了します。"
LangString InUse ${LANG_ENGLISH} "A file of Quillmoor in $SYSDIR is in use (another account's watcher, say).$\r$\nRestarting Windows finishes it."
LangString NotInstalled ${LANG_JAPANESE} "$SYSDIR にファイルを置けませんでした。クイルモアはインストールされていません。"
LangString NotInstalled ${LANG_ENGLISH} "The files could not be placed in $SYSDIR. Quillmoor is not installed."
; The uninstall entry, by its name in the Screen Saver list.
LangString UninstallName ${LANG_JAPANESE} "クイルモア (${ARCH})"
LangString UninstallName ${LANG_ENGLISH} "Quillmoor (${ARCH})"

Var SaverFolder  ; where the system keeps savers of this architecture, as the system names it
Var Account      ; the account this installer runs as, whose screen saver the option sets
Var MakeCurrent  ; 1: make Quillmoor that account's screen saver
Var OptionBox

; The system folder as a program of any architecture names it: a 32-bit installer on 64-bit
; Windows writes into its own system folder, which the system redirects to SysWOW64, but the
; registry must name the real place.
!macro FindSaverFolder
  StrCpy $SaverFolder "$SYSDIR"
  !if "${ARCH}" == "x86"
    ${If} ${RunningX64}
      StrCpy $SaverFolder "$WINDIR\SysWOW64"
    ${EndIf}
  !else
    SetRegView 64
  !endif
!macroend

; Quits with "access denied" and a message (silent: none) unless the system folder takes a file.
!macro NeedSystemFolderRights MESSAGE
  ClearErrors
  FileOpen $0 "$SYSDIR\~quillmoor-rights.tmp" w
  ${If} ${Errors}
    MessageBox MB_ICONSTOP|MB_OK "${MESSAGE}" /SD IDOK
    SetErrorLevel 5
    Quit
  ${EndIf}
  FileClose $0
  Delete "$SYSDIR\~quillmoor-rights.tmp"
!macroend

; Whether the three files are in the system folder; sets $0 to how many are.
!macro CountInstalledFiles
  StrCpy $0 0
  ${If} ${FileExists} "$SYSDIR\クイルモア.scr"
    IntOp $0 $0 + 1
  ${EndIf}
  ${If} ${FileExists} "$SYSDIR\クイルモア.dll"
    IntOp $0 $0 + 1
  ${EndIf}
  ${If} ${FileExists} "$SYSDIR\クイルモア.data"
    IntOp $0 $0 + 1
  ${EndIf}
!macroend

; Ends the watcher of this sign-in session, and waits for it, so that its file can be replaced or
; removed. (An earlier version's saver takes /w end for no mode of its own and ends at once.)
!macro EndWatcher
  ${If} ${FileExists} "$SYSDIR\クイルモア.scr"
  ${AndIf} ${FileExists} "$SYSDIR\クイルモア.dll"
    ExecWait '"$SYSDIR\クイルモア.scr" /w end'
  ${EndIf}
!macroend

; Starts the watcher where this account has it registered. It ends by itself while Quillmoor is
; not the account's screen saver, and where it would run elevated beside the account's unelevated
; desktop (this installer's token is the elevated one): there it comes at the next sign-in.
!macro StartRegisteredWatcher
  ReadRegStr $0 HKCU "${RUN_KEY}" "${WATCHER_VALUE}"
  ${If} $0 != ""
    Exec '"$SYSDIR\クイルモア.scr" /w'
  ${EndIf}
!macroend

; Places the file NAME in the system folder. Where the one there is in use and cannot be removed, the
; new one is placed beside it and takes its place as Windows restarts (the reboot flag set); one
; left so by an earlier upgrade goes first, lest the restart put it over this one. What is left to
; the restart is named by the real place: the restart does not redirect a 32-bit program's paths.
!macro PlaceFile NAME
  Delete "$SYSDIR\${NAME}.new"
  Delete "$SYSDIR\${NAME}"
  ${If} ${FileExists} "$SYSDIR\${NAME}"
    File "/oname=$SYSDIR\${NAME}.new" "${PROGRAMS}/${NAME}"
    Rename /REBOOTOK "$SaverFolder\${NAME}.new" "$SaverFolder\${NAME}"
  ${Else}
    File "${PROGRAMS}/${NAME}"
  ${EndIf}
!macroend

; Says that a file in use is replaced or removed as Windows restarts, where one is.
!macro SayWhereInUse
  ${If} ${RebootFlag}
    MessageBox MB_ICONINFORMATION|MB_OK "$(InUse)" /SD IDOK
  ${EndIf}
!macroend

Function OptionsPage
  !insertmacro MUI_HEADER_TEXT "$(OptionsTitle)" "$(OptionsText)"
  nsDialogs::Create 1018
  Pop $0
  ${NSD_CreateCheckbox} 0 0 100% 12u "$(CurrentBefore)$Account$(CurrentAfter)"
  Pop $OptionBox
  ${If} $MakeCurrent == 1
    ${NSD_Check} $OptionBox
  ${EndIf}
  nsDialogs::Show
FunctionEnd

Function OptionsLeave
  ${NSD_GetState} $OptionBox $0
  StrCpy $MakeCurrent 0
  ${If} $0 == ${BST_CHECKED}
    StrCpy $MakeCurrent 1
  ${EndIf}
FunctionEnd

Section "-Files" SaverFiles
  !insertmacro EndWatcher
  SetOutPath "$SYSDIR"
  SetOverwrite on
  !insertmacro PlaceFile クイルモア.scr
  !insertmacro PlaceFile クイルモア.dll
  !insertmacro PlaceFile クイルモア.data
  !insertmacro CountInstalledFiles
  ${If} $0 != 3
    MessageBox MB_ICONSTOP|MB_OK "$(NotInstalled)" /SD IDOK
    SetErrorLevel 5
    Abort
  ${EndIf}
  !insertmacro SayWhereInUse
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "$(UninstallName)"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$SaverFolder\クイルモア.scr,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$SaverFolder"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  SectionGetSize ${SaverFiles} $0  ; kilobytes, the uninstaller included
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Section "-Current" CurrentSaver
  ${If} $MakeCurrent == 1
    WriteRegStr HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE" "$SaverFolder\クイルモア.scr"
    WriteRegStr HKCU "${RUN_KEY}" "${WATCHER_VALUE}" '"$SaverFolder\クイルモア.scr" /w'
  ${EndIf}
  !insertmacro StartRegisteredWatcher
SectionEnd

Function .onInit
  !insertmacro FindSaverFolder
  !insertmacro NeedSystemFolderRights "$(NoRights)"
  System::Call 'advapi32::GetUserNameW(w .r0, *i ${NSIS_MAX_STRLEN}) i .r1'
  StrCpy $Account $0
  ; The silent form's choice: /CURRENT=0 leaves the account's screen saver alone.
  StrCpy $MakeCurrent 1
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/CURRENT=" $1
  ${IfNot} ${Errors}
  ${AndIf} $1 == "0"
    StrCpy $MakeCurrent 0
  ${EndIf}
FunctionEnd

; The session files in FOLDER, and FOLDER where nothing else is left in it; nothing where FOLDER is
; a link (any user may make C:\q_mora a junction before an administrator uninstalls): nothing is
; deleted through it, and the link stays. The folder itself (not where a link leads) is held open
; from the check to the last file, without letting anyone delete or rename it, so that no link can
; take its place in between. Old monitor photographs by the form of their names,
; Quillmoor1_m<left>_<top>_<width>x<height>.bmp, as closely as a wildcard can say it.
!macro RemoveSessionFiles FOLDER
  ; FILE_READ_ATTRIBUTES, shared for reading and writing only, OPEN_EXISTING,
  ; FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT.
  System::Call 'kernel32::CreateFileW(w "${FOLDER}", i 0x80, i 3, p 0, i 3, i 0x02200000, p 0) p .r1'
  ${GetFileAttributes} "${FOLDER}" "REPARSE_POINT" $0
  ${If} $1 != -1
    ${If} $0 == 0
      Delete "${FOLDER}\Quillmoor1.bmp"
      Delete "${FOLDER}\Quillmoor1_m*_*_*x*.bmp"  ; the other monitors' photographs
      Delete "${FOLDER}\Quillmoor2.bmp"
      Delete "${FOLDER}\Quillmoor.data"
      Delete "${FOLDER}\Quillmoor.watch"  ; the watcher's record of its photographs
      Delete "${FOLDER}\~Quillmoor*.tmp"
    ${EndIf}
    System::Call 'kernel32::CloseHandle(p r1)'
    ${If} $0 == 0
      RMDir "${FOLDER}"
    ${EndIf}
  ${EndIf}
!macroend

Function un.onInit
  !insertmacro FindSaverFolder
  !insertmacro NeedSystemFolderRights "$(NoRightsUninstall)"
FunctionEnd

Section "Uninstall"
  ; The saver's path, long and short (its short name read while the file is there).
  StrCpy $3 "$SaverFolder\クイルモア.scr"
  GetFullPathName /SHORT $4 "$3"

  !insertmacro EndWatcher
  ; A file in use (another account's watcher runs the saver) goes as Windows restarts. One an
  ; upgrade left to take its place then goes now, lest the restart put the saver back.
  Delete "$SYSDIR\クイルモア.*.new"
  ; (By the real place, as the restart finds it: see PlaceFile.)
  Delete /REBOOTOK "$SaverFolder\クイルモア.scr"
  Delete /REBOOTOK "$SaverFolder\クイルモア.dll"
  Delete /REBOOTOK "$SaverFolder\クイルモア.data"
  ; Nothing is reported removed that is still there and not to go at the restart: the entry stays
  ; for another try.
  !insertmacro CountInstalledFiles
  ${If} $0 != 0
  ${AndIfNot} ${RebootFlag}
    !insertmacro StartRegisteredWatcher  ; as it was
    MessageBox MB_ICONSTOP|MB_OK "$(NoRightsUninstall)" /SD IDOK
    SetErrorLevel 5
    Abort
  ${EndIf}
  !insertmacro SayWhereInUse
  ; Settings stored beside the program: there only because of it.
  Delete "$SYSDIR\クイルモア.ini"

  ; The account's screen saver is left alone unless it is still this one, by either path.
  ReadRegStr $0 HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
  ${If} $0 != ""
    ${If} $0 == $3
    ${OrIf} $0 == $4
      DeleteRegValue HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
    ${EndIf}
  ${EndIf}
  ; The watcher's registration, where it names this saver.
  ReadRegStr $0 HKCU "${RUN_KEY}" "${WATCHER_VALUE}"
  ${If} $0 == '"$3" /w'
  ${OrIf} $0 == '"$4" /w'
    DeleteRegValue HKCU "${RUN_KEY}" "${WATCHER_VALUE}"
  ${EndIf}

  ; The sessions' working files: the fixed folder's and this account's own (the last
  ; photograph of the desktop among them; a write cut short leaves a "~" file). The folders go
  ; where nothing else is left in them. The settings in the account's own folder stay.
  SetShellVarContext current
  !insertmacro RemoveSessionFiles "${EXCHANGE}"
  !insertmacro RemoveSessionFiles "$LOCALAPPDATA\Quillmoor"

  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
