# Sourced by the X session scripts: every step waits for something it can
# see (a window, the focus, an open menu, the process gone) with a deadline.
# $pid is the program under test.

# wait_for SECONDS COMMAND...: polls COMMAND until it succeeds or time is up.
wait_for() {
    local end=$((SECONDS + $1))
    shift
    until "$@"; do
        [ "$SECONDS" -lt "$end" ] || return 1
        sleep 0.1
    done
}
gone() { ! kill -0 "$pid" 2>/dev/null; }
wm_ready() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }
# A window mapped before the window manager runs may stay unmanaged.
start_wm() {
    command -v openbox >/dev/null || return 0
    openbox >/dev/null 2>&1 &
    wait_for 60 wm_ready
}
# find_window PATTERN SECONDS: prints the first visible window named PATTERN.
find_window() {
    local w=""
    named() { w=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n1) && [ -n "$w" ]; }
    wait_for "$2" named "$1" && echo "$w"
}
is_active() { [ "$(xdotool getactivewindow 2>/dev/null)" = "$1" ]; }
activate() {
    xdotool windowactivate "$1" 2>/dev/null || xdotool windowfocus "$1"
    wait_for 30 is_active "$1"
}
visible_windows() { xdotool search --onlyvisible --pid "$pid" 2>/dev/null | wc -l; }
more_windows_than() { [ "$(visible_windows)" -gt "$1" ]; }
# open_menu KEY: presses KEY until a menu shows. Under load the window may
# take a press before it is ready for it; that press is repeated.
open_menu() {
    local before
    before=$(visible_windows)
    for _ in 1 2 3; do
        xdotool key --clearmodifiers "$1"
        wait_for 10 more_windows_than "$before" && return 0
    done
    return 1
}
