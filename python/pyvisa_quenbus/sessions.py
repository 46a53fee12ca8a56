"""The state of one open resource: its library handle and VISA attributes."""
from pyvisa import constants

from . import library
from .resource_names import canonical

# VISA's defaults for a GPIB session.
DEFAULT_TIMEOUT_MS = 2000
DEFAULT_TERMCHAR = 0x0A


class Refused(Exception):
    """A refused attribute: the VISA status to raise."""

    def __init__(self, status):
        super().__init__(status)
        self.status = status


def library_timeout(visa_timeout):
    """The library's device time-out for a VISA one (1 ms or more): infinite is the longest."""
    if visa_timeout == constants.VI_TMO_INFINITE:
        return library.MAX_TIMEOUT_MS
    return min(visa_timeout, library.MAX_TIMEOUT_MS)


class Session:
    """What every resource has: its name, its interface, read-only attributes."""

    def __init__(self, drovane, parsed, interface_name):
        self.drovane = drovane
        self.parsed = parsed
        self.interface_name = interface_name
        self.timeout = DEFAULT_TIMEOUT_MS
        self.handle = None
        self.enabled_events = set()

    def fixed_attributes(self):
        return {
            constants.VI_ATTR_INTF_TYPE: constants.VI_INTF_GPIB,
            constants.VI_ATTR_INTF_NUM: self.parsed.board,
            constants.VI_ATTR_RSRC_CLASS: self.parsed.resource_class,
            constants.VI_ATTR_RSRC_NAME: canonical(self.parsed),
            constants.VI_ATTR_INTF_INST_NAME: self.interface_name.decode("latin-1"),
            constants.VI_ATTR_RSRC_MANF_NAME: "quenbus",
        }

    def get(self, attribute):
        fixed = self.fixed_attributes()
        if attribute in fixed:
            return fixed[attribute]
        if attribute == constants.VI_ATTR_TMO_VALUE:
            return self.timeout
        raise Refused(constants.VI_ERROR_NSUP_ATTR)

    def set(self, attribute, value):
        if attribute in self.fixed_attributes():
            raise Refused(constants.VI_ERROR_ATTR_READONLY)
        if attribute == constants.VI_ATTR_TMO_VALUE:
            if not 0 <= value <= constants.VI_TMO_INFINITE:
                raise Refused(constants.VI_ERROR_NSUP_ATTR_STATE)
            # The library waits 1 ms at least: immediate is 1 ms, as some VISA libraries do.
            self.timeout = max(value, 1)
            return
        raise Refused(constants.VI_ERROR_NSUP_ATTR)

    def close(self):
        if self.handle is not None:
            handle, self.handle = self.handle, None
            self.drovane.close(handle)


class InterfaceSession(Session):
    """GPIB<n>::INTFC: the interface itself, opened by its name."""

    def __init__(self, drovane, parsed, interface_name):
        super().__init__(drovane, parsed, interface_name)
        self.handle = drovane.open_interface(interface_name)


class DeviceSession(Session):
    """GPIB<n>::<pad>[::<sad>]::INSTR: a device, reopened when its settings change."""

    def __init__(self, drovane, parsed, interface_name, device_name):
        super().__init__(drovane, parsed, interface_name)
        self.device_name = device_name
        self.termchar = DEFAULT_TERMCHAR
        self.termchar_enabled = False
        self.send_end = True
        self.suppress_end = False
        # A status byte that a wait for the service request polled, for the next read_stb.
        self.polled_status = None
        self.handle = self._open()
        self._stale = False

    def _open(self):
        term_in = library.TermRecord()
        term_in.eoi = 0 if self.suppress_end else 1
        term_in.eosEnabled = 1 if self.termchar_enabled else 0
        term_in.eosChar = self.termchar
        term_out = library.TermRecord()
        term_out.eoi = 1
        return self.drovane.open_device(
            self.interface_name,
            self.device_name,
            self.parsed.primary,
            self.parsed.secondary,
            term_in,
            term_out,
            library_timeout(self.timeout),
        )

    def current_handle(self):
        """The handle, reopened first when a setting changed since it opened."""
        if self._stale:
            fresh = self._open()
            self.close()
            self.handle = fresh
            self._stale = False
        return self.handle

    def get(self, attribute):
        values = {
            constants.VI_ATTR_TERMCHAR: self.termchar,
            constants.VI_ATTR_TERMCHAR_EN: self.termchar_enabled,
            constants.VI_ATTR_SEND_END_EN: self.send_end,
            constants.VI_ATTR_SUPPRESS_END_EN: self.suppress_end,
            constants.VI_ATTR_IO_PROT: constants.VI_PROT_NORMAL,
        }
        if attribute in values:
            return values[attribute]
        return super().get(attribute)

    def fixed_attributes(self):
        fixed = super().fixed_attributes()
        fixed[constants.VI_ATTR_GPIB_PRIMARY_ADDR] = self.parsed.primary
        secondary = self.parsed.secondary
        fixed[constants.VI_ATTR_GPIB_SECONDARY_ADDR] = constants.VI_NO_SEC_ADDR if secondary is None else secondary
        return fixed

    def set(self, attribute, value):
        flags = {
            constants.VI_ATTR_TERMCHAR_EN: "termchar_enabled",
            constants.VI_ATTR_SEND_END_EN: "send_end",
            constants.VI_ATTR_SUPPRESS_END_EN: "suppress_end",
        }
        if attribute in flags:
            setattr(self, flags[attribute], bool(value))
        elif attribute == constants.VI_ATTR_TERMCHAR:
            if not 0 <= value <= 0xFF:
                raise Refused(constants.VI_ERROR_NSUP_ATTR_STATE)
            self.termchar = value
        elif attribute == constants.VI_ATTR_IO_PROT:
            if value != constants.VI_PROT_NORMAL:
                raise Refused(constants.VI_ERROR_NSUP_ATTR_STATE)
            return
        else:
            super().set(attribute, value)
        if attribute != constants.VI_ATTR_SEND_END_EN:
            self._stale = True
