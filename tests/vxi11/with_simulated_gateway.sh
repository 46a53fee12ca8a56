#!/bin/sh
# Runs a command beside a simulated LAN/GPIB gateway:
#   with_simulated_gateway.sh SERVER [--bench FILE] [--portmapper PORT] [--max-recv N] [--fragment N] [--piece N]
#                             [--wine PREFIX] [--registry VARIABLE] -- COMMAND...
# The command finds the gateway in QUENBUS_GATEWAY_URL (vxi11://127.0.0.1:PORT/gpib0,
# or vxi11://127.0.0.1/gpib0 through the portmapper with --portmapper),
# its control port in QUENBUS_GATEWAY_CONTROL and its record of calls in
# QUENBUS_GATEWAY_RECORD. With --registry, VARIABLE names a REGEDIT4 file
# that binds IEEE0 to IEEE3 to the gateway (a Windows path with --wine).
set -e
. "$(dirname "$0")/../adapter/bind_interfaces.sh"
server=$1
shift
options=""
portmapper=""
wine=""
variable=""
while [ "$1" != "--" ]; do
    case $1 in
    --bench | --max-recv | --fragment | --piece) options="$options $1 $2"; shift 2 ;;
    --portmapper) portmapper=$2; shift 2 ;;
    --wine) wine=$2; shift 2 ;;
    --registry) variable=$2; shift 2 ;;
    *) echo "with_simulated_gateway.sh: unknown option $1" >&2; exit 2 ;;
    esac
done
shift
work=$(mktemp -d)
# shellcheck disable=SC2086
"$server" $options ${portmapper:+--portmapper "$portmapper"} --record "$work/record" --ports "$work/ports" >/dev/null &
pid=$!
trap 'kill $pid 2>/dev/null; rm -rf "$work"' EXIT
for _ in $(seq 100); do
    [ -f "$work/ports" ] && break
    sleep 0.05
done
[ -f "$work/ports" ] || { echo "with_simulated_gateway.sh: the gateway did not start" >&2; exit 1; }
if [ -n "$portmapper" ]; then
    url=vxi11://127.0.0.1/gpib0
else
    url=vxi11://127.0.0.1:$(sed -n 's/^core //p' "$work/ports")/gpib0
fi
export QUENBUS_GATEWAY_URL=$url QUENBUS_GATEWAY_CONTROL=$(sed -n 's/^control //p' "$work/ports") \
    QUENBUS_GATEWAY_RECORD=$work/record
if [ -n "$variable" ]; then
    bind_interfaces "$variable" "$url" "$work/gateway.reg" "$wine"
fi
"$@"
