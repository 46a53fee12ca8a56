"""The PyVISA backend: VISA's calls on the bus driver library."""
import itertools

from pyvisa import constants, rname
from pyvisa.highlevel import ResourceInfo, VisaLibraryBase
from pyvisa.util import LibraryPath

from . import __version__, library, resource_names
from .sessions import DeviceSession, InterfaceSession, Refused

# Library error numbers as VISA status codes.
_STATUS_OF_ERROR = {
    library.ERR_NO_LISTENER: constants.VI_ERROR_NLISTENERS,
    library.ERR_TIMEOUT: constants.VI_ERROR_TMO,
    library.ERR_BAD_ARGUMENT: constants.VI_ERROR_INV_PARAMETER,
    library.ERR_BAD_HANDLE: constants.VI_ERROR_INV_OBJECT,
    library.ERR_ALREADY_OPEN: constants.VI_ERROR_RSRC_BUSY,
    library.ERR_NO_BOARD: constants.VI_ERROR_RSRC_NFOUND,
    library.ERR_BUSY: constants.VI_ERROR_RSRC_BUSY,
    library.ERR_UNKNOWN_NAME: constants.VI_ERROR_RSRC_NFOUND,
    library.ERR_NOT_SUPPORTED: constants.VI_ERROR_NSUP_OPER,
}

_STATUS_OF_END = {
    library.END_EOI: constants.VI_SUCCESS,
    library.END_EOS: constants.VI_SUCCESS_TERM_CHAR,
    library.END_FULL: constants.VI_SUCCESS_MAX_CNT,
}

_SERVICE_REQUEST = constants.VI_EVENT_SERVICE_REQ
_ALL_EVENTS = constants.VI_ALL_ENABLED_EVENTS


def status_of_error(error):
    return _STATUS_OF_ERROR.get(error, constants.VI_ERROR_IO)


def _pyvisa_spelling(name):
    """The name as PyVISA's own parser writes it, which Resource passes to open."""
    try:
        return str(rname.ResourceName.from_string(name))
    except rname.InvalidResourceName:
        return name


class QuenbusVisaLibrary(VisaLibraryBase):
    """GPIB resources of the configured bus, through the bus driver library."""

    @staticmethod
    def get_library_paths():
        return tuple(LibraryPath(path, found) for path, found in library.library_candidates())

    @staticmethod
    def get_debug_info():
        info = {"Version": __version__, "Library variable": library.LIBRARY_VARIABLE}
        for path, found in library.library_candidates():
            try:
                drovane = library.Drovane(path)
            except OSError as error:
                info.setdefault("Not loaded", []).append("%s (%s): %s" % (path, found, error))
                continue
            info["Library"] = "%s (%s)" % (path, found)
            info["Interfaces"] = [
                "GPIB%d: %s" % (number, name.decode("latin-1")) for number, name in drovane.interfaces()
            ]
            break
        return info

    def _init(self):
        path = str(self.library_path)
        self.drovane = library.Drovane(path)
        self.sessions = {}
        self._numbers = itertools.count(1)
        # Resource names as PyVISA respells them, with the name the caller gave.
        self._spellings = {}

    # Helpers.
    def _new_session(self, state):
        session = next(self._numbers)
        self.sessions[session] = state
        return session

    def _fail(self, session, status):
        """Records the error `status` for the session and raises it (VisaIOError)."""
        self.handle_return_value(session, status)

    def _state(self, session):
        """The session's resource; None for the resource manager's own session."""
        if session not in self.sessions:
            self._fail(None, constants.VI_ERROR_INV_OBJECT)
        return self.sessions[session]

    def _resource(self, session):
        state = self._state(session)
        if state is None:
            self._fail(session, constants.VI_ERROR_NSUP_OPER)
        return state

    def _run(self, session, work):
        """Runs a library call for the session: its result, library failures raised as VISA's."""
        try:
            return work()
        except library.LibraryError as failure:
            self._fail(session, status_of_error(failure.error))

    def _device(self, session):
        state = self._resource(session)
        if not isinstance(state, DeviceSession):
            self._fail(session, constants.VI_ERROR_NSUP_OPER)
        return state

    def _interface(self, session):
        state = self._resource(session)
        if not isinstance(state, InterfaceSession):
            self._fail(session, constants.VI_ERROR_NSUP_OPER)
        return state

    def _parsed(self, resource_name):
        parsed = self._spellings.get(resource_name)
        if parsed is not None:
            return parsed
        return resource_names.parse(resource_name)

    # The resource manager.
    def open_default_resource_manager(self):
        session = self._new_session(None)
        return session, self.handle_return_value(session, constants.VI_SUCCESS)

    def list_resources(self, session, query="?*::INSTR"):
        names = []
        for number, _ in self.drovane.interfaces():
            for primary, secondary, _ in self.drovane.devices(number):
                name = resource_names.canonical(resource_names.GpibName(number, "INSTR", primary, secondary))
                if name not in names:
                    names.append(name)
            names.append("GPIB%d::INTFC" % number)
        return tuple(rname.filter(names, query))

    def parse_resource_extended(self, session, resource_name):
        try:
            parsed = resource_names.parse(resource_name)
        except resource_names.InvalidName:
            return (
                ResourceInfo(constants.InterfaceType.unknown, 0, None, None, None),
                constants.StatusCode.error_invalid_resource_name,
            )
        spelled = _pyvisa_spelling(resource_name)
        self._spellings[spelled] = parsed
        info = ResourceInfo(constants.InterfaceType.gpib, parsed.board, parsed.resource_class, spelled, None)
        return info, constants.StatusCode.success

    def open(self, session, resource_name, access_mode=constants.AccessModes.no_lock, open_timeout=0):
        try:
            parsed = self._parsed(resource_name)
        except resource_names.InvalidName:
            self._fail(None, constants.VI_ERROR_INV_RSRC_NAME)
        if access_mode != constants.AccessModes.no_lock:
            self._fail(None, constants.VI_ERROR_NSUP_OPER)
        names = dict(self.drovane.interfaces())
        interface_name = names.get(parsed.board)
        if interface_name is None:
            self._fail(None, constants.VI_ERROR_RSRC_NFOUND)
        try:
            if parsed.resource_class == "INTFC":
                state = InterfaceSession(self.drovane, parsed, interface_name)
            else:
                device_name = b""
                for primary, secondary, name in self.drovane.devices(parsed.board):
                    if (primary, secondary) == (parsed.primary, parsed.secondary):
                        device_name = name
                        break
                state = DeviceSession(self.drovane, parsed, interface_name, device_name)
        except library.LibraryError as failure:
            self._fail(None, status_of_error(failure.error))
        new = self._new_session(state)
        return new, self.handle_return_value(new, constants.VI_SUCCESS)

    def close(self, session):
        state = self._state(session)
        del self.sessions[session]
        if state is not None:
            self._run(session, state.close)
        return self.handle_return_value(session, constants.VI_SUCCESS)

    # Attributes.
    def get_attribute(self, session, attribute):
        state = self._resource(session)
        try:
            value = state.get(attribute)
        except Refused as refusal:
            self._fail(session, refusal.status)
        return value, self.handle_return_value(session, constants.VI_SUCCESS)

    def set_attribute(self, session, attribute, attribute_state):
        state = self._resource(session)
        try:
            state.set(attribute, attribute_state)
        except Refused as refusal:
            return self._fail(session, refusal.status)
        return self.handle_return_value(session, constants.VI_SUCCESS)

    # Transfers.
    def read(self, session, count):
        state = self._device(session)
        data, ended = self._run(session, lambda: self.drovane.read(state.current_handle(), count))
        return data, self.handle_return_value(session, _STATUS_OF_END.get(ended, constants.VI_SUCCESS))

    def write(self, session, data):
        state = self._device(session)
        sent = self._run(session, lambda: self.drovane.write(state.current_handle(), bytes(data), state.send_end))
        return sent, self.handle_return_value(session, constants.VI_SUCCESS)

    def flush(self, session, mask):
        # Nothing is buffered here: every read and write goes to the library at once.
        self._resource(session)
        return self.handle_return_value(session, constants.VI_SUCCESS)

    # GPIB operations.
    def clear(self, session):
        state = self._device(session)
        self._run(session, lambda: self.drovane.clear(state.current_handle()))
        state.polled_status = None
        return self.handle_return_value(session, constants.VI_SUCCESS)

    def assert_trigger(self, session, protocol):
        state = self._device(session)
        if protocol not in (constants.VI_TRIG_PROT_DEFAULT,):
            return self._fail(session, constants.VI_ERROR_INV_PROT)
        self._run(session, lambda: self.drovane.trigger(state.current_handle()))
        return self.handle_return_value(session, constants.VI_SUCCESS)

    def read_stb(self, session):
        state = self._device(session)
        if state.polled_status is not None:
            status, state.polled_status = state.polled_status, None
        else:
            status = self._run(session, lambda: self.drovane.serial_poll(state.current_handle()))
        return status, self.handle_return_value(session, constants.VI_SUCCESS)

    def gpib_control_ren(self, session, mode):
        state = self._resource(session)
        if isinstance(state, DeviceSession):
            if mode != constants.VI_GPIB_REN_ADDRESS_GTL:
                return self._fail(session, constants.VI_ERROR_NSUP_OPER)
            self._run(session, lambda: self.drovane.local(state.current_handle()))
            return self.handle_return_value(session, constants.VI_SUCCESS)
        lines = {
            constants.VI_GPIB_REN_DEASSERT: (False, False),
            constants.VI_GPIB_REN_DEASSERT_GTL: (False, False),
            constants.VI_GPIB_REN_ASSERT: (True, False),
            constants.VI_GPIB_REN_ASSERT_LLO: (True, True),
        }
        if mode not in lines:
            return self._fail(session, constants.VI_ERROR_INV_MODE)
        enable, lockout = lines[mode]
        self._run(session, lambda: self.drovane.remote_enable(state.handle, enable, lockout))
        return self.handle_return_value(session, constants.VI_SUCCESS)

    def gpib_send_ifc(self, session):
        state = self._interface(session)
        self._run(session, lambda: self.drovane.interface_clear(state.handle))
        return self.handle_return_value(session, constants.VI_SUCCESS)

    # Events: the service request, by the queue, waited for with wait_on_event.
    def enable_event(self, session, event_type, mechanism, context=None):
        state = self._device(session)
        if event_type != _SERVICE_REQUEST:
            return self._fail(session, constants.VI_ERROR_INV_EVENT)
        if mechanism != constants.VI_QUEUE:
            return self._fail(session, constants.VI_ERROR_NSUP_MECH)
        state.enabled_events.add(event_type)
        return self.handle_return_value(session, constants.VI_SUCCESS)

    def disable_event(self, session, event_type, mechanism):
        state = self._resource(session)
        if event_type == _ALL_EVENTS:
            state.enabled_events.clear()
        else:
            state.enabled_events.discard(event_type)
        return self.handle_return_value(session, constants.VI_SUCCESS)

    def discard_events(self, session, event_type, mechanism):
        state = self._resource(session)
        if isinstance(state, DeviceSession) and event_type in (_SERVICE_REQUEST, _ALL_EVENTS):
            state.polled_status = None
        return self.handle_return_value(session, constants.VI_SUCCESS)

    def wait_on_event(self, session, in_event_type, timeout):
        state = self._device(session)
        if in_event_type != _SERVICE_REQUEST:
            self._fail(session, constants.VI_ERROR_INV_EVENT)
        if in_event_type not in state.enabled_events:
            self._fail(session, constants.VI_ERROR_NENABLED)
        wait = library.WAIT_FOREVER if timeout == constants.VI_TMO_INFINITE else max(int(timeout), 0)
        status = self._run(session, lambda: self.drovane.wait_request(state.current_handle(), wait))
        # The wait polled the device, which cleared its request: the next read_stb gets that poll.
        state.polled_status = status
        return in_event_type, None, self.handle_return_value(session, constants.VI_SUCCESS)

    def install_handler(self, session, event_type, handler, user_handle):
        return self._fail(session, constants.VI_ERROR_NSUP_MECH)

    def uninstall_handler(self, session, event_type, handler, user_handle=None):
        return self._fail(session, constants.VI_ERROR_NSUP_MECH)

    def lock(self, session, lock_type, timeout, requested_key=None):
        return self._fail(session, constants.VI_ERROR_NSUP_OPER)

    def unlock(self, session):
        return self._fail(session, constants.VI_ERROR_NSUP_OPER)
