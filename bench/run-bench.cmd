@echo off
rem Prints what the launcher costs on this machine: the time from starting
rem Varnix.exe to the game's first instruction, against starting the game
rem directly and against one empty process. bench_driver.exe finds
rem Varnix.exe and the other benchmark programs beside itself, lays out its
rem installations in a folder of its own under the temporary folder (or
rem under --root=FOLDER) and removes it afterwards. Arguments: [RUNS
rem [WARMUP]] [--root=FOLDER], by default 50 counted rounds after 5
rem discarded ones; about a minute. Close other programs first: only the
rem ratios between rows mean anything, and a busy machine blurs them.
setlocal
cd /d "%~dp0"
bench_driver.exe %*
exit /b %errorlevel%
