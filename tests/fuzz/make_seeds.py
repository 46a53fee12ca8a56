#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz targets into corpus/<target>/.

The seeds are committed; run this again only to change them (it overwrites
its own seeds and leaves the others, such as the inputs of past findings):
    python3 tests/fuzz/make_seeds.py
It takes the REGEDIT4 fixtures, the MEX case tables' configurations and bench,
and adds hostile inputs of its own (the records of the configuration target
are described at the top of configuration_fuzzer.cpp). The import target's
seeds are an options byte and a file: the files that the import test refuses,
as it writes them; its export_* seeds are what `quenbus export` wrote from
fixtures, and this script leaves them as they are."""

import os
import re
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
TESTS = os.path.dirname(HERE)
CORPUS = os.path.join(HERE, "corpus")

WIN9X, NT4, NT5, NO_VERSION = 0, 1, 2, 3
RECORDS = 0x04
SETUP_FIRST = 0x08
DESCRIBE_MODEL = 0x10
QUORAN = 0x20

# Must follow kBases and kNames of configuration_fuzzer.cpp.
CONFIG_ROOT, KORVEX, HARDWARE_STORE, ENUM_9X, DYN_ENUM, ENUM_NT5, SERVICES, HKLM = range(8)
NAMES = ["UserName", "HardwareKey", "SystemController", "PrimaryAddress", "SecondaryAddress", "Timeout",
         "BlockModeEnabled", "TermInEOI", "TermOutEOI", "TermIn0", "TermIn1", "TermOut0", "TermOut1", "TermIn",
         "TermOut", "", "Driver", "PortAddr", "IrqLevel", "IrqNone", "DmaChan", "DmaNone", "HardwareInst",
         "HardWareKey", "Allocation", "DeviceDesc", "LocationInformation", "UINumber", "Count", "0", "1", "2",
         "Type", "Start", "ErrorControl", "Group", "ImagePath", "IEEE", "Enum", "DisplayName"]
REG_SZ, REG_BINARY, REG_DWORD = 1, 3, 4


def text(data):
    data = data.encode("latin-1") if isinstance(data, str) else data
    assert len(data) < 256
    return bytes([len(data)]) + data


def name(value_name):
    if value_name in NAMES:
        return bytes([NAMES.index(value_name)])
    return b"\xff" + text(value_name)


def key(base, path=""):
    return bytes([0, base]) + text(path)


def subkey(path):
    return b"\x02" + text(path)


def value(value_name, value_type, data):
    data = data.encode("latin-1") if isinstance(data, str) else data
    size = bytes([len(data)]) if len(data) < 255 else b"\xff" + struct.pack("<H", len(data))
    return b"\x01" + name(value_name) + bytes([value_type]) + size + data


def nodes(count):
    return b"\x03" + (bytes([count]) if count < 255 else b"\xff" + struct.pack("<H", count))


def fill(value_name, value_type, length, byte):
    assert length % 2 == 0
    return b"\x04" + name(value_name) + bytes([value_type]) + struct.pack("<H", length // 2) + bytes([byte])


def delete(value_name):
    return b"\x05" + name(value_name)


def dword(value_name, number):
    return b"\x06" + name(value_name) + struct.pack("<I", number & 0xFFFFFFFF)


def string(value_name, data):
    return b"\x07" + name(value_name) + text(data)


def interface(node, user_name, hardware_key=""):
    return key(CONFIG_ROOT, node) + string("UserName", user_name) + string("HardwareKey", hardware_key)


def read(*parts):
    with open(os.path.join(TESTS, *parts), "rb") as f:
        return f.read()


# A driver service of the boards' group, as the service manager finds it in the registry.
BOARD_SERVICES = b"""
[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\QbVexA]
"Type"=dword:00000001
"Start"=dword:00000003
"Group"="Vexmoor"
"ImagePath"="C:\\\\windows\\\\system32\\\\drivers\\\\quenbus_stub.sys"

[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\QbVexB]
"Type"=dword:00000001
"Start"=dword:00000003
"Group"="Vexmoor"
"""

SIM_BOARD_SERVICE = b"""
[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\QbSimBoards]
"Type"=dword:00000001
"Start"=dword:00000003
"Group"="Vexmoor"
"""

CONFIGURATION = {
    "win9x_devices": bytes([WIN9X]) + read("fixtures", "win9x_devices.reg"),
    "win9x_devices_setup_first": bytes([WIN9X | SETUP_FIRST]) + read("fixtures", "win9x_devices.reg"),
    "legacy_hardware": bytes([NT4]) + read("fixtures", "legacy_hardware.reg"),
    "legacy_hardware_described": bytes([NT4 | SETUP_FIRST | DESCRIBE_MODEL]) + read("fixtures", "legacy_hardware.reg"),
    "nt5_devices": bytes([NT5]) + read("fixtures", "nt5_devices.reg") + BOARD_SERVICES,
    "simulated_boards": bytes([NT5 | SETUP_FIRST]) + read("fixtures", "simulated_boards.reg") + SIM_BOARD_SERVICE,
    "mex_configured": bytes([NT5]) + read("mex", "cases", "configured.reg"),
    "mex_present_board": bytes([NT5]) + read("mex", "cases", "present_board.reg"),
    "no_version": bytes([NO_VERSION]) + read("fixtures", "legacy_hardware.reg"),
    # A configured NT 4 machine: two interfaces bound to the Rumex model, one device each.
    "nt4_configured": bytes([NT4 | RECORDS]) + key(HARDWARE_STORE, "Rumex") + string("", "Rumex ISA")
        + key(HARDWARE_STORE, "Rumex\\0000") + dword("PortAddr", 0x2E1) + dword("IrqLevel", 5)
        + interface("0000", "IEEE0", "Rumex\\0000") + dword("PrimaryAddress", 21) + dword("SystemController", 1)
        + key(CONFIG_ROOT, "0000\\0000") + string("UserName", "Wave") + dword("PrimaryAddress", 16)
        + interface("0001", "IEEE1", "Rumex\\0001") + key(SERVICES, "Rumex") + dword("Type", 1),
    # NT 4 with the four interfaces bound to described instances of an installed driver: the whole hand-over.
    "nt4_handover_complete": bytes([NT4 | RECORDS]) + key(HARDWARE_STORE, "Rumex") + string("", "Rumex ISA")
        + b"".join(key(HARDWARE_STORE, "Rumex\\%04d" % i) + dword("PortAddr", 0x2E1 + i) + dword("IrqLevel", 5)
                   + interface("%04d" % i, "IEEE%d" % i, "Rumex\\%04d" % i) + dword("PrimaryAddress", 21)
                   + dword("SystemController", 1) for i in range(4))
        + key(SERVICES, "Rumex") + dword("Type", 1),
    # Every value of an interface and a device of the wrong type or size.
    "wrong_types": bytes([NT4 | RECORDS]) + key(CONFIG_ROOT, "0000")
        + value("UserName", REG_DWORD, b"\x01\x00\x00\x00") + value("HardwareKey", REG_BINARY, b"Rumex\\0000")
        + value("PrimaryAddress", REG_SZ, "21\0") + value("SystemController", REG_DWORD, b"\x01\x00")
        + value("Timeout", REG_DWORD, b"") + value("TermIn", REG_DWORD, b"\x0d\x00\x00\x00")
        + value("TermIn0", REG_BINARY, b"\x0d") + value("TermOutEOI", REG_DWORD, b"\x02\x00\x00")
        + key(CONFIG_ROOT, "0000\\0001") + value("SecondaryAddress", REG_SZ, "") + value("TermOut", REG_SZ, "CR")
        + key(HARDWARE_STORE, "Rumex\\0000") + value("PortAddr", REG_SZ, "2e1"),
    # Oversize texts and a text without terminator.
    "oversize_texts": bytes([NT5 | RECORDS]) + key(CONFIG_ROOT, "0000")
        + fill("UserName", REG_SZ, 5000, ord("u")) + fill("HardwareKey", REG_SZ, 300, ord("h"))
        + value("TermIn", REG_SZ, "CR_LF") + key(CONFIG_ROOT, "0001") + value("UserName", REG_SZ, "IEEE1"),
    # Unterminated texts that the hand-over to the driver copies (NT 4).
    "unterminated_handover": bytes([NT4 | RECORDS]) + key(HARDWARE_STORE, "Rumex\\0000")
        + value("Comment", REG_SZ, "no terminator") + value("List", 7, "a\0b")
        + interface("0000", "IEEE0", "Rumex\\0000") + dword("PrimaryAddress", 21) + dword("SystemController", 1)
        + key(SERVICES, "Rumex") + dword("Type", 1),
    # Node names that are not four hex digits, and a device key with its own subkeys.
    "odd_node_names": bytes([NT5 | RECORDS]) + key(CONFIG_ROOT, "0000x") + key(CONFIG_ROOT, "zz")
        + key(CONFIG_ROOT, "12345") + key(CONFIG_ROOT, " ") + key(CONFIG_ROOT, "00 1")
        + interface("0002", "IEEE2") + key(CONFIG_ROOT, "0002\\0000\\deeper\\still"),
    # 1,200 device keys under one interface.
    "many_devices": bytes([WIN9X | RECORDS]) + interface("0000", "IEEE0") + nodes(1200),
    # The configuration root as a value of its parent, and an empty root.
    "root_is_value": bytes([NT5 | RECORDS]) + key(KORVEX) + string("IEEE", "not a key"),
    "empty_root": bytes([NT4 | RECORDS | SETUP_FIRST]) + key(CONFIG_ROOT),
    # A driver service "Enum" value of 70,000 bytes and a count past its values.
    "huge_enum": bytes([NT5 | RECORDS]) + key(SERVICES, "QbVexA") + dword("Type", 1)
        + string("Group", "Vexmoor") + subkey("Enum") + dword("Count", 5)
        + fill("0", REG_SZ, 70000, ord("R")) + value("1", REG_SZ, "ROOT\\KVX488\\0000")
        + key(ENUM_NT5, "ROOT\\KVX488\\0000") + string("DeviceDesc", "Vexmoor IEEE 488"),
    # Windows 9x: a "HardWareKey" of another type, an allocation record whose
    # sizes point past its end, and one of zero-length entries.
    "bad_allocation": bytes([WIN9X | RECORDS]) + key(DYN_ENUM, "C29A1B30")
        + string("HardWareKey", "ROOT\\KVX488\\0000")
        + value("Allocation", REG_BINARY, bytes(8) + struct.pack("<II", 0xFFFFFFF0, 2) + b"\xe1\x02")
        + key(DYN_ENUM, "C29A1B40") + value("HardWareKey", REG_DWORD, b"PCMC")
        + key(DYN_ENUM, "C29A1B41") + string("HardWareKey", "PCMCIA\\KORVEX_INC.-VEXMOOR/CARD-4172\\1")
        + value("Allocation", REG_BINARY, bytes(8) + struct.pack("<II", 12, 0x897C) + b"\x03")
        + key(ENUM_9X, "ROOT\\KVX488\\0000") + string("DeviceDesc", "Vexmoor IEEE 488")
        + key(ENUM_9X, "PCMCIA\\KORVEX_INC.-VEXMOOR/CARD-4172\\1") + string("DeviceDesc", "Vexmoor PC Card"),
}

REGFILE = {
    "win9x_devices.reg": read("fixtures", "win9x_devices.reg"),
    "legacy_hardware.reg": read("fixtures", "legacy_hardware.reg"),
    "nt5_devices.reg": read("fixtures", "nt5_devices.reg"),
    "simulated_boards.reg": read("fixtures", "simulated_boards.reg"),
    "present_board.reg": read("mex", "cases", "present_board.reg"),
    "every_form.reg": b"""REGEDIT4

[HKEY_CURRENT_USER\\Software\\Korvex\\IEEE\\0000]
@="default"
"UserName"="GPIB0"
"Quoted"="a \\"quoted\\" back\\\\slash"
"PrimaryAddress"=dword:00000015
"Raw"=hex:00,01,02,\\
  03,04
"Unterminated"=hex(1):41,42
"Multi"=hex(7):61,00,62,00,00
"Short"=hex(4):01,02
"Gone"="soon"
"Gone"=-

[HKCU\\Software\\Korvex\\IEEE\\0001]
[HKEY_DYN_DATA\\Config Manager\\Enum\\C29A1B00]
"HardWareKey"="ROOT\\\\KVX488\\\\0000"
[-HKEY_CURRENT_USER\\Software\\Korvex\\IEEE\\0001]
""",
    "bad_line.reg": b"REGEDIT4\r\n[HKEY_CURRENT_USER\\Software\\x]\r\n\"v\"=dword:123456789\r\n",
    "root_values.reg": b"REGEDIT4\n[HKEY_LOCAL_MACHINE]\n\"AtRoot\"=\"1\"\n[-HKEY_LOCAL_MACHINE]\n",
    "not_regedit.reg": b"Windows Registry Editor Version 5.00\n",
}

BENCH = {
    "default.bench": b'22 multimeter\n5 echo\n9 silent\n12 talker 300\n13 reply "AB\\0CD"\n'
                     b"14 block 256\n15 indefinite 256\n16 block 16777216\n17 readings 10000\n18 store\n",
    "eos.bench": read("mex", "cases", "eos.bench"),
    "every_kind.bench": b'timing simulated\n0 silent\n30,30 reply "\\x41\\r\\n\\t\\\\\\""  # all escapes\n'
                        b'1,0 talker 65536\n2 multimeter\n3 echo\n'
                        b"4 block 268435456\n5,1 indefinite 1\n6 readings 1000000\n7 store\n",
    "real_time.bench": b"timing real\n7 echo\n",
    "taken.bench": b"5 echo\n5 silent\n",
    "bad_escape.bench": b'4 reply "\\q"\n',
    "out_of_range.bench": b"31 echo\n",
    "talker_too_long.bench": b"12 talker 65537\n",
    "block_too_long.bench": b"14 block 268435457\n",
}

QUERY, NO_BOARD, PRESENT_BOARD, TRACE = 0x01, 0x02, 0x04, 0x08
MEX_ARGS = {
    "idn_drovane": bytes([QUERY]) + b"IEEE0,22\0*IDN?",
    "meas_drovane_traced": bytes([QUERY | TRACE]) + b"IEEE1,22\0MEAS:VOLT?",
    "idn_sicl": bytes([QUERY]) + b"hpib7,22\0*IDN?",
    "rst_sicl_write": bytes([0]) + b"hpib7,5\0*RST",
    "secondary_sicl": bytes([QUERY | TRACE]) + b"hpib7,4,7\0*IDN?",
    "talker_cut": bytes([QUERY]) + b"IEEE2,12\0DATA?",
    "nul_reply": bytes([QUERY]) + b"IEEE3,13\0X",
    "low_byte": bytes([QUERY]) + b"IEEE0,278\0*IDN?",
    "upper_h": bytes([QUERY | TRACE]) + b"HPIB7,22\0*IDN?",
    "short_address": bytes([QUERY]) + b"IEEE\0*IDN?",
    "no_board": bytes([QUERY | NO_BOARD | TRACE]) + b"GPIB0,22\0*IDN?",
    "present_board": bytes([QUERY | PRESENT_BOARD | TRACE]) + b"gpib2,22\0*IDN?",
    "longest_address": bytes([QUERY]) + b"IEEE0,22 and more..\0*IDN?",
    "percent_command": bytes([QUERY | TRACE]) + b"hpib7,5\0%s%d%n\r\n",
    "empty": bytes([QUERY]) + b"\0",
}

# The import target's options byte.
MERGE, REPLACE, DRY_RUN = 0x00, 0x01, 0x02
# The bad files of the import test (EveryBadFileIsRefusedWithItsLineAndNothingIsWritten),
# each after a good first node as the test writes them.
IMPORT_HEAD = b'REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Korvex\\IEEE\\0003]\n"UserName"="New"\n'
IMPORT_NODE = b"[HKEY_CURRENT_USER\\Software\\Korvex\\IEEE\\0000]\n"
IMPORT_BAD = {
    "bad_no_header.reg": IMPORT_NODE,
    "bad_unterminated_key.reg": b"[HKEY_CURRENT_USER\\Software\\Korvex\\IEEE\\0000\n",
    "bad_dword.reg": IMPORT_NODE + b'"Timeout"=dword:1x\n',
    "bad_outside_root.reg": b"[HKEY_LOCAL_MACHINE\\Software\\Korvex\\IEEE\\0000]\n",
    "bad_outside_path.reg": b"[HKEY_CURRENT_USER\\Software\\Korvex\\IEEEX\\0000]\n",
    "bad_long_node.reg": b"[HKEY_CURRENT_USER\\Software\\Korvex\\IEEE\\00001]\n",
    "bad_node_digit.reg": b"[HKEY_CURRENT_USER\\Software\\Korvex\\IEEE\\000G]\n",
    "bad_too_deep.reg": b"[HKEY_CURRENT_USER\\Software\\Korvex\\IEEE\\0000\\0001\\0002]\n",
    "bad_delete_key.reg": b"[-HKEY_CURRENT_USER\\Software\\Korvex\\IEEE\\0000]\n",
    "bad_root_value.reg": b'[HKEY_CURRENT_USER\\Software\\Korvex\\IEEE]\n"UserName"="x"\n',
    "bad_address_string.reg": IMPORT_NODE + b'"PrimaryAddress"="22"\n',
    "bad_address_range.reg": IMPORT_NODE + b'"PrimaryAddress"=dword:0000001f\n',
    "bad_flag.reg": IMPORT_NODE + b'"termineoi"=dword:00000002\n',
    "bad_long_name.reg": IMPORT_NODE + b'"UserName"="ABCDEFGHIJKLMNOPQRSTUVWXYZ012345"\n',
    "bad_terminator.reg": IMPORT_NODE + b'"TermOut"="CRLF"\n',
    "bad_device_hardware_key.reg": b'[HKEY_CURRENT_USER\\Software\\Korvex\\IEEE\\0000\\0001]\n"HardwareKey"="ROOT"\n',
    "bad_hex_timeout.reg": IMPORT_NODE + b'"Timeout"=hex:10,27\n',
    "bad_nul_in_name.reg": IMPORT_NODE + b'"Timeout\0\0"=hex:10,27\n',
    "bad_long_value_name.reg": IMPORT_NODE + b'"' + b"N" * 16384 + b'"=dword:00000001\n',
}
IMPORT = {}
for index, (seed_name, body) in enumerate(IMPORT_BAD.items()):
    data = body if seed_name == "bad_no_header.reg" else IMPORT_HEAD + body
    IMPORT[seed_name] = bytes([(MERGE, REPLACE, DRY_RUN)[index % 3]]) + data
IMPORT.update({
    # Good files: a merge of new and changed nodes, every form the loader reads, a replace by an empty configuration.
    "good_merge.reg": bytes([MERGE]) + b"REGEDIT4\r\n\r\n[HKCU\\Software\\Korvex\\IEEE\\0000\\0001]\r\n"
        b'"PrimaryAddress"=dword:00000003\r\n"TermIn"=-\r\n[HKEY_CURRENT_USER\\software\\korvex\\ieee\\000a\\ffff]\r\n'
        b'"UserName"="Extra"\r\n@="default"\r\n',
    "good_forms_dry_run.reg": bytes([DRY_RUN]) + b"REGEDIT4\n; every form\n[HKEY_CURRENT_USER\\Software\\Korvex\\IEEE\\0001]\n"
        b'"UserName"=hex(1):41,42,\\\n  43,00\n"Timeout"=hex(4):e8,03,00,00\n"Comment"="a \\"quoted\\" back\\\\slash"\n'
        b'"Raw"=hex:00,01\n"Gone"=-\n',
    "good_replace_empty.reg": bytes([REPLACE]) + b"REGEDIT4\n",
    "good_replace_dry_run.reg": bytes([REPLACE | DRY_RUN]) + b"REGEDIT4\n[HKEY_CURRENT_USER\\Software\\Korvex\\IEEE\\0002]\n"
        b'"UserName"="IEEE2"\n',
})


def write(target, seeds):
    folder = os.path.join(CORPUS, target)
    os.makedirs(folder, exist_ok=True)
    for seed_name, data in seeds.items():
        assert re.fullmatch(r"[A-Za-z0-9_.]+", seed_name)
        with open(os.path.join(folder, seed_name), "wb") as f:
            f.write(data)


write("configuration", CONFIGURATION)
write("regfile", REGFILE)
write("bench", BENCH)
write("mex_args", MEX_ARGS)
write("import", IMPORT)
