#!/bin/bash
# The wheel installed with pip, without an index, into a fresh virtual
# environment (which sees the system's PyVISA), then used from there: a query
# on the simulated bus, and pyvisa-info listing the backend.
# usage: wheel_venv_test.sh PYTHON WHEEL LIBRARY
set -u
python=$1
wheel=$2
library=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
check() {
    if [ "$1" -ne 0 ]; then
        echo "failed: $2"
        failures=$((failures + 1))
    fi
}
unset PYTHONPATH
export PIP_DISABLE_PIP_VERSION_CHECK=1 PIP_NO_INPUT=1 PYTHONDONTWRITEBYTECODE=1
"$python" -m venv --system-site-packages "$work/venv" || { echo "failed: python3 -m venv"; exit 1; }
venv=$work/venv/bin/python
"$venv" -m pip install --no-index --quiet "$wheel" >"$work/pip.txt" 2>&1
check $? "pip install --no-index of the wheel ($(cat "$work/pip.txt"))"
where=$(cd "$work" && "$venv" -c 'import pyvisa_quenbus; print(pyvisa_quenbus.__file__)')
case $where in
"$work/venv/"*) check 0 "" ;;
*) check 1 "the package comes from the environment, not from $where" ;;
esac
answer=$(cd "$work" && QUENBUS_DROVANE_LIBRARY=$library QUENBUS_REGISTRY_FILE=$work/none.reg QUENBUS_SIMBUS_BENCH= \
    "$venv" -c 'import pyvisa; print(pyvisa.ResourceManager("@quenbus").open_resource("GPIB0::22::INSTR").query("*IDN?"), end="")')
[ "$answer" = "Simbus,Multimeter,0,1.0" ]
check $? "*IDN? from the installed backend gave \"$answer\""
info=$(cd "$work" && QUENBUS_DROVANE_LIBRARY=$library QUENBUS_REGISTRY_FILE=$work/none.reg "$venv" /usr/bin/pyvisa-info 2>&1)
echo "$info" | grep -q "quenbus:" && echo "$info" | grep -q "Version: 1.0.0" && echo "$info" | grep -q "GPIB0: IEEE0"
check $? "pyvisa-info lists the backend, its version and interfaces: $info"
"$venv" -m pip uninstall --yes --quiet pyvisa-quenbus >/dev/null 2>&1
check $? "pip uninstall"
(cd "$work" && "$venv" -c 'import pyvisa_quenbus' 2>/dev/null)
[ $? -ne 0 ]
check $? "the package is gone after pip uninstall"
[ "$failures" -eq 0 ] && echo "the wheel installs and works in a virtual environment"
exit $((failures > 0))
