#!/usr/bin/env bash
# Builds Tarvix and runs it on the demo installations in samples/: the summary and
# the session list of each mailer's log, as tarvix-report gives them.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/deps.sh
cmake -S . -B build-demo -G Ninja -DCMAKE_BUILD_TYPE=Release -DTARVIX_TESTS=OFF >/dev/null
cmake --build build-demo
report=./build-demo/cli/tarvix-report
# An empty settings file: the demo neither reads nor changes the user's settings.
config=$(mktemp)
trap 'rm -f "$config"' EXIT

run() {
    local title=$1
    shift
    echo
    echo "=== $title"
    "$report" --config "$config" --what summary "$@"
    "$report" --config "$config" --what sessions "$@" 2>/dev/null
}

run "T-Mail 2604 (samples/tmail)" --style tmail --mailer-dir samples/tmail --set TMVersion=2604 \
    --set TaskNo=1 --year 2003 --drive C=samples/tmail samples/tmail/t-mail.log
run "Brake! 7.16 (samples/brake)" --style brake --mailer-dir samples/brake --set BrkVersion=716 \
    --year 2026 samples/brake/brake716.log
run "Bink/+ (samples/binkplus)" --style binkplus --mailer-dir samples/binkplus --year 2026 \
    samples/binkplus/binkley.log
run "FhMail (samples/fhmail)" --style fhmail --mailer-dir samples/fhmail --year 2026 samples/fhmail/fhmail.log
run "SF-Mail (samples/sfmail)" --style sfmail --mailer-dir samples/sfmail --year 2026 samples/sfmail/sf-mail.log
