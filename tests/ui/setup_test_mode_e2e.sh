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
shot=${3:-}
for tool in xvfb-run xdotool; do
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
for _ in $(seq 1 50); do [ -s "$work/sim.out" ] && break; sleep 0.1; done
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
command -v openbox >/dev/null && { openbox >/dev/null 2>&1 & sleep 0.5; }
find_window() { # pattern, tries
    local w=""
    for _ in $(seq 1 "$2"); do
        w=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n1)
        [ -n "$w" ] && { echo "$w"; return 0; }
        sleep 0.2
    done
    return 1
}
"$bin" >"$work/gui.log" 2>&1 &
pid=$!
setup=$(find_window '^Portivox Pro Setup' 150) || { echo "no setup window"; exit 1; }
xdotool windowactivate --sync "$setup" 2>/dev/null; sleep 0.3
# File menu, down to the first recent file.
xdotool key --clearmodifiers alt+f; sleep 0.4
xdotool key Down Down Down Down Return; sleep 0.8
xdotool search --name '^Portivox Pro Setup\(Balance.PV3\)$' >/dev/null ||
    { echo "recent file not loaded"; kill $pid; exit 1; }
xdotool key --clearmodifiers alt+a; sleep 0.4
xdotool key t
running=$(find_window '^Portivox - COM1' 100) || { echo "no running window"; kill $pid; exit 1; }
for _ in $(seq 1 60); do
    [ "$(grep -c 'ST,\|US,' "$work/balance.log" 2>/dev/null || echo 0)" -ge 3 ] && break
    sleep 0.2
done
[ -n "$shot" ] && command -v import >/dev/null && import -window "$running" "$shot" 2>/dev/null
xdotool windowactivate --sync "$running" 2>/dev/null; sleep 0.3
xdotool key --clearmodifiers alt+q; sleep 0.4
xdotool key q
find_window '^Portivox Pro Setup\(Balance.PV3\)$' 100 >/dev/null ||
    { echo "setup window did not return"; kill $pid; exit 1; }
xdotool key --clearmodifiers alt+f; sleep 0.4
xdotool key x
for _ in $(seq 1 50); do kill -0 $pid 2>/dev/null || break; sleep 0.2; done
kill -0 $pid 2>/dev/null && { echo "program did not end"; kill $pid; exit 1; }
exit 0
INNER
timeout 150 xvfb-run -a -s "-screen 0 1024x768x24" bash "$work/session.sh" "$bin" "$work" "$shot"
lines=$(grep -c 'ST,\|US,' "$work/balance.log" 2>/dev/null || echo 0)
[ "$lines" -ge 3 ] || { echo "only $lines records logged"; exit 1; }
echo "test mode end-to-end passed: $lines records"
