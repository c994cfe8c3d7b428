@rem This file was generated. Changes will be lost.

:start
start "" "/opt/my tools/run.sh" --fast
@echo Ready: 100%% ^<done^> ^& caf‚
@echo.
pause
goto start
