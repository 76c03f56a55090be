#!/usr/bin/env bash
# Builds everything and runs every test. --sanitize uses an ASan+UBSan build.
set -euo pipefail
cd "$(dirname "$0")/.."
"$(pwd)/tools/install-deps.sh"
build=build
flags=(-DCMAKE_BUILD_TYPE=RelWithDebInfo)
if [ "${1:-}" = "--sanitize" ]; then
    build=build-asan
    flags=(-DCMAKE_BUILD_TYPE=Debug -DPORTIVOX_SANITIZE=ON -DPORTIVOX_BENCH=OFF)
    export LSAN_OPTIONS="suppressions=$(pwd)/tools/lsan.supp:print_suppressions=0"
    export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
fi
cmake -S . -B "$build" "${flags[@]}"
cmake --build "$build" -j2
cd "$build"
ctest --output-on-failure -j2 --timeout 300
