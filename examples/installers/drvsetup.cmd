@echo off
rem Installs drvsetup-demo.inf onto ROOT\DRVSETUPDEMO with drvsetup.exe; exits with its exit code.
rem Run it elevated (as administrator) from the folder that holds it, drvsetup.exe and
rem drvsetup-demo.inf. It copies both files to a folder whose path has no blank.
setlocal
set DIR=%ProgramData%\Vendor\Drivers
if not exist %DIR% mkdir %DIR%
rem drvsetup.exe shows a box, even with /s, when it cannot open the INF: stop here instead.
copy /y "%~dp0drvsetup.exe" %DIR% >nul
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
