#!/bin/bash
# Reads a built Windows binary's headers and export table, without running it:
# the machine it is built for, and the names it exports, exactly. A 32-bit
# DLL whose stdcall exports kept their decoration (Name@8) would be found by
# no program that asks for Name.
# usage: pe_exports_test.sh OBJDUMP FORMAT FILE [NAME...]
#   FORMAT is objdump's pei-i386 or pei-x86-64; with no NAME the file must
#   export by ordinal only.
set -u
objdump=$1
format=$2
file=$3
shift 3
headers=$("$objdump" -p "$file") || { echo "FAILED: cannot read $file"; exit 1; }
failures=0

if grep -q "file format $format\$" <<<"$headers"; then
    echo "ok: $(basename "$file") is $format"
else
    echo "FAILED: $(basename "$file") is not $format: $(grep -m1 'file format' <<<"$headers")"
    failures=$((failures + 1))
fi

# The name pointer table: lines "[   n] Name" after its heading, up to a blank line.
names=$(sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/s/^\t\[ *[0-9]*\] //p' <<<"$headers" | sort)
expected=$(printf '%s\n' "$@" | sed '/^$/d' | sort)
if [ "$names" = "$expected" ]; then
    echo "ok: $(basename "$file") exports by name: $(echo ${expected:-nothing})"
else
    echo "FAILED: $(basename "$file") exports by name:"
    diff <(echo "$expected") <(echo "$names") | sed -n 's/^< /    missing: /p; s/^> /    unexpected: /p'
    failures=$((failures + 1))
fi

if [ $# -eq 0 ]; then
    count=$(grep -c '^[[:space:]]*\[ *[0-9]*\] +base\[' <<<"$headers")
    if [ "$count" -gt 0 ]; then
        echo "ok: $(basename "$file") exports $count functions by ordinal"
    else
        echo "FAILED: $(basename "$file") exports nothing"
        failures=$((failures + 1))
    fi
fi

echo "$failures failed"
[ "$failures" -eq 0 ]
