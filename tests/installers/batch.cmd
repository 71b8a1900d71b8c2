@echo off
rem Runs the batch file %1 (with %2) in a cmd.exe of its own and prints its whole exit code (a shell sees 8 bits).
echo starting
cmd /c %1 %2
echo batch exit code %ERRORLEVEL%
