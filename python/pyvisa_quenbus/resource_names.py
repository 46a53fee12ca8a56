"""GPIB resource names, parsed here rather than by PyVISA: a device without a
secondary address is not the device at secondary address 0."""
import re
from collections import namedtuple

MAX_ADDRESS = 30

#: A parsed name: board number, "INSTR" or "INTFC", addresses (None for an interface).
GpibName = namedtuple("GpibName", "board resource_class primary secondary")

_INSTR = re.compile(r"GPIB(\d*)::(\d+)(?:::(\d+))?(?:::INSTR)?", re.IGNORECASE)
_INTFC = re.compile(r"GPIB(\d*)::INTFC", re.IGNORECASE)


class InvalidName(ValueError):
    """Not a GPIB resource name this backend takes."""


def parse(name):
    """The GpibName of `name`; InvalidName when it is none."""
    text = name.strip()
    match = _INTFC.fullmatch(text)
    if match:
        return GpibName(int(match.group(1) or 0), "INTFC", None, None)
    match = _INSTR.fullmatch(text)
    if not match:
        raise InvalidName("%r is not a GPIB resource name" % name)
    primary = int(match.group(2))
    secondary = None if match.group(3) is None else int(match.group(3))
    if primary > MAX_ADDRESS:
        raise InvalidName("%r: primary address %d is beyond %d" % (name, primary, MAX_ADDRESS))
    if secondary is not None and secondary > MAX_ADDRESS:
        raise InvalidName("%r: secondary address %d is beyond %d" % (name, secondary, MAX_ADDRESS))
    return GpibName(int(match.group(1) or 0), "INSTR", primary, secondary)


def canonical(parsed):
    """The name in its one spelling: GPIB0::22::INSTR, GPIB0::22::3::INSTR, GPIB0::INTFC."""
    if parsed.resource_class == "INTFC":
        return "GPIB%d::INTFC" % parsed.board
    if parsed.secondary is None:
        return "GPIB%d::%d::INSTR" % (parsed.board, parsed.primary)
    return "GPIB%d::%d::%d::INSTR" % (parsed.board, parsed.primary, parsed.secondary)
