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
# Tests are meant to stay at a quarter to a third of the code (blank and comment lines not counted).
code_lines() { find "$@" -type f \( -name '*.cpp' -o -name '*.h' \) -print0 | xargs -0 cat | grep -c -v -E '^\s*(//.*)?$'; }
src_lines=$(code_lines src)
test_lines=$(code_lines tests)
awk -v t="$test_lines" -v s="$src_lines" 'BEGIN { printf "Test code lines / src code lines: %d / %d = %.2f (aim 0.25-0.35)\n", t, s, t / s }'
cmake -S . -B "$build" "${flags[@]}"
cmake --build "$build" -j2
cd "$build"
ctest --output-on-failure -j2 --timeout 300
