#!/usr/bin/env bash
# The desktop program under a real X server: the setup window comes up with
# its caption, its File menu opens from the keyboard, and File > Exit ends
# the program; started with LANG=de_DE.UTF-8 or ja_JP.UTF-8 its caption is
# German or Japanese. A configuration named on the command line that cannot
# be loaded ends the program with status 1.
# Usage: setup_gui_smoke.sh PATH/TO/portivox     (exit 77: skipped)
set -euo pipefail
bin=$1
lib=$(dirname "$(readlink -f "$0")")/xwait.sh
for tool in xvfb-run xdotool xprop; do
    command -v "$tool" >/dev/null || { echo "skipped: $tool missing"; exit 77; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME=$work XDG_CONFIG_HOME=$work/.config LANGUAGE=en LC_ALL=C.UTF-8

set +e
QT_QPA_PLATFORM=offscreen timeout 60 "$bin" "$work/missing.PV3" 2>/dev/null
rc=$?
set -e
[ "$rc" -eq 1 ] || { echo "missing command-line file: exit $rc, want 1"; exit 1; }

cat >"$work/session.sh" <<'INNER'
set -u
bin=$1
. "$2"
start_wm || { echo "window manager did not start"; exit 1; }
"$bin" >/dev/null 2>&1 &
pid=$!
wid=$(find_window '^Portivox Pro Setup \(Untitled\)$' 90) ||
    { echo "setup window did not appear"; kill "$pid"; exit 1; }
activate "$wid" || { echo "setup window did not take the focus"; kill "$pid"; exit 1; }
open_menu alt+f || { echo "File menu did not open"; kill "$pid"; exit 1; }
xdotool key x
wait_for 30 gone || { echo "File > Exit did not end the program"; kill "$pid"; exit 1; }
wait "$pid"
INNER
timeout 240 xvfb-run -a -n $((100 + $$ % 800)) -s "-screen 0 1024x768x24" \
    bash "$work/session.sh" "$bin" "$lib"

# The desktop's language decides the captions.
cat >"$work/language.sh" <<'INNER'
set -u
bin=$1 caption=$2
. "$3"
"$bin" >/dev/null 2>&1 &
pid=$!
titled() { # xdotool's patterns are not UTF-8 aware: compare the names here.
    for w in $(xdotool search --name 'Portivox Pro' 2>/dev/null); do
        [ "$(xdotool getwindowname "$w" 2>/dev/null)" = "$caption" ] && return 0
    done
    return 1
}
found=0
wait_for 90 titled || found=1
kill "$pid" 2>/dev/null
wait "$pid" 2>/dev/null
[ "$found" -eq 0 ] || echo "no window titled: $caption"
exit "$found"
INNER
unset LANGUAGE LC_ALL
LANG=de_DE.UTF-8 timeout 120 xvfb-run -a -n $((100 + ($$ + 1) % 800)) bash "$work/language.sh" \
    "$bin" 'Portivox Pro – Einrichtung (Unbenannt)' "$lib"
LANG=ja_JP.UTF-8 timeout 120 xvfb-run -a -n $((100 + ($$ + 2) % 800)) bash "$work/language.sh" \
    "$bin" 'Portivox Pro セットアップ (無題)' "$lib"
echo "setup window smoke test passed"
