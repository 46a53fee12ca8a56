#!/bin/bash
# Builds the libFuzzer targets of tests/fuzz (clang, ASan and UBSan, into
# build/fuzz) and runs each for a while. The committed corpus is read, never
# written: what a run adds goes to build/fuzz/runs/TARGET/corpus, what it
# finds to build/fuzz/runs/TARGET/findings. Fails when a target finds anything.
#
#   tools/fuzz.sh                               every target for 60 seconds
#   tools/fuzz.sh --seconds 1800 configuration  one target for half an hour
#   tools/fuzz.sh --keep --seconds 600 regfile  continue from the last run's corpus
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${QUENBUS_BUILD_DIR:-$root/build}/fuzz
seconds=60
keep=0
targets=()
while [ $# -gt 0 ]; do
    case $1 in
        --seconds) seconds=$2; shift 2 ;;
        --keep) keep=1; shift ;;
        -h|--help) sed -n '2,10p' "$0"; exit 0 ;;
        -*) echo "fuzz.sh: unknown option $1" >&2; exit 2 ;;
        *) targets+=("$1"); shift ;;
    esac
done
# Each target and the dictionary it takes.
all="configuration:regfile regfile:regfile bench:bench mex_args:mex_args import:import end_mark:end_mark block_header:block_header vxi11_reply:vxi11_reply trace_file:trace_file"
DictionaryOf() {
    local entry
    for entry in $all; do
        [ "${entry%%:*}" = "$1" ] && echo "${entry##*:}" && return 0
    done
    return 1
}
if [ ${#targets[@]} -eq 0 ]; then
    for entry in $all; do targets+=("${entry%%:*}"); done
fi
for target in "${targets[@]}"; do
    if ! DictionaryOf "$target" >/dev/null; then
        names=""
        for entry in $all; do names="$names ${entry%%:*}"; done
        echo "fuzz.sh: no target $target (targets:$names)" >&2
        exit 2
    fi
done

mkdir -p "$build"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Debug -DQUENBUS_FUZZ=ON \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >"$build.configure.log" 2>&1 ||
    { cat "$build.configure.log"; exit 1; }
cmake --build "$build" -j2 >"$build.build.log" 2>&1 || { cat "$build.build.log"; exit 1; }

failed=0
for target in "${targets[@]}"; do
    dictionary=$(DictionaryOf "$target")
    work=$build/runs/$target
    [ $keep -eq 1 ] || rm -rf "$work"
    mkdir -p "$work/corpus" "$work/findings"
    rm -f "$work/findings"/*
    status=0
    # The scratch corpus first: libFuzzer writes new inputs only there.
    nice -n 10 "$build/tests/fuzz/fuzz_$target" -max_total_time="$seconds" -timeout=25 -print_final_stats=1 \
        -dict="$root/tests/fuzz/$dictionary.dict" -artifact_prefix="$work/findings/" \
        "$work/corpus" "$root/tests/fuzz/corpus/$target" >"$work/log" 2>&1 || status=$?
    done_line=$(grep -E '^#[0-9]+[[:space:]]+DONE' "$work/log" | tail -1 || true)
    executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/log")
    rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$work/log")
    echo "$target: ${executions:-?} executions, ${rate:-?}/s (limit ${seconds} s); ${done_line:-no final line}"
    findings=$(ls "$work/findings")
    if [ $status -ne 0 ] || [ -n "$findings" ]; then
        failed=1
        echo "---- $target FAILED (exit $status); the report:"
        grep -E -A40 'ERROR: |fuzz invariant broken|runtime error' "$work/log" | head -60 || tail -40 "$work/log"
        for finding in $findings; do
            echo "reproducer: $work/findings/$finding"
            echo "  run it again: $build/tests/fuzz/fuzz_$target $work/findings/$finding"
        done
        echo "full log: $work/log"
    fi
done
exit $failed
