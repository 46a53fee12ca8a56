#!/bin/bash
# Runs "quenbus setup" under Wine as a person or an installer would and
# checks its exit status, its words and what it left in the registry.
# usage: quenbus_setup_test.sh WINEPREFIX QUENBUS_EXE APPLET_DIR STUB_DRIVER_WINDOWS_PATH
set -u
prefix=$1
quenbus=$2
applet_dir=$3
stub=$4
. "$(dirname "$0")/../../tools/wine-env.sh"
quenbus_wine_boot "$prefix" || exit 1
# The system finds quenbus.cpl on the program path when it is not beside the program.
export WINEPATH="${WINEPATH:+$WINEPATH;}$(echo "Z:$applet_dir" | tr / '\\')"

failures=0
output=""
status=0
log=$(mktemp)
trap 'rm -f "$log"' EXIT

# run PROGRAM ARGS...: runs "PROGRAM setup ARGS...", keeps output and status.
run() {
    local program=$1
    shift
    "$WINE" "$program" setup "$@" >"$log" 2>&1
    status=$?
    output=$(tr -d '\r' <"$log")
}

# expect STATUS TEXT DESCRIPTION: the last run ended with STATUS and said TEXT.
expect() {
    if [ "$status" -ne "$1" ] || ! grep -qF -- "$2" <<<"$output"; then
        echo "FAILED: $3 (status $status, expected $1; expected to see: $2)"
        echo "$output" | sed 's/^/    /'
        failures=$((failures + 1))
    else
        echo "ok: $3"
    fi
}

registry_has() { # KEY [VALUE]
    if [ $# -eq 2 ]; then "$WINE" reg query "$1" /v "$2" >/dev/null 2>&1; else "$WINE" reg query "$1" >/dev/null 2>&1; fi
}

expect_registry() { # DESCRIPTION KEY [VALUE]
    local description=$1
    shift
    if registry_has "$@"; then echo "ok: $description"; else echo "FAILED: $description"; failures=$((failures + 1)); fi
}

expect_registry_text() { # DESCRIPTION KEY VALUE TEXT
    if "$WINE" reg query "$2" /v "$3" 2>/dev/null | tr -d '\r' | grep -qF -- "$4"; then
        echo "ok: $1"
    else
        echo "FAILED: $1 (expected $2 $3 to hold $4)"
        failures=$((failures + 1))
    fi
}

expect_no_registry() { # DESCRIPTION KEY [VALUE]
    local description=$1
    shift
    if registry_has "$@"; then echo "FAILED: $description"; failures=$((failures + 1)); else echo "ok: $description"; fi
}

clean() {
    for service in QbSetup Rumex; do run "$quenbus" uninstall --service $service; done
    "$WINE" reg delete 'HKCU\Software\Korvex' /f >/dev/null 2>&1
    "$WINE" reg delete 'HKLM\Software\Korvex' /f >/dev/null 2>&1
}

clean

run "$quenbus" --help
expect 0 "Usage: quenbus setup" "--help prints the usage"
run "$quenbus" install --help
expect 0 "--no-start" "install --help names its options"
run "$quenbus"
expect 2 "no setup command given" "no command is a usage error"
run "$quenbus" frobnicate
expect 2 "unknown setup command frobnicate" "an unknown command is a usage error"
run "$quenbus" install --model Rumex
expect 2 "needs NAME=DESCRIPTION" "a model without description is a usage error"
run "$quenbus" install --driver
expect 2 "--driver" "an option without its value is a usage error"
run "$quenbus" --dll 'C:\nowhere\quenbus.cpl' status
expect 1 "cannot load C:\\nowhere\\quenbus.cpl" "a missing library is reported"
# Without --dll the library is the one beside the program, else the one the system finds.
run "$quenbus" status --service QbSetup
expect 0 "Driver service QbSetup: not installed" "the library is found without --dll"

# Windows NT 5 or later (Wine's default): configuration and a running driver service.
run "$quenbus" install --driver "$stub" --service QbSetup --display "Quenbus test driver"
expect 0 "Driver service QbSetup started." "install configures and starts the driver"
expect_registry "install initialised the configuration" 'HKCU\Software\Korvex\IEEE\0003\0000' UserName
run "$quenbus" status --service QbSetup
expect 0 "Driver service QbSetup: running" "status reports the running driver"
run "$quenbus" install --driver "$stub" --service QbSetup
expect 0 "already installed; kept as it is" "a second install keeps what is there"
run "$quenbus" uninstall --service QbSetup
expect 0 "Driver service QbSetup removed." "uninstall stops and removes the driver"
run "$quenbus" status --service QbSetup
expect 0 "Driver service QbSetup: not installed" "status after uninstall"
run "$quenbus" uninstall --service QbSetup
expect 1 "is not installed" "uninstalling a missing service fails"

# Windows NT 4: a copy of the program that Wine runs as NT 4.
clean
nt40="$(dirname "$quenbus")/quenbus-nt40.exe"
cp "$quenbus" "$nt40"
"$WINE" reg add 'HKCU\Software\Wine\AppDefaults\quenbus-nt40.exe' /v Version /d nt40 /f >/dev/null
run "$nt40" install --model "Sotal=Sotal ISA board"
expect 1 "failed: handing the configuration to the driver" "NT 4 without a driver service cannot hand over"
expect 1 "bus configuration initialised" "the failure lists what was done"
expect_no_registry "without --driver no driver text is recorded" 'HKLM\Software\Korvex\IEEE\Enum\Sotal' Driver
run "$nt40" install --model "Sotal=Sotal ISA board" --driver "$stub"
expect 0 "Configuration handed to the driver up to interface 0001" "NT 4 hands over the bound interface"
expect 0 "System: Windows NT 4" "the copy runs as Windows NT 4"
expect_registry "the hardware store describes Sotal" 'HKLM\Software\Korvex\IEEE\Enum\Sotal\0003' DmaChan
expect_registry_text "a later run records the driver text" 'HKLM\Software\Korvex\IEEE\Enum\Sotal' Driver "$stub"
expect_registry "interface 0000 reached the Rumex service" 'HKLM\System\CurrentControlSet\Services\Rumex\0' PortAddr
# The board's instance key is gone: the hand-over writes "UserName" and then fails to copy.
"$WINE" reg delete 'HKLM\Software\Korvex\IEEE\Enum\Sotal\0000' /f >/dev/null 2>&1
run "$nt40" install --driver "$stub"
expect 1 "interface 0000 was not handed over whole" "a half-made hand-over is a failure"
expect_registry "the half-made key is there" 'HKLM\System\CurrentControlSet\Services\Rumex\0' UserName
clean
"$WINE" reg delete 'HKCU\Software\Wine\AppDefaults\quenbus-nt40.exe' /f >/dev/null 2>&1
rm -f "$nt40"

echo "$failures failed"
[ "$failures" -eq 0 ]
