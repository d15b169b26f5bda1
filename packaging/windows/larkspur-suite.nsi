; The setup program: makensis /DVERSION=<v> /DSTAGE=<program folder> /DOUT=<setup.exe>
; STAGE also holds files.nsh and unfiles.nsh, the lists of what it installs,
; so that the uninstaller removes exactly those and nothing of the user's.
; A 64-bit setup program for a 64-bit program: it needs no 32-bit layer.
Target amd64-unicode
SetCompressor /SOLID lzma
!include "MUI2.nsh"
!include "FileFunc.nsh"
!include "LogicLib.nsh"
!include "Sections.nsh"
!include "TextFunc.nsh"
!include "WordFunc.nsh"

!define APP "Larkspur Suite"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\LarkspurSuite"

Name "${APP}"
; Sharp at any scale, and named for what it installs.
ManifestDPIAware true
BrandingText "${APP} ${VERSION}"
OutFile "${OUT}"
InstallDir "$PROGRAMFILES64\${APP}"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
RequestExecutionLevel admin
VIProductVersion "${VERSION}.0.0"
VIAddVersionKey "ProductName" "${APP}"
VIAddVersionKey "CompanyName" "Vantrel"
VIAddVersionKey "FileDescription" "${APP} setup"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "LegalCopyright" "2026 Vantrel"

!define MUI_ICON "${STAGE}\larkspur-suite.ico"
!define MUI_UNICON "${STAGE}\larkspur-suite.ico"
!insertmacro MUI_PAGE_LICENSE "${STAGE}\LICENSE.txt"
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\larkspur-suite.exe"
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Section "${APP}" Main
  SectionIn RO
  SetShellVarContext all
  !include "${STAGE}\files.nsh"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateShortCut "$SMPROGRAMS\${APP}.lnk" "$INSTDIR\larkspur-suite.exe" "" \
    "$INSTDIR\larkspur-suite.exe" 0
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${APP}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Vantrel"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\larkspur-suite.exe,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" ${SIZE_KB}
SectionEnd

; larkspur-gather in any console: off unless chosen (here, or with /PATH when
; silent), and taken out again by the uninstaller.
Section /o "Add the program's folder to your PATH (for larkspur-gather)" UserPath
  ReadRegStr $0 HKCU "Environment" "Path"
  ${WordFind} "$0" ";" "E/$INSTDIR" $1
  ${If} ${Errors}  ; not there yet
    ${If} $0 == ""
      WriteRegExpandStr HKCU "Environment" "Path" "$INSTDIR"
    ${Else}
      WriteRegExpandStr HKCU "Environment" "Path" "$0;$INSTDIR"
    ${EndIf}
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "AddedToPath" 1
    SendMessage ${HWND_BROADCAST} ${WM_SETTINGCHANGE} 0 "STR:Environment" /TIMEOUT=5000
  ${EndIf}
SectionEnd

Function .onInit
  ${GetOptions} $CMDLINE "/PATH" $0
  ${IfNot} ${Errors}
    !insertmacro SelectSection ${UserPath}
  ${EndIf}
FunctionEnd

; Only what was installed goes; the settings (in the user's registry) and any
; file the user put in the folder stay, and so does the folder then.
Section "Uninstall"
  SetShellVarContext all
  Delete "$SMPROGRAMS\${APP}.lnk"
  ; What an earlier version installed and this one does not: named in the
  ; list every version adds to, within the folder only.
  FileOpen $9 "$INSTDIR\installed-files.txt" r
  ${IfNot} ${Errors}
    ${Do}
      FileRead $9 $8
      ${If} ${Errors}
        ${ExitDo}
      ${EndIf}
      ${un.TrimNewLines} "$8" $8
      ${un.WordFind} "$8" ".." "E+1{" $7
      ${If} ${Errors}
      ${AndIf} $8 != ""
        Delete "$INSTDIR\$8"
        ${un.GetParent} "$INSTDIR\$8" $7
        RMDir $7
      ${EndIf}
    ${Loop}
    FileClose $9
  ${EndIf}
  Delete "$INSTDIR\installed-files.txt"
  !include "${STAGE}\unfiles.nsh"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  ReadRegDWORD $1 HKLM "${UNINSTALL_KEY}" "AddedToPath"
  ${If} $1 == 1
    ReadRegStr $0 HKCU "Environment" "Path"
    ${If} $0 == $INSTDIR
      StrCpy $0 ""
    ${Else}
      ${un.WordReplace} "$0" ";$INSTDIR" "" "+" $0
    ${EndIf}
    WriteRegExpandStr HKCU "Environment" "Path" "$0"
    SendMessage ${HWND_BROADCAST} ${WM_SETTINGCHANGE} 0 "STR:Environment" /TIMEOUT=5000
  ${EndIf}
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
