; The per-user installer of the Word add-in: both builds of tallyweave.dll under %LOCALAPPDATA%\Tallyweave
; (x64\ for 64-bit Word, x86\ for 32-bit Word), each registered by its own DllRegisterServer through the
; regsvr32 of its bitness, and an uninstaller with its entry in the user's Apps & features list.
; No administrator rights, and no click: started without arguments (as the add-in's update does) it shows
; only its progress and closes itself; /S installs silently. Exit code 0 when installed, 2 when aborted.
;
; Built by build_installer in scripts/windows-installer.sh:
;   makensis -DVERSION=1.0.0 -DX64_DLL=<x86_64 dll> -DX86_DLL=<i686 dll> -DOUTFILE=<setup.exe> tallyweave.nsi

!ifndef VERSION | X64_DLL | X86_DLL | OUTFILE
  !error "Define VERSION, X64_DLL, X86_DLL and OUTFILE"
!endif
; Seconds to wait for Word to let go of a loaded add-in before giving up.
!ifndef RELEASE_WAIT_SECONDS
  !define RELEASE_WAIT_SECONDS 30
!endif

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel user

!include LogicLib.nsh

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Tallyweave"
!define DLL_NAME "tallyweave.dll"

Name "Tallyweave"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Tallyweave"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" InstallLocation
LoadLanguageFile "${NSISDIR}\Contrib\Language files\Dutch.nlf"

VIProductVersion "${VERSION}.0"
VIAddVersionKey ProductName "Tallyweave"
VIAddVersionKey ProductVersion "${VERSION}"
VIAddVersionKey FileVersion "${VERSION}"
VIAddVersionKey FileDescription "Tallyweave-installatie"
VIAddVersionKey LegalCopyright ""

; Only the progress page: nothing waits for the user.
Page instfiles
UninstPage instfiles
ShowInstDetails show
ShowUninstDetails show
AutoCloseWindow true

!define /math RELEASE_TRIES ${RELEASE_WAIT_SECONDS} * 2

!macro FAIL text
  DetailPrint "${text}"
  MessageBox MB_OK|MB_ICONSTOP "${text}" /SD IDOK
  SetErrorLevel 2
  Abort
!macroend

; Deletes a file, waiting while a process has it loaded (a Word that is still quitting): Windows refuses
; to delete a loaded DLL. Tries every half second for RELEASE_WAIT_SECONDS. Takes the path from the stack and
; leaves "gone" or "held" on it.
!macro DEFINE_DELETE_WHEN_RELEASED prefix
  Function ${prefix}DeleteWhenReleased
    Exch $0
    Push $1
    StrCpy $1 0
    ${Do}
      Delete $0
      ${IfNot} ${FileExists} $0
        StrCpy $1 gone
        ${Break}
      ${EndIf}
      IntOp $1 $1 + 1
      ${If} $1 > ${RELEASE_TRIES}
        StrCpy $1 held
        ${Break}
      ${EndIf}
      ${If} $1 = 1
        DetailPrint "Wachten tot Word $0 vrijgeeft"
      ${EndIf}
      Sleep 500
    ${Loop}
    StrCpy $0 $1
    Pop $1
    Exch $0
  FunctionEnd
!macroend
!insertmacro DEFINE_DELETE_WHEN_RELEASED ""
!insertmacro DEFINE_DELETE_WHEN_RELEASED "un."

; Calls the DLL's DllRegisterServer (options "") or DllUnregisterServer (options "/u") in regsvr32 of the
; DLL's bitness, so that a failing DLL cannot take the installer down. Leaves regsvr32's exit code in $0,
; or "not started".
!macro REGSVR32 regsvr32 options dll
  ClearErrors
  ExecWait '"${regsvr32}" /s ${options} "${dll}"' $0
  ${If} ${Errors}
    StrCpy $0 "not started"
  ${EndIf}
!macroend

!define REGSVR32_X64 "$SYSDIR\regsvr32.exe"
!define REGSVR32_X86 "$WINDIR\SysWOW64\regsvr32.exe"

; Takes the add-in's registration away. It needs only the DLL, not its place: a Word that still runs
; does not stop it. Both bitnesses write Word's Addins key, so an install unregisters both before it
; registers either.
!macro UNREGISTER regsvr32 arch
  ${If} ${FileExists} "${regsvr32}"
  ${AndIf} ${FileExists} "$INSTDIR\${arch}\${DLL_NAME}"
    !insertmacro REGSVR32 "${regsvr32}" /u "$INSTDIR\${arch}\${DLL_NAME}"
    ${If} $0 != 0
      DetailPrint "$INSTDIR\${arch}\${DLL_NAME} kon niet worden afgemeld (regsvr32: $0)"
    ${EndIf}
  ${EndIf}
!macroend

; The 64-bit DLL goes through the 64-bit regsvr32 (this installer is a 64-bit program, so $SYSDIR is the
; 64-bit System32) and must register.
!macro REGISTER_X64
  !insertmacro REGSVR32 "${REGSVR32_X64}" "" "$INSTDIR\x64\${DLL_NAME}"
  ${If} $0 != 0
    !insertmacro FAIL "De invoegtoepassing voor 64-bits Word kon niet worden geregistreerd (regsvr32: $0)."
  ${EndIf}
  DetailPrint "Geregistreerd voor 64-bits Word: $INSTDIR\x64\${DLL_NAME}"
!macroend

; The 32-bit DLL goes through the 32-bit regsvr32 of 64-bit Windows. Without it, or when it fails, the
; add-in for 64-bit Word stays installed and 32-bit Word just does not load the add-in.
!macro REGISTER_X86
  ${If} ${FileExists} "${REGSVR32_X86}"
    !insertmacro REGSVR32 "${REGSVR32_X86}" "" "$INSTDIR\x86\${DLL_NAME}"
    ${If} $0 == 0
      DetailPrint "Geregistreerd voor 32-bits Word: $INSTDIR\x86\${DLL_NAME}"
    ${Else}
      DetailPrint "De invoegtoepassing voor 32-bits Word kon niet worden geregistreerd (regsvr32: $0)"
    ${EndIf}
  ${Else}
    DetailPrint "Niet geregistreerd voor 32-bits Word: er is geen ${REGSVR32_X86}"
  ${EndIf}
!macroend

; An upgrade moves the installed DLL of one bitness aside (a loaded DLL can be renamed, not deleted), so
; that it can be put back when Word does not let go of it.
!macro MOVE_ASIDE arch
  Delete "$INSTDIR\${arch}\${DLL_NAME}.old"
  ${If} ${FileExists} "$INSTDIR\${arch}\${DLL_NAME}"
    ClearErrors
    Rename "$INSTDIR\${arch}\${DLL_NAME}" "$INSTDIR\${arch}\${DLL_NAME}.old"
    ${If} ${Errors}
      !insertmacro ABORT_UPGRADE "Tallyweave kan niet worden bijgewerkt: $INSTDIR\${arch}\${DLL_NAME} kan niet worden vervangen."
    ${EndIf}
  ${EndIf}
!macroend

; Puts the installed DLLs back in place and the new ones away: the installed version stays whole.
!macro PUT_BACK arch
  ${If} ${FileExists} "$INSTDIR\${arch}\${DLL_NAME}.old"
    Rename "$INSTDIR\${arch}\${DLL_NAME}.old" "$INSTDIR\${arch}\${DLL_NAME}"
  ${EndIf}
  Delete "$INSTDIR\${arch}\${DLL_NAME}.new"
!macroend

!macro ABORT_UPGRADE text
  !insertmacro PUT_BACK x64
  !insertmacro PUT_BACK x86
  !insertmacro FAIL "${text}"
!macroend

!macro DELETE_OLD arch
  Push "$INSTDIR\${arch}\${DLL_NAME}.old"
  Call DeleteWhenReleased
  Pop $0
  ${If} $0 == held
    !insertmacro ABORT_UPGRADE "Tallyweave kan niet worden bijgewerkt: Word gebruikt $INSTDIR\${arch}\${DLL_NAME} nog. Sluit Word en start de installatie opnieuw."
  ${EndIf}
!macroend

!macro PUT_NEW arch
  ClearErrors
  Rename "$INSTDIR\${arch}\${DLL_NAME}.new" "$INSTDIR\${arch}\${DLL_NAME}"
  ${If} ${Errors}
    !insertmacro FAIL "Tallyweave kan $INSTDIR\${arch}\${DLL_NAME} niet schrijven."
  ${EndIf}
!macroend

!macro DELETE_INSTALLED arch
  Push "$INSTDIR\${arch}\${DLL_NAME}"
  Call un.DeleteWhenReleased
  Pop $0
  ${If} $0 == held
    !insertmacro FAIL "Tallyweave kan niet worden verwijderd: Word gebruikt $INSTDIR\${arch}\${DLL_NAME} nog. Sluit Word en probeer het opnieuw."
  ${EndIf}
  Delete "$INSTDIR\${arch}\${DLL_NAME}.new"
  Delete "$INSTDIR\${arch}\${DLL_NAME}.old"
  RMDir "$INSTDIR\${arch}"
!macroend

Section
  ; The new DLLs go beside the installed ones first.
  SetOutPath "$INSTDIR\x64"
  File "/oname=${DLL_NAME}.new" "${X64_DLL}"
  SetOutPath "$INSTDIR\x86"
  File "/oname=${DLL_NAME}.new" "${X86_DLL}"
  SetOutPath "$INSTDIR"
  !insertmacro MOVE_ASIDE x64
  !insertmacro MOVE_ASIDE x86
  !insertmacro DELETE_OLD x64
  !insertmacro DELETE_OLD x86
  !insertmacro PUT_NEW x64
  !insertmacro PUT_NEW x86

  ; Unregistering first removes whatever an earlier version registered under the add-in's keys.
  !insertmacro UNREGISTER "${REGSVR32_X64}" x64
  !insertmacro UNREGISTER "${REGSVR32_X86}" x86
  !insertmacro REGISTER_X64
  !insertmacro REGISTER_X86

  WriteUninstaller "$INSTDIR\uninstall.exe"
  WriteRegStr HKCU "${UNINSTALL_KEY}" DisplayName "Tallyweave"
  WriteRegStr HKCU "${UNINSTALL_KEY}" DisplayVersion "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" InstallLocation "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" UninstallString '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" QuietUninstallString '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" NoModify 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" NoRepair 1
SectionEnd

Section Uninstall
  !insertmacro UNREGISTER "${REGSVR32_X64}" x64
  !insertmacro UNREGISTER "${REGSVR32_X86}" x86
  !insertmacro DELETE_INSTALLED x64
  !insertmacro DELETE_INSTALLED x86
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd
