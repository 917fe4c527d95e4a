@echo off
rem Runs every end-to-end test program in this folder and exits non-zero if
rem any of them fails. Each program finds Varnix.exe and the stand-in game
rem (RuZoriru.exe) beside itself and lays out its installations in a folder
rem of its own under the temporary folder, removed afterwards; give
rem --root=FOLDER to put them elsewhere. Other arguments go to every program.
rem Each program registers only the cases that apply to its launcher and to
rem this Windows' ANSI code page; with --all-rows the rest skip, saying why.
rem With --gtest_output=xml:FOLDER\ each run writes its report there as
rem PROGRAM.LAUNCHER.xml.
setlocal
cd /d "%~dp0"
set failed=0
rem Each program runs twice: against Varnix.exe as it ships, in UTF-8 where
rem this Windows honours its manifest, and against the same sources without
rem the manifest, in this Windows' ANSI code page.
rem Any status but 0 fails: a crashed program's is negative, which
rem "if errorlevel 1" would let through.
varnix_end_to_end.exe %*
if not "%errorlevel%" == "0" set failed=1
varnix_end_to_end.exe --launcher=VarnixNoManifest.exe %*
if not "%errorlevel%" == "0" set failed=1
varnix_code_pages.exe %*
if not "%errorlevel%" == "0" set failed=1
varnix_code_pages.exe --launcher=VarnixNoManifest.exe %*
if not "%errorlevel%" == "0" set failed=1
exit /b %failed%
