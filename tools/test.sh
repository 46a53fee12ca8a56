#!/bin/bash
# Builds every target and runs every suite: natively (plain and with ASan and
# UBSan, and the MEX commands in GNU Octave), the fuzz targets for a minute
# each, and under Wine. The i686 Windows build is compiled only.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${QUENBUS_BUILD_DIR:-$root/build}
"$root/tools/deps.sh"
# The applet's tests open real windows: without a display, run on a virtual one.
if [ -z "${DISPLAY:-}" ]; then
    exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$@"
fi
. "$root/tools/wine-env.sh"

section() { printf '\n==== %s ====\n' "$1"; }

configure_and_build() { # directory, extra cmake arguments...
    local dir=$1
    shift
    cmake -S "$root" -B "$dir" -DCMAKE_BUILD_TYPE=Debug "$@" >"$dir.configure.log" 2>&1 ||
        { cat "$dir.configure.log"; return 1; }
    cmake --build "$dir" -j2
}

# Runs CTest in a build directory; prints each suite's counts, or everything on failure.
run_tests() {
    local dir=$1
    if ctest --test-dir "$dir" -V >"$dir/ctest.log" 2>&1; then
        grep -E '^ *[0-9]+: (\[(==========|  PASSED  |  SKIPPED )\]|[0-9]+ failed$|mex cases )|Test +#|tests passed' \
            "$dir/ctest.log"
    else
        cat "$dir/ctest.log"
        return 1
    fi
}

mkdir -p "$build"

section "native build"
configure_and_build "$build/native"
section "native tests (plain and sanitized, and the MEX commands in GNU Octave)"
run_tests "$build/native"
section "benchmark: the MEX commands in GNU Octave (fails if memory grows)"
cmake --build "$build/native" --target mex-bench

section "fuzzing: every libFuzzer target for 60 seconds (clang, ASan, UBSan)"
"$root/tools/fuzz.sh" --seconds 60

section "Windows x86_64 build"
configure_and_build "$build/win64" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-x86_64.cmake"
section "Windows x86_64 tests under Wine (real windows on a virtual display)"
prefix="$build/win64/wineprefix"
quenbus_wine_start "$prefix"
trap 'quenbus_wine_stop "$prefix"' EXIT
quenbus_wine_unmanaged "$prefix"
# The guide's pictures are checked against this run's screenshots only.
rm -rf "$build/win64/screenshots"
mkdir -p "$build/win64/screenshots"
run_tests "$build/win64"
section "benchmark: opening the applet"
WINEPATH="$(echo "Z:$build/win64/mex" | tr / '\\')" "$WINE" "$build/win64/tests/bench/applet_open_bench.exe" ||
    echo "(the benchmark did not finish)"
quenbus_wine_stop "$prefix"
trap - EXIT
for shot in "$build"/win64/screenshots/*.bmp; do
    [ -e "$shot" ] && convert "$shot" "${shot%.bmp}.png" && rm -f "$shot"
done
echo "Screenshots: $build/win64/screenshots"

section "Windows i686 build (compile only)"
configure_and_build "$build/win32" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake"

section "all suites passed"
