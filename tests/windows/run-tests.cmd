@echo off
rem Runs every end-to-end test program in this folder and exits non-zero if
rem any of them fails. Each program finds Varnix.exe and the stand-in game
rem (RuZoriru.exe) beside itself and lays out its installations in a folder
rem of its own under the temporary folder, removed afterwards; give
rem --root=FOLDER to put them elsewhere. Other arguments go to every program.
rem Each program registers only the cases that apply to its launcher and to
rem this Windows' ANSI code page; with --all-rows the rest skip, saying why.
rem --reports=FOLDER, first if given, has each run write its GoogleTest XML
rem report there as PROGRAM.LAUNCHER.xml: one file for all would keep only
rem the last run's.
setlocal
set failed=0
set reports=
set "args=%*"
rem cmd splits %1 at "=" as at a blank, so the option is %1 and %2, and
rem only %* keeps the other arguments' "=": the option comes off its front
rem through "--reports", the one character after it and %2. The folder is
rem made a full path before the cd, which would change what it names.
if /i not "%~1" == "--reports" goto run
if "%~2" == "" echo run-tests: --reports=FOLDER wants a folder>&2& exit /b 2
set "reports=%~f2"
set "args=%args:*--reports=%"
set "args=%args:~1%"
call set "args=%%args:*%2=%%"
:run
cd /d "%~dp0"
rem Each program runs twice: against Varnix.exe as it ships, in UTF-8 where
rem this Windows honours its manifest, and against the same sources without
rem the manifest, in this Windows' ANSI code page.
call :once varnix_end_to_end Varnix.exe
call :once varnix_end_to_end VarnixNoManifest.exe
call :once varnix_code_pages Varnix.exe
call :once varnix_code_pages VarnixNoManifest.exe
exit /b %failed%

rem Any status but 0 fails: a crashed program's is negative, which
rem "if errorlevel 1" would let through.
:once
set output=
if defined reports set output="--gtest_output=xml:%reports%\%1.%~n2.xml"
if defined reports del /q "%reports%\%1.%~n2.xml" 2>nul
%1.exe --launcher=%2 %output% %args%
if not "%errorlevel%" == "0" set failed=1
