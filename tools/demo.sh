#!/usr/bin/env bash
# Installs what is missing, builds, and runs examples/balance.PV3 for about
# ten seconds against the simulated balance: COM1 is pointed at the
# simulator's pseudo-terminal through a temporary settings directory.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
"$root/tools/install-deps.sh"
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j2 --target portivox portivox-sim
pv="$root/build/src/app/portivox"
sim="$root/build/tools/sim/portivox-sim"

tmp=$(mktemp -d)
simpid=""
cleanup() { [ -n "$simpid" ] && kill "$simpid" 2>/dev/null; rm -rf "$tmp"; }
trap cleanup EXIT
export XDG_CONFIG_HOME="$tmp/config"

# The simulator prints its device path on its first line.
"$sim" --profile balance --interval 400 >"$tmp/sim.out" 2>"$tmp/sim.err" &
simpid=$!
for _ in $(seq 50); do [ -s "$tmp/sim.out" ] && break; sleep 0.1; done
device=$(head -n1 "$tmp/sim.out")

"$pv" ports map COM1 "$device" >/dev/null
echo "Simulated balance on $device (COM1)"

cp examples/balance.PV3 "$tmp/balance.PV3"
"$pv" config set "$tmp/balance.PV3" "LogFileName=$tmp/balance.log"
echo "Running examples/balance.PV3 for ten seconds (record number, fields):"
timeout -s INT 10 "$pv" run "$tmp/balance.PV3" || true
echo
echo "Log file $tmp/balance.log:"
cat "$tmp/balance.log"
echo "The balance saw its port opened and received $(grep -c '^< ' "$tmp/sim.err" || true) acknowledgements (ACK):"
grep -v '^< ' "$tmp/sim.err" | head -5
