#!/usr/bin/env bash
# tarvix-report on files and output that are not what a run expects: special files
# in place of the log, the settings or a files.bbs; a standard output that fails; a
# log that changes under the analysis; bad values; compressed logs.
#
#   bash HardCases.sh <tarvix-report> <tests/e2e/data> <samples/tmail> <scratch dir>
#
# Each case runs the program under a time limit (a hang is a failure) and checks the
# exit status and what standard error says. Prints one line per failed case and
# "N passed, N failed" at the end.
set -u
REPORT=$1 DATA=$2 TMAIL=$3 WORK=$4
rm -rf "$WORK" && mkdir -p "$WORK" && cd "$WORK" || exit 1
cp "$DATA/bink.log" "$DATA/e2e.ini" .
passed=0 failed=0

# expect NAME STATUS TEXT COMMAND...: the command ends with STATUS within 20 seconds
# and its standard error contains TEXT (an empty TEXT: anything).
expect() {
    local name=$1 status=$2 text=$3
    shift 3
    timeout 20 "$@" >out 2>err
    local rc=$?
    if [ "$rc" != "$status" ] || ! grep -qF -- "$text" err; then
        echo "FAILED $name: status $rc (expected $status), stderr: $(head -c 300 err)"
        failed=$((failed + 1))
    else
        passed=$((passed + 1))
    fi
}

BINK=(bink.log --style bink --config e2e.ini --year 2026)

# Special files: refused at once, with the file named.
mkfifo fifo
expect fifo-log 1 "fifo: not a regular file" "$REPORT" fifo --config e2e.ini
expect zero-log 1 "/dev/zero: not a regular file" "$REPORT" /dev/zero --config e2e.ini
expect dir-log 1 ".: not a regular file" "$REPORT" . --config e2e.ini
expect fifo-settings 1 "settings: fifo: not a regular file" "$REPORT" bink.log --config fifo
expect zero-settings 1 "settings: /dev/zero: not a regular file" "$REPORT" bink.log --config /dev/zero
cp -r "$TMAIL" tmail && rm tmail/FILES/SOFT/files.bbs && mkfifo tmail/FILES/SOFT/files.bbs
expect fifo-files-bbs 1 "files.bbs: not a regular file" \
    "$REPORT" tmail/t-mail.log --style tmail --mailer-dir tmail --set TMVersion=2604 --set TaskNo=1 \
        --year 2003 --drive C=tmail --config e2e.ini --update-dlc
rm -rf tmail

# Standard output that fails: an error, not a silent success.
expect stdout-full 1 "No space left on device" sh -c '"$0" "$@" >/dev/full' "$REPORT" "${BINK[@]}" --what all
expect stdout-closed 1 "standard output is closed" sh -c '"$0" "$@" >&-' "$REPORT" "${BINK[@]}"
for format in json csv table; do
    expect stdout-full-$format 1 "cannot write the report" \
        sh -c '"$0" "$@" >/dev/full' "$REPORT" "${BINK[@]}" --format $format
done

echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
