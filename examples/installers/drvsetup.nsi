; Installs drvsetup-demo.inf onto ROOT\DRVSETUPDEMO with drvsetup.exe; fails with its exit code.
; Build from a folder holding this file, drvsetup.exe and drvsetup-demo.inf:
;   makensis -DARCH=amd64 drvsetup.nsi   (64-bit Windows, with the 64-bit drvsetup.exe)
;   makensis -DARCH=x86 drvsetup.nsi     (32-bit Windows, with the 32-bit drvsetup.exe)
!ifndef ARCH
  !define ARCH amd64
!endif
Target ${ARCH}-unicode
!include LogicLib.nsh

Name "Vendor Driver"
OutFile "driver-setup-${ARCH}.exe"
RequestExecutionLevel admin
Page instfiles

Section
  SetShellVarContext all  ; $APPDATA is now the common one: C:\ProgramData
  SetOutPath "$APPDATA\Vendor\Drivers"
  File "drvsetup.exe"
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
