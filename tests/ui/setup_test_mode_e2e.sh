#!/usr/bin/env bash
# End to end under a real X server: the setup window opens a configuration
# from its recent-file list, Activate > Test Mode runs it on a pseudo-terminal
# fed by the simulated balance, records arrive (Log to disk mode, so they can
# be counted), the running window is closed and the setup window returns.
# Usage: setup_test_mode_e2e.sh PATH/TO/portivox PATH/TO/portivox-sim [SHOT.png]
# (exit 77: skipped)
set -euo pipefail
bin=$1
sim=$2
lib=$(dirname "$(readlink -f "$0")")/xwait.sh
shot=${3:-}
for tool in xvfb-run xdotool xprop; do
    command -v "$tool" >/dev/null || { echo "skipped: $tool missing"; exit 77; }
done
work=$(mktemp -d)
simpid=""
cleanup() {
    [ -n "$simpid" ] && kill "$simpid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
export HOME=$work XDG_CONFIG_HOME=$work/.config LANGUAGE=en LC_ALL=C.UTF-8

"$sim" --profile balance --interval 150 >"$work/sim.out" 2>"$work/sim.err" &
simpid=$!
. "$lib"
wait_for 30 test -s "$work/sim.out" || true
device=$(head -n1 "$work/sim.out")
[ -n "$device" ] || { echo "simulator gave no device"; exit 1; }

cfg=$work/Balance.PV3
"$bin" config new "$cfg" >/dev/null
"$bin" config set "$cfg" OutputMode=2 "LogFileName=$work/balance.log" CommPort=0 >/dev/null
mkdir -p "$XDG_CONFIG_HOME/Portivox"
printf '[MRUFiles]\n0=%s\n\n[Ports]\nCOM1=%s\n' "$cfg" "$device" \
    >"$XDG_CONFIG_HOME/Portivox/Portivox.ini"

cat >"$work/session.sh" <<'INNER'
set -u
bin=$1 work=$2 shot=$3
. "$4"
start_wm || { echo "window manager did not start"; exit 1; }
"$bin" >"$work/gui.log" 2>&1 &
pid=$!
fail() { echo "$1"; kill "$pid"; exit 1; }
logged() { [ "$(grep -c 'ST,\|US,' "$work/balance.log" 2>/dev/null || echo 0)" -ge 3 ]; }
setup=$(find_window '^Portivox Pro Setup' 90) || fail "no setup window"
activate "$setup" || fail "setup window did not take the focus"
# File menu, down to the first recent file.
open_menu alt+f || fail "File menu did not open"
xdotool key Down Down Down Down Return
find_window '^Portivox Pro Setup\(Balance.PV3\)$' 30 >/dev/null || fail "recent file not loaded"
open_menu alt+a || fail "Activate menu did not open"
xdotool key t
running=$(find_window '^Portivox - COM1' 60) || fail "no running window"
wait_for 60 logged
[ -n "$shot" ] && command -v import >/dev/null && import -window "$running" "$shot" 2>/dev/null
activate "$running" || fail "running window did not take the focus"
open_menu alt+q || fail "Quit menu did not open"
xdotool key q
setup=$(find_window '^Portivox Pro Setup\(Balance.PV3\)$' 60) || fail "setup window did not return"
activate "$setup" || fail "setup window did not take the focus again"
open_menu alt+f || fail "File menu did not open again"
xdotool key x
wait_for 30 gone || fail "program did not end"
exit 0
INNER
timeout 300 xvfb-run -a -n $((100 + $$ % 800)) -s "-screen 0 1024x768x24" \
    bash "$work/session.sh" "$bin" "$work" "$shot" "$lib"
lines=$(grep -c 'ST,\|US,' "$work/balance.log" 2>/dev/null || echo 0)
[ "$lines" -ge 3 ] || { echo "only $lines records logged"; exit 1; }
echo "test mode end-to-end passed: $lines records"
