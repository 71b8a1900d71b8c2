@echo off
rem Runs msiexec %1 MSI (/i or /x) quietly with a log, and prints its whole exit code (a shell sees 8 bits).
echo starting
start "" /wait msiexec %1 %2 /qn /l*v %3
echo msiexec exit code %ERRORLEVEL%
