#!/usr/bin/env bash
# N headless runs on N simulated instruments (ptys) publish to one broker at
# 10 records/s each; a subscriber counts every record per instrument and
# reports losses and records out of order.
#   bench/mqtt/scale.sh BUILD_DIR [INSTRUMENTS=50] [SECONDS=60]
# Needs mosquitto, mosquitto-clients (mosquitto_sub) and python3.
set -euo pipefail
build=$(realpath "${1:?build directory}")
n=${2:-50}
seconds=${3:-60}
count=$((seconds * 10))
work=$(mktemp -d)
port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
export XDG_CONFIG_HOME=$work/config XDG_STATE_HOME=$work/state
pids=()
cleanup() { kill "${pids[@]}" 2>/dev/null || true; wait 2>/dev/null || true; rm -rf "$work"; }
trap cleanup EXIT

printf 'listener %s 127.0.0.1\nallow_anonymous true\nmax_queued_messages 0\n' "$port" >"$work/m.conf"
/usr/sbin/mosquitto -c "$work/m.conf" 2>/dev/null & pids+=($!)
until mosquitto_sub -p "$port" -t none -W 1 -E 2>/dev/null; do sleep 0.1; done
mosquitto_sub -p "$port" -q 1 -V mqttv5 -t "portivox/+/+/record" -F '%t %p' >"$work/received" &
sub=$!
"$build/src/app/portivox" mqtt set Enabled=1 "Url=mqtt://127.0.0.1:$port" 'TopicPrefix=' >/dev/null

for i in $(seq "$n"); do
    "$build/tools/sim/portivox-sim" --interval 100 --count "$count" --seed "$i" \
        --link "$work/dev$i" --linger 5000 >/dev/null 2>&1 & pids+=($!)
    "$build/src/app/portivox" config set "$work/i$i.PV3" OutputMode=2 LogFileName=/dev/null \
        "DDETopicName=i$i" >/dev/null
done
until [ "$(ls "$work" | grep -c '^dev')" -eq "$n" ]; do sleep 0.1; done
runs=()
start=$(date +%s)
for i in $(seq "$n"); do
    # Each run its own client id and prefix: portivox-<host>-i<N>, portivox/<host>/i<N>.
    "$build/src/app/portivox" run "$work/i$i.PV3" --port "$work/dev$i" --quiet 2>>"$work/err" &
    runs+=($!)
done
# Every instrument has sent its records once its simulator exits.
sleep "$seconds"
while pgrep -f "portivox-sim.*$work" >/dev/null; do sleep 1; done
kill -TERM "${runs[@]}"
wait "${runs[@]}" 2>/dev/null || true
sleep 2
kill -INT "$sub"; wait "$sub" || true # its output flushed
elapsed=$(($(date +%s) - start))
awk -v n="$n" -v count="$count" '
    { split($1, t, "/"); inst = t[3]; match($2, /"record":[0-9]+/);
      r = substr($2, RSTART + 9, RLENGTH - 9) + 0
      if (seen[inst, r]++) { dup++; next }
      if (r < last[inst]) out++
      last[inst] = r; got[inst]++; total++ }
    END { for (i in got) if (got[i] < count) lost += count - got[i]
          printf "instruments %d, records %d of %d, lost %d, out of order %d, duplicates %d\n",
                 length(got), total, n * count, lost + (n - length(got)) * count, out, dup + 0 }' \
    "$work/received"
echo "elapsed ${elapsed}s; $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2)"
