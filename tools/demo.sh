#!/usr/bin/env bash
# Builds Tarvix and runs it on the demo installation in samples/.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DTARVIX_TESTS=OFF >/dev/null
cmake --build build
./build/cli/tarvix-report --help
