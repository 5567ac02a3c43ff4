#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ with clang in the build tree DIR:
#
#   tools/fuzz-build.sh DIR
set -euo pipefail
cd "$(dirname "$0")/.."
CC=clang CXX=clang++ cmake -S . -B "$1" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTARVIX_FUZZ=ON -DTARVIX_UI=OFF -DTARVIX_TESTS=OFF -DTARVIX_BENCH=OFF >/dev/null
cmake --build "$1" --target tarvix_fuzz
