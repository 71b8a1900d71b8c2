; Installs the driver package in driver\ (drvsetup-demo.inf, its catalog and the file it copies)
; onto ROOT\DRVSETUPDEMO with the drvsetup.exe built for the Windows it runs on; fails with its
; exit code, and exits 3010 when Windows must restart to finish, 3011 when no device is plugged in
; yet (the package then waits in the driver store). Its own failures have codes of their own, 20
; to 23, which drvsetup.exe never gives. An x86 installer, NSIS's default,
; so it runs on every Windows. Needs NSIS 3.04 or later (IsNativeARM64). Build with
; `makensis drvsetup.nsi` from a folder holding this file, the package folder driver\ and the
; three builds: x86\drvsetup.exe, x64\drvsetup.exe and arm64\drvsetup.exe, with drvremove.exe
; beside each. It writes an uninstaller and its Apps & features entry; the uninstaller takes the
; package off the devices and out of the driver store with drvremove.exe, then deletes the folder.
Target x86-unicode
!include LogicLib.nsh
!include x64.nsh

Name "Vendor Driver"
OutFile "driver-setup.exe"
RequestExecutionLevel admin
Page instfiles
UninstPage instfiles
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\VendorDriver"

Section
  SetShellVarContext all  ; $APPDATA is now the common one: C:\ProgramData
  StrCpy $1 "$APPDATA\VendorDrivers"
  ; Made anew for administrators and SYSTEM alone before anything is copied into it (see the
  ; guide): rd removes a folder that is there, md fails when one is still there.
  nsExec::Exec '"$SYSDIR\cmd.exe" /c rd /s /q $1 2>nul & md $1'
  Pop $0
  ${If} $0 == 0
    nsExec::Exec '"$SYSDIR\icacls.exe" $1 /setowner *S-1-5-32-544'
    Pop $0
  ${EndIf}
  ${If} $0 == 0
    nsExec::Exec '"$SYSDIR\icacls.exe" $1 /inheritance:r /grant:r "*S-1-5-32-544:(OI)(CI)F" "*S-1-5-18:(OI)(CI)F"'
    Pop $0
  ${EndIf}
  ${If} $0 != 0
    MessageBox MB_ICONSTOP "$1 could not be made anew for administrators alone ($0)." /SD IDOK
    SetErrorLevel 20
    Abort
  ${EndIf}
  ; Until then the folder had C:\ProgramData's permissions, and a file a user put in it then is
  ; theirs: it must be empty, and its owner Administrators (O:BA), or nothing is copied.
  nsExec::Exec `"$SYSDIR\WindowsPowerShell\v1.0\powershell.exe" -NoProfile -NonInteractive -Command "exit (1 - ((-not (Get-ChildItem -LiteralPath '$1' -Force)) -and ((Get-Acl -LiteralPath '$1').GetSecurityDescriptorSddlForm('Owner') -eq 'O:BA')))"`
  Pop $0
  ${If} $0 != 0
    MessageBox MB_ICONSTOP "$1 is not empty or not owned by Administrators: nothing was installed." /SD IDOK
    SetErrorLevel 21
    Abort
  ${EndIf}
  SetOutPath $1
  ; The build for Windows' own architecture: a 32-bit one cannot install drivers on 64-bit Windows.
  ${If} ${IsNativeARM64}
    File "arm64\drvsetup.exe"
    File "arm64\drvremove.exe"
  ${ElseIf} ${IsNativeAMD64}
    File "x64\drvsetup.exe"
    File "x64\drvremove.exe"
  ${Else}
    File "x86\drvsetup.exe"
    File "x86\drvremove.exe"
  ${EndIf}
  ; The whole driver package: the INF, its catalog and every file it names, in its own layout.
  File /r "driver\*"
  ; drvsetup.exe shows a box, even with /s, when it cannot open the INF.
  ${IfNot} ${FileExists} "$OUTDIR\drvsetup-demo.inf"
    MessageBox MB_ICONSTOP "$OUTDIR\drvsetup-demo.inf could not be written." /SD IDOK
    SetErrorLevel 22
    Abort
  ${EndIf}
  ; drvsetup.exe then exits 3010 where Windows must restart to finish the installation, and 3011
  ; where no device is plugged in yet: the package waits in the driver store for it.
  System::Call 'kernel32::SetEnvironmentVariable(t "DRVSETUP_RESTART_EXIT_CODE", t "3010")'
  System::Call 'kernel32::SetEnvironmentVariable(t "DRVSETUP_NO_DEVICE_EXIT_CODE", t "3011")'
  ; A re-run of an older installer must not replace a newer driver (Windows Update's, say).
  System::Call 'kernel32::SetEnvironmentVariable(t "DRVSETUP_ONLY_IF_BETTER", t "1")'
  ; In a folder of its own that only administrators can write, which the next install keeps.
  CreateDirectory "$WINDIR\Logs\VendorDrivers"
  System::Call 'kernel32::SetEnvironmentVariable(t "DRVSETUP_LOG", t "$WINDIR\Logs\VendorDrivers\drvsetup.log")'
  ClearErrors
  ExecWait '"$OUTDIR\drvsetup.exe" $OUTDIR\drvsetup-demo.inf ROOT\DRVSETUPDEMO /s' $0
  ${If} ${Errors}
    MessageBox MB_ICONSTOP "$OUTDIR\drvsetup.exe could not be started." /SD IDOK
    SetErrorLevel 23
    Abort
  ${ElseIf} $0 == 3011
    DetailPrint "No device is plugged in yet: Windows installs the driver when it is."
    SetErrorLevel 3011
  ${ElseIf} $0 == 3010
    SetRebootFlag true  ; read by IfRebootFlag and by a Modern UI finish page, which offers the restart
    SetErrorLevel 3010  ; the installer's exit code, for whatever runs it with /S
  ${ElseIf} $0 != 0
    SetErrorLevel $0
    MessageBox MB_ICONSTOP "Driver installation failed (code $0)." /SD IDOK
    Abort
  ${EndIf}
  WriteUninstaller "$OUTDIR\uninstall.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Vendor Driver"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$OUTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$OUTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; The package comes off the devices and out of the driver store before the folder goes: with the
; folder kept on failure, a second try can still find the INF.
Section "Uninstall"
  System::Call 'kernel32::SetEnvironmentVariable(t "DRVSETUP_RESTART_EXIT_CODE", t "3010")'
  System::Call 'kernel32::SetEnvironmentVariable(t "DRVSETUP_LOG", t "$WINDIR\Logs\VendorDrivers\drvsetup.log")'
  ClearErrors
  ExecWait '"$INSTDIR\drvremove.exe" $INSTDIR\drvsetup-demo.inf /s' $0
  ${If} ${Errors}
    MessageBox MB_ICONSTOP "$INSTDIR\drvremove.exe could not be started." /SD IDOK
    SetErrorLevel 23
    Abort
  ${ElseIf} $0 == 3010
    SetRebootFlag true
    SetErrorLevel 3010
  ${ElseIf} $0 != 0
    SetErrorLevel $0
    MessageBox MB_ICONSTOP "Driver removal failed (code $0)." /SD IDOK
    Abort
  ${EndIf}
  RMDir /r "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
