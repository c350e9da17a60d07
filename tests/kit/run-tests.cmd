@echo off
rem The Windows tests of Vistero, run on this machine from the unpacked kit:
rem   run-tests.cmd
rem Each test program runs in turn through kit_guard.exe, in a folder of its
rem own under %TEMP%\Vistero-tests, its output kept there in output.txt;
rem kit_guard ends it at its time-out and puts back the desktop's settings,
rem the Startup folder and the profiles as they were. One line a test, the
rem parts the kit leaves out with the reason (tests.txt lists them, from
rem tests/kit/left-out.txt), then "N passed, N failed". Exits with 1 when a
rem test failed, with 2 when none could run.
setlocal EnableExtensions DisableDelayedExpansion
set "kit=%~dp0"
set "work=%TEMP%\Vistero-tests"
set /a passed=0, failed=0, skipped=0
"%kit%kit_guard.exe" --check
if errorlevel 1 exit /b 2
if not exist "%work%" mkdir "%work%"
for /f "usebackq eol=# tokens=1-3,* delims=|" %%a in ("%kit%tests.txt") do (
    set "kind=%%a"
    set "name=%%b"
    set "detail=%%c"
    set "rest=%%d"
    call :%%a
)
echo %skipped% skipped
echo %passed% passed, %failed% failed
if %failed% gtr 0 exit /b 1
exit /b 0

rem test|NAME|SECONDS|GTEST_FILTER: NAME.exe, ended after SECONDS.
:test
set "folder=%work%\%name%"
if exist "%folder%" rd /s /q "%folder%"
mkdir "%folder%"
pushd "%folder%"
"%kit%kit_guard.exe" %detail% "%kit%%name%.exe" --gtest_color=no "--gtest_filter=%rest%" >output.txt 2>&1
set code=%errorlevel%
popd
rem No blocks in parentheses: a ")" in a folder's name would end them.
if not %code% equ 0 goto :failed
set /a passed+=1
echo passed  %name%
goto :eof
:failed
set /a failed+=1
echo FAILED  %name%, exit code %code%; its output, kept in %folder%\output.txt:
type "%folder%\output.txt"
goto :eof

rem case|NAME|SUITE.CASE|REASON and setup|NAME|SETUP|REASON: a part of the
rem test before that the kit leaves out.
:case
:setup
setlocal EnableDelayedExpansion
echo         left out: !detail! (!rest!)
endlocal
goto :eof

rem skip|NAME|-|REASON: a test the kit leaves out whole.
:skip
set /a skipped+=1
setlocal EnableDelayedExpansion
echo skipped !name!: !rest!
endlocal
goto :eof
