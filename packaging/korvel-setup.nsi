; The Korvel installer: a 64-bit setup program that installs the 64-bit
; module under Program Files\Korvel and the 32-bit one under
; Program Files (x86)\Korvel, and registers each with the regsvr32 of its
; own bitness. Built by scripts/package.sh:
;   makensis -DVERSION=1.0.0.6 -DKIT=<kit folder> -DOUTFILE=<setup.exe> korvel-setup.nsi
; Options of the setup program:
;   /S      silent
;   /NO32   leaves the 32-bit module out (the uninstaller then leaves it alone)
; Exit codes: 0 installed; 1 cancelled or aborted; 2 a module could not be
; registered (everything this run installed is taken away again).
Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin

!include LogicLib.nsh
!include x64.nsh
!include FileFunc.nsh

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Korvel"
!define PUBLISHER "Korvel"

Name "Korvel ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Korvel"
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${VERSION}"
VIAddVersionKey "ProductName" "Korvel"
VIAddVersionKey "FileDescription" "Korvel ${VERSION} setup"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "CompanyName" "${PUBLISHER}"
VIAddVersionKey "LegalCopyright" "${PUBLISHER}"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Var With32       ; 1 when the 32-bit module is (to be) installed
Var Folder32     ; where it goes
Var ExitCode

; Register <regsvr32> <module> <undo section>: registers a module; on
; failure undoes what this run installed and ends the setup with exit code 2.
!macro Register REGSVR32 MODULE
  ExecWait '"${REGSVR32}" /s "${MODULE}"' $ExitCode
  ${If} $ExitCode != 0
    DetailPrint "Registering ${MODULE} failed (regsvr32 exit code $ExitCode)"
    Call UndoInstall
    MessageBox MB_ICONSTOP "Korvel could not be registered: ${REGSVR32} failed on ${MODULE} (exit code $ExitCode). Nothing was installed." /SD IDOK
    SetErrorLevel 2
    Quit
  ${EndIf}
!macroend

Function .onInit
  ${IfNot} ${RunningX64}
    MessageBox MB_ICONSTOP "This setup program is for 64-bit Windows." /SD IDOK
    SetErrorLevel 1
    Quit
  ${EndIf}
  SetRegView 64
  StrCpy $With32 1
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/NO32" $R1
  ${IfNot} ${Errors}
    StrCpy $With32 0
  ${EndIf}
  StrCpy $Folder32 "$PROGRAMFILES32\Korvel"
FunctionEnd

; Takes away what a failed run installed: unregisters quietly whatever it
; may have registered, then deletes the files and the folders it made.
Function UndoInstall
  ; Out of the folders to be removed: a folder in use stays.
  SetOutPath "$TEMP"
  ExecWait '"$SYSDIR\regsvr32.exe" /u /s "$INSTDIR\Korvel.DLL"'
  Delete "$INSTDIR\Korvel.DLL"
  Delete "$INSTDIR\README.txt"
  RMDir "$INSTDIR"
  ${If} $With32 == 1
    ExecWait '"$WINDIR\SysWOW64\regsvr32.exe" /u /s "$Folder32\Korvel.DLL"'
    Delete "$Folder32\Korvel.DLL"
    RMDir "$Folder32"
  ${EndIf}
FunctionEnd

Section "Korvel"
  ; The 64-bit regsvr32 is System32's; file-system redirection stays off
  ; while it is started, so that no 32-bit host could be handed it.
  ${DisableX64FSRedirection}
  SetOutPath "$INSTDIR"
  File "${KIT}\x64\Korvel.DLL"
  File "${KIT}\README.txt"
  !insertmacro Register "$SYSDIR\regsvr32.exe" "$INSTDIR\Korvel.DLL"
  ${EnableX64FSRedirection}

  ${If} $With32 == 1
    SetOutPath "$Folder32"
    File "${KIT}\x86\Korvel.DLL"
    !insertmacro Register "$WINDIR\SysWOW64\regsvr32.exe" "$Folder32\Korvel.DLL"
  ${EndIf}

  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Korvel ${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ; Which modules this installer put there, for the uninstaller.
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "Korvel32" $With32
  ${If} $With32 == 1
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation32" "$Folder32"
  ${EndIf}
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  ${If} $With32 == 1
    ${GetSize} "$Folder32" "/S=0K" $1 $2 $3
    IntOp $0 $0 + $1
  ${EndIf}
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Function un.onInit
  SetRegView 64
FunctionEnd

; Both modules go together: they share the ProgIDs and the type library's
; entry, so neither could be left registered on its own.
Section "Uninstall"
  ReadRegDWORD $With32 HKLM "${UNINSTALL_KEY}" "Korvel32"
  ReadRegStr $Folder32 HKLM "${UNINSTALL_KEY}" "InstallLocation32"
  ${If} $With32 == 1
  ${AndIf} $Folder32 != ""
    ExecWait '"$WINDIR\SysWOW64\regsvr32.exe" /u /s "$Folder32\Korvel.DLL"'
    Delete "$Folder32\Korvel.DLL"
    RMDir "$Folder32"
  ${EndIf}
  ${DisableX64FSRedirection}
  ExecWait '"$SYSDIR\regsvr32.exe" /u /s "$INSTDIR\Korvel.DLL"'
  ${EnableX64FSRedirection}
  Delete "$INSTDIR\Korvel.DLL"
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
