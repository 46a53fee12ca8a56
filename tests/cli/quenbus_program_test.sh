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
[ "$(head -2 <<<"$output")" = $'*IDN?\nhello' ] || failed "console replies: $output"
run "" -- scan IEEE0
expect 0 "9        none       (listens, no answer)" "scan finds the silent instrument"
expect 0 "10 found on IEEE0" "scan finds every instrument of the default bench"
expect 0 "scanning IEEE0: address 30 of 30" "scan shows its progress on standard error"

# Replies of any length and blocks, bytes as they are, to and from files.
expected_replies
awk 'BEGIN { for (i = 0; i < 300; i++) printf "%c", 65 + i % 26 }' >talker.bin
printf 'AB\0CD' >nul.bin
{ printf '#3256'; cat bytes.bin; printf '\n'; } >block.bin

bin query IEEE0:12 'DATA?' --raw
expect 0 "" "query --raw of the talker ends well"
same talker.bin "query --raw prints all 300 characters of the talker"
bin query IEEE0:13 'DATA?' --raw
same nul.bin "query --raw prints a reply with a NUL byte as it is"
bin query IEEE0:17 'READ?' --raw
same readings.bin "query --raw prints 10000 readings whole"
bin query IEEE0:14 'CURV?' --raw
same block.bin "query --raw of a block prints its header, every byte value and the terminator"
for address in IEEE0:14 IEEE0:15 hpib7,14 hpib7,15; do
    bin query "$address" 'CURV?' --block
    expect 0 "" "query --block of $address ends well"
    same bytes.bin "query --block of $address prints the 256 byte values of the payload"
done
bin query IEEE0:22 '*IDN?' --block
expect 0 "the reply holds no IEEE 488.2 block; all of it is shown" "query --block of a reply without a block says so"
if command -v hexdump >/dev/null; then
    bin query IEEE0:14 'CURV?' --block --hex
    hexdump -vC bytes.bin >hex.txt
    tr -d '\r' <out.bin >hex.out
    same hex.txt "query --block --hex prints the payload as hexdump -vC does" hex.out
fi

run "" -- query IEEE0:12 'DATA?'
expect 0 "quenbus: the reply had 300 bytes; its first 255 are shown; --raw prints it whole" \
    "query says on standard error that it cut the talker's reply"
check "$([ "$output" = "$(head -c 255 talker.bin)" ]; echo $?)" "query still prints the first 255 characters"
run "" -- query IEEE0:22 '*IDN?'
check "$([ -z "$errors" ]; echo $?)" "query of a short reply says nothing on standard error"

start=$(milliseconds)
run "" -- query IEEE0:16 'CURV?' --block --output wave.bin
took=$(($(milliseconds) - start))
expect 0 "quenbus: wrote 16777216 bytes to wave.bin" "query --output says how many bytes it wrote"
same pattern.bin "query --output of the 16 MiB block writes its payload" wave.bin
check "$([ ! -e wave.bin.partial ]; echo $?)" "query --output leaves no temporary file"
# The progress line shows once a transfer has lasted a second.
progress=$(head -1 err.txt | tr -d '\n')
progress=${progress%$'\r'}
if [ "${progress#$'\r'}" != "$progress" ]; then
    bad=0
    IFS=$'\r' read -r -a parts <<<"${progress#$'\r'}"
    for part in "${parts[@]}"; do
        grep -Eqx '[0-9]+(\.[0-9])? (bytes|KiB|MiB|GiB), [0-9]+(\.[0-9])? (bytes|KiB|MiB|GiB)/s *' <<<"$part" || bad=1
    done
    [ "${parts[-1]#16.0 MiB, }" != "${parts[-1]}" ] || bad=1
    check "$bad" "the progress line of a transfer over a second ($took ms) shows bytes and rate"
elif [ "$took" -lt 1000 ]; then
    echo "ok: no progress line for a transfer under a second ($took ms)"
else
    echo "ok: no progress line; the run took $took ms, the transfer itself under a second"
fi
run "" -- query IEEE0:16 'CURV?' --block --output quiet.bin --quiet
check "$([ "$errors" = "quenbus: wrote 16777216 bytes to quiet.bin" ]; echo $?)" "query --quiet shows no progress line"
same pattern.bin "query --quiet writes the same file" quiet.bin
run "" -- query IEEE0:16 'CURV?' --block --limit 1M --output long.bin
expect 1 "the block announces 16777216 bytes, more than the limit of 1048576 bytes" "query --limit refuses a longer block"
check "$([ ! -e long.bin ] && [ ! -e long.bin.partial ]; echo $?)" "a refused transfer leaves no file"
run "" -- query IEEE0:14 'CURV?' --hex --output wave.bin
expect 2 "excludes" "query --output with --hex is a usage error"
run "" -- query IEEE0:22 '*IDN?' --limit 10
expect 2 "--limit applies to --raw, --block, --hex and --output" "query --limit without a long read is a usage error"
run "" -- query --help
expect 0 'quenbus query IEEE0:16 "CURV?" --block --output wave.bin' "query --help shows the new options' examples"

cat bytes.bin >payload.bin
printf '\r\n' >>payload.bin
for address in IEEE0:18 hpib7,18; do
    rm -f trace.log
    QUENBUS_SIMBUS_TRACE=trace.log run "" -- write "$address" 'WAV:DATA ' --block-file payload.bin
    expect 0 "" "write --block-file to $address ends well"
    trace=$(tr -d '\r' <trace.log)
    check "$(grep -qE '(DrvWriteBinary\(0|SiclWrite\(1), "WAV:DATA #3258", 14, 0\)' <<<"$trace"; echo $?)" \
        "write --block-file to $address sends the text and the header without END"
    check "$(grep -qE '(DrvWriteBinary\(0|SiclWrite\(1), "\\x00\\x01.*", 258, 1\) = (258|0)$' <<<"$trace"; echo $?)" \
        "write --block-file to $address sends the 258 bytes of the file with END"
done
run "" -- write IEEE0:18 'WAV:DATA ' --block-file missing.bin
expect 1 "cannot read missing.bin" "write --block-file of a missing file says so"
run "" -- write IEEE0:3 'WAV:DATA ' --block-file payload.bin
expect 1 "status 2 (send or read failed): the block was not sent: nothing listens at that address" \
    "write --block-file where nothing listens says so"

# Replies that hold a bad block, and a reply longer than a query reads on.
printf '1 reply "#"\n2 reply "#x12"\n3 reply "#3"\n4 reply "#3100abc"\n6 reply "#210abc"\n17 readings 100000\n' \
    >headers.bench
while IFS='|' read -r address problem; do
    QUENBUS_SIMBUS_BENCH=headers.bench run "" -- query "$address" 'CURV?' --block --output bad.bin
    expect 1 "status 2 (send or read failed): a malformed block: $problem" "query --block of $address says what is wrong"
    check "$([ ! -e bad.bin ] && [ ! -e bad.bin.partial ]; echo $?)" "a malformed block from $address leaves no file"
done <<'LIST'
IEEE0:1|the reply ends inside the block header
IEEE0:2|no digit after #
IEEE0:3|the reply ends inside the block header
IEEE0:4|the block ends after 3 of the 100 bytes it announced
IEEE0:6|the block ends after 3 of the 10 bytes it announced
hpib7,4|the block ends after 3 of the 100 bytes it announced
LIST
QUENBUS_SIMBUS_BENCH=headers.bench run "" -- query IEEE0:17 'READ?'
expect 0 "the reply had at least 1048832 bytes; its first 255 are shown" "query reads on past busquery's reply up to 1 MiB"
printf 'timing real\n9 silent\n4 reply "#3100abc"\n' >real.bench
# What starting the program takes (under Wine, a while) is not the read's.
start=$(milliseconds)
run "" -- query IEEE0:22 '*IDN?'
started=$(($(milliseconds) - start))
limit=$((1500 + started))
for address in IEEE0:9 IEEE0:4 hpib7,4; do
    QUENBUS_SIMBUS_BENCH=real.bench timed_run "$limit" "" -- query "$address" 'CURV?' --block --timeout 500
    expect 1 "status 2 (send or read failed): " "query --block of $address with real timing fails"
    check "$([ "$took" -le "$limit" ]; echo $?)" \
        "query --block of $address with real timing ends within the time-out and a second ($took ms, $started of them to start)"
done

run ":hex\nDATA?\n" -- console IEEE0:13
expect 0 "00000000  41 42 00 43 44                                    |AB.CD|" "console :hex prints a hex dump"
run ":raw\nDATA?\n:text\nDATA?\n" -- console IEEE0:12
check "$([ "$output" = "$(cat talker.bin; echo; head -c 255 talker.bin)" ]; echo $?)" \
    "console :raw prints the talker whole, :text cuts it again"

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
        failed "regedit's import of an export differs"
    fi
fi
run "" -- import first.reg --replace
expect 0 "saved the current configuration to first.before-import.reg" "import --replace saves a backup first"
run "" -- export second.reg
cmp -s first.reg second.reg || failed "an export after import --replace differs"
printf 'REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Korvex\\IEEE\\0000\\0009]\n"PrimaryAddress"=dword:00000020\n' >bad.reg
run "" -- import bad.reg
expect 1 "bad.reg: line 4: PrimaryAddress must be 0 to 30, not 32" "a bad import is refused with its line"
run "" -- export third.reg
cmp -s first.reg third.reg || failed "a refused import changed the configuration"

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
report
