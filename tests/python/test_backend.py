"""The backend on the simulated bus or through the simulated adapter (conftest.py)."""
import os
import subprocess
import sys
import time

import pytest
from pyvisa import constants, errors

from conftest import LIBRARY, PLAIN_ADAPTER, THROUGH_ADAPTER, registry_text

MULTIMETER = "GPIB0::22::INSTR"
SILENT = "GPIB0::9::INSTR"


def error_of(call):
    """The VISA status that `call` fails with."""
    with pytest.raises(errors.VisaIOError) as failure:
        call()
    return failure.value.error_code


def test_lists_the_configured_devices_and_interfaces(rm):
    if THROUGH_ADAPTER:
        # Twin shares Meter's address: one resource. GPIB3 has no board but is configured.
        assert rm.list_resources() == ("GPIB0::22::INSTR", "GPIB0::19::INSTR", "GPIB0::5::3::INSTR")
        assert rm.list_resources("?*") == rm.list_resources() + ("GPIB0::INTFC", "GPIB3::INTFC")
        assert rm.list_resources("GPIB0::5?*") == ("GPIB0::5::3::INSTR",)
    else:
        # Without a configuration there are the four interfaces and no configured device.
        assert rm.list_resources() == ()
        assert rm.list_resources("?*") == tuple("GPIB%d::INTFC" % n for n in range(4))
    assert rm.list_resources("USB?*") == ()


def test_identification_block_and_readings(rm):
    meter = rm.open_resource(MULTIMETER, read_termination="\n")
    assert meter.query("*IDN?") == "Simbus,Multimeter,0,1.0"
    block = rm.open_resource("GPIB0::14::INSTR")
    assert block.query_binary_values("CURV?", datatype="B") == list(range(256))
    block.write("CURV?")
    assert block.read_raw() == b"#3256" + bytes(range(256)) + b"\n"
    readings = rm.open_resource("GPIB0::17::INSTR")
    values = readings.query_ascii_values("READ?")
    assert len(values) == 10000
    assert values[:2] == [1.0, 1.001] and values[-1] == pytest.approx(10.999)


def test_read_completion_codes(rm):
    meter = rm.open_resource(MULTIMETER)
    meter.write("*IDN?")
    with rm.visalib.ignore_warning(meter.session, constants.StatusCode.success_max_count_read):
        data, status = rm.visalib.read(meter.session, 6)
    assert (data, status) == (b"Simbus", constants.StatusCode.success_max_count_read)
    meter.read_termination = "0"
    data, status = rm.visalib.read(meter.session, 100)
    assert (data, status) == (b",Multimeter,0", constants.StatusCode.success_termination_character_read)
    meter.read_termination = None
    data, status = rm.visalib.read(meter.session, 100)
    assert (data, status) == (b",1.0\n", constants.StatusCode.success)


def test_service_request_scenario(rm):
    meter = rm.open_resource(MULTIMETER, read_termination="\n")
    meter.write("*CLS;*ESE 1;*SRE 32")
    meter.write("INIT;*OPC")
    start = time.monotonic()
    meter.wait_for_srq(5000)
    assert time.monotonic() - start < 2.0
    # The wait's own poll cleared the request; the event bit stays until *ESR?.
    assert meter.read_stb() == 0x20
    assert meter.query("FETC?") == "+1.234501E+00"
    meter.write("*CLS")
    start = time.monotonic()
    assert error_of(lambda: meter.wait_for_srq(300)) == constants.VI_ERROR_TMO
    assert 0.25 < time.monotonic() - start < 1.3


def test_clear_and_trigger(rm):
    meter = rm.open_resource(MULTIMETER, read_termination="\n")
    meter.write("*IDN?")
    meter.clear()
    assert meter.query("MEAS:VOLT?") == "+1.234500E+00", "the clear dropped the unread reply"
    first = meter.query("FETC?")
    meter.assert_trigger()
    assert meter.query("FETC?") != first


def test_a_time_out_takes_its_time_and_no_more(rm):
    silent = rm.open_resource(SILENT, timeout=500)
    silent.write("*IDN?")
    start = time.monotonic()
    assert error_of(silent.read) == constants.VI_ERROR_TMO
    took = time.monotonic() - start
    assert 0.45 < took < 1.5, took
    # The next call works.
    meter = rm.open_resource(MULTIMETER, read_termination="\n")
    assert meter.query("*IDN?") == "Simbus,Multimeter,0,1.0"


def test_a_session_that_runs_is_traced(rm, tmp_path, monkeypatch):
    trace = tmp_path / "trace.txt"
    meter = rm.open_resource(MULTIMETER, read_termination="\n")
    assert meter.query("*IDN?") == "Simbus,Multimeter,0,1.0"
    assert not trace.exists()
    # Switched on for this process while it runs, as QUENBUS_SIMBUS_TRACE does.
    monkeypatch.setenv("QUENBUS_TRACE_FILE", str(trace))
    monkeypatch.setenv("QUENBUS_SIMBUS_TRACE", str(tmp_path / "bus.log"))
    assert meter.query("*IDN?") == "Simbus,Multimeter,0,1.0"
    silent = rm.open_resource(SILENT, timeout=100)
    silent.write("*IDN?")
    assert error_of(silent.read) == constants.VI_ERROR_TMO
    monkeypatch.delenv("QUENBUS_SIMBUS_TRACE")
    lines = trace.read_text().splitlines()
    assert lines[0] == "quenbus I/O trace 1"
    fields = [line.split("\t") for line in lines[1:]]
    assert all(len(f) == 20 for f in fields)
    ours = [f for f in fields if f[2] == str(os.getpid())]
    assert ours == fields
    # Call, primary address, data, failure; the interface by the name the library knows.
    calls = [(f[5], f[7].rsplit(",", 1)[-1], f[15], f[19]) for f in ours]
    assert ('"DrvWriteBinary"', '22"', '"*IDN?\\r\\n"', '""') in calls
    assert ('"DrvReadEnded"', '22"', '"Simbus,Multimeter,0,1.0\\n"', '""') in calls
    assert ('"DrvReadEnded"', '9"', '""', '"timeout"') in calls


def test_a_device_where_nothing_listens(rm):
    nobody = rm.open_resource("GPIB0::3::INSTR")
    assert error_of(lambda: nobody.write("*IDN?")) == constants.VI_ERROR_NLISTENERS
    # Secondary address 0 is a device of its own, not the multimeter.
    at_zero = rm.open_resource("GPIB0::22::0::INSTR")
    assert at_zero.get_visa_attribute(constants.VI_ATTR_GPIB_SECONDARY_ADDR) == 0
    assert error_of(lambda: at_zero.write("*IDN?")) == constants.VI_ERROR_NLISTENERS


@pytest.mark.parametrize(
    "name, status",
    [
        ("GPIB0::31::INSTR", constants.VI_ERROR_INV_RSRC_NAME),
        ("GPIB0::22::31::INSTR", constants.VI_ERROR_INV_RSRC_NAME),
        ("GPIB0::xx::INSTR", constants.VI_ERROR_INV_RSRC_NAME),
        ("GPIB0::22::INSTR::more", constants.VI_ERROR_INV_RSRC_NAME),
        ("GPIB0", constants.VI_ERROR_INV_RSRC_NAME),
        ("GPIB9::22::INSTR", constants.VI_ERROR_RSRC_NFOUND),
        ("GPIB9::INTFC", constants.VI_ERROR_RSRC_NFOUND),
    ],
)
def test_names_that_do_not_open(rm, name, status):
    assert error_of(lambda: rm.open_resource(name)) == status


def test_addresses_and_attributes(rm):
    meter = rm.open_resource("gpib::22::instr")
    assert meter.primary_address == 22
    assert meter.get_visa_attribute(constants.VI_ATTR_GPIB_SECONDARY_ADDR) == constants.VI_NO_SEC_ADDR
    assert meter.resource_info.interface_board_number == 0
    assert meter.interface_type == constants.InterfaceType.gpib
    with pytest.raises(errors.VisaIOError) as refused:
        meter.set_visa_attribute(constants.VI_ATTR_GPIB_PRIMARY_ADDR, 5)
    assert refused.value.error_code == constants.VI_ERROR_ATTR_READONLY
    with pytest.raises(errors.VisaIOError) as refused:
        meter.set_visa_attribute(constants.VI_ATTR_TERMCHAR, 256)
    assert refused.value.error_code == constants.VI_ERROR_NSUP_ATTR_STATE
    meter.timeout = None
    assert meter.get_visa_attribute(constants.VI_ATTR_TMO_VALUE) == constants.VI_TMO_INFINITE
    meter.read_termination = "\n"
    assert meter.query("*IDN?") == "Simbus,Multimeter,0,1.0", "an infinite time-out still reads"
    # send_end off: the message has no END, the multimeter waits for more.
    meter.send_end = False
    meter.write("*IDN?")
    meter.send_end = True
    meter.timeout = 200
    meter.write("")
    assert meter.read() == "Simbus,Multimeter,0,1.0"
    assert error_of(lambda: meter.lock_excl()) == constants.VI_ERROR_NSUP_OPER
    # The resource manager's session is no resource; a closed session is none at all.
    assert error_of(lambda: rm.visalib.get_attribute(rm.session, constants.VI_ATTR_TMO_VALUE)) == constants.VI_ERROR_NSUP_OPER
    session = meter.session
    meter.close()
    assert error_of(lambda: rm.visalib.read(session, 1)) == constants.VI_ERROR_INV_OBJECT


def test_the_interface(rm):
    bus = rm.open_resource("GPIB0::INTFC")
    bus.send_ifc()
    ren = constants.RENLineOperation
    for mode in (ren.asrt, ren.asrt_llo):
        bus.control_ren(mode)
    for mode in (ren.deassert_gtl, ren.deassert):
        if PLAIN_ADAPTER:
            # The plain "++" firmware keeps REN asserted and has no command to release it.
            assert error_of(lambda: bus.control_ren(mode)) == constants.VI_ERROR_NSUP_OPER
        else:
            bus.control_ren(mode)
    assert error_of(lambda: bus.control_ren(ren.asrt_address)) == constants.VI_ERROR_INV_MODE
    assert error_of(lambda: bus.read_raw()) == constants.VI_ERROR_NSUP_OPER
    assert error_of(lambda: rm.open_resource("GPIB0::INTFC")) == constants.VI_ERROR_RSRC_BUSY
    bus.close()
    rm.open_resource("GPIB0::INTFC").close()
    meter = rm.open_resource(MULTIMETER)
    meter.control_ren(ren.address_gtl)


def test_an_interface_without_its_board_is_not_found(rm, tmp_path, monkeypatch):
    path = tmp_path / "boardless.reg"
    path.write_text(registry_text({"0000": {"UserName": "GPIB0", "HardwareKey": ""}}))
    monkeypatch.setenv("QUENBUS_REGISTRY_FILE", str(path))
    assert rm.list_resources("?*") == ("GPIB0::INTFC",)
    assert error_of(lambda: rm.open_resource(MULTIMETER)) == constants.VI_ERROR_RSRC_NFOUND


def run_python(code, **environment):
    """Runs `code` in a fresh interpreter with the environment changed: its output."""
    env = dict(os.environ, **environment)
    done = subprocess.run([sys.executable, "-c", code], env=env, capture_output=True, text=True, timeout=60)
    assert done.returncode == 0, done.stderr
    return done.stdout


def test_where_the_library_is_found(tmp_path):
    found = "import pyvisa; print(pyvisa.ResourceManager(%r).visalib.library_path)"
    assert run_python(found % "@quenbus").strip() == LIBRARY
    assert run_python(found % (LIBRARY + "@quenbus"), QUENBUS_DROVANE_LIBRARY="/nowhere/libdrovane.so").strip() == LIBRARY
    failed = run_python(
        "import pyvisa\n"
        "try:\n    pyvisa.ResourceManager('@quenbus')\nexcept OSError as e:\n    print('OSError', e)\n",
        QUENBUS_DROVANE_LIBRARY=str(tmp_path / "missing.so"),
        LD_LIBRARY_PATH="",
    )
    assert failed.startswith("OSError") and "missing.so" in failed
