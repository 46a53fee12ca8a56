#!/bin/bash
# Builds the Windows binaries and, under Wine, prepares the machine with
# quenbus-setup (configuration and the bus driver service, here the stub
# driver of the tests) and prints the configuration.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${QUENBUS_BUILD_DIR:-$root/build}
"$root/tools/deps.sh"
. "$root/tools/wine-env.sh"

dir="$build/win64"
mkdir -p "$build"
cmake -S "$root" -B "$dir" -DCMAKE_BUILD_TYPE=Debug -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-x86_64.cmake" \
    >"$dir.configure.log" 2>&1 || { cat "$dir.configure.log"; exit 1; }
cmake --build "$dir" -j2 --target quenbus quenbus-setup quenbus-showconfig stub_driver

prefix="$dir/run-wineprefix"
quenbus_wine_start "$prefix"
trap 'quenbus_wine_stop "$prefix"' EXIT
echo "Wine prefix: $prefix"
driver="Z:$(echo "$dir/tests/driver/quenbus_stub.sys" | tr / '\\')"
"$WINE" "$dir/applet/quenbus-setup.exe" install --driver "$driver" --service Rumex --display "IEEE 488 bus driver"
"$WINE" "$dir/tools/quenbus-showconfig.exe"
