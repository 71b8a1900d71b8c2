; Installs drvsetup-demo.inf onto ROOT\DRVSETUPDEMO with the drvsetup.exe built for the Windows it
; runs on; fails with its exit code. An x86 installer, NSIS's default, so it runs on every Windows.
; Build with `makensis drvsetup.nsi` from a folder holding this file, drvsetup-demo.inf and the
; three builds: x86\drvsetup.exe, x64\drvsetup.exe and arm64\drvsetup.exe.
Target x86-unicode
!include LogicLib.nsh
!include x64.nsh

Name "Vendor Driver"
OutFile "driver-setup.exe"
RequestExecutionLevel admin
Page instfiles

Section
  SetShellVarContext all  ; $APPDATA is now the common one: C:\ProgramData
  SetOutPath "$APPDATA\Vendor\Drivers"
  ; The build for Windows' own architecture: a 32-bit one cannot install drivers on 64-bit Windows.
  ${If} ${IsNativeARM64}
    File "arm64\drvsetup.exe"
  ${ElseIf} ${IsNativeAMD64}
    File "x64\drvsetup.exe"
  ${Else}
    File "x86\drvsetup.exe"
  ${EndIf}
  File "drvsetup-demo.inf"
  ; drvsetup.exe shows a box, even with /s, when it cannot open the INF.
  ${IfNot} ${FileExists} "$OUTDIR\drvsetup-demo.inf"
    MessageBox MB_ICONSTOP "$OUTDIR\drvsetup-demo.inf could not be written." /SD IDOK
    Abort
  ${EndIf}
  ClearErrors
  ExecWait '"$OUTDIR\drvsetup.exe" $OUTDIR\drvsetup-demo.inf ROOT\DRVSETUPDEMO /s' $0
  ${If} ${Errors}
    MessageBox MB_ICONSTOP "$OUTDIR\drvsetup.exe could not be started." /SD IDOK
    Abort
  ${ElseIf} $0 != 0
    SetErrorLevel $0
    MessageBox MB_ICONSTOP "Driver installation failed (code $0)." /SD IDOK
    Abort
  ${EndIf}
SectionEnd
