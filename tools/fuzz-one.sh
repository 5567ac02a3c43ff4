#!/usr/bin/env bash
# Runs one libFuzzer target of fuzz/ for SECONDS:
#
#   tools/fuzz-one.sh BINDIR WORKDIR TARGET SECONDS
#
# BINDIR holds the built targets (build-fuzz/fuzz). The target starts from its
# committed seeds (fuzz/corpus/TARGET) and what earlier runs kept in
# WORKDIR/corpus/TARGET, and keeps there what it finds new. Prints one line; a crash,
# a hang, a leak or a failed check leaves its input in WORKDIR/findings/, the
# fuzzer's output in WORKDIR/logs/TARGET.log, and gives exit status 1.
set -uo pipefail
source_dir=$(cd "$(dirname "$0")/.." && pwd)
bindir=$1 workdir=$2 t=$3 seconds=$4

# The longest input each target is given (default 8192 bytes).
declare -A max_len=(
  [FidoAddrFuzz]=300 [AddrListFuzz]=2048 [QParserFuzz]=4096 [IniFileFuzz]=8192 [LngFuzz]=16384
  [TMailLngFuzz]=16384 [SFMailLngFuzz]=4096 [FHMailLngFuzz]=4096 [BinkLngFuzz]=16384
  [Ndx2600Fuzz]=8192 [Ndx2604Fuzz]=4096 [FilesBbsFuzz]=4096 [TplFuzz]=4096 [CustomMaskFuzz]=8192
  [TMailLngLogFuzz]=24576 [BinkPlusLngLogFuzz]=20480 [FhMailLngLogFuzz]=8192 [SFMailLngLogFuzz]=8192
)

mkdir -p "$workdir/corpus/$t" "$workdir/findings" "$workdir/logs"
log=$workdir/logs/$t.log
seeds=()
[ -d "$source_dir/fuzz/corpus/$t" ] && seeds=("$source_dir/fuzz/corpus/$t")
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
rc=0
"$bindir/$t" "$workdir/corpus/$t" "${seeds[@]}" -max_total_time="$seconds" -max_len="${max_len[$t]:-8192}" \
  -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$workdir/findings/$t-" \
  >"$log" 2>&1 || rc=$?
runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
speed=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
if [ "$rc" -eq 0 ]; then
  printf '%-22s ok       %10s runs  %6s/s\n' "$t" "${runs:-?}" "${speed:-?}"
  exit 0
fi
artifact=$(sed -n 's/.*Test unit written to \(.*\)$/\1/p' "$log" | tail -1)
printf '%-22s FINDING  %s (%s)\n' "$t" "${artifact:-exit status $rc}" "$log"
# The end of the fuzzer's report says what went wrong.
grep -m 20 -E '^(==[0-9]+==ERROR|SUMMARY|    #[0-9])|runtime error' "$log" || tail -20 "$log"
exit 1
