#!/bin/sh
# Types into native Wayland programs on a private headless sway: foot
# terminals whose shells copy what they receive into files.
# Usage: run_sway_tests.sh PORTIVOX SIM
# Exits 77 (skipped) when sway or foot is not installed.
set -u
portivox=$1
sim=$2
for tool in sway swaymsg foot; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "SKIP: $tool is not installed"
        exit 77
    fi
done

dir=$(mktemp -d)
trap 'kill $swaypid 2>/dev/null; kill $(cat "$dir"/*.pid 2>/dev/null) 2>/dev/null; rm -rf "$dir"' EXIT
printf 'default_border none\nfocus_on_window_activation focus\n' >"$dir/config"

# sway refuses to run as root: under root it runs as nobody, in a runtime
# directory of its own.
run_as=""
if [ "$(id -u)" -eq 0 ]; then
    chown nobody "$dir" "$dir/config"
    run_as="setpriv --reuid=nobody --regid=nogroup --clear-groups"
fi
chmod 700 "$dir"
env -i PATH="$PATH" HOME="$dir" XDG_RUNTIME_DIR="$dir" WLR_BACKENDS=headless \
    WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1 $run_as sway -c "$dir/config" \
    >"$dir/sway.log" 2>&1 &
swaypid=$!

# Waits (polling, with a deadline) until the command succeeds.
wait_for() {
    end=$(($(date +%s) + 30))
    until "$@" >/dev/null 2>&1; do
        [ "$(date +%s)" -ge "$end" ] && return 1
        sleep 0.05
    done
}
fail() {
    echo "FAIL: $*"
    tail -20 "$dir/sway.log"
    exit 1
}

wait_for sh -c "ls '$dir' | grep -q '^sway-ipc'" || fail "sway did not start"
wait_for sh -c "ls '$dir' | grep -q '^wayland-[0-9]*$'" || fail "no Wayland socket"
export XDG_RUNTIME_DIR="$dir" WAYLAND_DISPLAY=$(ls "$dir" | grep '^wayland-[0-9]*$' | head -1)
export SWAYSOCK="$dir/$(ls "$dir" | grep '^sway-ipc' | head -1)"
export XDG_SESSION_TYPE=wayland XDG_CURRENT_DESKTOP=sway HOME="$dir" LANG=C.UTF-8
unset DISPLAY PORTIVOX_KEYBOARD

# The title of the focused window: sway writes a node's "focused" before
# its "name".
focused() {
    swaymsg -t get_tree | awk -F'"' '/"focused": true/ { f = 1 } f && /"name":/ { print $4; exit }'
}
is_focused() { [ "$(focused)" = "$1" ]; }
# A terminal titled $1 whose typed text lands in $dir/$2.
receiver() {
    foot --title="$1" sh -c "stty -echo; exec cat > '$dir/$2'" >/dev/null 2>&1 &
    echo $! >"$dir/$2.pid"
    wait_for sh -c "swaymsg -t get_tree | grep -q '\"name\": \"$1\"'" || fail "no window $1"
    wait_for is_focused "$1" || fail "$1 did not get the focus"
    # Keys typed before the shell turned echo off would be lost to it.
    wait_for test -e "$dir/$2" || fail "$1 did not start its shell"
}
# Waits until file $1 holds the text $2 (printf escapes), then compares.
expect_file() {
    want=$(printf "$2")
    wait_for sh -c "[ \"\$(cat '$dir/$1' 2>/dev/null)\" = '$want' ]"
    got=$(cat "$dir/$1" 2>/dev/null)
    [ "$got" = "$want" ] || fail "$1 holds [$got], expected [$want]"
}

"$portivox" keys --backend | grep -q "^wayland.*in use" || fail "$("$portivox" keys --backend)"

# The focused window gets the macro: shifted characters, Tab, Enter, ° and
# µ from the uploaded keymap, the first character too.
receiver Focused focused
"$portivox" keys --after=0 "Hello World{TAB}+(ab)~x°µ=~" >/dev/null || fail "keys failed"
expect_file focused 'Hello World\tAB\nx°µ=' || exit 1

# A named target is found through sway's IPC behind another window, which
# gets the focus back and nothing typed.
receiver "Balance Sheet" sheet
receiver Front front
config="$dir/balance.PV3"
"$portivox" config new "$config" >/dev/null &&
    "$portivox" config set "$config" OutputMode=0 "KeyTargetTitle=balance sheet" \
        KeyTargetSpecified=-1 InterCharDelay=0 >/dev/null || fail "config"
"$sim" --profile balance --interval 150 --count 3 --linger 3000 --seed 5 >"$dir/sim" 2>/dev/null &
echo $! >"$dir/sim.pid"
wait_for sh -c "[ -n \"\$(head -1 '$dir/sim')\" ]" || fail "no simulator"
"$portivox" run "$config" --port "$(head -1 "$dir/sim")" --quiet --exit-after-idle=40 \
    >"$dir/run" 2>&1
wait_for sh -c "[ \$(grep -cE '^(ST|US),GS,[+-][0-9]{4}\.[0-9]{3} g$' '$dir/sheet') -eq 3 ]" ||
    fail "records in the target: [$(cat "$dir/sheet")] $(cat "$dir/run")"
[ -s "$dir/front" ] && fail "the front window received [$(cat "$dir/front")]"
[ "$(focused)" = Front ] || fail "the focus did not go back to the front window"
# A target in the scratchpad (sway's minimised) is shown for the record and
# put back afterwards.
in_scratchpad() {
    swaymsg -t get_tree | awk '/"name": "__i3_scratch"/ { s = 1 } /"name": "HEADLESS/ { s = 0 }
        s && /"name": "Balance Sheet"/ { found = 1 } END { exit !found }'
}
swaymsg '[title="Balance Sheet"] move scratchpad' >/dev/null
wait_for in_scratchpad || fail "the target did not go to the scratchpad"
"$sim" --profile balance --interval 150 --count 2 --linger 3000 --seed 6 >"$dir/sim2" 2>/dev/null &
echo $! >"$dir/sim2.pid"
wait_for sh -c "[ -n \"\$(head -1 '$dir/sim2')\" ]" || fail "no simulator"
"$portivox" run "$config" --port "$(head -1 "$dir/sim2")" --quiet --exit-after-idle=40 \
    >"$dir/run2" 2>&1
wait_for sh -c "[ \$(grep -cE '^(ST|US),GS,[+-][0-9]{4}\.[0-9]{3} g$' '$dir/sheet') -eq 5 ]" ||
    fail "records in the hidden target: [$(cat "$dir/sheet")] $(cat "$dir/run2")"
in_scratchpad || fail "the target was not put back into the scratchpad"
[ -s "$dir/front" ] && fail "the front window received [$(cat "$dir/front")]"
echo "PASS"
