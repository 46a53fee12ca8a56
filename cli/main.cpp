// quenbus: inspect the bus configuration, find what is wrong with it and talk
// to instruments. Each command has one function that declares it, its options
// and the callback that runs it, as CLI11's examples have it; the callback
// leaves the command's exit status (cli/exit_status.h).
#include "cli/adapter_command.h"
#include "cli/block_file_command.h"
#include "cli/check_command.h"
#include "cli/console_command.h"
#include "cli/exit_status.h"
#include "cli/import_command.h"
#include "cli/list_command.h"
#include "cli/long_query_command.h"
#include "cli/operation_commands.h"
#include "cli/scan_command.h"
#include "cli/setup_command.h"
#include "cli/trace_command.h"
#include "cli/transfer_command.h"
#include "config/os_family.h"

#include <CLI/CLI.hpp>

#include <iostream>
#include <memory>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#define isatty _isatty
#else
#include <unistd.h>
#endif

namespace {

const char kAddressHelp[] = "an interface and its primary address, with a secondary address after it when the "
                            "device has one (IEEE0:22, LAN0:22:3), or a SICL address beginning with h (hpib7,22)";
const char kInterfaceHelp[] = "the interface's name, as IEEE0";

void AddList(CLI::App& app, int& status)
{
    auto json = std::make_shared<bool>(false);
    CLI::App* list = app.add_subcommand("list", "the configuration as the IEEE 488 applet shows it");
    list->add_flag("--json", *json, "print one JSON document");
    list->callback([json, &status] { status = ListCommand(*json, std::cout, std::cerr); });
}

void AddCheck(CLI::App& app, int& status)
{
    CLI::App* check = app.add_subcommand("check", "report what is wrong with the configuration, one problem a line; "
                                                  "exit status 1 when something is found");
    check->callback([&status] { status = CheckCommand(std::cout); });
}

// Standard output as bytes: on Windows no line feed becomes CR LF.
void BinaryStdout()
{
#ifdef _WIN32
    std::cout.flush();
    _setmode(_fileno(stdout), _O_BINARY);
#endif
}

const char kQueryExamples[] = "Examples:\n"
                              "  quenbus query IEEE0:22 \"*IDN?\"\n"
                              "  quenbus query IEEE0:17 \"READ?\" --raw\n"
                              "  quenbus query IEEE0:14 \"CURV?\" --block --hex\n"
                              "  quenbus query IEEE0:16 \"CURV?\" --block --output wave.bin";
const char kWriteExamples[] = "Examples:\n"
                              "  quenbus write IEEE0:22 \"*RST\"\n"
                              "  quenbus write IEEE0:18 \"WAV:DATA \" --block-file wave.bin";
const char kQuietHelp[] = "show no progress line (a transfer that lasts over a second shows one on standard error)";
const char kTimeoutHelp[] = "the I/O time-out in milliseconds (20000)";
// Up to an hour.
const CLI::Range kTimeoutRange(1L, 3600000L);

void AddQuery(CLI::App& app, int& status)
{
    struct Arguments {
        std::string address;
        std::string text;
        bool raw = false;
        LongQueryOptions options;
    };
    auto arguments = std::make_shared<Arguments>();
    LongQueryOptions& options = arguments->options;
    CLI::App* query = app.add_subcommand("query", "send TEXT to the instrument at ADDRESS and print its reply, cut at "
                                                  "255 characters and at a NUL as busquery cuts it (said on "
                                                  "standard error when it is), or whole with --raw");
    query->add_option("ADDRESS", arguments->address, kAddressHelp)->required();
    query->add_option("TEXT", arguments->text, "the command text")->required();
    query->add_flag("--raw", arguments->raw, "print the whole reply, any length, bytes as they are");
    query->add_flag("--block", options.block,
                    "print only the payload of the IEEE 488.2 block the reply holds (#<n><length> or #0); a reply "
                    "that holds none is printed whole, with a note on standard error");
    CLI::Option* hex = query->add_flag("--hex", options.hex,
                                       "print a hex dump (offset, 16 bytes in hex, the printable characters) of the "
                                       "whole reply, or with --block of the payload");
    query->add_option("--output", options.outputFile,
                      "write the whole reply (with --block: the payload) to FILE instead of standard output; FILE "
                      "appears only when the transfer is complete, and the bytes written are said on standard error")
        ->type_name("FILE")
        ->excludes(hex);
    CLI::Option* limit = query->add_option("--limit", options.limit,
                                           "the most bytes a reply may have (256M; K, M and G count 1024s)")
                             ->type_name("BYTES")
                             ->transform(CLI::AsSizeValue(false));
    query->add_option("--timeout", options.timeoutMs, kTimeoutHelp)->check(kTimeoutRange);
    query->add_flag("--quiet", options.quiet, kQuietHelp);
    query->footer(kQueryExamples);
    query->callback([arguments, limit, &status] {
        const LongQueryOptions& options = arguments->options;
        bool whole = arguments->raw || options.block || options.hex || !options.outputFile.empty();
        if (limit->count() && (!whole || options.limit == 0)) {
            const char* problem = whole ? "--limit needs at least 1 byte"
                                        : "--limit applies to --raw, --block, --hex and --output";
            std::cerr << "quenbus query: " << problem << " (quenbus query --help)\n";
            status = kUsageError;
            return;
        }
        if (!whole) {
            status = TransferCommand(arguments->address, arguments->text, true, std::cout, std::cerr,
                                     options.timeoutMs);
            return;
        }
        if (!options.hex && options.outputFile.empty())
            BinaryStdout();
        status = LongQueryCommand(arguments->address, arguments->text, options, std::cout, std::cerr);
    });
}

void AddWrite(CLI::App& app, int& status)
{
    struct Arguments {
        std::string address;
        std::string text;
        std::string blockFile;
        BlockFileOptions options;
    };
    auto arguments = std::make_shared<Arguments>();
    CLI::App* write = app.add_subcommand("write", "send TEXT to the instrument at ADDRESS");
    write->add_option("ADDRESS", arguments->address, kAddressHelp)->required();
    write->add_option("TEXT", arguments->text, "the command text")->required();
    write->add_option("--block-file", arguments->blockFile,
                      "send TEXT followed by FILE's bytes as an IEEE 488.2 definite-length block (#<n><length>), "
                      "END with the last byte")
        ->type_name("FILE");
    write->add_option("--timeout", arguments->options.timeoutMs, kTimeoutHelp)->check(kTimeoutRange);
    write->add_flag("--quiet", arguments->options.quiet, kQuietHelp);
    write->footer(kWriteExamples);
    write->callback([arguments, &status] {
        if (arguments->blockFile.empty())
            status = TransferCommand(arguments->address, arguments->text, false, std::cout, std::cerr,
                                     arguments->options.timeoutMs);
        else
            status = BlockFileCommand(arguments->address, arguments->text, arguments->blockFile, arguments->options,
                                      std::cerr);
    });
}

void AddConsole(CLI::App& app, int& status)
{
    struct Arguments {
        std::string address;
        long timeoutMs = 20000;
    };
    auto arguments = std::make_shared<Arguments>();
    CLI::App* console = app.add_subcommand("console", "send each line typed to the instrument at ADDRESS; a line "
                                                      "ending in ? also reads the reply. :read, :timeout MS, "
                                                      ":raw (replies whole, bytes as they are), :hex (replies as "
                                                      "hex dumps), :text (replies as busquery's), :clear, :trigger, "
                                                      ":spoll, :local, :wait-srq [MS] (the operations of the "
                                                      "commands of those names), :history, !N (line N again), "
                                                      ":quit");
    console->add_option("ADDRESS", arguments->address, kAddressHelp)->required();
    console->add_option("--timeout", arguments->timeoutMs, "the I/O time-out in milliseconds (20000)");
    console->callback([arguments, &status] {
        // :raw's bytes reach a pipe or file as they are.
        if (!isatty(1))
            BinaryStdout();
        status = ConsoleCommand(arguments->address, arguments->timeoutMs,
                                ConsoleStreams{std::cin, std::cout, std::cerr, isatty(0) != 0});
    });
}

// The device operations: clear, trigger (of several devices), spoll, wait-srq and local.
void AddDeviceOperations(CLI::App& app, int& status)
{
    struct Operation {
        const char* name;
        DeviceOperation operation;
        const char* description;
    };
    const Operation kOperations[] = {
        {"clear", DeviceOperation::Clear,
         "device clear: the instrument at ADDRESS drops its unread reply and what it was taking in"},
        {"trigger", DeviceOperation::Trigger, "group execute trigger of each instrument given, in turn"},
        {"spoll", DeviceOperation::SerialPoll,
         "serial poll: print the instrument's status byte, in decimal and hex and its bits (RQS, ESB, MAV, bit N); "
         "the poll clears its service request"},
        {"wait-srq", DeviceOperation::WaitRequest,
         "wait for the instrument to request service, poll it and print its status byte; exit status 1 when no "
         "request comes in time"},
        {"local", DeviceOperation::Local, "go to local: the instrument's front panel works again"},
    };
    for (const Operation& each : kOperations) {
        struct Arguments {
            std::vector<std::string> addresses;
            unsigned long timeoutMs = 20000;
        };
        auto arguments = std::make_shared<Arguments>();
        CLI::App* command = app.add_subcommand(each.name, each.description);
        CLI::Option* addresses = command->add_option("ADDRESS", arguments->addresses, kAddressHelp)->required();
        if (each.operation != DeviceOperation::Trigger)
            addresses->expected(1);
        if (each.operation == DeviceOperation::WaitRequest)
            command->add_option("--timeout", arguments->timeoutMs,
                                "how long to wait in milliseconds (20000; 0 looks once, 4294967295 waits without "
                                "end)")
                ->check(CLI::Range(0UL, 4294967295UL));
        DeviceOperation operation = each.operation;
        command->callback([arguments, operation, &status] {
            status = DeviceOperationCommand(operation, arguments->addresses, arguments->timeoutMs, std::cout,
                                            std::cerr);
        });
    }
}

void AddInterfaceOperations(CLI::App& app, int& status)
{
    struct Arguments {
        std::string interfaceName;
        bool off = false;
        bool lockout = false;
    };
    auto arguments = std::make_shared<Arguments>();
    CLI::App* remote = app.add_subcommand("remote", "assert remote enable on INTERFACE (instruments go remote when "
                                                    "addressed), with --lockout also local lockout; --off releases "
                                                    "it, which returns every instrument to local");
    remote->add_option("INTERFACE", arguments->interfaceName, kInterfaceHelp)->required();
    remote->add_flag("--off", arguments->off, "release remote enable");
    remote->add_flag("--lockout", arguments->lockout, "local lockout: front panels stay locked until local");
    remote->callback([arguments, &status] {
        status = RemoteCommand(arguments->interfaceName, arguments->off, arguments->lockout, std::cerr);
    });
    auto interfaceName = std::make_shared<std::string>();
    CLI::App* ifc = app.add_subcommand("ifc", "interface clear on INTERFACE: it becomes controller in charge and "
                                              "no instrument stays addressed");
    ifc->add_option("INTERFACE", *interfaceName, kInterfaceHelp)->required();
    ifc->callback([interfaceName, &status] { status = InterfaceClearCommand(*interfaceName, std::cerr); });
}

void AddScan(CLI::App& app, int& status)
{
    struct Arguments {
        std::string interfaceName;
        ScanOptions options;
    };
    auto arguments = std::make_shared<Arguments>();
    CLI::App* scan = app.add_subcommand("scan", "try every primary address of INTERFACE with *IDN? and list those "
                                                "that answer or listen");
    scan->add_option("INTERFACE", arguments->interfaceName, kInterfaceHelp)->required();
    scan->add_option("--timeout", arguments->options.timeoutMs, "the time-out of each try in milliseconds (200)");
    scan->add_flag("--secondary", arguments->options.secondary, "also try every secondary address 0 to 30 of each");
    scan->add_flag("--add", arguments->options.add,
                   "add a device node, named from the identification's model field, for each instrument found that "
                   "no device of the interface has; existing devices are never changed");
    scan->callback([arguments, &status] {
        status = ScanCommand(arguments->interfaceName, arguments->options, std::cout, std::cerr);
    });
}

void AddExport(CLI::App& app, int& status)
{
    auto file = std::make_shared<std::string>();
    CLI::App* exportFile = app.add_subcommand("export", "write the configuration to FILE as a REGEDIT4 file");
    exportFile->add_option("FILE", *file, "the file to write")->required();
    exportFile->callback([file, &status] { status = ExportCommand(*file, std::cout, std::cerr); });
}

void AddImport(CLI::App& app, int& status)
{
    struct Arguments {
        std::string file;
        ImportOptions options;
    };
    auto arguments = std::make_shared<Arguments>();
    CLI::App* importFile = app.add_subcommand("import", "check FILE whole, then merge its nodes into the "
                                                        "configuration (or replace it)");
    importFile->add_option("FILE", arguments->file, "a REGEDIT4 file of the configuration subtree")->required();
    importFile->add_flag("--replace", arguments->options.replace,
                         "save the configuration beside FILE first, then replace it with the file's");
    importFile->add_flag("--dry-run", arguments->options.dryRun, "print what would change and change nothing");
    importFile->callback([arguments, &status] {
        status = ImportCommand(arguments->file, arguments->options, std::cout, std::cerr);
    });
}

void AddAdapter(CLI::App& app, int& status)
{
    struct Arguments {
        std::string interfaceName;
        std::string url;
        bool clear = false;
    };
    auto arguments = std::make_shared<Arguments>();
    CLI::App* adapter = app.add_subcommand("adapter", "bind INTERFACE to a \"++\" GPIB adapter at URL, or unbind it "
                                                      "with --clear; the adapter then serves it instead of a board");
    adapter->add_option("INTERFACE", arguments->interfaceName, kInterfaceHelp)->required();
    adapter->add_option("URL", arguments->url, "tcp://HOST[:PORT] (port 1234 by default) or serial://COMn[?baud=N]");
    adapter->add_flag("--clear", arguments->clear, "remove the binding");
    adapter->callback([arguments, &status] {
        status = AdapterCommand(arguments->interfaceName, arguments->url, arguments->clear, std::cout, std::cerr);
    });
}

void AddTrace(CLI::App& app, int& status)
{
    struct Arguments {
        std::string cap;
        TraceFilter filter;
        bool follow = false;
        std::string file;
    };
    auto arguments = std::make_shared<Arguments>();
    CLI::App* trace = app.add_subcommand("trace", "the I/O trace of every program's calls of the bus driver and "
                                                  "SICL libraries; without an action, whether it is on and what "
                                                  "it holds");
    trace->require_subcommand(0, 1);
    trace->callback([trace, &status] {
        if (trace->get_subcommands().empty())
            status = TraceStatusCommand(std::cout, std::cerr);
    });
    CLI::App* on = trace->add_subcommand("on", "record the calls of every program, those already running too");
    on->add_option("--cap", arguments->cap, "the trace's largest size (4M; 16K to 1G); the oldest entries go first")
        ->check(CLI::Validator(
            [](std::string& text) {
                size_t cap = 0;
                return ParseTraceCap(text, cap) ? std::string() : "needs a size from 16K to 1G, got \"" + text + "\"";
            },
            "SIZE"));
    on->callback([arguments, &status] {
        size_t cap = 0;
        ParseTraceCap(arguments->cap, cap);
        status = TraceSwitchCommand(true, cap, std::cout, std::cerr);
    });
    CLI::App* off = trace->add_subcommand("off", "stop recording; the trace stays");
    off->callback([&status] { status = TraceSwitchCommand(false, 0, std::cout, std::cerr); });
    CLI::App* show = trace->add_subcommand("show", "the entries, one call a line; failures are marked");
    show->add_flag("--follow", arguments->follow, "then show the calls as they come, until stopped (Ctrl+C)");
    show->add_option("--process", arguments->filter.process, "only the calls of this program (name or process id)");
    show->add_option("--address", arguments->filter.address,
                     "only the calls of this device (IEEE0:22), or of this interface and its devices (IEEE0)");
    show->add_flag("--errors", arguments->filter.errorsOnly, "only the calls that failed");
    show->callback([arguments, &status] {
        status = TraceShowCommand(arguments->filter, arguments->follow, std::cout, std::cerr);
    });
    CLI::App* clear = trace->add_subcommand("clear", "empty the trace");
    clear->callback([&status] { status = TraceClearCommand(std::cout, std::cerr); });
    CLI::App* exportTrace = trace->add_subcommand("export", "write the entries to FILE as JSON lines, one object "
                                                             "a call");
    exportTrace->add_option("FILE", arguments->file, "the file to write, - for the standard output")->required();
    exportTrace->callback([arguments, &status] { status = TraceExportCommand(arguments->file, std::cout, std::cerr); });
}

// quenbus setup ACTION: anything left over, or no action, is wrong usage.
int RunSetup(CLI::App& setup, SetupAction action, SetupOptions options, const std::vector<std::string>& models)
{
    std::vector<std::string> extras = setup.remaining();
    if (!extras.empty() || setup.get_subcommands().empty()) {
        if (!extras.empty() && extras.front()[0] == '-')
            std::cerr << "quenbus setup: unknown option " << extras.front();
        else
            std::cerr << "quenbus setup: "
                      << (extras.empty() ? "no setup command given" : "unknown setup command " + extras.front())
                      << "; the setup commands are install, uninstall and status";
        std::cerr << " (quenbus setup --help)\n";
        return kUsageError;
    }
    for (const std::string& text : models) {
        std::pair<std::string, std::string> model;
        ParseModel(text, model);
        options.models.push_back(model);
    }
    return SetupCommand(action, options, std::cout, std::cerr);
}

void AddSetup(CLI::App& app, int& status)
{
    struct Arguments {
        SetupOptions options;
        std::vector<std::string> models;
        bool noStart = false;
        SetupAction action = SetupAction::Status;
    };
    auto arguments = std::make_shared<Arguments>();
    CLI::App* setup = app.add_subcommand("setup", "prepare this machine: the bus configuration, the driver service "
                                                  "and the hand-over to the driver");
    setup->require_subcommand(0, 1);
    setup->allow_extras();
    setup->add_option("--dll", arguments->options.dll,
                      "the quenbus.cpl whose exports to call (default: the one beside this program, else the "
                      "one the system finds)");
    setup->add_option("--service", arguments->options.service, "the driver service's name (Rumex)")
        ->check(CLI::Validator([](std::string& name) { return name.empty() ? "needs a name" : ""; }, "NAME"));
    CLI::App* install = setup->add_subcommand(
        "install", "describe the board models (Windows NT 4), initialise the bus configuration, install and start "
                   "the driver service (Windows NT family, with --driver) and hand the configuration to the driver "
                   "(Windows NT 4); steps already done are kept and reported");
    install->add_option("--model", arguments->models,
                        "a board model and its description, for the hardware store (Windows NT 4); repeatable")
        ->check(CLI::Validator(
            [](std::string& text) {
                std::pair<std::string, std::string> model;
                return ParseModel(text, model) ? std::string() : "needs NAME=DESCRIPTION, got \"" + text + "\"";
            },
            "NAME=DESCRIPTION"));
    install->add_option("--driver", arguments->options.driver, "the driver file of the kernel service");
    install->add_option("--display", arguments->options.display, "the service's display name (the service name)");
    install->add_flag("--no-start", arguments->noStart, "install the service without starting it");
    CLI::App* uninstall = setup->add_subcommand("uninstall", "stop and remove the driver service");
    CLI::App* state = setup->add_subcommand("status", "tell whether the driver service is installed and running");
    const std::pair<CLI::App*, SetupAction> actions[] = {
        {install, SetupAction::Install}, {uninstall, SetupAction::Uninstall}, {state, SetupAction::Status}};
    for (const auto& action : actions) {
        action.first->fallthrough();
        SetupAction chosen = action.second;
        action.first->callback([arguments, chosen] { arguments->action = chosen; });
    }
    setup->callback([setup, arguments, &status] {
        arguments->options.start = !arguments->noStart;
        status = RunSetup(*setup, arguments->action, arguments->options, arguments->models);
    });
}

// Wrong usage for a first word that names no command.
bool NamesACommand(const CLI::App& app, int argc, char** argv)
{
    if (argc < 2 || argv[1][0] == '-')
        return true;
    std::string names;
    for (const CLI::App* command : app.get_subcommands({})) {
        if (command->check_name(argv[1]))
            return true;
        names += (names.empty() ? "" : ", ") + command->get_name();
    }
    std::cerr << "quenbus: unknown command " << argv[1] << "; the commands are " << names << " (quenbus --help)\n";
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    // The operating-system family decides where boards are found.
    LoadOsVersion();
    CLI::App app("quenbus: the IEEE 488 bus configuration and its instruments", "quenbus");
    app.require_subcommand(1, 1);
    int status = kUsageError;
    AddList(app, status);
    AddCheck(app, status);
    AddQuery(app, status);
    AddWrite(app, status);
    AddConsole(app, status);
    AddDeviceOperations(app, status);
    AddInterfaceOperations(app, status);
    AddScan(app, status);
    AddExport(app, status);
    AddImport(app, status);
    AddAdapter(app, status);
    AddSetup(app, status);
    AddTrace(app, status);
    if (!NamesACommand(app, argc, argv))
        return kUsageError;
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& help) {
        return app.exit(help);
    } catch (const CLI::ParseError& error) {
        app.exit(error);
        return kUsageError;
    }
    return status;
}
