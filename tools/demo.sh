#!/usr/bin/env bash
# Builds Tarvix and opens the demo installations of samples/ in the desktop program.
# Without a display (neither $DISPLAY nor $WAYLAND_DISPLAY set) it prints instead the
# summary and the session list of each mailer's log, as tarvix-report gives them.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/deps.sh
cmake -S . -B build-demo -G Ninja -DCMAKE_BUILD_TYPE=Release -DTARVIX_TESTS=OFF >/dev/null
cmake --build build-demo

# The demo works on copies: the program may cut logs and write download counters.
demo=$PWD/build-demo/demo
rm -rf "$demo"
mkdir -p "$demo/generic"
cp -R samples "$demo/samples"
for style in bink frontdoor custom plain; do
    ./build-demo/tools/tarvix-genlog --style "$style" --lines 2000 --seed 7 --out "$demo/generic/$style.log"
done
bash tools/demo-settings.sh "$demo/samples" "$demo/generic" > "$demo/Tarvix.ini"

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    echo "Starting tarvix with the demo settings $demo/Tarvix.ini"
    echo "(the Logs menu holds every demo log; File > Exit or Alt+X ends the program)"
    TARVIX_CONFIG=$demo/Tarvix.ini exec ./build-demo/ui/tarvix
fi

echo "There is no display (\$DISPLAY and \$WAYLAND_DISPLAY are not set), so the desktop"
echo "program does not start: here is what tarvix-report finds in each demo log instead."
report=./build-demo/cli/tarvix-report
# A copy of the demo settings: tarvix-report only reads them.
config=$(mktemp)
trap 'rm -f "$config"' EXIT
cp "$demo/Tarvix.ini" "$config"

run() {
    local log=$1
    shift
    echo
    echo "=== $log"
    "$report" --config "$config" --log "$log" --what summary "$@"
    "$report" --config "$config" --log "$log" --what sessions "$@" 2>/dev/null
}

# The T-Mail log carries no year; 2003 matches the dates of its side files.
run "T-Mail 2604" --year 2003
run "Brake! 7.16" --year 2026
run "Bink/+" --year 2026
run "FhMail" --year 2026
run "SF-Mail" --year 2026
run "Argus 3.131" --year 2026
