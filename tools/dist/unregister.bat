@echo off
rem The portable program's association is taken away by the program itself: it removes the ".vyg"
rem association only where it opens the Robina.exe beside this file, so an installed copy's stays.
rem Robina.exe says in a message what it did.
"%~dp0Robina.exe" /unregister
exit /b %errorlevel%
