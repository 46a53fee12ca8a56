#!/bin/sh
# Runs a command beside a simulated "++" adapter:
#   with_simulated_adapter.sh SERVER [--bench FILE] [--pty] [--single] [--firmware NAME] [--wine] [--registry VARIABLE] -- COMMAND...
# The adapter listens on a free loopback port (or, with --pty, on a
# pseudo-terminal; with --single it takes one connection at a time); the command finds it in QUENBUS_ADAPTER_URL, its control
# port in QUENBUS_ADAPTER_CONTROL, what it received in QUENBUS_ADAPTER_RECORD
# and the firmware it plays (--firmware, passed to it) in QUENBUS_ADAPTER_FIRMWARE.
# With --registry, VARIABLE names a REGEDIT4 file that binds IEEE0 to IEEE3
# to the adapter (a Windows path with --wine, where a serial adapter is
# COM9, linked to the pseudo-terminal in the Wine prefix's dosdevices).
set -e
. "$(dirname "$0")/bind_interfaces.sh"
server=$1
shift
bench=""
pty=""
single=""
firmware=""
wine=""
variable=""
while [ "$1" != "--" ]; do
    case $1 in
    --bench) bench=$2; shift 2 ;;
    --pty) pty=--pty; shift ;;
    --single) single=--single; shift ;;
    --firmware) firmware=$2; shift 2 ;;
    --wine) wine=$2; shift 2 ;;
    --registry) variable=$2; shift 2 ;;
    *) echo "with_simulated_adapter.sh: unknown option $1" >&2; exit 2 ;;
    esac
done
shift
work=$(mktemp -d)
"$server" ${bench:+--bench "$bench"} $pty $single ${firmware:+--firmware "$firmware"} --record "$work/record" --ports "$work/ports" >/dev/null &
pid=$!
trap 'kill $pid 2>/dev/null; rm -rf "$work"' EXIT
for _ in $(seq 100); do
    [ -f "$work/ports" ] && break
    sleep 0.05
done
control=$(sed -n 's/^control //p' "$work/ports")
if [ -n "$pty" ]; then
    serial=$(sed -n 's/^serial //p' "$work/ports")
    if [ -n "$wine" ]; then
        mkdir -p "$wine/dosdevices"
        ln -sfn "$serial" "$wine/dosdevices/com9"
        url=serial://COM9
    else
        url=serial://$serial
    fi
else
    url=tcp://127.0.0.1:$(sed -n 's/^data //p' "$work/ports")
fi
export QUENBUS_ADAPTER_URL=$url QUENBUS_ADAPTER_CONTROL=$control QUENBUS_ADAPTER_RECORD=$work/record \
    QUENBUS_ADAPTER_FIRMWARE=$firmware
if [ -n "$variable" ]; then
    bind_interfaces "$variable" "$url" "$work/adapter.reg" "$wine"
fi
"$@"
