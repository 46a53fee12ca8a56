"""The bus the Python suites run on, from the environment the test command gives:
QUENBUS_DROVANE_LIBRARY (the library), QUENBUS_SIMBUS_BENCH (pyvisa.bench), and,
through the simulated adapter or gateway, QUENBUS_ADAPTER_URL or QUENBUS_GATEWAY_URL.
On the simulated bus there is no configuration, so GPIB0 to GPIB3 are IEEE0 to
IEEE3; through an adapter or a gateway a configuration binds GPIB0 (named
"Bench") to it, with configured devices."""
import os

import pytest

ADAPTER_URL = os.environ.get("QUENBUS_ADAPTER_URL", "") or os.environ.get("QUENBUS_GATEWAY_URL", "")
THROUGH_ADAPTER = bool(ADAPTER_URL)
# The plain "++" firmware keeps REN asserted; an AR488 and a gateway drive it.
PLAIN_ADAPTER = bool(os.environ.get("QUENBUS_ADAPTER_URL")) and os.environ.get("QUENBUS_ADAPTER_FIRMWARE", "") != "ar488"
LIBRARY = os.environ["QUENBUS_DROVANE_LIBRARY"]

ROOT = "HKEY_CURRENT_USER\\Software\\Korvex\\IEEE"


def registry_text(nodes):
    """A REGEDIT4 configuration: {node path: {value name: str or int}}."""
    lines = ["REGEDIT4", ""]
    for node, values in nodes.items():
        lines.append("[%s\\%s]" % (ROOT, node))
        for name, value in values.items():
            if isinstance(value, int):
                lines.append('"%s"=dword:%08x' % (name, value))
            else:
                lines.append('"%s"="%s"' % (name, value))
        lines.append("")
    return "\n".join(lines)


def adapter_configuration(url):
    return {
        "0000": {"UserName": "Bench", "Adapter": url},
        "0000\\0001": {"UserName": "Meter", "PrimaryAddress": 22},
        "0000\\0002": {"UserName": "Recorder", "PrimaryAddress": 19},
        "0000\\0003": {"UserName": "Twin", "PrimaryAddress": 22},
        "0000\\0004": {"UserName": "Probe", "PrimaryAddress": 5, "SecondaryAddress": 3},
        "0003": {"UserName": "Spare", "HardwareKey": ""},
    }


@pytest.fixture(autouse=True, scope="session")
def configuration(tmp_path_factory):
    """The session's configuration file, set before any library call reads it."""
    path = tmp_path_factory.mktemp("registry") / "configuration.reg"
    if THROUGH_ADAPTER:
        path.write_text(registry_text(adapter_configuration(ADAPTER_URL)))
    os.environ["QUENBUS_REGISTRY_FILE"] = str(path)
    os.environ["PYVISA_LIBRARY"] = LIBRARY + "@quenbus"
    yield path


@pytest.fixture
def rm():
    import pyvisa

    manager = pyvisa.ResourceManager(LIBRARY + "@quenbus")
    yield manager
    manager.close()
