@echo off
rem Installs drvsetup-demo.inf onto ROOT\DRVSETUPDEMO with the drvsetup.exe built for this Windows;
rem exits with its exit code. Run it elevated (as administrator) from the folder that holds it,
rem drvsetup-demo.inf and the three builds: x86\drvsetup.exe, x64\drvsetup.exe, arm64\drvsetup.exe.
rem It copies the INF and the matching build to a folder whose path has no blank.
setlocal
rem Windows' own architecture: a 32-bit cmd.exe on 64-bit Windows sees x86 in
rem PROCESSOR_ARCHITECTURE and the native one in PROCESSOR_ARCHITEW6432.
set ARCH=%PROCESSOR_ARCHITECTURE%
if defined PROCESSOR_ARCHITEW6432 set ARCH=%PROCESSOR_ARCHITEW6432%
set BUILD=x86
if /i "%ARCH%"=="AMD64" set BUILD=x64
if /i "%ARCH%"=="ARM64" set BUILD=arm64
set DIR=%ProgramData%\Vendor\Drivers
if not exist %DIR% mkdir %DIR%
rem drvsetup.exe shows a box, even with /s, when it cannot open the INF: stop here instead.
copy /y "%~dp0%BUILD%\drvsetup.exe" %DIR% >nul
if errorlevel 1 goto copy_failed
copy /y "%~dp0drvsetup-demo.inf" %DIR% >nul
if errorlevel 1 goto copy_failed
start "" /wait %DIR%\drvsetup.exe %DIR%\drvsetup-demo.inf "ROOT\DRVSETUPDEMO" /s
if %ERRORLEVEL% neq 0 (
  echo Driver installation failed with exit code %ERRORLEVEL%
  exit /b %ERRORLEVEL%
)
echo Driver installed.
exit /b 0

:copy_failed
echo Could not copy drvsetup.exe and drvsetup-demo.inf to %DIR%
exit /b 1
