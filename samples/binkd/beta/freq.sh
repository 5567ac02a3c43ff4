#!/bin/sh
# File-request processor of the sample node beta, run by binkd's exec hook with
# the SRIF file: every requested name (shell masks allowed) found in files/ is
# listed in the response list, and binkd sends it.
srif=$1
req=$(sed -n 's/^RequestList[ \t]*//p' "$srif")
rsp=$(sed -n 's/^ResponseList[ \t]*//p' "$srif")
# binkd runs in the node's folder: the answer names the files relative to it.
dir=files
: > "$rsp"
while read -r name rest; do
    [ -n "$name" ] || continue
    for f in "$dir"/*; do
        base=$(basename "$f")
        [ "$base" = files.bbs ] && continue
        up=$(echo "$base" | tr a-z A-Z)
        upname=$(echo "$name" | tr a-z A-Z)
        case "$up" in $upname) echo "+$f" >> "$rsp" ;; esac
    done
done < "$req"
exit 0
