#!/bin/bash
# quenbus binds an interface to the simulated adapter that
# with_simulated_adapter.sh runs, shows and checks it, and scans through it;
# natively, or under Wine against the real registry.
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
