@echo off
rem Runs every end-to-end test program in this folder and exits non-zero if
rem any of them fails. Each program finds Varnix.exe and the stand-in game
rem (RuZoriru.exe) beside itself and lays out its installations in a folder
rem of its own under the temporary folder, removed afterwards; give
rem --root=FOLDER to put them elsewhere. Other arguments go to every program.
setlocal
cd /d "%~dp0"
set failed=0
varnix_end_to_end.exe %*
if errorlevel 1 set failed=1
rem Wine takes the ANSI code page from the locale: Japanese gives 932.
rem Windows ignores these; there the cases run where the code page is 932.
set LANG=ja_JP.UTF-8
set LC_ALL=ja_JP.UTF-8
varnix_code_page_932.exe %*
if errorlevel 1 set failed=1
exit /b %failed%
