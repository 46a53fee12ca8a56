"""The bus driver library, loaded with ctypes, and the calls the backend makes."""
import ctypes
import os
import sys

#: Names the library to load when no path comes before "@quenbus".
LIBRARY_VARIABLE = "QUENBUS_DROVANE_LIBRARY"

# Error numbers of DrvLastError.
ERR_NO_LISTENER = 101
ERR_TIMEOUT = 103
ERR_BAD_ARGUMENT = 104
ERR_BAD_HANDLE = 105
ERR_ALREADY_OPEN = 107
ERR_NO_BOARD = 109
ERR_BUSY = 118
ERR_UNKNOWN_NAME = 120
ERR_NOT_SUPPORTED = 121

# How a read ended (DrvReadEnded).
END_EOI = 1
END_EOS = 2
END_FULL = 3

NO_SECONDARY = 255
MAX_ADDRESS = 30
WAIT_FOREVER = 0xFFFFFFFF
# The longest device time-out the library takes, in milliseconds.
MAX_TIMEOUT_MS = 0x7FFFFFFF

NAME_SIZE = 64


def library_file_name():
    """The library's file name on this system."""
    return "drovane.dll" if sys.platform == "win32" else "libdrovane.so"


def library_candidates(explicit=""):
    """Where to look for the library, in order, as (path, how it was found)."""
    if explicit:
        return [(explicit, "user specified")]
    candidates = []
    named = os.environ.get(LIBRARY_VARIABLE)
    if named:
        candidates.append((named, LIBRARY_VARIABLE))
    beside = os.path.join(os.path.dirname(os.path.abspath(__file__)), library_file_name())
    if os.path.exists(beside):
        candidates.append((beside, "beside the package"))
    candidates.append((library_file_name(), "the system's search path"))
    return candidates


class TermRecord(ctypes.Structure):
    """Terminator settings of one direction of a device."""

    _fields_ = [
        ("eoi", ctypes.c_int32),
        ("reserved", ctypes.c_int32),
        ("eosEnabled", ctypes.c_int32),
        ("eosChar", ctypes.c_uint8),
        ("padding", ctypes.c_uint8 * 3),
    ]


_int = ctypes.c_int
_ulong = ctypes.c_ulong
_byte_pointer = ctypes.POINTER(ctypes.c_uint8)
_int_pointer = ctypes.POINTER(ctypes.c_int)

# Each call: result type and argument types.
_PROTOTYPES = {
    "DrvPrepare": (_int, [_int, _int]),
    "DrvOpenName": (_int, [ctypes.c_char_p]),
    "DrvClose": (_int, [_int]),
    "DrvLastError": (_int, [_int, _int]),
    "DrvOpenDevice": (
        _int,
        [
            ctypes.c_char_p,
            ctypes.c_char_p,
            ctypes.c_uint8,
            _int,
            ctypes.POINTER(TermRecord),
            ctypes.POINTER(TermRecord),
            _int,
        ],
    ),
    "DrvReadEnded": (_int, [_int, ctypes.c_void_p, _ulong, ctypes.POINTER(_ulong), _int_pointer]),
    "DrvWriteBinary": (ctypes.c_long, [_int, ctypes.c_char_p, _ulong, _int]),
    "DrvClear": (_int, [_int]),
    "DrvTrigger": (_int, [_int]),
    "DrvSerialPoll": (_int, [_int, _byte_pointer]),
    "DrvWaitRequest": (_int, [_int, _ulong, _byte_pointer]),
    "DrvLocal": (_int, [_int]),
    "DrvRemoteEnable": (_int, [_int, _int, _int]),
    "DrvInterfaceClear": (_int, [_int]),
    "DrvInterfaceAt": (_int, [_int, _int_pointer, ctypes.c_char_p, _ulong]),
    "DrvDeviceAt": (_int, [_int, _int, _int_pointer, _int_pointer, ctypes.c_char_p, _ulong]),
}


class LibraryError(Exception):
    """A failed call: its error number (DrvLastError)."""

    def __init__(self, error):
        super().__init__("bus driver library error %d" % error)
        self.error = error


class Drovane:
    """The loaded library; each method is one call, failures raise LibraryError."""

    def __init__(self, path):
        loader = ctypes.WinDLL if sys.platform == "win32" else ctypes.CDLL
        self.path = path
        self._dll = loader(path)
        self._calls = {}
        for name, (result, arguments) in _PROTOTYPES.items():
            call = getattr(self._dll, name)
            call.restype = result
            call.argtypes = arguments
            self._calls[name] = call

    def _checked(self, name, handle, *arguments):
        """Runs a call that returns negative on failure; its result."""
        result = self._calls[name](*arguments)
        if result < 0:
            raise LibraryError(self._calls["DrvLastError"](handle, 0))
        return result

    # Listing.
    def interfaces(self):
        """The interfaces that open by name: [(number, name bytes)]."""
        found = []
        number = ctypes.c_int()
        name = ctypes.create_string_buffer(NAME_SIZE)
        index = 0
        while self._checked("DrvInterfaceAt", -1, index, ctypes.byref(number), name, NAME_SIZE) == 1:
            found.append((number.value, name.value))
            index += 1
        return found

    def devices(self, number):
        """The configured devices of interface `number`: [(primary, secondary or None, name bytes)]."""
        found = []
        primary = ctypes.c_int()
        secondary = ctypes.c_int()
        name = ctypes.create_string_buffer(NAME_SIZE)
        index = 0
        while (
            self._checked(
                "DrvDeviceAt",
                -1,
                number,
                index,
                ctypes.byref(primary),
                ctypes.byref(secondary),
                name,
                NAME_SIZE,
            )
            == 1
        ):
            sad = None if secondary.value == NO_SECONDARY else secondary.value
            found.append((primary.value, sad, name.value))
            index += 1
        return found

    # Opening and closing.
    def open_interface(self, name):
        self._calls["DrvPrepare"](-1, 0)
        return self._checked("DrvOpenName", -1, name)

    def open_device(self, interface, device, primary, secondary, term_in, term_out, timeout_ms):
        self._calls["DrvPrepare"](-1, 0)
        return self._checked(
            "DrvOpenDevice",
            -1,
            interface,
            device,
            primary,
            NO_SECONDARY if secondary is None else secondary,
            ctypes.byref(term_in),
            ctypes.byref(term_out),
            timeout_ms,
        )

    def close(self, handle):
        self._checked("DrvClose", handle, handle)

    # Transfers.
    def read(self, handle, size):
        """Up to `size` bytes: (bytes, how the read ended)."""
        buffer = ctypes.create_string_buffer(size)
        count = ctypes.c_ulong()
        ended = ctypes.c_int()
        self._checked("DrvReadEnded", handle, handle, buffer, size, ctypes.byref(count), ctypes.byref(ended))
        return buffer.raw[: count.value], ended.value

    def write(self, handle, data, end):
        return self._checked("DrvWriteBinary", handle, handle, data, len(data), 1 if end else 0)

    # Operations.
    def clear(self, handle):
        self._checked("DrvClear", handle, handle)

    def trigger(self, handle):
        self._checked("DrvTrigger", handle, handle)

    def local(self, handle):
        self._checked("DrvLocal", handle, handle)

    def serial_poll(self, handle):
        status = ctypes.c_uint8()
        self._checked("DrvSerialPoll", handle, handle, ctypes.byref(status))
        return status.value

    def wait_request(self, handle, timeout_ms):
        status = ctypes.c_uint8()
        self._checked("DrvWaitRequest", handle, handle, timeout_ms, ctypes.byref(status))
        return status.value

    def remote_enable(self, handle, enable, lockout):
        self._checked("DrvRemoteEnable", handle, handle, 1 if enable else 0, 1 if lockout else 0)

    def interface_clear(self, handle):
        self._checked("DrvInterfaceClear", handle, handle)
