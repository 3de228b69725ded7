; The Windows installer of one build (x86 or x64): the three files side by side in the system
; folder where the Screen Saver list of that architecture looks, an Add/Remove Programs entry,
; and, as an option, Quillmoor as the installing user's screen saver.
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
!include x64.nsh

!define PRODUCT "Quillmoor"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Quillmoor"
!define DESKTOP_KEY "Control Panel\Desktop"

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
!define MUI_COMPONENTSPAGE_NODESC
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Japanese"
!insertmacro MUI_LANGUAGE "English"

LangString SaverSection ${LANG_JAPANESE} "スクリーンセーバー本体"
LangString SaverSection ${LANG_ENGLISH} "The screen saver"
LangString CurrentSection ${LANG_JAPANESE} "クイルモアを今のスクリーンセーバーにする"
LangString CurrentSection ${LANG_ENGLISH} "Make Quillmoor my screen saver"

Var SaverFolder  ; where the system keeps savers of this architecture, as the system names it

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

Section "$(SaverSection)" SaverFiles
  SectionIn RO
  SetOutPath "$SYSDIR"
  File "${PROGRAMS}/クイルモア.scr"
  File "${PROGRAMS}/クイルモア.dll"
  File "${PROGRAMS}/クイルモア.data"
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT} (${ARCH})"
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

Section "$(CurrentSection)" CurrentSaver
  WriteRegStr HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE" "$SaverFolder\クイルモア.scr"
SectionEnd

Function .onInit
  !insertmacro FindSaverFolder
  ; The silent form's choice: /CURRENT=0 leaves the user's screen saver alone.
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/CURRENT=" $1
  ${IfNot} ${Errors}
  ${AndIf} $1 == "0"
    !insertmacro UnselectSection ${CurrentSaver}
  ${EndIf}
FunctionEnd

Function un.onInit
  !insertmacro FindSaverFolder
FunctionEnd

Section "Uninstall"
  ; The user's screen saver is left alone unless it is still this one, by its path, long or
  ; short (read while the file is there to give its short name).
  ReadRegStr $0 HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
  StrCpy $1 "$SaverFolder\クイルモア.scr"
  GetFullPathName /SHORT $2 "$1"
  ${If} $0 != ""
    ${If} $0 == $1
    ${OrIf} $0 == $2
      DeleteRegValue HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
    ${EndIf}
  ${EndIf}

  Delete "$SYSDIR\クイルモア.scr"
  Delete "$SYSDIR\クイルモア.dll"
  Delete "$SYSDIR\クイルモア.data"
  ; Settings stored beside the program: there only because of it.
  Delete "$SYSDIR\クイルモア.ini"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
