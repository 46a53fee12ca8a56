// The bus log: the substitute libraries append one line per call (name,
// arguments and result) to the file named by QUENBUS_SIMBUS_TRACE, when set.
#pragma once

#include <cstddef>
#include <string>

#include "text/quoted_text.h"

bool TraceEnabled();
void TraceLine(const std::string& line);
// One call's line: "call = result", with " error N" when the call failed
// with an error number.
void TraceCall(const std::string& call, long long result, int error);

// The first bytes of binary data, quoted, at most kTracedBytes of them;
// (null) for null data.
const size_t kTracedBytes = 64;
std::string QuotedHead(const char* data, size_t count);
