#!/bin/bash
# The tool's memory benchmark: the peak resident size of `quenbus query
# --block --output` of a 256 MiB block on the simulated bus, against a query
# of a short reply, in the same run; the transfer's rate. Prints, never fails.
#   output_memory.sh TOOL
set -u
tool=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
printf '22 multimeter\n16 block 268435456\n' >"$work/bench"
export QUENBUS_SIMBUS_BENCH=$work/bench QUENBUS_REGISTRY_FILE= QUENBUS_SIMBUS_TRACE=
peak_kib() { # command...: the peak resident size of the command in KiB
    /usr/bin/time -f '%M' -o "$work/peak" "$@" >/dev/null 2>"$work/err" || { cat "$work/err"; return 1; }
    cat "$work/peak"
}
echo "tool benchmark: quenbus query --block --output of a 256 MiB block on the simulated bus"
idle=$(peak_kib "$tool" query IEEE0:22 '*IDN?') || exit 0
start=$(date +%s%N)
large=$(peak_kib "$tool" query IEEE0:16 'CURV?' --block --output "$work/wave.bin" --quiet) || exit 0
elapsed=$(( ($(date +%s%N) - start) / 1000000 ))
size=$(stat -c %s "$work/wave.bin")
echo "  a short query:           peak $((idle / 1024)) MiB"
echo "  256 MiB to a file:       peak $((large / 1024)) MiB, $(( (large - idle) / 1024 )) MiB above the short query; $size bytes in $elapsed ms"
echo "  peak / payload: $(awk -v p="$large" -v i="$idle" 'BEGIN { printf "%.3f", (p - i) / 262144 }') (goal: constant, far below 1)"
