#!/bin/bash
# The Windows installer as a lab meets it, in a fresh Wine prefix: silent
# install, what the machine then holds, a second install over the first,
# silent uninstall, uninstall with /PURGE, a machine with a bus driver
# library of its own; an install through the pages, photographed.
# usage: installer_test.sh WINEPREFIX SETUP_EXE STUB_DRIVER APPLET_LISTER_EXE PAGES_EXE SCREENSHOT_DIR LIBRARY_DIR MEX_SUFFIX
# (LIBRARY_DIR: the built drovane.dll and sicl32.dll, copied in as a machine's own;
# MEX_SUFFIX: mexw64 for the x64 installer, mexw32 for the x86 one)
set -u
prefix=$1
setup=$2
stub=$3
lister=$4
pages=$5
screenshots=$6
built_libraries=$7
mex=$8
. "$(dirname "$0")/../../tools/wine-env.sh"
if [ -d "$prefix" ]; then
    quenbus_wine_stop "$prefix"
    "$WINESERVER" -w
fi
rm -rf "$prefix"
quenbus_wine_start "$prefix" || exit 1
trap 'quenbus_wine_stop "$prefix"' EXIT
quenbus_wine_unmanaged "$prefix"

system32="$prefix/drive_c/windows/system32"
instdir="$prefix/drive_c/Program Files/quenbus"
commands=(busquery buswrite busblock buswriteblock busclear bustrigger busspoll buswaitsrq buslocal)
installed_files=("$system32/quenbus.cpl" "$instdir/quenbus.exe" "$instdir/Contents.m" "$instdir/uninstall.exe"
    "$instdir/python/pyvisa_quenbus-1.0.0-py3-none-any.whl")
for name in "${commands[@]}"; do
    installed_files+=("$instdir/$name.$mex" "$instdir/$name.m")
done
simulated_files=("$system32/drovane.dll" "$system32/sicl32.dll")
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\quenbus'
device_key='HKCU\Software\Korvex\IEEE\0000\0000'
service=QbInstalled
# The board's driver where a lab keeps it, so that no build path shows in the pictures.
mkdir -p "$prefix/drive_c/drivers"
cp "$stub" "$prefix/drive_c/drivers/quenbus_stub.sys"
driver='C:\drivers\quenbus_stub.sys'
quenbus=("$WINE" 'C:\Program Files\quenbus\quenbus.exe')

failures=0
check() { # DESCRIPTION COMMAND...
    local description=$1
    shift
    if "$@"; then echo "ok: $description"; else echo "FAILED: $description"; failures=$((failures + 1)); fi
}
all_exist() { local f; for f in "$@"; do [ -f "$f" ] || { echo "    missing: $f"; return 1; }; done; }
none_exist() { local f; for f in "$@"; do [ ! -e "$f" ] || { echo "    still there: $f"; return 1; }; done; }
registry_text() { "$WINE" reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' | sed -n "s/^ *$2 *REG_[A-Z_]* *//p"; }
registry_is() { # KEY VALUE TEXT
    local seen
    seen=$(registry_text "$1" "$2")
    [ "$seen" = "$3" ] || { echo "    $1 $2: '$seen', expected '$3'"; return 1; }
}
key_exists() { "$WINE" reg query "$1" >/dev/null 2>&1; }
no_key() { ! key_exists "$1"; }
output_has() { # TEXT COMMAND...: the command succeeds and says TEXT
    local text=$1 output
    shift
    output=$("$@" 2>&1 | tr -d '\r') || { echo "$output" | sed 's/^/    /'; return 1; }
    grep -qF -- "$text" <<<"$output" || { echo "$output" | sed 's/^/    /'; return 1; }
}
service_state() { "${quenbus[@]}" setup status --service "$service" 2>&1 | tr -d '\r'; }

install() { # ARGUMENTS...
    "$WINE" "$setup" /S "$@" >/dev/null 2>&1
}
# The uninstaller copies itself to a temporary folder, starts the copy and
# returns at once: wait for the copy (a process of this prefix) to remove
# the folder, its last step, and to end.
uninstaller_running() {
    local pid
    for pid in $(pgrep -f 'Un_[A-Z]\.exe'); do
        tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qxF "WINEPREFIX=$prefix" && return 0
    done
    return 1
}
uninstall() { # ARGUMENTS...
    "$WINE" 'C:\Program Files\quenbus\uninstall.exe' /S "$@" >/dev/null 2>&1 || return 1
    for _ in $(seq 1 120); do
        [ ! -e "$instdir" ] && ! uninstaller_running && return 0
        sleep 0.5
    done
    echo "    the uninstaller did not finish in a minute"
    return 1
}

# --- A fresh machine without a bus driver library: everything installed.
check "silent install with /DRIVER and /SERVICE succeeds" install "/DRIVER=$driver" "/SERVICE=$service"
check "the applet, the tool, the MEX files, their help and the Python wheel are installed" all_exist "${installed_files[@]}"
check "the simulated bus libraries are installed" all_exist "${simulated_files[@]}"
check "Wine's Control Panel lists IEEE 488 from the system folder" \
    output_has $'IEEE 488\tChanges IEEE 488 bus configuration and communication settings.' "$WINE" "$lister"
check "quenbus list prints the configuration" output_has "IEEE3  (node 0003)" "${quenbus[@]}" list
check "the driver service is installed and running" output_has "Driver service $service: running" service_state
check "Add/Remove Programs: display name" registry_is "$uninstall_key" DisplayName "quenbus (IEEE 488 bus configuration)"
check "Add/Remove Programs: version" registry_is "$uninstall_key" DisplayVersion "1.0.0"
check "Add/Remove Programs: publisher" registry_is "$uninstall_key" Publisher "The quenbus project"
check "Add/Remove Programs: icon 100 of the applet" registry_is "$uninstall_key" DisplayIcon 'C:\windows\system32\quenbus.cpl,-100'
check "Add/Remove Programs: uninstall string" registry_is "$uninstall_key" UninstallString '"C:\Program Files\quenbus\uninstall.exe"'
size=$(registry_text "$uninstall_key" EstimatedSize)
check "Add/Remove Programs: a size in KB ($size)" test $((size)) -gt 100

# --- The user renames a device; a second install keeps it and the service.
"$WINE" reg add "$device_key" /v UserName /d Scope /f >/dev/null 2>&1
check "a second install over the first succeeds" install "/DRIVER=$driver" "/SERVICE=$service"
check "after the second install every file is there" all_exist "${installed_files[@]}" "${simulated_files[@]}"
check "the second install keeps the user's configuration" output_has "Scope  (node 0000\\0000)" "${quenbus[@]}" list
check "the driver service still runs" output_has "Driver service $service: running" service_state

# --- Silent uninstall: nothing of ours is left but the user's configuration.
check "silent uninstall succeeds" uninstall
check "no installed file is left" none_exist "${installed_files[@]}" "${simulated_files[@]}" "$instdir"
check "the driver service is removed" no_key "HKLM\\System\\CurrentControlSet\\Services\\$service"
check "the Add/Remove Programs entry is removed" no_key "$uninstall_key"
check "the user's configuration stays" registry_is "$device_key" UserName Scope

# --- Install again, then uninstall with /PURGE: the configuration goes too.
check "install without a driver sets up the configuration only" install
check "no driver service without /DRIVER" no_key 'HKLM\System\CurrentControlSet\Services\Rumex'
check "uninstall /PURGE succeeds" uninstall /PURGE
check "/PURGE removes the bus configuration" no_key 'HKCU\Software\Korvex\IEEE'
check "/PURGE leaves no installed file" none_exist "${installed_files[@]}" "${simulated_files[@]}"

# --- A machine with bus libraries of its own: the simulated bus is off by
# default, and the machine's libraries are never replaced or removed.
own_drovane="$system32/drovane.dll"
own_sicl="$system32/sicl32.dll"
for library in "$own_drovane" "$own_sicl"; do
    cp "$built_libraries/${library##*/}" "$library"
    printf 'the machine'"'"'s own' >>"$library"
    cp "$library" "$prefix/kept.${library##*/}"
done
kept() { cmp -s "$1" "$prefix/kept.${1##*/}" || { echo "    changed: $1"; return 1; }; }
both_kept() { kept "$own_drovane" && kept "$own_sicl"; }
only_own_left() { kept "$own_drovane" && none_exist "$system32/sicl32.dll" "${installed_files[@]}"; }
check "install beside the machine's own libraries succeeds" install
check "the machine's libraries are kept as they were" both_kept
check "uninstall succeeds" uninstall
check "the uninstaller leaves the machine's libraries" both_kept
rm -f "$own_sicl"
check "asked for, the simulated bus is installed beside the machine's own bus driver library" install /SIMULATED=1
check "the machine's bus driver library is still as it was" kept "$own_drovane"
check "the simulated SICL library is installed" all_exist "$system32/sicl32.dll"
check "uninstall succeeds" uninstall
check "the uninstaller leaves the machine's library and removes what it installed" only_own_left
rm -f "$own_drovane"

# --- Through the pages, as a person installs: the details list shows what
# the set-up did; the pages are photographed.
mkdir -p "$screenshots"
"$WINE" "$setup" >/dev/null 2>&1 &
installer_pid=$!
details=$("$WINE" "$pages" "$driver" QbByHand "$(echo "Z:$screenshots" | tr / '\\')" 2>&1 | tr -d '\r')
wait "$installer_pid"
shows() { grep -qF -- "$1" <<<"$details" || { echo "$details" | sed 's/^/    /'; return 1; }; }
check "the details list shows the set-up's words" shows "Driver service QbByHand started."
check "the driver given on its page runs" output_has "Driver service QbByHand: running" \
    "${quenbus[@]}" setup status --service QbByHand
check "the pages were photographed" all_exist "$screenshots/installer_components.bmp" \
    "$screenshots/installer_driver.bmp" "$screenshots/installer_details.bmp"
check "uninstall removes the driver given on the page" uninstall
check "no driver service is left" no_key 'HKLM\System\CurrentControlSet\Services\QbByHand'

echo "$failures failed"
[ "$failures" -eq 0 ]
