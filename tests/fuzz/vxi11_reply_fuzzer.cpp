// Fuzz target: a gateway's reply stream through RecordReader, in chunks the
// input chooses, each record through ParseRpcReply and its results through
// every core channel decoder. No record passes the limit, the results are
// the record's tail, and whatever a decoder takes is exactly what it would
// write again, no byte more or less.
#include "fuzz_support.h"

#include "vxi11/core_channel.h"
#include "vxi11/onc_rpc.h"
#include "vxi11/portmapper.h"
#include "vxi11/xdr.h"

namespace {

const size_t kLimit = 4096;
const size_t kDataLimit = 256;

size_t Padded(size_t count)
{
    return count + (4 - count % 4) % 4;
}

void CheckDecoders(const std::string& results)
{
    CreateLinkReply link;
    if (DecodeCreateLink(results, link))
        FUZZ_CHECK(results.size() == 16, "create_link took %zu bytes", results.size());
    WriteReply write;
    if (DecodeDeviceWrite(results, write))
        FUZZ_CHECK(results.size() == 8, "device_write took %zu bytes", results.size());
    ReadReply read;
    if (DecodeDeviceRead(results, kDataLimit, read)) {
        FUZZ_CHECK(read.data.size() <= kDataLimit, "device_read gave %zu bytes past its limit", read.data.size());
        FUZZ_CHECK(results.size() == 12 + Padded(read.data.size()), "device_read took %zu bytes for %zu of data",
                   results.size(), read.data.size());
    }
    StatusByteReply stb;
    if (DecodeReadStb(results, stb))
        FUZZ_CHECK(results.size() == 8, "device_readstb took %zu bytes", results.size());
    DocmdReply docmd;
    if (DecodeDocmd(results, kDataLimit, docmd))
        FUZZ_CHECK(results.size() == 8 + Padded(docmd.data.size()), "device_docmd took %zu bytes", results.size());
    int32_t error = 0;
    if (DecodeError(results, error))
        FUZZ_CHECK(results.size() == 4, "Device_Error took %zu bytes", results.size());
    uint32_t port = 0;
    if (DecodeGetPort(results, port))
        FUZZ_CHECK(results.size() == 4, "GETPORT took %zu bytes", results.size());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    // First byte: the chunk size.
    size_t chunk = data[0] % 32 + 1;
    RecordReader reader(kLimit);
    size_t given = 0;
    size_t taken = 0;
    for (size_t at = 1; at < size; at += chunk) {
        size_t count = size - at < chunk ? size - at : chunk;
        reader.Add(reinterpret_cast<const char*>(data + at), count);
        given += count;
        std::string record;
        while (reader.TakeRecord(record)) {
            FUZZ_CHECK(record.size() <= kLimit, "a record of %zu bytes passes the limit", record.size());
            taken += record.size();
            FUZZ_CHECK(taken <= given, "%zu record bytes from %zu given", taken, given);
            uint32_t xid = 0;
            std::string results;
            if (ParseRpcReply(record, xid, results) == RpcReply::Success) {
                FUZZ_CHECK(results.size() <= record.size() &&
                               record.compare(record.size() - results.size(), results.size(), results) == 0,
                           "results of %zu bytes are not the tail of the record", results.size());
                CheckDecoders(results);
            }
        }
        if (reader.Failed())
            break;
    }
    return 0;
}
