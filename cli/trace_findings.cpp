#include "cli/trace_findings.h"

#include "cli/trace_show.h"
#include "text/quoted_text.h"

#include <map>

namespace {

// The failures of one address, in the order they came.
struct AddressFailures {
    std::vector<const TraceEntry*> missedEnds;  // time-outs on reads after bytes arrived without their end
    std::vector<const TraceEntry*> timeouts;
    std::vector<const TraceEntry*> noListener;
};

// A read that timed out after bytes arrived, none of which was the input
// end-of-string character: the reply ended otherwise.
bool MissedItsEnd(const TraceEntry& entry)
{
    if (entry.transfer != TraceTransfer::Read || entry.failure != TraceFailure::Timeout || entry.dataLength <= 0 ||
        static_cast<long long>(entry.data.size()) < entry.dataLength)
        return false;
    return entry.termInEos == kNotTraced || entry.data.find(static_cast<char>(entry.termInEos)) == std::string::npos;
}

std::string Times(size_t count, const char* what)
{
    return std::to_string(count) + " " + what + (count == 1 ? "" : "s");
}

std::string LastOf(const std::vector<const TraceEntry*>& entries)
{
    const TraceEntry& last = *entries.back();
    return "last by " + last.process + "[" + std::to_string(last.processId) + "] at " + LocalTime(last.timeUs);
}

std::string MissedEndFinding(const std::string& address, const std::vector<const TraceEntry*>& reads)
{
    const TraceEntry& last = *reads.back();
    int ending = static_cast<unsigned char>(last.data.back());
    std::string finding = "trace: " + address + ": " + Times(reads.size(), "read") + " timed out after " +
                          Quoted(last.data.data(), last.data.size()) + " arrived (" + LastOf(reads) +
                          "): the reply ends with " + ByteName(ending) + " and no END, but the read ends only at " +
                          InputEndText(last) + ", which never came; ";
    bool knownEnd = ending == '\r' || ending == '\n';
    std::string wanted = last.termInEos != kNotTraced ? ByteName(last.termInEos) : std::string("a terminator");
    finding += "make the instrument end its replies with " + wanted + " or send END (EOI) with the last byte";
    if (knownEnd)
        finding += ", or read with " + ByteName(ending) +
                   " as the input terminator (the device's terminators in the applet's Properties, PyVISA's "
                   "read_termination)";
    return finding;
}

std::string NoListenerFinding(const std::string& address, const std::vector<const TraceEntry*>& writes)
{
    std::string interfaceName = address.substr(0, address.find(','));
    return "trace: " + address + ": " + Times(writes.size(), "call") + " found no listener (" + LastOf(writes) +
           "): nothing listens at that address; check the address (quenbus scan " + interfaceName +
           " lists the instruments that answer), that the instrument is on, and its cable";
}

std::string TimeoutFinding(const std::string& address, const std::vector<const TraceEntry*>& timeouts)
{
    const TraceEntry& last = *timeouts.back();
    std::string limit = last.timeoutMs >= 0 ? " of " + std::to_string(last.timeoutMs) + " ms" : "";
    return "trace: " + address + ": " + Times(timeouts.size(), "time-out") + limit + " (" + LastOf(timeouts) +
           "): the instrument does not answer; check that each command read after is a query it knows (a "
           "command that is no query has no reply), raise the time-out if it needs longer, or clear it (quenbus "
           "clear " +
           address + ") when an earlier reply was left unread";
}

} // namespace

std::vector<std::string> TraceFindings(const std::vector<TraceEntry>& entries, long long nowUs)
{
    std::map<std::string, AddressFailures> byAddress;
    for (const TraceEntry& entry : entries) {
        if (entry.timeUs < nowUs - kRecentTraceUs || entry.address.empty())
            continue;
        AddressFailures& failures = byAddress[entry.address];
        if (entry.failure == TraceFailure::Timeout) {
            failures.timeouts.push_back(&entry);
            if (MissedItsEnd(entry))
                failures.missedEnds.push_back(&entry);
        } else if (entry.failure == TraceFailure::NoListener) {
            failures.noListener.push_back(&entry);
        }
    }
    std::vector<std::string> findings;
    for (const auto& found : byAddress) {
        const AddressFailures& failures = found.second;
        if (!failures.missedEnds.empty())
            findings.push_back(MissedEndFinding(found.first, failures.missedEnds));
        else if (failures.timeouts.size() >= static_cast<size_t>(kRepeatedTimeouts))
            findings.push_back(TimeoutFinding(found.first, failures.timeouts));
        if (!failures.noListener.empty())
            findings.push_back(NoListenerFinding(found.first, failures.noListener));
    }
    return findings;
}
