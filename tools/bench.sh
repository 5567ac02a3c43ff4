#!/usr/bin/env bash
# Speed benchmarks: builds a Release tree in build-bench/, generates a log of each size
# for every log style (once; kept in build-bench/data/) and measures, with the file in
# the page cache, wc -l, the full analysis of tarvix-report and the line index of the
# log view, and counts the allocations of the analysis. Prints a table and writes
# bench/results.json (see tools/bench.py).
#
#   bash tools/bench.sh [SIZES...]          sizes in bytes or with K, M, G (default 100M 1G)
#   BENCH_STYLES=tmail,brake bash tools/bench.sh 100M     only some styles
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/deps.sh
cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DTARVIX_TESTS=OFF -DTARVIX_UI=OFF >/dev/null
cmake --build build-bench --target tarvix-report IndexBench AllocBench tarvix-genlog tarvix-gentmail tarvix-genbrake \
    tarvix-genbinkplus tarvix-genfhmail tarvix-gensfmail tarvix-genargus tarvix-genbinkd
styles=()
if [ -n "${BENCH_STYLES:-}" ]; then styles=(--styles "$BENCH_STYLES"); fi
exec python3 tools/bench.py --build build-bench --results bench/results.json "${styles[@]}" "$@"
