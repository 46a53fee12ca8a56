"""PyVISA's own message-based resource tests, against the recorder at GPIB0::19.

The tests of the event and lock mixins do not apply and are skipped, each with
its reason: the backend offers the service request by the queue only (no
handlers, no I/O completion events) and has no VISA locks."""
import pytest
from pyvisa.testsuite import keysight_assisted_tests
from pyvisa.testsuite.keysight_assisted_tests import copy_func
from pyvisa.testsuite.keysight_assisted_tests.messagebased_resource_utils import (
    EventAwareMessagebasedResourceTestCaseMixin,
    LockableMessagedBasedResourceTestCaseMixin,
    MessagebasedResourceTestCase,
)

keysight_assisted_tests.RESOURCE_ADDRESSES["GPIB::INSTR"] = "GPIB0::19::INSTR"

HANDLERS = "event handlers (callbacks): the service request is offered by the queue only"
NOT_APPLICABLE = {
    "test_handling_invalid_handler": HANDLERS,
    "test_uninstalling_missing_visa_handler": HANDLERS,
    "test_handler_clean_up_on_resource_del": HANDLERS,
    "test_uninstall_all_handlers": HANDLERS,
    "test_managing_visa_handler": HANDLERS,
    "test_wrapping_handler": HANDLERS,
    "test_bare_handler": HANDLERS,
    "test_manual_async_read": "asynchronous reads and their I/O completion events",
    "test_getting_unknown_buffer": "asynchronous reads and their buffers",
    "test_wait_on_event": "the delayed service request commands of PyVISA's virtual instrument (RCVSLOWSRQ)",
    "test_shared_locking": "VISA locks",
    "test_exclusive_locking": "VISA locks",
}


class TestQuenbusGpibInstr(
    LockableMessagedBasedResourceTestCaseMixin,
    EventAwareMessagebasedResourceTestCaseMixin,
    MessagebasedResourceTestCase,
):
    RESOURCE_TYPE = "GPIB::INSTR"
    # The library's shortest time-out: immediate becomes 1 ms.
    MINIMAL_TIMEOUT = 1


for _name, _reason in NOT_APPLICABLE.items():
    setattr(
        TestQuenbusGpibInstr,
        _name,
        pytest.mark.skip(reason="not applicable: " + _reason)(copy_func(getattr(TestQuenbusGpibInstr, _name))),
    )
