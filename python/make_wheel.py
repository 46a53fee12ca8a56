"""Builds the wheel of pyvisa_quenbus with the standard library only (no
network, no build backend): python3 make_wheel.py VERSION OUTPUT_DIRECTORY.
The wheel is the same bytes for the same sources."""
import base64
import hashlib
import os
import re
import sys
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
PACKAGE = "pyvisa_quenbus"
DISTRIBUTION = "pyvisa_quenbus"
# Zip entries carry this time, so that the wheel does not depend on when it was made.
FIXED_TIME = (1980, 1, 1, 0, 0, 0)

METADATA = """Metadata-Version: 2.1
Name: pyvisa-quenbus
Version: {version}
Summary: PyVISA backend for the IEEE 488 bus of the quenbus configuration, through its bus driver library
License: MIT
Requires-Python: >=3.7
Requires-Dist: PyVISA>=1.11

The backend opens GPIB<n>::<pad>[::<sad>]::INSTR and GPIB<n>::INTFC resources of
the configured bus: pyvisa.ResourceManager("@quenbus").
"""

WHEEL = """Wheel-Version: 1.0
Generator: quenbus make_wheel.py
Root-Is-Purelib: true
Tag: py3-none-any
"""


def package_version():
    text = open(os.path.join(HERE, PACKAGE, "__init__.py"), encoding="utf-8").read()
    return re.search(r'^__version__ = "([^"]+)"', text, re.MULTILINE).group(1)


def record_line(name, data):
    digest = base64.urlsafe_b64encode(hashlib.sha256(data).digest()).rstrip(b"=").decode("ascii")
    return "%s,sha256=%s,%d" % (name, digest, len(data))


def build(version, output):
    if version != package_version():
        raise SystemExit("make_wheel.py: the package says %s, the build %s" % (package_version(), version))
    info = "%s-%s.dist-info" % (DISTRIBUTION, version)
    files = []
    for name in sorted(os.listdir(os.path.join(HERE, PACKAGE))):
        if name.endswith(".py"):
            with open(os.path.join(HERE, PACKAGE, name), "rb") as source:
                files.append(("%s/%s" % (PACKAGE, name), source.read()))
    files.append((info + "/METADATA", METADATA.format(version=version).encode("utf-8")))
    files.append((info + "/WHEEL", WHEEL.encode("utf-8")))
    files.append((info + "/top_level.txt", (PACKAGE + "\n").encode("utf-8")))
    record = "\n".join([record_line(name, data) for name, data in files] + [info + "/RECORD,,", ""])
    files.append((info + "/RECORD", record.encode("utf-8")))
    os.makedirs(output, exist_ok=True)
    path = os.path.join(output, "%s-%s-py3-none-any.whl" % (DISTRIBUTION, version))
    temporary = path + ".tmp"
    with zipfile.ZipFile(temporary, "w", zipfile.ZIP_DEFLATED) as wheel:
        for name, data in files:
            entry = zipfile.ZipInfo(name, FIXED_TIME)
            entry.external_attr = 0o644 << 16
            entry.compress_type = zipfile.ZIP_DEFLATED
            wheel.writestr(entry, data)
    os.replace(temporary, path)
    return path


if __name__ == "__main__":
    if len(sys.argv) != 3:
        raise SystemExit("usage: make_wheel.py VERSION OUTPUT_DIRECTORY")
    print(build(sys.argv[1], sys.argv[2]))
