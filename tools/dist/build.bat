@echo off
rem Builds the template game with MinGW-w64 for 32-bit Windows (i686), packs it into TEMPLATE.VYG
rem with rvpx.exe and runs it once in robina-play.exe. Needs MinGW-w64's g++ for i686 on PATH, or
rem CXX set to it (for example set CXX=C:\mingw32\bin\g++.exe). Copy this folder to start a game of
rem your own: rename template.cpp, and change FILENAME and GAMEID in game.ini.
setlocal
cd /d "%~dp0"
if "%CXX%"=="" set CXX=g++
%CXX% -shared -static -O2 -finput-charset=UTF-8 -fexec-charset=CP932 -I..\include -o game.dll template.cpp || goto failed
..\rvpx.exe create TEMPLATE.VYG game.ini game.dll sys_logo.bmp sys_states.bmp help.bmp robin.bmp text.bmp peep.wav || goto failed
..\robina-play.exe TEMPLATE.VYG
exit /b %errorlevel%
:failed
echo build.bat: the build failed
exit /b 1
