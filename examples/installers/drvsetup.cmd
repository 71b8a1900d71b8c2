@echo off
rem Installs the driver package in driver\ (drvsetup-demo.inf, its catalog and the file it copies)
rem onto ROOT\DRVSETUPDEMO with the drvsetup.exe built for this Windows; exits with its exit code:
rem 0, 3010 when Windows must restart to finish, 3011 when no device is plugged in yet (the package
rem waits in the driver store), else a failure; its own failures are 20 to 22, which drvsetup.exe
rem never gives. Run it elevated (as administrator)
rem from the folder that holds it, the package folder driver\ and the three builds:
rem x86\drvsetup.exe, x64\drvsetup.exe, arm64\drvsetup.exe, and drvremove.exe beside each.
rem With /uninstall it takes the package off the devices and out of the driver store with the
rem installed drvremove.exe, then deletes the folder; exits 0, 3010, or drvremove.exe's failure.
setlocal
rem Windows' own architecture: a 32-bit cmd.exe on 64-bit Windows sees x86 in
rem PROCESSOR_ARCHITECTURE and the native one in PROCESSOR_ARCHITEW6432.
set ARCH=%PROCESSOR_ARCHITECTURE%
if defined PROCESSOR_ARCHITEW6432 set ARCH=%PROCESSOR_ARCHITEW6432%
set BUILD=x86
if /i "%ARCH%"=="AMD64" set BUILD=x64
if /i "%ARCH%"=="ARM64" set BUILD=arm64
rem A folder whose path has no blank, made anew for administrators and SYSTEM alone before
rem anything is copied into it (see the guide): rd removes one that is there, md fails when one
rem is still there.
set DIR=%ProgramData%\VendorDrivers
set SYS=%SystemRoot%\System32
if /i "%~1"=="/uninstall" goto uninstall
rd /s /q %DIR% 2>nul
md %DIR%
if errorlevel 1 goto secure_failed
%SYS%\icacls.exe %DIR% /setowner *S-1-5-32-544 >nul
if errorlevel 1 goto secure_failed
%SYS%\icacls.exe %DIR% /inheritance:r /grant:r "*S-1-5-32-544:(OI)(CI)F" "*S-1-5-18:(OI)(CI)F" >nul
if errorlevel 1 goto secure_failed
rem Until then the folder had C:\ProgramData's permissions, and a file a user put in it then is
rem theirs: it must be empty, and its owner Administrators (O:BA), or nothing is copied.
%SYS%\WindowsPowerShell\v1.0\powershell.exe -NoProfile -NonInteractive -Command "exit (1 - ((-not (Get-ChildItem -LiteralPath '%DIR%' -Force)) -and ((Get-Acl -LiteralPath '%DIR%').GetSecurityDescriptorSddlForm('Owner') -eq 'O:BA')))"
if errorlevel 1 goto not_secured
copy /y "%~dp0%BUILD%\drvsetup.exe" %DIR% >nul
if errorlevel 1 goto copy_failed
copy /y "%~dp0%BUILD%\drvremove.exe" %DIR% >nul
if errorlevel 1 goto copy_failed
rem The whole driver package: the INF, its catalog and every file it names, in its own layout.
%SYS%\xcopy.exe "%~dp0driver\*" %DIR%\ /e /q /y >nul
if errorlevel 1 goto copy_failed
rem drvsetup.exe shows a box, even with /s, when it cannot open the INF: stop here instead.
if not exist %DIR%\drvsetup-demo.inf goto copy_failed
rem drvsetup.exe then exits 3010 where Windows must restart to finish the installation, and 3011
rem where no device is plugged in yet: the package waits in the driver store for it.
set DRVSETUP_RESTART_EXIT_CODE=3010
set DRVSETUP_NO_DEVICE_EXIT_CODE=3011
rem A re-run of an older package must not replace a newer driver (Windows Update's, say).
set DRVSETUP_ONLY_IF_BETTER=1
rem In a folder of its own that only administrators can write, which the next install keeps.
md %SystemRoot%\Logs\VendorDrivers 2>nul
set DRVSETUP_LOG=%SystemRoot%\Logs\VendorDrivers\drvsetup.log
start "" /wait %DIR%\drvsetup.exe %DIR%\drvsetup-demo.inf "ROOT\DRVSETUPDEMO" /s
if %ERRORLEVEL% equ 3011 (
  echo No device is plugged in yet: Windows installs the driver when it is.
  exit /b 3011
)
if %ERRORLEVEL% equ 3010 (
  echo Driver installed; Windows must restart to finish.
  exit /b 3010
)
if %ERRORLEVEL% neq 0 (
  echo Driver installation failed with exit code %ERRORLEVEL%
  exit /b %ERRORLEVEL%
)
echo Driver installed.
exit /b 0

:uninstall
if not exist %DIR%\drvremove.exe (
  echo Nothing to uninstall: %DIR%\drvremove.exe is not there
  exit /b 0
)
set DRVSETUP_RESTART_EXIT_CODE=3010
set DRVSETUP_LOG=%SystemRoot%\Logs\VendorDrivers\drvsetup.log
start "" /wait %DIR%\drvremove.exe %DIR%\drvsetup-demo.inf /s
set CODE=%ERRORLEVEL%
if %CODE% neq 0 if %CODE% neq 3010 (
  echo Driver removal failed with exit code %CODE%: %DIR% is kept
  exit /b %CODE%
)
rd /s /q %DIR%
if %CODE% equ 3010 (
  echo Driver removed; Windows must restart to finish.
  exit /b 3010
)
echo Driver removed.
exit /b 0

:secure_failed
echo Could not make %DIR% anew for administrators alone
exit /b 20

:not_secured
echo %DIR% is not empty or not owned by Administrators: nothing was installed
exit /b 21

:copy_failed
echo Could not copy drvsetup.exe and the driver package to %DIR%
exit /b 22
