#!/bin/bash
# Runs the quenbus program as a person or a script does and checks its exit
# status and words: natively, or under Wine against the real registry.
# usage: quenbus_program_test.sh PROGRAM FIXTURE BOARDS_FIXTURE [WINEPREFIX [STUB_DRIVER]]
set -u
program=$1
fixture=$2
boards=$3
prefix=${4:-}
stub=${5:-}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$fixture" "$work/bench.reg"
cd "$work" || exit 1

if [ -n "$prefix" ]; then
    . "$(dirname "$0")/../../tools/wine-env.sh"
    quenbus_wine_boot "$prefix" || exit 1
    quenbus() { "$WINE" "$program" "$@"; }
    forget_configuration() { "$WINE" reg delete 'HKCU\Software\Korvex' /f >/dev/null 2>&1; }
    # Two boards of the driver service QbSimBoards, installed and stopped.
    add_boards() {
        "$WINE" sc create QbSimBoards type= kernel start= demand group= Vexmoor binPath= "$stub" >/dev/null 2>&1
        "$WINE" regedit /S "$(echo "Z:$boards" | tr / '\\')"
    }
    remove_boards() { "$WINE" sc delete QbSimBoards >/dev/null 2>&1; }
else
    export QUENBUS_REGISTRY_FILE=$work/registry.reg
    quenbus() { "$program" "$@"; }
    forget_configuration() { rm -f "$QUENBUS_REGISTRY_FILE"; }
    add_boards() {
        { cat "$boards"; printf '\n[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\QbSimBoards]\n'
          printf '"Type"=dword:00000001\n"Start"=dword:00000003\n"Group"="Vexmoor"\n"ImagePath"="stub.sys"\n'
        } >"$QUENBUS_REGISTRY_FILE"
    }
    remove_boards() { :; }
fi

. "$(dirname "$0")/program_checks.sh"
# run [INPUT] -- ARGS...: runs the program with INPUT on standard input.
run() {
    local input=$1
    shift 2
    printf '%b' "$input" | quenbus "$@" >out.txt 2>err.txt
    status=$?
    output=$(tr -d '\r' <out.txt)
    errors=$(tr -d '\r' <err.txt)
}

forget_configuration
run "" -- --help
expect 0 "console" "--help lists the commands"
run "" --
expect 2 "A subcommand is required" "no command is a usage error"
run "" -- frobnicate
expect 2 "frobnicate" "an unknown command is a usage error"
run "" -- query IEEE0:22
expect 2 "TEXT is required" "query without its text is a usage error"
run "" -- scan --help
expect 0 "--secondary" "each command has its help"

# Without a configuration the bus driver library serves IEEE0 to IEEE3.
run "" -- list
expect 1 "no bus configuration" "list without a configuration says so"
run "" -- query IEEE0:22 '*IDN?'
expect 0 "Simbus,Multimeter,0,1.0" "query prints the reply"
run "" -- write IEEE0:3 '*RST'
expect 1 "status 2 (send or read failed)" "write to an address where nothing listens says so"
run "*IDN?\nhello\n:read\n:history\n:quit\n" -- console IEEE0:5
expect 0 "2  hello" "console driven through a pipe"
[ "$(head -2 <<<"$output")" = $'*IDN?\nhello' ] || { echo "FAILED: console replies: $output"; failures=$((failures + 1)); }
run "" -- scan IEEE0
expect 0 "9        none       (listens, no answer)" "scan finds the silent instrument"
expect 0 "10 found on IEEE0" "scan finds every instrument of the default bench"
expect 0 "scanning IEEE0: address 30 of 30" "scan shows its progress on standard error"

# A configuration, through import, and back out through export.
run "" -- import bench.reg --dry-run
expect 0 "create node 0000\\0001" "import --dry-run says what it would create"
run "" -- list
expect 1 "no bus configuration" "import --dry-run writes nothing"
run "" -- import bench.reg
expect 0 "imported bench.reg" "import writes the file's nodes"
run "" -- list
expect 0 "    Meter  (node 0000\\0001)" "list shows the imported device"
run "" -- list --json
expect 0 '"secondaryAddress": null' "list --json prints the configuration"
run "" -- check
expect 1 "0000\\0002 (Twin): same address as Meter (0000\\0001)" "check reports a shared address"
run "" -- export first.reg
expect 0 "exported the bus configuration to first.reg" "export writes the file"
if [ -n "$prefix" ]; then
    # Windows' own registry editor takes the exported file as it is.
    forget_configuration
    "$WINE" regedit /S "$(echo "Z:$work/first.reg" | tr / '\\')"
    run "" -- export regedit.reg
    if cmp -s first.reg regedit.reg; then
        echo "ok: regedit imports an export"
    else
        echo "FAILED: regedit's import of an export differs"
        failures=$((failures + 1))
    fi
fi
run "" -- import first.reg --replace
expect 0 "saved the current configuration to first.before-import.reg" "import --replace saves a backup first"
run "" -- export second.reg
cmp -s first.reg second.reg || { echo "FAILED: an export after import --replace differs"; failures=$((failures + 1)); }
printf 'REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Korvex\\IEEE\\0000\\0009]\n"PrimaryAddress"=dword:00000020\n' >bad.reg
run "" -- import bad.reg
expect 1 "bad.reg: line 4: PrimaryAddress must be 0 to 30, not 32" "a bad import is refused with its line"
run "" -- export third.reg
cmp -s first.reg third.reg || { echo "FAILED: a refused import changed the configuration"; failures=$((failures + 1)); }

# A present board, as Windows 2000 or later finds it.
forget_configuration
add_boards
printf 'REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Korvex\\IEEE\\0000]\n"UserName"="IEEE0"\n"HardwareKey"="PCI\\\\VEN_10E8&DEV_8081&SUBSYS_00000000&REV_01\\\\4&1A2B3C&0&5808"\n' >bound.reg
run "" -- import bound.reg
run "" -- list
expect 0 "    board              Vexmoor PCI IEEE 488" "list describes the bound board"
run "" -- check
expect 1 "driver service QbSimBoards: not running" "check finds the boards' driver service stopped"
run "" -- scan IEEE0 --add
expect 0 "added  Multimeter (node 0000\\000A) at address 22, secondary none" "scan --add names a device by its model"
expect 0 "added  New Device (node 0000\\0001) at address 5, secondary none" "scan --add numbers devices as the applet"
run "" -- list
expect 0 "    Multimeter  (node 0000\\000A)" "list shows a device scan --add added"
run "" -- scan IEEE0 --add
expect 0 "kept   Multimeter (node 0000\\000A) at address 22, secondary none" "a second scan --add keeps every device"
remove_boards

forget_configuration
echo "$failures failed"
[ "$failures" -eq 0 ]
