#!/bin/bash
# Makes the sample binkd installation samples/binkd again: three binkd nodes on
# 127.0.0.1 with their own configs, inbound and outbound, polling each other.
# The configs (with relative paths) are kept in samples/binkd/<node>/binkd.cfg;
# the nodes run in a scratch copy, and the logs they write are copied back
# unchanged as samples/binkd/<node>/binkd.log.
#
# Nodes (domain fidonet, dummy passwords):
#   alpha 2:5020/100 (and 2:5020/100.1) port 24551
#   beta  2:5020/200                    port 24552, serves file requests (freq.sh)
#   gamma 2:463/300                     port 24553, has a wrong password for alpha
#   2:5020/400 is listed at port 24559, where nothing listens.
# Every binkd started here is killed by its own process id; every wait is bounded.
set -u
HERE=$(cd "$(dirname "$0")/.." && pwd)
SAMPLE=$HERE/samples/binkd
WORK=/tmp/binkd-samples
BINKD=${BINKD:-/usr/sbin/binkd}
PIDS=()

cleanup() {
    for p in "${PIDS[@]}"; do kill "$p" 2>/dev/null; done
    sleep 1
    for p in "${PIDS[@]}"; do kill -9 "$p" 2>/dev/null; done
}
trap cleanup EXIT

rm -rf "$WORK" && mkdir -p "$WORK" || exit 1
cp -r "$SAMPLE"/alpha "$SAMPLE"/beta "$SAMPLE"/gamma "$WORK"/
for n in alpha beta gamma; do
    rm -f "$WORK/$n/binkd.log"
    mkdir -p "$WORK/$n/inbound" "$WORK/$n/insecure" "$WORK/$n/outbound" "$WORK/$n/temp"
done
cd "$WORK" || exit 1

# Files to send; the big one is slowed down (-bw in alpha's node line) so it can
# be broken off.
head -c 30000 /dev/urandom > alpha/temp/report.zip
head -c 4000 /dev/urandom > alpha/temp/0000abcd.pkt
head -c 12000 /dev/urandom > beta/temp/nodelist.z42
head -c 2500 /dev/urandom > beta/temp/00001234.pkt
head -c 3000000 /dev/urandom > alpha/temp/bigfile.rar
head -c 9000 /dev/urandom > gamma/temp/gamma.tic

# Run a node's server in the background, in its own folder.
serve() {
    (cd "$1" && exec "$BINKD" -s binkd.cfg > /dev/null 2>&1) &
    PIDS+=($!)
}
# Poll a node from a node's folder, bounded in time.
poll() {
    (cd "$1" && timeout 60 "$BINKD" -p -P "$2" binkd.cfg > /dev/null 2>&1)
}

serve alpha
serve beta
serve gamma
sleep 2

# 1. alpha sends netmail and a file to beta (normal flavour), beta answers with
#    its own mail and a file on hold for alpha.
cp alpha/temp/0000abcd.pkt alpha/outbound/139c00c8.out
echo "temp/report.zip" > alpha/outbound/139c00c8.flo
cp beta/temp/00001234.pkt beta/outbound/139c0064.hut
echo "^temp/nodelist.z42" > beta/outbound/139c0064.hlo
cp beta/temp/nodelist.z42 beta/temp/nodelist.keep
poll alpha 2:5020/200
cp beta/temp/nodelist.keep beta/temp/nodelist.z42
sleep 2

# 2. A file request: alpha asks beta for two files and a mask, beta's freq.sh
#    answers through binkd's exec hook; one name is not there.
printf 'FILES.LST\nBINKD*.ZIP\nNOSUCH.ZIP\n' > alpha/outbound/139c00c8.req
poll alpha 2:5020/200
sleep 2

# 3. A call to a closed port, then a call with a wrong password (gamma to alpha).
poll alpha 2:5020/400
sleep 1
echo "temp/gamma.tic" > gamma/outbound/139c0064.flo
poll gamma 2:5020/100
sleep 2

# 4. Sessions at the same time: beta and gamma call alpha while alpha calls both.
echo "temp/report.zip" > alpha/outbound/01cf012c.flo
echo "temp/00001234.pkt" > beta/outbound/139c0064.flo
poll beta 2:5020/100 &
p1=$!
poll alpha 2:463/300 &
p2=$!
poll alpha 2:5020/200 &
p3=$!
echo "temp/gamma.tic" > gamma/outbound/139c00c8.flo
poll gamma 2:5020/200 &
p4=$!
wait $p1 $p2 $p3 $p4
sleep 2

# 5. A broken session: alpha sends the big file to beta, and the client is killed
#    in the middle of the transfer.
echo "temp/bigfile.rar" > alpha/outbound/139c00c8.clo
(cd alpha && exec "$BINKD" -p -P 2:5020/200 binkd.cfg > /dev/null 2>&1) &
victim=$!
PIDS+=($victim)
sleep 4
# The session runs in a child of the client manager: kill that child first.
for child in $(pgrep -P "$victim"); do kill -9 "$child"; done
kill -9 "$victim" 2>/dev/null
sleep 3

# 6. beta calls alpha again later: alpha resumes the big file from where it stopped.
rm -f alpha/outbound/*.bsy alpha/outbound/*.csy beta/outbound/*.bsy
poll beta 2:5020/100
sleep 1

cleanup
PIDS=()
for n in alpha beta gamma; do
    cp "$n/binkd.log" "$SAMPLE/$n/binkd.log"
done
echo "logs written to $SAMPLE; scratch copy in $WORK"
