#!/bin/bash
# The quenbus program's GPIB operations on the simulated bus (the bus of one
# process: the service-request scenario runs in one console) and their bad
# input; natively, or under Wine.
# usage: operations_program_test.sh PROGRAM [WINEPREFIX]
set -u
program=$1
prefix=${2:-}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1

if [ -n "$prefix" ]; then
    . "$(dirname "$0")/../../tools/wine-env.sh"
    quenbus_wine_boot "$prefix" || exit 1
    quenbus() { "$WINE" "$program" "$@"; }
    "$WINE" reg delete 'HKCU\Software\Korvex' /f >/dev/null 2>&1
else
    export QUENBUS_REGISTRY_FILE=$work/registry.reg
    quenbus() { "$program" "$@"; }
fi

. "$(dirname "$0")/program_checks.sh"

# The scenario: enable the request, start a measurement, wait, fetch the reading.
scenario='*CLS;*ESE 1;*SRE 32\nINIT;*OPC\n:wait-srq 5000\n:spoll\nFETC?\n'
for address in IEEE0:22 hpib7,22; do
    run "$scenario" -- console "$address"
    expect 0 "status byte 96 (0x60): RQS, ESB" "console :wait-srq on $address ends with the request"
    expect 0 "status byte 32 (0x20): ESB" "the wait's poll on $address cleared the request"
    expect 0 "+1.234501E+00" "the measurement on $address took a reading"
done
run '*CLS;*ESE 1;*SRE 32\nINIT;*OPC\n:wait-srq 4294967295\n' -- console IEEE0:22
expect 0 "status byte 96 (0x60): RQS, ESB" "a wait without end ends with the request"
run '*CLS;*SRE 32\n:wait-srq 0\n:wait-srq soon\n' -- console IEEE0:22
expect 1 "no service request within 0 ms" "a wait of 0 ms looks once"
expect 1 '"soon" is not a time-out' "a wait's time-out must be milliseconds"
# A write between the request and the poll leaves the request in place.
run '*CLS;*ESE 1;*SRE 32;*OPC\n*ESE 1\n:spoll\n' -- console IEEE0:22
expect 0 "status byte 96 (0x60): RQS, ESB" "a write leaves a pending request in place"
# A clear after an unread reply: the next query gets its own answer.
run '*IDN?\n:clear\nMEAS:VOLT?\n' -- console IEEE0:22
expect 0 "+1.234500E+00" "after a clear a query gets its own answer"
run 'FETC?\n:trigger\nFETC?\n:local\n' -- console hpib7,22
expect 0 $'+1.234500E+00\n+1.234501E+00' "a trigger takes a new reading"

# One program run each.
run "" -- spoll IEEE0:22
expect 0 "status byte 0 (0x00): no bit set" "spoll prints the status byte"
run "" -- spoll IEEE0:12
expect 0 "status byte 0 (0x00)" "an instrument without the status model polls as 0 before a query"
run "" -- clear IEEE0:22
expect 0 "" "clear ends well"
run "" -- trigger IEEE0:22 hpib7,22 IEEE0:5
expect 0 "" "trigger takes several instruments"
run "" -- local hpib7,22
expect 0 "" "local ends well"
run "" -- remote IEEE0
expect 0 "" "remote ends well"
run "" -- remote IEEE0 --lockout
expect 0 "" "remote --lockout ends well"
run "" -- remote IEEE0 --off
expect 0 "" "remote --off ends well"
run "" -- ifc IEEE0
expect 0 "" "ifc ends well"
start=$(milliseconds)
run "" -- wait-srq IEEE0:22 --timeout 300
took=$(($(milliseconds) - start))
expect 1 "quenbus wait-srq: IEEE0:22: no service request within 300 ms" "wait-srq without a request times out"
check "$([ "$took" -ge 300 ] && [ "$took" -le 5000 ]; echo $?)" "wait-srq waits its time-out ($took ms)"

# Bad input.
run "" -- clear IEEE0:7
expect 1 "status 2 (send or read failed): nothing listens at that address" "clear where nothing listens says so"
run "" -- spoll BOGUS:22
expect 1 "there is no interface named BOGUS" "an unknown interface is named"
run "" -- remote BOGUS
expect 1 "quenbus remote: BOGUS: cannot open the interface: no interface of that name" "remote of an unknown interface"
run "" -- spoll IEEE0:31
expect 2 'the primary address of "IEEE0:31" is out of range: addresses are 0 to 30' "a primary address above 30 is wrong usage"
run "" -- clear IEEE0:22:31
expect 2 'the secondary address of "IEEE0:22:31" is out of range' "a secondary address above 30 is wrong usage"
run "" -- clear hpib7,99
expect 2 "out of range" "a SICL address out of range is wrong usage"
run "" -- clear IEEE0
expect 2 '"IEEE0" is no device address' "a device operation given an interface is wrong usage"
run "" -- ifc IEEE0:22
expect 2 '"IEEE0:22" is a device address; give the interface'"'"'s name' "an interface operation given a device is wrong usage"
run "" -- remote IEEE0 --off --lockout
expect 2 "--lockout needs remote enable on" "remote --off --lockout is wrong usage"
run "" -- wait-srq IEEE0:22 --timeout 4294967296
expect 2 "4294967296" "a wait above 4294967295 ms is wrong usage"
run "" -- wait-srq IEEE0:22 --timeout -1
expect 2 "" "a negative wait is wrong usage"
run "" -- spoll IEEE0:22 IEEE0:5
expect 2 "" "spoll takes one address"
report
