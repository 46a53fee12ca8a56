#!/bin/bash
# quenbus binds an interface to the simulated adapter that
# with_simulated_adapter.sh runs, shows and checks it, scans through it, and
# moves blocks through it; natively, or under Wine against the real registry.
# usage: adapter_program_test.sh PROGRAM [WINEPREFIX]
set -u
program=$1
prefix=${2:-}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
url=$QUENBUS_ADAPTER_URL

if [ -n "$prefix" ]; then
    . "$(dirname "$0")/../../tools/wine-env.sh"
    quenbus_wine_boot "$prefix" || exit 1
    quenbus() { "$WINE" "$program" "$@"; }
    forget_configuration() { "$WINE" reg delete 'HKCU\Software\Korvex' /f >/dev/null 2>&1; }
else
    export QUENBUS_REGISTRY_FILE=$work/registry.reg
    quenbus() { "$program" "$@"; }
    forget_configuration() { rm -f "$QUENBUS_REGISTRY_FILE"; }
fi

. "$(dirname "$0")/../cli/program_checks.sh"
run() {
    quenbus "$@" >out.txt 2>err.txt
    status=$?
    output=$(tr -d '\r' <out.txt)
    errors=$(tr -d '\r' <err.txt)
}

forget_configuration
printf 'REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Korvex\\IEEE\\0000]\n"UserName"="IEEE0"\n"HardwareKey"=""\n' >lan.reg
run import lan.reg
run list
expect 0 "IEEE0  (node 0000)  no board present" "an interface without board or adapter does not open"
run adapter IEEE0 http://gpib:1234
expect 2 "an adapter is tcp://HOST[:PORT] or serial://COMn[?baud=N]" "a URL of another kind is refused"
run adapter IEEE0 serial://COM0
expect 2 "give a serial port COM1 to COM256" "a serial port out of range is refused"
run adapter LAN9 "$url"
expect 1 "no interface is named LAN9; the configured interfaces are: IEEE0" "an unknown interface is named"
run adapter IEEE0 "$url"
expect 0 "the adapter answers: quenbus simulated GPIB adapter 1.0" "adapter binds and asks ++ver"
run list
expect 0 "IEEE0  (node 0000)  opens" "an interface with an adapter opens"
expect 0 "    adapter            $url  (quenbus simulated GPIB adapter 1.0)" "list shows the adapter and its answer"
run list --json
expect 0 '"version": "quenbus simulated GPIB adapter 1.0"' "list --json shows the adapter"
run check
expect 0 "no problems found" "check finds nothing wrong with an answering adapter"
run query IEEE0:22 '*IDN?'
expect 0 "Simbus,Multimeter,0,1.0" "query goes through the adapter"
run scan IEEE0
expect 0 "9        none       (listens, no answer)" "scan through the adapter finds the silent instrument"
expect 0 "10 found on IEEE0" "scan through the adapter finds the default bench"

# The GPIB operations, one program run each: the adapter's instruments keep
# their state from one run to the next. take: what the adapter received
# since the last take.
take() {
    local count
    exec 3<>"/dev/tcp/127.0.0.1/$QUENBUS_ADAPTER_CONTROL"
    echo take >&3
    read -r count <&3
    head -c "$count" <&3
    exec 3<&-
}
# received PATTERN DESCRIPTION: what the adapter received since the last
# take matches the glob PATTERN.
received() {
    local bytes
    bytes=$(take; echo .)
    bytes=${bytes%.}
    # shellcheck disable=SC2053
    if [[ "$bytes" == $1 ]]; then
        echo "ok: $2"
    else
        failed "$2 (received $(printf %q "$bytes"))"
    fi
}
setup=$'++mode 1\n++auto 0\n++eot_enable 1\n++eot_char 4\n'
run write IEEE0:22 '*CLS;*ESE 1;*SRE 32'
run write IEEE0:22 'INIT;*OPC'
take >/dev/null
run wait-srq IEEE0:22 --timeout 5000
expect 0 "service request: status byte 96 (0x60): RQS, ESB" "wait-srq through the adapter ends with the request"
received "$setup"$'++srq\n'*$'++addr 22\n++read_tmo_ms 3000\n++spoll 22\n' \
    "wait-srq asks ++srq until the line is asserted, then polls the device"
run spoll IEEE0:22
expect 0 "status byte 32 (0x20): ESB" "the wait's poll cleared the request"
received "$setup"$'++addr 22\n++read_tmo_ms 3000\n++spoll 22\n' "spoll sends ++spoll alone"
# A write between the request and the poll leaves the request in place.
run write IEEE0:22 '*CLS;*OPC'
take >/dev/null
run write IEEE0:22 '*ESE 1'
received "$setup"$'++srq\n++addr 22\n++read_tmo_ms 3000\n++eos 3\n++eoi 1\n*ESE 1\n' \
    "a write while SRQ is asserted makes no serial poll"
run spoll IEEE0:22
expect 0 "status byte 96 (0x60): RQS, ESB" "a write leaves a pending request in place"
run query IEEE0:22 'FETC?'
expect 0 "+1.2345" "the measurement's reading comes through the adapter"
run write IEEE0:22 '*IDN?'
take >/dev/null
run clear IEEE0:22
expect 0 "" "clear through the adapter ends well"
received "$setup"$'++srq\n++addr 22\n++read_tmo_ms 3000\n++spoll 22\n++clr\n' \
    "clear sends ++clr after the listener check"
run query IEEE0:22 'MEAS:VOLT?'
expect 0 "+1.234500E+00" "after a clear a query through the adapter gets its own answer"
run trigger IEEE0:22 IEEE0:5
expect 0 "" "trigger through the adapter ends well"
received *$'++trg 22\n'*$'++trg 5\n' "trigger sends ++trg for each address"
run local IEEE0:22
expect 0 "" "local through the adapter ends well"
received *$'++spoll 22\n++loc\n' "local sends ++loc"
run clear IEEE0:7
expect 1 "nothing listens at that address" "clear where nothing listens through the adapter says so"
take >/dev/null
run remote IEEE0 --lockout
expect 0 "" "remote --lockout through the adapter ends well"
received "$setup"$'++ver\n++llo\n' "remote --lockout asks the firmware, then sends ++llo"
run ifc IEEE0
expect 0 "" "ifc through the adapter ends well"
received "$setup"$'++ifc\n' "ifc sends ++ifc"
run remote IEEE0 --off
expect 1 "quenbus remote: IEEE0: the interface's adapter cannot do that" \
    "releasing remote enable needs firmware that has ++ren"
run write IEEE0:22 '*SRE 0;*ESE 0;*CLS'

# Blocks and long replies through the adapter, every byte value, byte 4 among them.
expected_replies
block_round_trips IEEE0

run adapter IEEE0 tcp://127.0.0.1:1
expect 0 "the adapter does not answer yet" "binding an adapter that does not answer says so"
run check
expect 1 "0000 (IEEE0): the adapter tcp://127.0.0.1:1 does not answer ++ver" "check reports the silent adapter"
run query IEEE0:22 '*IDN?'
expect 1 "status 2" "a transfer through an adapter that is not there fails"
run adapter IEEE0 --clear
expect 0 "IEEE0 (node 0000): no adapter" "--clear unbinds"
run list
expect 0 "IEEE0  (node 0000)  no board present" "without its adapter the interface has no board again"

forget_configuration
report
