#!/usr/bin/env bash
# The desktop program under a real X server: the setup window comes up with
# its caption, its File menu opens from the keyboard, and File > Exit ends
# the program; started with LANG=de_DE.UTF-8 or ja_JP.UTF-8 its caption is
# German or Japanese. A configuration named on the command line that cannot
# be loaded ends the program with status 1.
# Usage: setup_gui_smoke.sh PATH/TO/portivox     (exit 77: skipped)
set -euo pipefail
bin=$1
for tool in xvfb-run xdotool; do
    command -v "$tool" >/dev/null || { echo "skipped: $tool missing"; exit 77; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME=$work XDG_CONFIG_HOME=$work/.config LANGUAGE=en LC_ALL=C.UTF-8

set +e
QT_QPA_PLATFORM=offscreen timeout 30 "$bin" "$work/missing.PV3" 2>/dev/null
rc=$?
set -e
[ "$rc" -eq 1 ] || { echo "missing command-line file: exit $rc, want 1"; exit 1; }

cat >"$work/session.sh" <<'INNER'
set -u
bin=$1
command -v openbox >/dev/null && { openbox >/dev/null 2>&1 & sleep 0.5; }
"$bin" >/dev/null 2>&1 &
pid=$!
wid=""
for _ in $(seq 1 150); do
    wid=$(xdotool search --name '^Portivox Pro Setup \(Untitled\)$' 2>/dev/null | head -n1)
    [ -n "$wid" ] && break
    sleep 0.2
done
[ -n "$wid" ] || { echo "setup window did not appear"; kill "$pid"; exit 1; }
xdotool windowactivate --sync "$wid" 2>/dev/null || xdotool windowfocus "$wid"
sleep 0.3
xdotool key --clearmodifiers alt+f
sleep 0.5
xdotool key x
for _ in $(seq 1 50); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.2
done
if kill -0 "$pid" 2>/dev/null; then
    echo "File > Exit did not end the program"
    kill "$pid"
    exit 1
fi
wait "$pid"
INNER
timeout 120 xvfb-run -a -s "-screen 0 1024x768x24" bash "$work/session.sh" "$bin"

# The desktop's language decides the captions.
cat >"$work/language.sh" <<'INNER'
set -u
bin=$1 caption=$2
"$bin" >/dev/null 2>&1 &
pid=$!
found=1
for _ in $(seq 1 150); do
    # xdotool's patterns are not UTF-8 aware: compare the names in the shell.
    for w in $(xdotool search --name 'Portivox Pro' 2>/dev/null); do
        [ "$(xdotool getwindowname "$w" 2>/dev/null)" = "$caption" ] && found=0
    done
    [ "$found" -eq 0 ] && break
    sleep 0.2
done
kill "$pid" 2>/dev/null
wait "$pid" 2>/dev/null
[ "$found" -eq 0 ] || echo "no window titled: $caption"
exit "$found"
INNER
unset LANGUAGE LC_ALL
LANG=de_DE.UTF-8 timeout 60 xvfb-run -a bash "$work/language.sh" "$bin" \
    'Portivox Pro – Einrichtung (Unbenannt)'
LANG=ja_JP.UTF-8 timeout 60 xvfb-run -a bash "$work/language.sh" "$bin" \
    'Portivox Pro セットアップ (無題)'
echo "setup window smoke test passed"
