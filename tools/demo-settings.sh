#!/usr/bin/env bash
# Writes a settings file (to standard output) that registers the demo installations:
# every log of SAMPLES/<mailer> with its style, mailer directory and options, and the
# generated logs of the generic styles that GENERIC holds (plain.log, bink.log,
# frontdoor.log, custom.log; those missing are left out). One log of each mailer
# is marked open, so that the desktop program shows them at start.
#
#   tools/demo-settings.sh SAMPLES [GENERIC] > Tarvix.ini
set -euo pipefail
if [ $# -lt 1 ] || [ $# -gt 2 ]; then
    echo "usage: $0 SAMPLES [GENERIC] > Tarvix.ini" >&2
    exit 2
fi
samples=$(cd "$1" && pwd)
generic=
if [ $# -eq 2 ] && [ -d "$2" ]; then
    generic=$(cd "$2" && pwd)
fi

logs=()    # the [LogN] sections, in menu order
opened=()  # names of the logs whose window is open
n=0

# add NAME STYLE PATH OPEN [KEY=VALUE...]
add() {
    local name=$1 style=$2 path=$3 open=$4
    shift 4
    if [ ! -f "$path" ]; then
        echo "demo-settings: $path is missing, left out" >&2
        return
    fi
    n=$((n + 1))
    local section="[Log$n]"$'\n'"Name=$name"$'\n'"Path=$path"$'\n'"Style=$style"
    for kv in "$@"; do
        section+=$'\n'"$kv"
    done
    logs+=("$section")
    if [ "$open" = 1 ]; then
        opened+=("$name")
    fi
}

s=$samples
add "T-Mail 2604" 1 "$s/tmail/t-mail.log" 1 "MailerPath=$s/tmail" TMVersion=2604 TaskNo=1
add "Brake! 7.16" 4 "$s/brake/brake716.log" 1 "MailerPath=$s/brake" BrkVersion=716 BinkStyle=0
add "Brake! 7.03" 4 "$s/brake/brake703.log" 0 "MailerPath=$s/brake" BrkVersion=703 BinkStyle=0
add "Brake! 7.01" 4 "$s/brake/brake701.log" 0 "MailerPath=$s/brake" BrkVersion=701 BinkStyle=0
add "Brake! 7.16, BinkleyTerm layout" 4 "$s/brake/binkley716.log" 0 "MailerPath=$s/brake" BrkVersion=716 BinkStyle=1
add "Brake! 7.03, BinkleyTerm layout" 4 "$s/brake/binkley703.log" 0 "MailerPath=$s/brake" BrkVersion=703 BinkStyle=1
add "Bink/+" 5 "$s/binkplus/binkley.log" 1 "MailerPath=$s/binkplus"
add "FhMail" 6 "$s/fhmail/fhmail.log" 1 "MailerPath=$s/fhmail"
add "SF-Mail" 7 "$s/sfmail/sf-mail.log" 1 "MailerPath=$s/sfmail"
add "Argus 3.131" 8 "$s/argus/argus-3131.log" 1 "MailerPath=$s/argus" ArgusVersion=3131
add "Argus 3.132" 8 "$s/argus/argus-3132.log" 0 "MailerPath=$s/argus" ArgusVersion=3132
add "binkd alpha" 10 "$s/binkd/alpha/binkd.log" 1 "MailerPath=$s/binkd/alpha"
add "binkd beta" 10 "$s/binkd/beta/binkd.log" 0 "MailerPath=$s/binkd/beta"
add "binkd gamma" 10 "$s/binkd/gamma/binkd.log" 0 "MailerPath=$s/binkd/gamma"
if [ -n "$generic" ]; then
    g=$generic
    for f in bink frontdoor custom plain; do
        if [ ! -f "$g/$f.log" ]; then
            continue
        fi
        case $f in
        bink) add "Bink-style log" 2 "$g/bink.log" 0 ;;
        frontdoor) add "FrontDoor-style log" 3 "$g/frontdoor.log" 0 ;;
        custom) add "Custom format" 9 "$g/custom.log" 0 "LineMask=yyyy-mm-dd hh:nn:ss" "DateMask=" \
            "ErrWords=ERROR" "HStringCnt=2" "HString0=Errors;~ERR" "HString1=Info;Connect" ;;
        plain) add "Plain text" 0 "$g/plain.log" 0 ;;
        esac
    done
fi

cat <<EOF
; Settings of the Tarvix demo, written by tools/demo-settings.sh.

[General]
NumLogs=$n
MainAddr=2:5030/999@fidonet
SaveDesktop=1
EnableCustomHighlighting=1
Language=QZ_Eng.lng
DriveMap=C:=$s/tmail
EOF
for section in "${logs[@]}"; do
    printf '\n%s\n' "$section"
done
for name in "${opened[@]}"; do
    printf '\n[%s.MainWnd]\nOpen=1\n' "$name"
done
