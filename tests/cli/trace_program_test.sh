#!/bin/bash
# The I/O trace as people use it: switched on for every program, programs
# one after the other and at once (Octave's busquery natively, the quenbus
# program in several processes), nothing lost or mixed; a wrong input
# terminator that check then names; the cap; a damaged trace; off, clear,
# and one process traced by QUENBUS_SIMBUS_TRACE. Natively, or under Wine.
# usage: trace_program_test.sh PROGRAM BOARDS_FIXTURE OCTAVE MEX_DIR [WINEPREFIX STUB_DRIVER]
#        (OCTAVE and MEX_DIR "-" to leave Octave out)
set -u
program=$1
boards=$2
octave=$3
mex_dir=$4
prefix=${5:-}
stub=${6:-}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1

cat >bench.txt <<'BENCH'
22 multimeter
5  echo
9  silent
# Its replies end with a line feed, and it sends no END.
23 reply "+1.234500E+00\n" noend
BENCH
config='[HKEY_CURRENT_USER\Software\Korvex\IEEE\0000]
"UserName"="IEEE0"
"HardwareKey"="ROOT\\KVX488\\0000"
'
if [ -n "$prefix" ]; then
    . "$(dirname "$0")/../../tools/wine-env.sh"
    quenbus_wine_boot "$prefix" || exit 1
    quenbus() { "$WINE" "$program" "$@"; }
    windows_path() { echo "Z:$1" | tr / '\\'; }
    "$WINE" reg delete 'HKCU\Software\Korvex' /f >/dev/null 2>&1
    "$WINE" sc create QbSimBoards type= kernel start= demand group= Vexmoor binPath= "$stub" >/dev/null 2>&1
    "$WINE" regedit /S "$(windows_path "$boards")"
    printf 'REGEDIT4\n\n%s' "$config" >config.reg
    "$WINE" regedit /S "$(windows_path "$work/config.reg")"
    trap '"$WINE" sc delete QbSimBoards >/dev/null 2>&1; "$WINE" reg delete "HKCU\Software\Korvex" /f >/dev/null 2>&1; rm -rf "$work"' EXIT
    export QUENBUS_TRACE_FILE=$(windows_path "$work/trace.txt")
    export QUENBUS_SIMBUS_BENCH=$(windows_path "$work/bench.txt")
else
    export QUENBUS_REGISTRY_FILE=$work/registry.reg
    { cat "$boards"; printf '\n[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\QbSimBoards]\n'
      printf '"Type"=dword:00000001\n"Start"=dword:00000003\n"Group"="Vexmoor"\n"ImagePath"="stub.sys"\n\n'
      printf '%s' "$config"; } >"$QUENBUS_REGISTRY_FILE"
    quenbus() { "$program" "$@"; }
    export QUENBUS_TRACE_FILE=$work/trace.txt
    export QUENBUS_SIMBUS_BENCH=$work/bench.txt
fi
trace=$work/trace.txt
export QUENBUS_SIMBUS_TRACE=

. "$(dirname "$0")/program_checks.sh"
# octave_busquery COUNT ADDRESS COMMAND: busquery COUNT times in one Octave session.
octave_busquery() {
    "$octave" --norc --no-history --no-window-system --eval \
        "addpath('$mex_dir'); for k = 1:$1, [r, s] = busquery('$2', '$3'); end; printf('%s|%d\n', strtrim(r), s);"
}
# entries: the count of entries in the trace.
entries() { quenbus trace export - | grep -c '^{'; }

run "" -- trace
expect 0 "tracing is off" "the trace is off at first"
run "" -- trace on --cap 1M
expect 0 "tracing is on: every program's calls go to" "trace on"
run "" -- trace
expect 0 "tracing is on, cap 1 MiB" "trace says it is on, with its cap"

# One after the other: Octave, the program's query, and check (which asks the
# library whether it opens each interface).
if [ "$octave" != "-" ]; then
    reply=$(octave_busquery 1 IEEE0,22 '*IDN?')
    [ "$reply" = "Simbus,Multimeter,0,1.0|0" ]
    check $? "Octave's busquery answers with tracing on ($reply)"
fi
run "" -- query IEEE0:22 '*IDN?'
expect 0 "Simbus,Multimeter,0,1.0" "the program's query answers with tracing on"
run "" -- check
run "" -- trace show
expect 0 "DrvOpenName      IEEE0" "show has check's question to the library"
expect 0 '<- "Simbus,Multimeter,0,1.0\n" (24 bytes)' "show has the reply that arrived"
if [ "$octave" != "-" ]; then
    expect 0 "octave-cli" "show has Octave's calls"
fi

# At once: Octave's busquery and two programs' consoles, all recorded whole.
quenbus trace clear >/dev/null
loops=200
lines=60
queries=$(for i in $(seq $lines); do printf '*IDN?\\n'; done)
if [ "$octave" != "-" ]; then
    octave_busquery $loops IEEE0,22 '*IDN?' >octave.txt &
fi
printf '%b' "$queries" | quenbus console IEEE0:22 >console1.txt 2>&1 &
printf '%b' "$queries" | quenbus console IEEE0:5 >console2.txt 2>&1 &
wait
quenbus trace export all.json >/dev/null
python3 - "$work/all.json" "$loops" "$lines" "$octave" <<'PY'
import json, sys
from collections import defaultdict
path, loops, lines, octave = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), sys.argv[4]
calls = defaultdict(list)
with open(path, encoding="utf-8") as file:
    for text in file:
        entry = json.loads(text)
        calls[(entry["process"], entry["pid"])].append(entry)
problems = []
cycles = {}
for (process, pid), entries in calls.items():
    times = [e["time_us"] for e in entries]
    if times != sorted(times):
        problems.append(f"{process}[{pid}]: its entries are out of order")
    names = [e["call"] for e in entries]
    opened = [i for i, n in enumerate(names) if n == "DrvOpenDevice"]
    cycles[process.replace(".exe", ""), entries[0]["address"]] = len(opened)
    for i in opened:
        if names[i + 1:i + 2] != ["DrvWrite"]:
            problems.append(f"{process}[{pid}]: no write after an open at {i}")
want = {("quenbus", "IEEE0,22"): 1, ("quenbus", "IEEE0,5"): 1}
if octave != "-":
    want[("octave-cli", "IEEE0,22")] = loops
for key, count in want.items():
    if cycles.get(key) != count:
        problems.append(f"{key}: {cycles.get(key)} device openings, expected {count}")
for process, pid in calls:
    if process.startswith("quenbus"):
        writes = [e for e in calls[(process, pid)] if e["call"] == "DrvWrite"]
        reads = [e for e in calls[(process, pid)] if e["transfer"] == "read"]
        if len(writes) != lines or len(reads) < lines:
            problems.append(f"{process}[{pid}]: {len(writes)} writes and {len(reads)} reads, expected {lines}")
        if any(w["data"] != "*IDN?" for w in writes):
            problems.append(f"{process}[{pid}]: a write's data is not *IDN?")
print("\n".join(problems) if problems else f"{sum(map(len, calls.values()))} entries of {len(calls)} processes, each whole and in order")
sys.exit(1 if problems else 0)
PY
check $? "programs at once: one trace with every call of each, in order, none mixed"
run "" -- trace show
[ -z "$errors" ]
check $? "the trace of programs at once reads without damage ($errors)"

# A reply that ends with a line feed without END, read by a query that ends
# at CR or END: time-outs that check names, with the fix.
quenbus trace clear >/dev/null
if [ "$octave" != "-" ]; then
    reply=$(octave_busquery 2 IEEE0,23 'MEAS:VOLT?')
    [ "${reply#*|}" != 0 ]
    check $? "busquery of the instrument without END fails ($reply)"
fi
run "" -- query IEEE0:23 'MEAS:VOLT?'
run "" -- query IEEE0:23 'MEAS:VOLT?'
expect 1 "send or read failed" "the program's query of the instrument without END fails"
run "" -- write IEEE0:3 '*RST'
run "" -- trace show --errors --address IEEE0:23
expect 0 'DrvReadEnded     IEEE0,23    = -1' "show --errors --address has the failed reads"
expect 0 '<- "+1.234500E+00\n" (14 bytes)  FAILED: error 103, the device did not answer in time; the read ends at END or CR (\r), time-out' \
    "a failed read shows what arrived and the terminator it went by"
[ "$(grep -c . <<<"$output")" -eq "$(grep -c FAILED <<<"$output")" ]
check $? "show --errors shows failures only"
grep -q "IEEE0,3" <<<"$output"
check $((! $?)) "show --address leaves other devices out"
run "" -- check
expect 1 'trace: IEEE0,23: ' "check looks at the trace's failures"
expect 1 'the reply ends with LF (\n) and no END, but the read ends only at END or CR (\r), which never came' \
    "check names the wrong input terminator"
expect 1 'or read with LF (\n) as the input terminator' "check gives the fix"
expect 1 'trace: IEEE0,3: 1 call found no listener' "check names the write that no one heard"
if [ -z "$prefix" ]; then
    run "" -- trace show --process quenbus --errors
    grep -q octave <<<"$output"
    check $((! $?)) "show --process keeps to that program"
    # --follow shows calls as they come.
    (timeout 3 "$program" trace show --follow >follow.txt 2>&1 &)
    sleep 1
    quenbus query IEEE0:5 'followed' >/dev/null
    sleep 3
    grep -q '"followed"' follow.txt
    check $? "show --follow shows a call made after it began"
fi

# At its cap the trace keeps working and stays within it.
run "" -- trace on --cap 16K
expect 0 "cap 16 KiB" "trace on --cap sets the cap"
queries=$(for i in $(seq 150); do printf 'MEAS:VOLT?\\n'; done)
run "$queries" -- console IEEE0:22
expect 0 "+1.234500E+00" "a console of 150 queries at the cap"
size=$(stat -c %s "$trace")
[ "$size" -le 16384 ]
check $? "the trace stays within its cap ($size bytes)"
run "" -- trace show
expect 0 'MEAS:VOLT?' "the trace at its cap holds the newest calls"
[ -z "$errors" ] && [ "$(tail -1 <<<"$output" | grep -c DrvClose)" -eq 1 ]
check $? "the last entry at the cap is the console's close ($errors)"

# A damaged trace is reported, and started afresh by the next call.
printf 'not a trace\n\x01\x02\x03' >"$trace"
run "" -- trace show
expect 0 "is damaged: it does not begin as a trace" "show reports a damaged trace"
run "" -- check
expect 1 "no entry (the file is damaged); quenbus trace clear starts it afresh" "check reports a damaged trace"
# check's own question to the library was the next call.
run "" -- trace show
[ -z "$errors" ] && grep -q "DrvOpenName      IEEE0" <<<"$output" && ! grep -q "not a trace" "$trace"
check $? "the next call starts the trace afresh ($errors)"
run "" -- query IEEE0:22 '*IDN?'
expect 0 "Simbus" "a query after the damage answers"

# Off: nothing more is recorded. One process can still be traced.
run "" -- trace off
expect 0 "tracing is off" "trace off"
before=$(entries)
quenbus query IEEE0:22 '*IDN?' >/dev/null
[ "$(entries)" -eq "$before" ]
check $? "nothing is recorded while tracing is off"
QUENBUS_SIMBUS_TRACE=bus.log quenbus query IEEE0:22 '*IDN?' >/dev/null
[ "$(entries)" -eq $((before + 4)) ] && grep -q 'DrvWrite(0, "\*IDN?"' bus.log
check $? "QUENBUS_SIMBUS_TRACE traces one process, to the trace and its own log"
run "" -- trace clear
expect 0 "cleared the trace" "trace clear"
[ "$(entries)" -eq 0 ]
check $? "a cleared trace holds nothing"
run "" -- trace export no-such-folder/x.json
expect 1 "cannot write no-such-folder/x.json" "export to a folder that is not there fails"
rm -f "${QUENBUS_REGISTRY_FILE:-}"
if [ -n "$prefix" ]; then "$WINE" reg delete 'HKCU\Software\Korvex' /f >/dev/null 2>&1; fi
run "" -- trace on
expect 1 "there is no bus configuration to hold the switch" "trace on without a configuration says why"
report
