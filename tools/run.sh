#!/bin/bash
# Builds the Windows binaries and, under Wine, initialises the bus
# configuration in the registry and prints it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${QUENBUS_BUILD_DIR:-$root/build}
"$root/tools/deps.sh"
. "$root/tools/wine-env.sh"

dir="$build/win64"
mkdir -p "$build"
cmake -S "$root" -B "$dir" -DCMAKE_BUILD_TYPE=Debug -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-x86_64.cmake" \
    >"$dir.configure.log" 2>&1 || { cat "$dir.configure.log"; exit 1; }
cmake --build "$dir" -j2 --target quenbus quenbus-showconfig

prefix="$dir/wineprefix"
quenbus_wine_start "$prefix"
trap 'quenbus_wine_stop "$prefix"' EXIT
echo "Wine prefix: $prefix"
"$WINE" "$dir/tools/quenbus-showconfig.exe"
