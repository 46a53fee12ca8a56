#!/bin/bash
# The simulated gateway checked by a client that is not ours: Debian's
# pyvisa-py, whose VXI-11 client asks the portmapper on TCP port 111 (so
# the test needs root; without it, it is skipped), then the library through
# the same portmapper. Run by with_simulated_gateway.sh --portmapper 111.
# usage: independent_client_test.sh PYTHON QUENBUS
set -u
python=$1
program=$2
. "$(dirname "$0")/../cli/program_checks.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

answers=$(cd "$work" && timeout 60 "$python" - <<'PYTHON' 2>&1
import pyvisa
rm = pyvisa.ResourceManager("@py")
meter = rm.open_resource("TCPIP::127.0.0.1::gpib0,22::INSTR", read_termination="\n", timeout=5000)
print("idn", meter.query("*IDN?"))
curve = rm.open_resource("TCPIP::127.0.0.1::gpib0,14::INSTR", timeout=5000)
print("block", curve.query_binary_values("CURV?", datatype="B") == list(range(256)))
meter.write("*CLS;*ESE 1;*SRE 32;*OPC")
print("stb", meter.read_stb())
print("stb", meter.read_stb())
PYTHON
)
expected=$'idn Simbus,Multimeter,0,1.0\nblock True\nstb 96\nstb 32'
[ "$answers" = "$expected" ]
check $? "pyvisa-py's VXI-11 client gets *IDN?, a block of every byte value and a serial poll ($answers)"

export QUENBUS_REGISTRY_FILE=$work/registry.reg
printf 'REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Korvex\\IEEE\\0000]\n"UserName"="LAN0"\n"Adapter"="%s"\n' \
    "$QUENBUS_GATEWAY_URL" >"$QUENBUS_REGISTRY_FILE"
answer=$("$program" query LAN0:22 '*IDN?' 2>&1 | tr -d '\r')
[ "$QUENBUS_GATEWAY_URL" = "vxi11://127.0.0.1/gpib0" ] && [ "$answer" = "Simbus,Multimeter,0,1.0" ]
check $? "the library finds the core channel through the portmapper ($QUENBUS_GATEWAY_URL: $answer)"
report
