#include "cli/long_query_command.h"

#include "cli/bus_address.h"
#include "cli/exit_status.h"
#include "cli/hex_dump.h"
#include "cli/partial_file.h"
#include "cli/transfer_command.h"
#include "cli/transfer_progress.h"

#include <memory>

namespace {

// Where the reply's bytes go: the file, or `out` as they are or as a hex dump.
class ReplyTarget {
public:
    ReplyTarget(std::ostream& out, PartialFile* file, bool hex, bool quiet, std::ostream& err)
        : out_(out), file_(file), hex_(hex), dump_(out), progress_(err, quiet)
    {
    }

    bool Take(const char* data, size_t count)
    {
        if (file_) {
            failed_ = !file_->Write(data, count);
        } else {
            if (hex_)
                dump_.Add(data, count);
            else
                out_.write(data, count);
            failed_ = !out_;
        }
        if (failed_)
            return false;
        bytes_ += count;
        progress_.Add(count);
        return true;
    }

    void Finish()
    {
        if (hex_)
            dump_.Finish();
        out_.flush();
        progress_.Finish();
    }

    bool Failed() const { return failed_; }
    std::string Problem() const { return file_ ? file_->Problem() : "standard output cannot be written"; }
    size_t Bytes() const { return bytes_; }

private:
    std::ostream& out_;
    PartialFile* file_;
    bool hex_;
    HexDump dump_;
    TransferProgress progress_;
    bool failed_ = false;
    size_t bytes_ = 0;
};

// Why a read that did not end well ended.
std::string ReadProblem(const LongReply& reply, const ReplyTarget& target, const Connection& connection)
{
    if (target.Failed())
        return target.Problem();
    switch (reply.result) {
    case LongRead::Malformed:
        return "a malformed block: " + reply.problem;
    case LongRead::TooLong:
        return reply.problem + " (--limit BYTES raises the limit)";
    default:
        return reply.problem.empty() ? "the read failed: " + connection.LastErrorText() : reply.problem;
    }
}

} // namespace

int LongQueryCommand(const std::string& address, const std::string& text, const LongQueryOptions& options,
                     std::ostream& out, std::ostream& err)
{
    if (!AddressFits(address, err))
        return kUsageError;
    std::unique_ptr<PartialFile> file;
    if (!options.outputFile.empty()) {
        file.reset(new PartialFile(options.outputFile));
        if (!file->Opened()) {
            err << "quenbus: " << file->Problem() << '\n';
            return 1;
        }
    }
    // A carriage return is data of a reply read whole: only END ends it.
    Connection connection;
    connection.EndReadsOnlyWithEnd();
    if (!OpenToolAddress(connection, address, options.timeoutMs).ok) {
        ReportStatus(address, kOpenFailed, "", err);
        return 1;
    }
    uint8_t status = 0;
    std::string problem;
    ReplyTarget target(out, file.get(), options.hex, options.quiet, err);
    if (connection.Send(text.c_str()).ok) {
        ReplySink sink = [&target](const char* data, size_t count) { return target.Take(data, count); };
        LongReply reply = options.block ? StreamBlock(connection, sink, options.limit)
                                        : StreamWhole(connection, sink, options.limit);
        target.Finish();
        if (reply.result == LongRead::NotABlock)
            err << "quenbus: the reply holds no IEEE 488.2 block; all of it "
                << (file ? "was written" : "is shown") << '\n';
        if (reply.result != LongRead::Done && reply.result != LongRead::NotABlock) {
            status |= kTransferFailed;
            problem = ReadProblem(reply, target, connection);
        }
    } else {
        status |= kTransferFailed;
        problem = "the command was not sent: " + connection.LastErrorText();
    }
    status |= connection.Close().ok ? 0 : kCloseFailed;
    if (status == 0 && file && !file->Commit()) {
        err << "quenbus: " << file->Problem() << '\n';
        return 1;
    }
    if (status != 0) {
        ReportStatus(address, status, problem, err);
        return 1;
    }
    if (file)
        err << "quenbus: wrote " << target.Bytes() << " bytes to " << options.outputFile << '\n';
    return 0;
}
