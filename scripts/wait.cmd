@echo off
rem Starts the program %1 with the rest of the line, waits for it, and prints its whole exit code (a shell sees 8 bits).
echo starting
start "" /wait %*
echo program exit code %ERRORLEVEL%
