; Varnic's Windows installer (64-bit). Built by `cmake --build --preset windows --target installer`,
; which passes VERSION, OUTFILE, STAGE (README.txt, varnic.txt, docs\, registry.nsh), VARNIC_EXE, DLL64
; and DLL32.
;
; It installs varnic.exe, VarnicObj.dll (64-bit, registered through its own DllRegisterServer)
; and x86\VarnicObj.dll (32-bit, registered in the 32-bit registry view by registry.nsh, which is
; generated from the DLL's own registration script), the README, docs\ and the manual page. /S installs
; silently; /NOPATH leaves PATH alone.
Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin

!include FileFunc.nsh
!include LogicLib.nsh
!include WinMessages.nsh
!include WordFunc.nsh
!include "${STAGE}\registry.nsh"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Varnic"
!define ENV_KEY "SYSTEM\CurrentControlSet\Control\Session Manager\Environment"

Name "Varnic ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Varnic"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
ShowInstDetails show
ShowUninstDetails show
VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1033 "ProductName" "Varnic"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileDescription" "Varnic ${VERSION} setup"
VIAddVersionKey /LANG=1033 "LegalCopyright" "the Varnic developers"

Page components
Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Section "Varnic (required)" SecMain
  SectionIn RO
  SetOutPath "$INSTDIR"
  File "/oname=varnic.exe" "${VARNIC_EXE}"
  File "/oname=VarnicObj.dll" "${DLL64}"
  File "${STAGE}\README.txt"
  File "${STAGE}\varnic.txt"
  SetOutPath "$INSTDIR\docs"
  File "${STAGE}\docs\*.md"
  File "${STAGE}\docs\*.schema.json"
  SetOutPath "$INSTDIR\x86"
  File "/oname=VarnicObj.dll" "${DLL32}"
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  ClearErrors
  RegDLL "$INSTDIR\VarnicObj.dll"
  ${If} ${Errors}
    MessageBox MB_ICONSTOP "Cannot register $INSTDIR\VarnicObj.dll." /SD IDOK
    SetErrorLevel 2
    Abort
  ${EndIf}
  ; HELPDIR is shared with the 64-bit registration, which names the install folder.
  !insertmacro VarnicRegister32 "$INSTDIR\x86\VarnicObj.dll" "$INSTDIR"

  WriteRegStr HKLM64 "${UNINSTALL_KEY}" "DisplayName" "Varnic ${VERSION}"
  WriteRegStr HKLM64 "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM64 "${UNINSTALL_KEY}" "Publisher" "Varnic"
  WriteRegStr HKLM64 "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM64 "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\varnic.exe"
  WriteRegStr HKLM64 "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM64 "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM64 "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM64 "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKLM64 "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Section "Add varnic.exe to PATH" SecPath
  ReadRegStr $0 HKLM64 "${ENV_KEY}" "Path"
  ClearErrors
  ${WordFind} ";$0;" ";$INSTDIR;" "E#" $1
  ${IfNot} ${Errors}
    DetailPrint "PATH already holds $INSTDIR"
    Return
  ${EndIf}
  ; A value longer than the installer's strings would come back cut short: leave it as it is.
  StrLen $1 "$0;$INSTDIR"
  ${If} $1 >= ${NSIS_MAX_STRLEN}
    MessageBox MB_ICONEXCLAMATION "PATH is too long to change here; add $INSTDIR to it by hand." /SD IDOK
    Return
  ${EndIf}
  ${If} $0 == ""
    StrCpy $0 "$INSTDIR"
  ${Else}
    StrCpy $0 "$0;$INSTDIR"
  ${EndIf}
  WriteRegExpandStr HKLM64 "${ENV_KEY}" "Path" "$0"
  WriteRegDWORD HKLM64 "${UNINSTALL_KEY}" "AddedToPath" 1
  SendMessage ${HWND_BROADCAST} ${WM_SETTINGCHANGE} 0 "STR:Environment" /TIMEOUT=5000
SectionEnd

Function .onInit
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} "$0" "/NOPATH" $1
  ${IfNot} ${Errors}
    SectionSetFlags ${SecPath} 0
  ${EndIf}
FunctionEnd

Section "Uninstall"
  ; The 64-bit DLL removes what it registered, its type library included.
  ClearErrors
  UnRegDLL "$INSTDIR\VarnicObj.dll"
  ${If} ${Errors}
    DetailPrint "Cannot unregister $INSTDIR\VarnicObj.dll"
  ${EndIf}
  !insertmacro VarnicUnregister32

  ReadRegDWORD $0 HKLM64 "${UNINSTALL_KEY}" "AddedToPath"
  ${If} $0 == 1
    ReadRegStr $0 HKLM64 "${ENV_KEY}" "Path"
    StrLen $1 $0
    ${If} $1 < ${NSIS_MAX_STRLEN}
      ; Every entry equal to the install folder goes; the rest stays as it was.
      ${un.WordReplace} ";$0;" ";$INSTDIR;" ";" "+" $1
      StrCpy $1 $1 "" 1
      StrCpy $1 $1 -1
      WriteRegExpandStr HKLM64 "${ENV_KEY}" "Path" "$1"
      SendMessage ${HWND_BROADCAST} ${WM_SETTINGCHANGE} 0 "STR:Environment" /TIMEOUT=5000
    ${Else}
      DetailPrint "PATH is too long to change here; remove $INSTDIR from it by hand."
    ${EndIf}
  ${EndIf}

  Delete "$INSTDIR\varnic.exe"
  Delete "$INSTDIR\VarnicObj.dll"
  Delete "$INSTDIR\x86\VarnicObj.dll"
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\varnic.txt"
  Delete "$INSTDIR\docs\*.md"
  Delete "$INSTDIR\docs\*.schema.json"
  RMDir "$INSTDIR\docs"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR\x86"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM64 "${UNINSTALL_KEY}"
SectionEnd
