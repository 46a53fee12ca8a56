#include "cli/console_command.h"

#include "buslink/connection.h"
#include "buslink/device_operations.h"
#include "buslink/long_reply.h"
#include "buslink/transfers.h"
#include "cli/bus_address.h"
#include "cli/exit_status.h"
#include "cli/hex_dump.h"
#include "cli/operation_commands.h"
#include "cli/transfer_command.h"

#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

// How replies are printed: busquery's 255 characters, whole, or as a hex dump.
enum class ReplyForm { Text, Raw, Hex };

class Console {
public:
    Console(const std::string& address, ConsoleStreams streams)
        : address_(address), io_(streams)
    {
    }

    void Open(long timeoutMs)
    {
        Report(OpenToolAddress(connection_, address_, timeoutMs), kOpenFailed);
        timeoutMs_ = timeoutMs;
    }

    // False after :quit.
    bool Line(const std::string& line)
    {
        if (line.empty())
            return true;
        if (line == ":quit")
            return false;
        if (line == ":read")
            Read();
        else if (line.compare(0, 9, ":timeout ") == 0)
            ChangeTimeout(line.substr(9));
        else if (line == ":history")
            ShowHistory();
        else if (line == ":text")
            form_ = ReplyForm::Text;
        else if (line == ":raw")
            form_ = ReplyForm::Raw;
        else if (line == ":hex")
            form_ = ReplyForm::Hex;
        else if (line == ":clear")
            Operate(DeviceOperation::Clear, 0);
        else if (line == ":trigger")
            Operate(DeviceOperation::Trigger, 0);
        else if (line == ":spoll")
            Operate(DeviceOperation::SerialPoll, 0);
        else if (line == ":local")
            Operate(DeviceOperation::Local, 0);
        else if (line == ":wait-srq" || line.compare(0, 10, ":wait-srq ") == 0)
            WaitRequest(line.size() > 10 ? line.substr(10) : "");
        else if (line[0] == '!')
            Repeat(line.substr(1));
        else if (line[0] == ':')
            io_.err << "quenbus: unknown console command " << line
                    << "; the commands are :read, :timeout MS, :raw, :hex, :text, :clear, :trigger, :spoll, "
                       ":local, :wait-srq [MS], :history, !N and :quit\n";
        else
            Send(line);
        return true;
    }

    void Close() { Report(connection_.Close(), kCloseFailed); }

    bool Failed() const { return failed_; }

private:
    std::string address_;
    ConsoleStreams io_;
    Connection connection_;
    std::vector<std::string> history_;
    long timeoutMs_ = 0;
    bool failed_ = false;
    ReplyForm form_ = ReplyForm::Text;

    // A failed step in the words of the MATLAB commands' status bit `bit`.
    void Report(const StepOutcome& outcome, uint8_t bit)
    {
        if (outcome.ok)
            return;
        failed_ = true;
        io_.err << "quenbus: " << address_ << ": " << StatusWords(bit) << '\n';
    }

    void PrintReply()
    {
        std::string text = MatlabReplyText(connection_.Reply());
        io_.out << text;
        if (text.empty() || text.back() != '\n')
            io_.out << '\n';
    }

    void Send(const std::string& line)
    {
        history_.push_back(line);
        if (line.back() != '?') {
            Report(connection_.Send(line.c_str()), kTransferFailed);
            return;
        }
        if (form_ != ReplyForm::Text) {
            Report(connection_.Send(line.c_str()), kTransferFailed);
            PrintWholeReply();
            return;
        }
        Report(connection_.Query(line.c_str(), kReplySize), kTransferFailed);
        PrintReply();
    }

    // The reply up to its end, whatever its length; a line feed after it
    // when it does not end with one.
    void PrintWholeReply()
    {
        HexDump dump(io_.out);
        char last = '\n';
        LongReply reply = StreamWhole(connection_, [&](const char* data, size_t count) {
            if (form_ == ReplyForm::Hex)
                dump.Add(data, count);
            else
                io_.out.write(data, count);
            last = data[count - 1];
            return true;
        }, kDefaultReplyLimit, true);
        if (form_ == ReplyForm::Hex)
            dump.Finish();
        else if (last != '\n')
            io_.out << '\n';
        if (reply.result == LongRead::Done)
            return;
        failed_ = true;
        io_.err << "quenbus: " << address_ << ": " << StatusWords(kTransferFailed) << ": "
                << (reply.problem.empty() ? "the read failed: " + connection_.LastErrorText() : reply.problem) << '\n';
    }

    void Read()
    {
        if (form_ != ReplyForm::Text) {
            PrintWholeReply();
            return;
        }
        if (connection_.IsSicl()) {
            io_.err << "quenbus: the SICL library reads only in a query; end the line with ?\n";
            return;
        }
        Report(connection_.Receive(kReplySize), kTransferFailed);
        PrintReply();
    }

    void ChangeTimeout(const std::string& text)
    {
        char* end = nullptr;
        long milliseconds = std::strtol(text.c_str(), &end, 10);
        if (text.empty() || *end || milliseconds <= 0) {
            io_.err << "quenbus: \"" << text << "\" is not a time-out; give milliseconds, as :timeout 2000\n";
            return;
        }
        Close();
        Open(milliseconds);
        io_.out << "time-out " << timeoutMs_ << " ms\n";
    }

    // An operation on the device; a poll or a wait prints the status byte.
    void Operate(DeviceOperation operation, unsigned long timeoutMs)
    {
        uint8_t statusByte = 0;
        StepOutcome outcome = RunOperationStep(connection_, operation, timeoutMs, statusByte);
        if (!outcome.ok) {
            failed_ = true;
            io_.err << "quenbus: " << address_ << ": " << StatusWords(kTransferFailed) << ": ";
            if (operation == DeviceOperation::WaitRequest && connection_.LastError() == DRV_ERR_TIMEOUT)
                io_.err << "no service request within " << timeoutMs << " ms\n";
            else
                io_.err << connection_.LastErrorText() << '\n';
        } else if (operation == DeviceOperation::SerialPoll || operation == DeviceOperation::WaitRequest) {
            io_.out << "status byte " << StatusByteText(statusByte) << '\n';
        }
    }

    // :wait-srq [MS]: the console's time-out without MS.
    void WaitRequest(const std::string& text)
    {
        char* end = nullptr;
        unsigned long milliseconds = std::strtoul(text.c_str(), &end, 10);
        if (text.empty())
            milliseconds = static_cast<unsigned long>(timeoutMs_);
        else if (*end || text[0] == '-' || milliseconds > 4294967295UL) {
            io_.err << "quenbus: \"" << text << "\" is not a time-out; give milliseconds, as :wait-srq 5000\n";
            return;
        }
        Operate(DeviceOperation::WaitRequest, milliseconds);
    }

    void ShowHistory()
    {
        for (size_t i = 0; i < history_.size(); ++i)
            io_.out << i + 1 << "  " << history_[i] << '\n';
    }

    void Repeat(const std::string& text)
    {
        char* end = nullptr;
        unsigned long number = std::strtoul(text.c_str(), &end, 10);
        if (text.empty() || *end || number < 1 || number > history_.size()) {
            io_.err << "quenbus: there is no line " << text << " in the history (:history lists it)\n";
            return;
        }
        std::string line = history_[number - 1];
        io_.out << line << '\n';
        Send(line);
    }
};

} // namespace

int ConsoleCommand(const std::string& address, long timeoutMs, ConsoleStreams streams)
{
    if (!AddressFits(address, streams.err))
        return kUsageError;
    Console console(address, streams);
    console.Open(timeoutMs);
    std::string line;
    while (true) {
        if (streams.prompt)
            streams.out << address << "> " << std::flush;
        if (!std::getline(streams.in, line))
            break;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!console.Line(line))
            break;
    }
    console.Close();
    return console.Failed() ? 1 : 0;
}
