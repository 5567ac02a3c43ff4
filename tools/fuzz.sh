#!/usr/bin/env bash
# Builds the libFuzzer targets (fuzz/) in build-fuzz/ with clang, AddressSanitizer and
# UndefinedBehaviorSanitizer, and runs each of them for SECONDS (default 10):
#
#   tools/fuzz.sh [SECONDS] [TARGET...]
#
# Every target starts from its committed seeds (fuzz/corpus/<Target>) and keeps what it
# finds new in build-fuzz/corpus/<Target>. One line per target; a crash, a hang, a leak
# or a failed check leaves its input in build-fuzz/findings/ and its output in
# build-fuzz/logs/, and makes the script exit with status 1.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-10}
shift || true
bash tools/deps.sh
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTARVIX_FUZZ=ON -DTARVIX_UI=OFF -DTARVIX_TESTS=OFF >/dev/null
cmake --build build-fuzz --target tarvix_fuzz -j "${FUZZ_BUILD_JOBS:-2}" >/dev/null

# The longest input each target is given.
declare -A max_len=(
  [FidoAddrFuzz]=300 [AddrListFuzz]=2048 [QParserFuzz]=4096 [IniFileFuzz]=8192 [LngFuzz]=16384
  [TMailLngFuzz]=16384 [SFMailLngFuzz]=4096 [FHMailLngFuzz]=4096 [BinkLngFuzz]=16384
  [Ndx2600Fuzz]=8192 [Ndx2604Fuzz]=4096 [FilesBbsFuzz]=4096 [TplFuzz]=4096 [CustomMaskFuzz]=8192
  [TMailLngLogFuzz]=24576 [BinkPlusLngLogFuzz]=20480 [FhMailLngLogFuzz]=8192 [SFMailLngLogFuzz]=8192
)
default_len=8192

if [ $# -gt 0 ]; then
  targets=("$@")
else
  targets=()
  for f in fuzz/*Fuzz.cpp; do targets+=("$(basename "$f" .cpp)"); done
fi

mkdir -p build-fuzz/corpus build-fuzz/findings build-fuzz/logs
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
status=0
for t in "${targets[@]}"; do
  bin=build-fuzz/fuzz/$t
  log=build-fuzz/logs/$t.log
  mkdir -p "build-fuzz/corpus/$t"
  seeds=()
  [ -d "fuzz/corpus/$t" ] && seeds=("fuzz/corpus/$t")
  rc=0
  "$bin" "build-fuzz/corpus/$t" "${seeds[@]}" -max_total_time="$seconds" -max_len="${max_len[$t]:-$default_len}" \
    -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="build-fuzz/findings/$t-" \
    >"$log" 2>&1 || rc=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  secs=$(sed -n 's/^stat::\(average_exec_per_sec\): *//p' "$log" | tail -1)
  if [ "$rc" -eq 0 ]; then
    printf '%-22s ok       %10s runs  %6s/s\n' "$t" "${runs:-?}" "${secs:-?}"
  else
    artifact=$(sed -n 's/.*Test unit written to \(.*\)$/\1/p' "$log" | tail -1)
    printf '%-22s FINDING  %s (%s)\n' "$t" "${artifact:-exit status $rc}" "$log"
    status=1
  fi
done
exit $status
