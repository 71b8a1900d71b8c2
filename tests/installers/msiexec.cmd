@echo off
rem Runs msiexec /i MSI quietly with a log, and prints its whole exit code (a shell sees 8 bits).
start "" /wait msiexec /i %1 /qn /l*v %2
echo msiexec exit code %ERRORLEVEL%
