@echo off
rem Installs drvsetup-demo.inf onto ROOT\DRVSETUPDEMO with the drvsetup.exe built for this Windows;
rem exits with its exit code: 0, 3010 when Windows must restart to finish, else a failure. Run it
rem elevated (as administrator) from the folder that holds it, drvsetup-demo.inf and the three
rem builds: x86\drvsetup.exe, x64\drvsetup.exe, arm64\drvsetup.exe.
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
set ICACLS=%SystemRoot%\System32\icacls.exe
rd /s /q %DIR% 2>nul
md %DIR%
if errorlevel 1 goto secure_failed
%ICACLS% %DIR% /setowner *S-1-5-32-544 >nul
if errorlevel 1 goto secure_failed
%ICACLS% %DIR% /inheritance:r /grant:r "*S-1-5-32-544:(OI)(CI)F" "*S-1-5-18:(OI)(CI)F" >nul
if errorlevel 1 goto secure_failed
rem drvsetup.exe shows a box, even with /s, when it cannot open the INF: stop here instead.
copy /y "%~dp0%BUILD%\drvsetup.exe" %DIR% >nul
if errorlevel 1 goto copy_failed
copy /y "%~dp0drvsetup-demo.inf" %DIR% >nul
if errorlevel 1 goto copy_failed
rem drvsetup.exe then exits 3010 where Windows must restart to finish the installation.
set DRVSETUP_RESTART_EXIT_CODE=3010
start "" /wait %DIR%\drvsetup.exe %DIR%\drvsetup-demo.inf "ROOT\DRVSETUPDEMO" /s
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

:secure_failed
echo Could not make %DIR% anew for administrators alone
exit /b 1

:copy_failed
echo Could not copy drvsetup.exe and drvsetup-demo.inf to %DIR%
exit /b 1
