#!/bin/sh
# Runs a benchmark program on a private headless sway with a foot terminal
# focused; what the terminal receives goes to the file named by $PV_TYPED.
# Usage: run_sway_bench.sh PROGRAM [ARGS...]
set -u
dir=$(mktemp -d)
trap 'kill $swaypid $footpid 2>/dev/null; rm -rf "$dir"' EXIT
run_as=""
if [ "$(id -u)" -eq 0 ]; then
    chown nobody "$dir"
    run_as="setpriv --reuid=nobody --regid=nogroup --clear-groups"
fi
chmod 700 "$dir"
env -i PATH="$PATH" HOME="$dir" XDG_RUNTIME_DIR="$dir" WLR_BACKENDS=headless \
    WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1 $run_as sway -c /dev/null >/dev/null 2>&1 &
swaypid=$!
end=$(($(date +%s) + 30))
until ls "$dir" | grep -q '^wayland-[0-9]*$'; do
    [ "$(date +%s)" -ge "$end" ] && { echo "sway did not start"; exit 1; }
    sleep 0.05
done
export XDG_RUNTIME_DIR="$dir" WAYLAND_DISPLAY=$(ls "$dir" | grep '^wayland-[0-9]*$' | head -1)
export XDG_SESSION_TYPE=wayland PV_TYPED="$dir/typed"
unset DISPLAY
foot --title=Receiver sh -c "stty -echo; exec cat > '$PV_TYPED'" >/dev/null 2>&1 &
footpid=$!
export SWAYSOCK="$dir/$(ls "$dir" | grep '^sway-ipc' | head -1)"
# Keys sent before the terminal has the focus reach nobody.
until [ -e "$PV_TYPED" ] && [ "$(swaymsg -t get_tree |
    awk -F'"' '/"focused": true/ { f = 1 } f && /"name":/ { print $4; exit }')" = Receiver ]; do
    [ "$(date +%s)" -ge "$end" ] && { echo "foot did not start"; exit 1; }
    sleep 0.05
done
"$@"
