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

# Bad values: on the command line a usage error, in the settings file a warning
# naming the section, the key and the value used; a byte-order mark hides nothing.
expect set-version 2 "--set TMVersion=abc" "$REPORT" bink.log --style tmail --set TMVersion=abc --config e2e.ini
expect set-task 2 "--set TaskNo=x" "$REPORT" bink.log --style tmail --set TaskNo=x --config e2e.ini
expect set-bool 2 "--set AutoNew=yes" "$REPORT" "${BINK[@]}" --set AutoNew=yes
expect set-number-as-written 0 "" "$REPORT" "${BINK[@]}" --set AutoNew=01
printf '[General]\nNumLogs=2\n[Log1]\nName=T\nPath=bink.log\nStyle=abc\n[Log2]\nName=U\nPath=bink.log\nStyle=8\nArgusVersion=abc\n' \
    > bad.ini
expect ini-style 0 "[Log1] Style=abc is not a valid value; 0 is used" "$REPORT" --log T --config bad.ini
expect ini-version 0 "[Log2] ArgusVersion=abc is not a valid value; 3131 is used" "$REPORT" --log U --config bad.ini
printf '\xEF\xBB\xBF[General]\nNumLogs=1\n[Log1]\nName=B\nPath=bink.log\nStyle=2\n' > bom.ini
expect ini-bom 0 "" "$REPORT" --log B --config bom.ini --year 2026 --format json
grep -q '"style": 2' out || { echo "FAILED ini-bom: the log's section was not read"; failed=$((failed + 1)); }

# Compressed logs read through decompression, with the same results as the text;
# damaged ones named; other binary files warned about.
"$REPORT" "${BINK[@]}" --what all --format json 2>/dev/null | grep -v '"path"' > plain.json
cat bink.log bink.log > twice.log
"$REPORT" twice.log --style bink --config e2e.ini --year 2026 --what all --format json 2>/dev/null |
    grep -v '"path"' > twice.json
for tool in gzip xz zstd bzip2; do
    command -v $tool >/dev/null || continue
    $tool -c bink.log > bink.$tool
    cat bink.$tool bink.$tool > twice.$tool  # concatenated parts, as some writers leave
    expect $tool 0 "" "$REPORT" bink.$tool --style bink --config e2e.ini --year 2026 --what all --format json
    grep -v '"path"' out | cmp -s - plain.json || { echo "FAILED $tool: not the report of the text"; failed=$((failed + 1)); }
    expect $tool-twice 0 "" "$REPORT" twice.$tool --style bink --config e2e.ini --year 2026 --what all --format json
    grep -v '"path"' out | cmp -s - twice.json || { echo "FAILED $tool-twice: not the report of both parts"; failed=$((failed + 1)); }
    head -c $(( $(stat -c %s bink.$tool) - 20 )) bink.$tool > cut.$tool
    expect $tool-cut 1 "cut.$tool: damaged $tool data" "$REPORT" cut.$tool --config e2e.ini
done
head -c 30000 /dev/urandom > random.log
expect binary 0 "random.log does not look like a text file" "$REPORT" random.log --config e2e.ini

# Clear messages: the configuration error in the language's words with file and line,
# the colour item and where it is, a line break in a file name escaped.
cp -r "$TMAIL" tmail && echo Include >> tmail/t-mail.ctl
expect config-line 1 "Error in configuration file tmail/t-mail.ctl, line $(grep -c '' tmail/t-mail.ctl): Include directive without a file name" \
    "$REPORT" tmail/t-mail.log --style tmail --mailer-dir tmail --set TMVersion=2604 --set TaskNo=1 --config e2e.ini
printf '[General]\nEnableCustomHighlighting=1\nNumLogs=1\n[Log1]\nName=C\nPath=bink.log\nStyle=9\nHStringCnt=1\nHString0=Blurple;~ERR\n' \
    > color.ini
expect color-item 1 'Invalid color item "Blurple" in [Log1] HString0=Blurple;~ERR' "$REPORT" --log C --config color.ini
cp bink.log $'two\nlines.log'
expect newline-path 0 'two\nlines.log:23: ' "$REPORT" $'two\nlines.log' --style bink --config e2e.ini --year 2026
expect newline-missing 1 'no\nsuch.log' "$REPORT" $'no\nsuch.log' --config e2e.ini
[ "$(grep -c '' err)" = 1 ] || { echo "FAILED newline-missing: not one line"; failed=$((failed + 1)); }

echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
