@echo off
rem Builds the game of this folder with Visual C++ for 32-bit Windows: run it from the
rem "x86 Native Tools Command Prompt for VS" (Start menu, Visual Studio folder), where cl is on PATH
rem and makes 32-bit code. It compiles every .cpp file into game.dll (with game.pdb for the
rem debugger), packs it with game.ini and every .bmp and .wav file into the game file named by
rem game.ini's FILENAME, checks that file and plays it once in robina-play.exe.
rem
rem /MT links the C run-time statically: the shell ships none. /execution-charset:.932 makes the
rem program's texts Shift-JIS, which the shell shows. The header declares every entry __cdecl,
rem so the defaults of the project (/Gd, /Gz) do not matter.
rem
rem The SDK is the folder above this one; a copy elsewhere finds it through ROBINA_SDK, set once:
rem setx ROBINA_SDK C:\Robina-SDK-@VERSION@
setlocal enabledelayedexpansion
cd /d "%~dp0"
set STATUS=1
set "SDK=%ROBINA_SDK%"
if "%SDK%"=="" set "SDK=%~dp0.."
if not exist "%SDK%\include\robina_game.h" goto nosdk
if /i "%VSCMD_ARG_TGT_ARCH%"=="x64" goto wrongprompt
set GAMEFILE=
if exist game.ini for /f "usebackq tokens=1,* delims== " %%a in ("game.ini") do if /i "%%a"=="FILENAME" set "GAMEFILE=%%b"
if "%GAMEFILE%"=="" goto noname
set SOURCES=
for %%f in (*.cpp) do set "SOURCES=!SOURCES! %%f"
set MEMBERS=game.ini game.dll
for %%f in (*.bmp *.wav) do set "MEMBERS=!MEMBERS! %%f"

echo build-msvc.bat: compiling game.dll with cl
cl /nologo /LD /MT /O2 /Zi /EHsc /source-charset:utf-8 /execution-charset:.932 /I"%SDK%\include" /Fe:game.dll%SOURCES% /link /DEBUG /NOIMPLIB /NOEXP
if errorlevel 1 goto nocompile
"%SDK%\rvpx.exe" create "%GAMEFILE%" %MEMBERS%
if errorlevel 1 goto failed
"%SDK%\robina-play.exe" --check "%GAMEFILE%"
if errorlevel 1 goto failed
"%SDK%\robina-play.exe" "%GAMEFILE%"
if errorlevel 1 goto failed
echo build-msvc.bat: %GAMEFILE% is built, checked and played. Copy it beside Robina.exe to see it on the map.
set STATUS=0
goto end

:nosdk
echo build-msvc.bat: the SDK is not at %SDK% (no include\robina_game.h there).
echo Set ROBINA_SDK to the SDK's folder once, for example:  setx ROBINA_SDK C:\Robina-SDK-@VERSION@
goto end
:wrongprompt
echo build-msvc.bat: this prompt makes 64-bit code, and game.dll must be 32-bit.
echo Open the "x86 Native Tools Command Prompt for VS" instead, and run build-msvc.bat there.
goto end
:noname
echo build-msvc.bat: game.ini in %CD% has no FILENAME line: it names the game file, for example FILENAME=KOTORI.VYG
goto end
:nocompile
echo build-msvc.bat: cl stopped: its messages are above. If cl was not found, start this from the
echo "x86 Native Tools Command Prompt for VS" of Visual Studio (its C++ workload installed).
goto end
:failed
echo build-msvc.bat: stopped: the messages above say why.
:end
rem Started by a double-click (cmd /c), the window would close before anyone could read it.
set CLICKED=
for %%a in (%CMDCMDLINE%) do if /i "%%~a"=="/c" set CLICKED=1
if defined CLICKED pause
exit /b %STATUS%
