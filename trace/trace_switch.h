// The I/O trace's switch: the configuration root's Trace value, which every
// running program sees within kSwitchLookMs, or QUENBUS_SIMBUS_TRACE for one
// process; and the trace's cap, the root's TraceCap value.
#pragma once

#include <cstddef>

const size_t kDefaultTraceCap = 4 * 1024 * 1024;
const size_t kMinTraceCap = 16 * 1024;
const size_t kMaxTraceCap = 1024 * 1024 * 1024;
// How long a program goes on with what it last read of the switch.
const long long kSwitchLookMs = 250;

// Whether this process records its calls now. Between looks at the
// registry it costs a reading of a coarse clock and of the environment.
bool TraceWanted();
// The cap, as last looked at: TraceCap within kMinTraceCap and kMaxTraceCap,
// else kDefaultTraceCap.
size_t TraceCap();

struct TraceSwitch {
    bool on = false;
    size_t cap = kDefaultTraceCap;
};

// The switch as the configuration holds it now.
TraceSwitch ReadTraceSwitch();
// Sets the switch, and the cap when `cap` is not 0; false when there is no
// configuration root (it is not made for this) or it cannot be written.
bool WriteTraceSwitch(bool on, size_t cap);
