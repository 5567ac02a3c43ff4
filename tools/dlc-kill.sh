#!/usr/bin/env bash
# Download counters under kill -9: each served request must raise its counter
# exactly once, wherever tarvix-report --update-dlc is killed.
#
#   bash tools/dlc-kill.sh REPORT [TRIALS] [WORK]
#
# REPORT is the tarvix-report to try. Each trial takes a copy of the sample T-Mail
# installation (samples/tmail) whose log holds only its first half, runs the update
# and kills it with SIGKILL after a random time within one run's length, runs it
# again to the end; then appends the log's second half and does the same, and runs
# once more. Every files.bbs must then equal the one counted once
# (tests/e2e/data/tmail-dlc), and no temporary file may be left in the file areas.
# Prints "N passed, M failed" and how many kills hit a running update.
set -u
report=$(realpath "$1")
trials=${2:-200}
work=${3:-$(mktemp -d)}
top=$(cd "$(dirname "$0")/.." && pwd)
sample=$top/samples/tmail
expected=$top/tests/e2e/data/tmail-dlc
lines=$(wc -l < "$sample/t-mail.log")
half=$((lines / 2))

run() {
    (cd "$work" && exec "$report" --style tmail --mailer-dir tmail --set TMVersion=2604 --set TaskNo=1 \
        --year 2003 --drive C=tmail --config state.ini --update-dlc --what summary --format json \
        tmail/t-mail.log >/dev/null 2>&1)
}

# A run killed after a random time up to the length of a whole run (in microseconds).
killed_run() {
    run &
    local pid=$!
    local d=$(((RANDOM * 32768 + RANDOM) % span))
    sleep "$(printf '%d.%06d' $((d / 1000000)) $((d % 1000000)))"
    if kill -9 "$pid" 2>/dev/null; then
        hits=$((hits + 1))
    fi
    wait "$pid" 2>/dev/null
}

fresh() {
    rm -rf "$work" && mkdir -p "$work" && cp -r "$sample" "$work/tmail" && : > "$work/state.ini"
    head -n "$half" "$sample/t-mail.log" > "$work/tmail/t-mail.log"
}

# The length of one whole run, the longer of the two halves.
fresh
start=$(date +%s%N); run; tail -n +"$((half + 1))" "$sample/t-mail.log" >> "$work/tmail/t-mail.log"; run
span=$(( ($(date +%s%N) - start) / 2000 ))
[ "$span" -gt 0 ] || span=1000

passed=0 failed=0 hits=0
for ((t = 1; t <= trials; t++)); do
    fresh
    killed_run; run
    tail -n +"$((half + 1))" "$sample/t-mail.log" >> "$work/tmail/t-mail.log"
    killed_run; run; run
    ok=1
    for area in FIDO LISTS NODELIST SOFT; do
        cmp -s "$work/tmail/FILES/$area/files.bbs" "$expected/$area/files.bbs" || ok=0
    done
    if find "$work/tmail" -name '*.tarvix-*' | grep -q .; then ok=0; fi
    if [ "$ok" = 1 ]; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "trial $t: counters differ" >&2; fi
done
echo "kills that hit a running update: $hits of $((2 * trials)) (one run lasts about $((span / 1000)) ms)"
echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
