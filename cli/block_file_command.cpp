#include "cli/block_file_command.h"

#include "cli/bus_address.h"
#include "cli/exit_status.h"
#include "cli/transfer_command.h"
#include "cli/transfer_progress.h"
#include "gpib/arbitrary_block.h"

#include <fstream>
#include <vector>

namespace {

const size_t kChunkSize = 256 * 1024;

} // namespace

int BlockFileCommand(const std::string& address, const std::string& text, const std::string& fileName,
                     const BlockFileOptions& options, std::ostream& err)
{
    if (!AddressFits(address, err))
        return kUsageError;
    std::ifstream file(fileName, std::ios::binary | std::ios::ate);
    std::streamoff length = file ? static_cast<std::streamoff>(file.tellg()) : -1;
    if (length < 0 || !file.seekg(0)) {
        err << "quenbus: cannot read " << fileName << '\n';
        return 1;
    }
    if (static_cast<unsigned long long>(length) > kLongestDefiniteBlock) {
        err << "quenbus: " << fileName << " has " << length << " bytes; a definite-length block holds at most "
            << kLongestDefiniteBlock << '\n';
        return 1;
    }
    const size_t size = static_cast<size_t>(length);
    Connection connection;
    if (!OpenToolAddress(connection, address, options.timeoutMs).ok) {
        ReportStatus(address, kOpenFailed, "", err);
        return 1;
    }
    // One message: the text and the header, then the payload with END on its last byte.
    std::string head = text.c_str() + DefiniteBlockHeader(size);
    bool sent = connection.SendBytes(head.data(), head.size(), size == 0).ok;
    std::string problem;
    TransferProgress progress(err, options.quiet);
    std::vector<char> chunk(size < kChunkSize ? size : kChunkSize);
    for (size_t done = 0; sent && done < size;) {
        size_t part = size - done < chunk.size() ? size - done : chunk.size();
        if (!file.read(chunk.data(), static_cast<std::streamsize>(part))) {
            problem = fileName + " ended after " + std::to_string(done + static_cast<size_t>(file.gcount())) +
                      " of its " + std::to_string(size) + " bytes";
            break;
        }
        sent = connection.SendBytes(chunk.data(), part, done + part == size).ok;
        done += part;
        progress.Add(part);
    }
    progress.Finish();
    if (!sent)
        problem = "the block was not sent: " + connection.LastErrorText();
    uint8_t status = problem.empty() ? 0 : kTransferFailed;
    status |= connection.Close().ok ? 0 : kCloseFailed;
    if (status == 0)
        return 0;
    ReportStatus(address, status, problem, err);
    return 1;
}
