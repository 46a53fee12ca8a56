# The checks of the program tests, sourced by them once they have defined
# `quenbus`: `run` leaves the last run's status, output and errors; `expect`
# judges them and counts failures.
failures=0
failed_checks=()
output=""
errors=""
status=0

# failed DESCRIPTION: says that a check failed and counts it.
failed() {
    echo "FAILED: $1"
    failed_checks+=("$1")
    failures=$((failures + 1))
}

# report: the count of failures and, last, the checks that failed, so that a
# cut log still shows them; true when none failed.
report() {
    echo "$failures failed"
    local check
    for check in "${failed_checks[@]}"; do
        echo "failed: $check"
    done
    [ "$failures" -eq 0 ]
}

# expect STATUS TEXT DESCRIPTION: the last run ended with STATUS and said TEXT (out or err).
expect() {
    if [ "$status" -ne "$1" ] || ! grep -qF -- "$2" <<<"$output$errors"; then
        failed "$3 (status $status, expected $1; expected to see: $2)"
        printf '%s\n%s\n' "$output" "$errors" | sed 's/^/    /'

    else
        echo "ok: $3"
    fi
}

# check CONDITION-STATUS DESCRIPTION: a condition's exit status, 0 for ok.
check() {
    if [ "$1" -eq 0 ]; then echo "ok: $2"; else failed "$2"; fi
}
milliseconds() { echo $(($(date +%s%N) / 1000000)); }

# run [INPUT] -- ARGS...: runs the program with INPUT on standard input.
run() {
    local input=$1
    shift 2
    printf '%b' "$input" | quenbus "$@" >out.txt 2>err.txt
    status=$?
    output=$(tr -d '\r' <out.txt)
    errors=$(tr -d '\r' <err.txt)
}

# timed_run LIMIT_MS [INPUT] -- ARGS...: `run`, again up to twice more while
# a run took over LIMIT_MS (a host that stalls one run is not the program's
# fault; a program that is slow is slow each time); leaves `took` in ms.
timed_run() {
    local limit=$1 attempt start
    shift
    for attempt in 1 2 3; do
        start=$(milliseconds)
        run "$@"
        took=$(($(milliseconds) - start))
        [ "$took" -le "$limit" ] && return
    done
    return 0
}

# bin ARGS...: runs the program with its standard output kept as bytes in out.bin.
bin() {
    quenbus "$@" >out.bin 2>err.txt
    status=$?
    output=""
    errors=$(tr -d '\r' <err.txt)
}

# same FILE DESCRIPTION: out.bin (or the file given as $3) holds FILE's bytes.
same() {
    if cmp -s "$1" "${3:-out.bin}"; then
        echo "ok: $2"
    else
        failed "$2 (${3:-out.bin} differs from $1)"
    fi
}

# expected_replies: what the default bench's block and reading instruments
# send, as files: every byte value, 16 MiB of them, 10,000 readings; and
# blocks to write: one byte, and every byte value with terminators and the
# "++" adapters' end mark after them.
expected_replies() {
    local i
    for i in $(seq 0 255); do printf "\\$(printf %03o "$i")"; done >bytes.bin
    cp bytes.bin pattern.bin
    for i in $(seq 16); do cat pattern.bin pattern.bin >twice.bin && mv twice.bin pattern.bin; done
    awk 'BEGIN { for (k = 0; k < 10000; k++) printf "%+.6E%s", 1 + k / 1000, k < 9999 ? "," : "\n" }' >readings.bin
    printf '\004' >one.bin
    { cat bytes.bin; printf '\r\n\004\r'; } >markers.bin
}

# block_round_trips INTERFACE [FILE...]: the tool's long reads and block
# writes (of the FILEs, by default one.bin, markers.bin and the 16 MiB
# pattern.bin) on the default bench's instruments at 14 to 18, each file byte
# for byte; on a bus that outlives each program run (an adapter's, a
# gateway's), since the block written in one run is read back in the next.
block_round_trips() {
    local at=$1 separator=: file files=(one.bin markers.bin pattern.bin)
    shift
    [ $# -gt 0 ] && files=("$@")
    [ "${at#hpib}" != "$at" ] && separator=,
    bin query "$at${separator}14" 'CURV?' --block --output all.bin
    expect 0 "quenbus: wrote 256 bytes to all.bin" "$at: query --output of a block of every byte value says so"
    same bytes.bin "$at: query --output writes the block's every byte value" all.bin
    bin query "$at${separator}15" 'CURV?' --block --output indefinite.bin
    same bytes.bin "$at: query --output writes an indefinite block's payload" indefinite.bin
    bin query "$at${separator}16" 'CURV?' --block --output large.bin --quiet
    same pattern.bin "$at: query --output writes a block of 16 MiB" large.bin
    bin query "$at${separator}17" 'READ?' --raw
    same readings.bin "$at: query --raw prints 10000 readings whole"
    for file in "${files[@]}"; do
        bin write "$at${separator}18" 'WAV:DATA ' --block-file "$file" --quiet
        expect 0 "" "$at: write --block-file $file ends well"
        bin query "$at${separator}18" 'WAV:DATA?' --block --output back.bin --quiet
        same "$file" "$at: $file written as a block comes back byte for byte" back.bin
        rm -f back.bin
    done
}
