#!/bin/bash
# Builds every target and runs every suite: natively (plain and with ASan and
# UBSan, and the MEX commands in GNU Octave), the fuzz targets for a minute
# each, and under Wine: the x86_64 build under 64-bit Wine, the i686 build
# under 32-bit Wine.
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

# A stage that fails is recorded and the stages after it still run; the
# command reports every failure at the end and then exits non-zero. A stage
# always returns true, so that errexit never ends the command there;
# stage_passed says how the last one went.
failures=()
stage_passed=1
stage() { # title, command...
    local title=$1
    shift
    section "$title"
    if "$@"; then
        stage_passed=1
    else
        stage_passed=0
        echo "FAILED: $title"
        failures+=("$title")
    fi
}

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

stage "native build" configure_and_build "$build/native"
if [ "$stage_passed" = 1 ]; then
    stage "native tests (plain and sanitized, and the MEX commands in GNU Octave)" run_tests "$build/native"
    stage "benchmark: the MEX commands in GNU Octave (fails if memory grows)" \
        cmake --build "$build/native" --target mex-bench
    section "benchmark: blocks and long replies (printed, never failing the run)"
    cmake --build "$build/native" --target block-bench adapter-bench tool-bench trace-bench || echo "(the benchmark did not finish)"
fi

stage "fuzzing: every libFuzzer target for 60 seconds (clang, ASan, UBSan)" "$root/tools/fuzz.sh" --seconds 60

# Runs a Windows build's suites under Wine in the build's own prefix (64-bit
# Wine for x86_64, 32-bit Wine for i686), then the applet's benchmarks, which
# never fail the run, and keeps the screenshots as PNG files.
run_windows_tests() { # build directory, win64 | win32
    local dir=$1 prefix=$1/wineprefix shot status=0
    export WINEARCH=$2
    quenbus_wine_start "$prefix" || return 1
    trap "quenbus_wine_stop '$prefix'" EXIT
    quenbus_wine_unmanaged "$prefix"
    # The guide's pictures are checked against this run's screenshots only.
    rm -rf "$dir/screenshots"
    mkdir -p "$dir/screenshots"
    run_tests "$dir" || status=1
    section "benchmark: opening the applet ($(basename "$dir"))"
    WINEPATH="$(echo "Z:$dir/mex" | tr / '\\')" "$WINE" "$dir/tests/bench/applet_open_bench.exe" ||
        echo "(the benchmark did not finish)"
    section "benchmark: what repeated openings leave behind ($(basename "$dir"))"
    "$WINE" reg add 'HKCU\Software\Wine\AppDefaults\applet_leak_bench_nt40.exe' /v Version /d nt40 /f >/dev/null 2>&1
    for bench in applet_leak_bench applet_leak_bench_nt40; do
        WINEPATH="$(echo "Z:$dir/mex" | tr / '\\')" "$WINE" "$dir/tests/bench/$bench.exe" ||
            echo "(the benchmark did not finish)"
    done
    quenbus_wine_stop "$prefix"
    trap - EXIT
    for shot in "$dir"/screenshots/*.bmp; do
        [ -e "$shot" ] && convert "$shot" "${shot%.bmp}.png" && rm -f "$shot"
    done
    echo "Screenshots: $dir/screenshots"
    return $status
}

stage "Windows x86_64 build" configure_and_build "$build/win64" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-x86_64.cmake"
if [ "$stage_passed" = 1 ]; then
    stage "Windows x86_64 tests under Wine (real windows on a virtual display)" run_windows_tests "$build/win64" win64
fi

stage "Windows i686 build" configure_and_build "$build/win32" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake"
if [ "$stage_passed" = 1 ]; then
    if quenbus_wine_runs win32; then
        stage "Windows i686 tests under 32-bit Wine (a 32-bit prefix of their own)" run_windows_tests "$build/win32" win32
    else
        section "Windows i686 tests: NOT RUN, 32-bit Wine cannot run on this machine"
        echo "This kernel does not execute 32-bit x86 programs (no IA-32 emulation), and"
        echo "Debian's 32-bit Wine loader is one. Only the checks that need no Wine run:"
        stage "Windows i686 checks that need no Wine" ctest --test-dir "$build/win32" -L binaries --output-on-failure
    fi
fi

if [ ${#failures[@]} -gt 0 ]; then
    section "${#failures[@]} stage(s) FAILED"
    printf '  %s\n' "${failures[@]}"
    exit 1
fi
section "all suites passed"
