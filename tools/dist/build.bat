@echo off
rem Builds the game of this folder with MinGW-w64 for 32-bit Windows (i686): compiles every .cpp
rem file into game.dll, packs it with game.ini and every .bmp and .wav file of the folder into the
rem game file named by game.ini's FILENAME, checks that file and plays it once in robina-play.exe.
rem
rem The SDK is the folder above this one. A copy of this folder elsewhere (to start a game of your
rem own) finds the SDK through ROBINA_SDK, set once:  setx ROBINA_SDK C:\Robina-SDK-@VERSION@
rem The compiler is g++ on PATH, or the one CXX names:  set CXX=C:\mingw32\bin\g++.exe
setlocal enabledelayedexpansion
cd /d "%~dp0"
set STATUS=1
set "SDK=%ROBINA_SDK%"
if "%SDK%"=="" set "SDK=%~dp0.."
if not exist "%SDK%\include\robina_game.h" goto nosdk
if "%CXX%"=="" set CXX=g++
set GAMEFILE=
if exist game.ini for /f "usebackq tokens=1,* delims== " %%a in ("game.ini") do if /i "%%a"=="FILENAME" set "GAMEFILE=%%b"
if "%GAMEFILE%"=="" goto noname
set SOURCES=
for %%f in (*.cpp) do set "SOURCES=!SOURCES! %%f"
set MEMBERS=game.ini game.dll
for %%f in (*.bmp *.wav) do set "MEMBERS=!MEMBERS! %%f"

echo build.bat: compiling game.dll with %CXX%
%CXX% -shared -static -O2 -g -finput-charset=UTF-8 -fexec-charset=CP932 -I"%SDK%\include" -o game.dll%SOURCES%
if errorlevel 1 goto nocompile
"%SDK%\rvpx.exe" create "%GAMEFILE%" %MEMBERS%
if errorlevel 1 goto failed
"%SDK%\robina-play.exe" --check "%GAMEFILE%"
if errorlevel 1 goto failed
"%SDK%\robina-play.exe" "%GAMEFILE%"
if errorlevel 1 goto failed
echo build.bat: %GAMEFILE% is built, checked and played. Copy it beside Robina.exe to see it on the map.
set STATUS=0
goto end

:nosdk
echo build.bat: the SDK is not at %SDK% (no include\robina_game.h there).
echo Set ROBINA_SDK to the SDK's folder once, for example:  setx ROBINA_SDK C:\Robina-SDK-@VERSION@
echo then open a new command prompt and run build.bat again.
goto end
:noname
echo build.bat: game.ini in %CD% has no FILENAME line: it names the game file, for example FILENAME=KOTORI.VYG
goto end
:nocompile
echo build.bat: the compiler stopped: its messages are above. If it was not found, put the bin folder
echo of MinGW-w64 for i686 on PATH, or set CXX to its g++.exe.
goto end
:failed
echo build.bat: stopped: the messages above say why.
:end
rem Started by a double-click (cmd /c), the window would close before anyone could read it.
set CLICKED=
for %%a in (%CMDCMDLINE%) do if /i "%%~a"=="/c" set CLICKED=1
if defined CLICKED pause
exit /b %STATUS%
