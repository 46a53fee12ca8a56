#!/bin/bash
# quenbus binds an interface to the simulated gateway that
# with_simulated_gateway.sh runs, shows and checks it, talks and scans
# through it, with several programs at once; natively, or under Wine
# against the real registry.
# usage: gateway_program_test.sh PROGRAM [WINEPREFIX]
set -u
program=$1
prefix=${2:-}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
url=$QUENBUS_GATEWAY_URL

if [ -n "$prefix" ]; then
    . "$(dirname "$0")/../../tools/wine-env.sh"
    quenbus_wine_boot "$prefix" || exit 1
    quenbus() { "$WINE" "$program" "$@"; }
    "$WINE" reg delete 'HKCU\Software\Korvex' /f >/dev/null 2>&1
else
    export QUENBUS_REGISTRY_FILE=$work/registry.reg
    quenbus() { "$program" "$@"; }
fi

. "$(dirname "$0")/../cli/program_checks.sh"
run() {
    quenbus "$@" >out.txt 2>err.txt
    status=$?
    output=$(tr -d '\r' <out.txt)
    errors=$(tr -d '\r' <err.txt)
}

printf 'REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Korvex\\IEEE\\0000]\n"UserName"="LAN0"\n"HardwareKey"=""\n\n[HKEY_CURRENT_USER\\Software\\Korvex\\IEEE\\0001]\n"UserName"="LAN1"\n"HardwareKey"=""\n' >lan.reg
run import lan.reg
run adapter LAN0 vxi11://gateway
expect 2 "a gateway is vxi11://HOST[:PORT]/NAME" "a gateway without its interface name is refused"
run adapter LAN0 "$url"
expect 0 "the gateway answers: VXI-11 gateway, gpib0 linked, maxRecvSize 128" "adapter binds the gateway and links to it"
run adapter LAN1 vxi11://127.0.0.1:1/gpib0
expect 0 "the gateway does not answer yet" "a gateway that does not answer is bound, and said so"
run list
expect 0 "LAN0  (node 0000)  opens" "an interface with a gateway opens"
expect 0 "    adapter            $url  (VXI-11 gateway, gpib0 linked, maxRecvSize 128)" "list shows the gateway and its answer"
run check
expect 1 "the gateway vxi11://127.0.0.1:1/gpib0 does not answer" "check names the gateway that does not answer"
run adapter LAN1 --clear
run check
expect 0 "no problems found" "check finds nothing wrong with an answering gateway"
run query LAN0:22 '*IDN?'
expect 0 "Simbus,Multimeter,0,1.0" "query goes through the gateway"
run query LAN0:14 'CURV?' --block --hex
expect 0 "000000f0  f0 f1 f2 f3 f4 f5 f6 f7  f8 f9 fa fb fc fd fe ff" "a block holding every byte value comes through"
expected_replies
# Its writes go in chunks of 128 bytes, one call each: no 16 MiB write.
block_round_trips LAN0 one.bin markers.bin
run write LAN0:22 '*CLS;*ESE 1;*SRE 32'
run write LAN0:22 'INIT;*OPC'
run wait-srq LAN0:22 --timeout 5000
expect 0 "service request: status byte 96 (0x60): RQS, ESB" "wait-srq through the gateway ends with the request"
run spoll LAN0:22
expect 0 "status byte 32 (0x20): ESB" "the wait's poll cleared the request"
run trigger LAN0:22
expect 0 "" "trigger through the gateway"
run remote LAN0 --lockout
expect 0 "" "remote --lockout through the gateway's docmd"
run ifc LAN0
expect 0 "" "ifc through the gateway's docmd"
run query LAN0:3 '*IDN?'
expect 1 "is an instrument listening at that address" "nothing listens at an empty address"
run scan LAN0
expect 0 "9        none       (listens, no answer)" "scan through the gateway finds the silent instrument"
expect 0 "10 found on LAN0" "scan through the gateway finds the default bench"

# Several programs at once, each with its own links on the one gateway and
# its own instrument (two programs that talk to one instrument at once
# interleave their messages, on a gateway as on a bus).
ask() { # WORKER ADDRESS COMMAND [OPTION]: 20 queries, each answer's first line or byte count
    for i in $(seq 20); do
        if [ -n "${4:-}" ]; then
            quenbus query "$2" "$3" "$4" 2>&1 | wc -c
        else
            quenbus query "$2" "$3" 2>&1 | tr -d '\r'
        fi
    done >"worker$1.txt"
}
ask 1 LAN0:22 '*IDN?' &
ask 2 LAN0:14 'CURV?' --block &
ask 3 LAN0:15 'CURV?' --block &
wait
expected=(" 20 Simbus,Multimeter,0,1.0;" " 20 256;" " 20 256;")
for worker in 1 2 3; do
    answers=$(tr -d ' ' <"worker$worker.txt" | sort | uniq -c | tr -s ' ' | tr '\n' ';')
    [ "$answers" = "${expected[$((worker - 1))]}" ]
    check $? "program $worker of three at once got each of its 20 answers whole ($answers)"
done
report
