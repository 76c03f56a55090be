#!/bin/sh
# Runs an X11 test program on a private Xvfb display with openbox as the
# window manager.  Usage: run_x11_tests.sh PROGRAM [ARGS...]
# Exits 77 (skipped) when Xvfb or openbox is not installed.
set -u
if [ -z "${PV_X11_INNER:-}" ]; then
    for tool in xvfb-run Xvfb openbox; do
        if ! command -v "$tool" >/dev/null 2>&1; then
            echo "SKIP: $tool is not installed"
            exit 77
        fi
    done
    # Start the free-display search at a number of our own, so that test
    # programs run in parallel do not race for the same display. Two runs can
    # still pick one number at the same moment; the loser finds another
    # window manager there (status 75) and tries again elsewhere.
    for attempt in 0 1 2; do
        PV_X11_INNER=1 xvfb-run -a -n $((100 + ($$ + attempt * 277) % 800)) \
            -s "-screen 0 1280x1024x24 -nolisten tcp" "$0" "$@"
        rc=$?
        [ "$rc" -eq 75 ] || exit "$rc"
    done
    exit 1
fi

openbox --sm-disable >"${PV_X11_WM_LOG:-/dev/null}" 2>&1 &
wm=$!
# The window manager is ready once it has published its check window and
# its client list on the root; a window mapped earlier may go unmanaged.
# Under load its start can take seconds: wait for it, with a deadline.
if command -v xprop >/dev/null 2>&1; then
    end=$(($(date +%s) + 60))
    until xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' &&
        xprop -root _NET_CLIENT_LIST_STACKING 2>/dev/null | grep -q 'window id'; do
        if ! kill -0 "$wm" 2>/dev/null; then
            echo "the window manager ended at once (display shared?); another display"
            exit 75
        fi
        if [ "$(date +%s)" -ge "$end" ]; then
            echo "the window manager did not start"
            kill "$wm" 2>/dev/null
            exit 1
        fi
        sleep 0.05
    done
fi

"$@"
rc=$?
kill "$wm" 2>/dev/null
wait "$wm" 2>/dev/null
exit $rc
