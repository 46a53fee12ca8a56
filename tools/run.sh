#!/bin/bash
# Builds the Windows binaries, prepares a simulated machine under Wine (two
# boards, the bus configuration and the bus driver service, through
# quenbus setup) and opens the "IEEE 488" applet in Wine's Control Panel.
# Without a display it runs under Xvfb, saves a screenshot and says where.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${QUENBUS_BUILD_DIR:-$root/build}
"$root/tools/deps.sh"

if [ -z "${DISPLAY:-}" ]; then
    export QUENBUS_HEADLESS=1
    exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$@"
fi
. "$root/tools/wine-env.sh"

dir="$build/win64"
mkdir -p "$build"
cmake -S "$root" -B "$dir" -DCMAKE_BUILD_TYPE=Debug -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-x86_64.cmake" \
    >"$dir.configure.log" 2>&1 || { cat "$dir.configure.log"; exit 1; }
cmake --build "$dir" -j2 --target quenbus quenbus_tool stub_driver

prefix="$dir/run-wineprefix"
quenbus_wine_start "$prefix"
trap 'quenbus_wine_stop "$prefix"' EXIT
# No window manager runs on the virtual display: Wine then draws the
# windows' frames and title bars itself.
[ -z "${QUENBUS_HEADLESS:-}" ] || quenbus_wine_unmanaged "$prefix"
echo "Wine prefix: $prefix"
windows_path() { echo "Z:$1" | tr / '\\'; }
# The bus driver library (outside the system) lies beside the MEX files.
export WINEPATH
WINEPATH=$(windows_path "$dir/mex")
driver=$(windows_path "$dir/tests/driver/quenbus_stub.sys")

# The simulated boards: a driver service of the boards' group and what
# Windows records of their devices.
"$WINE" sc create QbSimBoards type= kernel start= demand group= Vexmoor binPath= "$driver" >/dev/null 2>&1 || true
"$WINE" regedit /S "$(windows_path "$root/tests/fixtures/simulated_boards.reg")"

cpl=$(windows_path "$dir/applet/quenbus.cpl")
quenbus=("$WINE" "$dir/mex/quenbus.exe")
"${quenbus[@]}" setup --dll "$cpl" install --driver "$driver" --service Rumex \
    --display "IEEE 488 bus driver"
"${quenbus[@]}" list

if [ -z "${QUENBUS_HEADLESS:-}" ]; then
    echo "Opening the applet in Wine's Control Panel; close it to finish."
    "$WINE" control.exe "$cpl"
    exit 0
fi
# No display of our own: open it, photograph the sheet once two pictures a
# second apart agree, cropped to the window, and close it.
"$WINE" control.exe "$cpl" &
viewer=$!
shot="$build/run-screenshot.png"
previous="$build/run-screenshot.previous.png"
rm -f "$shot" "$previous"
geometry=""
for _ in $(seq 1 60); do
    sleep 1
    info=$(xwininfo -name "IEEE 488 Properties" 2>/dev/null) || continue
    geometry=$(awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF}
        /^ *Width:/ {w=$NF} /^ *Height:/ {h=$NF} END {print w "x" h "+" x "+" y}' <<<"$info")
    [ -f "$shot" ] && mv "$shot" "$previous"
    import -display "$DISPLAY" -window root -crop "$geometry" +repage "$shot"
    if [ -f "$previous" ] && [ "$(compare -metric AE "$previous" "$shot" null: 2>&1)" = 0 ]; then
        break
    fi
done
rm -f "$previous"
if [ -f "$shot" ]; then
    echo "Screenshot of the applet ($geometry): $shot"
else
    echo "The applet's sheet did not open within a minute" >&2
fi
kill "$viewer" 2>/dev/null || true
