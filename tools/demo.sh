#!/usr/bin/env bash
# Installs what is missing, builds, and shows a sample configuration.
set -euo pipefail
cd "$(dirname "$0")/.."
"$(pwd)/tools/install-deps.sh"
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j2 --target portivox
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
build/src/app/portivox config new "$tmp/sample.PV3"
build/src/app/portivox config set "$tmp/sample.PV3" OutputMode=2 RecordStructure=1 FieldCount=3 \
    'FieldMathExpression(3)=val(field(3)) / 453.59237' 'FieldFormat(3)=0.0000'
build/src/app/portivox config show "$tmp/sample.PV3" | head -60
