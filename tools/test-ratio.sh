#!/usr/bin/env bash
# Prints the lines of C++ test code (tests/) against the lines of C++ program code
# (platform, fido, settings, engine, cli, ui); data files are not counted. The
# project keeps the ratio at a third or less.
set -euo pipefail
cd "$(dirname "$0")/.."

lines() { find "$@" -type f \( -name '*.cpp' -o -name '*.h' \) -print0 | xargs -0 cat | wc -l; }

tests=$(lines tests)
code=$(lines platform fido settings engine cli ui)
awk -v t="$tests" -v c="$code" 'BEGIN { printf "tests %d / code %d = %.2f\n", t, c, t / c }'
