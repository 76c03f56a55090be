#!/bin/sh
# The running window on a real X server: a Test-mode run on a pty fed by
# the simulated instrument. Exit 77 (skipped) without xvfb-run.
command -v xvfb-run >/dev/null 2>&1 || exit 77
exec env QT_QPA_PLATFORM=xcb xvfb-run -a -n $((100 + $$ % 800)) "$1" --gtest_filter='RunningPty.*'
