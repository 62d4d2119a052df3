; The Windows installer and uninstaller, built by cmake/windows-installer.cmake with makensis:
;   makensis -DVERSION=1.0.0 -DBITS=64 -DPROGRAMS=<build> -DFILES=<build>/installer
;            -DOUTFILE=<setup.exe> installer.nsi
; Per machine (administrators, Program Files) or per user (no rights needed, the user's Programs
; folder), chosen on the MultiUser page or with /AllUsers or /CurrentUser; /S installs silently and
; /D=<folder> (last on the command line) chooses the folder. The uninstaller takes the same mode
; switches (the Uninstall entry records them) and removes exactly what the installer made.
Unicode true
!if ${BITS} == 64
  Target amd64-unicode
!endif
SetCompressor /SOLID lzma
ManifestDPIAware true

!define PRODUCT "Vantorel"
!define PUBLISHER "The Vantorel developers"
!define PROGID "Vantorel.Animation"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Vantorel"
!define CLASSES "Software\Classes"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
BrandingText "${PRODUCT} ${VERSION}"
VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} ${VERSION} setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Copyright (c) 2026 ${PUBLISHER}. zlib licence"

!define MULTIUSER_EXECUTIONLEVEL Highest
!define MULTIUSER_MUI
!define MULTIUSER_INSTALLMODE_COMMANDLINE
!define MULTIUSER_INSTALLMODE_INSTDIR "${PRODUCT}"
!define MULTIUSER_INSTALLMODE_FUNCTION KeepCommandLineFolder
!if ${BITS} == 64
  !define MULTIUSER_USE_PROGRAMFILES64
!endif
!include MultiUser.nsh
!include MUI2.nsh
!include FileFunc.nsh
!include Integration.nsh
!include LogicLib.nsh

!define MUI_ICON "${FILES}\vantorel.ico"
!define MUI_UNICON "${FILES}\vantorel.ico"
!define MUI_ABORTWARNING

!insertmacro MUI_PAGE_LICENSE "${FILES}\LICENSE.txt"
!insertmacro MULTIUSER_PAGE_INSTALLMODE
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; The folder /D= gave: MultiUser sets its own default each time a mode is chosen, which must not
; override the administrator's choice.
Var CommandLineFolder

Function .onInit
  StrCpy $CommandLineFolder $INSTDIR
  !insertmacro MULTIUSER_INIT
FunctionEnd

Function KeepCommandLineFolder
  ${If} $CommandLineFolder != ""
    StrCpy $INSTDIR $CommandLineFolder
  ${EndIf}
FunctionEnd

Function un.onInit
  !insertmacro MULTIUSER_UNINIT
FunctionEnd

Section "Vantorel" SecMain
  SectionIn RO
  SetOutPath "$INSTDIR"
  File "${PROGRAMS}\vantorel.exe"
  File "${PROGRAMS}\animtool.exe"
  !ifdef BMP2PNG
    File "${PROGRAMS}\bmp2png.exe"
  !endif
  File "${FILES}\demo.anim"
  File "${FILES}\demo_captions.txt"
  File "${FILES}\README.txt"
  File "${FILES}\LICENSE.txt"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  ; The file type: the ProgID, offered for .anim in "Open with" in every case, and the default for
  ; .anim only when no other program holds it already, per user, per machine or in the merged
  ; view, or when it already is ours.
  WriteRegStr SHCTX "${CLASSES}\${PROGID}" "" "Vantorel animation"
  WriteRegStr SHCTX "${CLASSES}\${PROGID}" "FriendlyTypeName" "Vantorel animation"
  WriteRegStr SHCTX "${CLASSES}\${PROGID}\DefaultIcon" "" '"$INSTDIR\vantorel.exe",0'
  WriteRegStr SHCTX "${CLASSES}\${PROGID}\shell" "" "open"
  WriteRegStr SHCTX "${CLASSES}\${PROGID}\shell\open\command" "" '"$INSTDIR\vantorel.exe" "%1"'
  StrCpy $1 1
  ReadRegStr $0 HKCU "${CLASSES}\.anim" ""
  ${If} $0 != ""
  ${AndIf} $0 != "${PROGID}"
    StrCpy $1 0
  ${EndIf}
  ReadRegStr $0 HKLM "${CLASSES}\.anim" ""
  ${If} $0 != ""
  ${AndIf} $0 != "${PROGID}"
    StrCpy $1 0
  ${EndIf}
  ReadRegStr $0 HKCR ".anim" ""
  ${If} $0 != ""
  ${AndIf} $0 != "${PROGID}"
    StrCpy $1 0
  ${EndIf}
  ${If} $1 == 1
    WriteRegStr SHCTX "${CLASSES}\.anim" "" "${PROGID}"
  ${EndIf}
  WriteRegNone SHCTX "${CLASSES}\.anim\OpenWithProgids" "${PROGID}"
  WriteRegStr SHCTX "${CLASSES}\Applications\vantorel.exe" "FriendlyAppName" "${PRODUCT}"
  WriteRegStr SHCTX "${CLASSES}\Applications\vantorel.exe\DefaultIcon" "" '"$INSTDIR\vantorel.exe",0'
  WriteRegStr SHCTX "${CLASSES}\Applications\vantorel.exe\shell\open\command" "" '"$INSTDIR\vantorel.exe" "%1"'
  WriteRegStr SHCTX "${CLASSES}\Applications\vantorel.exe\SupportedTypes" ".anim" ""
  ${NotifyShell_AssocChanged}

  ; The player cuts a caption file's name at its first blank, so the demo's shortcut names the
  ; captions by their short name; where the volume keeps no short names it plays without them.
  GetFullPathName /SHORT $1 "$INSTDIR\demo_captions.txt"
  StrCpy $2 ""
  ${If} $1 != ""
    Push $1
    Push " "
    Call StrHas
    Pop $3
    ${If} $3 == 0
      StrCpy $2 '-captionfile:$1 '
    ${EndIf}
  ${EndIf}
  CreateDirectory "$SMPROGRAMS\${PRODUCT}"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}\Vantorel demo.lnk" "$INSTDIR\vantorel.exe" \
      '$2"$INSTDIR\demo.anim"' "$INSTDIR\vantorel.exe" 0
  CreateShortcut "$SMPROGRAMS\${PRODUCT}\Vantorel README.lnk" "$INSTDIR\README.txt"

  ; "Apps & features". The player finds its folder here (InstallLocation) and then keeps its
  ; error log in the user's folder instead of beside itself.
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayIcon" '"$INSTDIR\vantorel.exe",0'
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" \
      '"$INSTDIR\uninstall.exe" /$MultiUser.InstallMode'
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" \
      '"$INSTDIR\uninstall.exe" /$MultiUser.InstallMode /S'
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  IntFmt $0 "0x%08X" $0
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "EstimatedSize" "$0"
SectionEnd

; Pushes 1 when the string below the top of the stack holds the top one, else 0.
Function StrHas
  Exch $R0  ; needle
  Exch
  Exch $R1  ; haystack
  Push $R2
  Push $R3
  StrLen $R3 $R0
  StrCpy $R2 0
  ${Do}
    StrCpy $9 $R1 $R3 $R2
    ${If} $9 == ""
      StrCpy $R0 0
      ${Break}
    ${EndIf}
    ${If} $9 == $R0
      StrCpy $R0 1
      ${Break}
    ${EndIf}
    IntOp $R2 $R2 + 1
  ${Loop}
  Pop $R3
  Pop $R2
  Pop $R1
  Exch $R0
FunctionEnd

Section "Uninstall"
  Delete "$INSTDIR\vantorel.exe"
  Delete "$INSTDIR\animtool.exe"
  !ifdef BMP2PNG
    Delete "$INSTDIR\bmp2png.exe"
  !endif
  Delete "$INSTDIR\demo.anim"
  Delete "$INSTDIR\demo_captions.txt"
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\LICENSE.txt"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"  ; only when empty: files the user put there stay

  Delete "$SMPROGRAMS\${PRODUCT}\Vantorel demo.lnk"
  Delete "$SMPROGRAMS\${PRODUCT}\Vantorel README.lnk"
  RMDir "$SMPROGRAMS\${PRODUCT}"

  ; Our keys go whole; of .anim only what is ours goes, and the key itself only when it is empty.
  DeleteRegKey SHCTX "${CLASSES}\${PROGID}"
  DeleteRegKey SHCTX "${CLASSES}\Applications\vantorel.exe"
  DeleteRegValue SHCTX "${CLASSES}\.anim\OpenWithProgids" "${PROGID}"
  DeleteRegKey /ifempty SHCTX "${CLASSES}\.anim\OpenWithProgids"
  ReadRegStr $0 SHCTX "${CLASSES}\.anim" ""
  ${If} $0 == "${PROGID}"
    DeleteRegValue SHCTX "${CLASSES}\.anim" ""
  ${EndIf}
  DeleteRegKey /ifempty SHCTX "${CLASSES}\.anim"
  DeleteRegKey SHCTX "${UNINSTALL_KEY}"
  ${NotifyShell_AssocChanged}
SectionEnd
