// quenbus: inspect the bus configuration, find what is wrong with it and talk
// to instruments. Each command has one function that declares it, its options
// and the callback that runs it, as CLI11's examples have it; the callback
// leaves the command's exit status (cli/exit_status.h).
#include "cli/adapter_command.h"
#include "cli/check_command.h"
#include "cli/console_command.h"
#include "cli/exit_status.h"
#include "cli/import_command.h"
#include "cli/list_command.h"
#include "cli/scan_command.h"
#include "cli/setup_command.h"
#include "cli/transfer_command.h"
#include "config/os_family.h"

#include <CLI/CLI.hpp>

#include <iostream>
#include <memory>

#ifdef _WIN32
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

void AddTransfer(CLI::App& app, int& status, const char* name, const char* description, bool query)
{
    struct Arguments {
        std::string address;
        std::string text;
    };
    auto arguments = std::make_shared<Arguments>();
    CLI::App* transfer = app.add_subcommand(name, description);
    transfer->add_option("ADDRESS", arguments->address, kAddressHelp)->required();
    transfer->add_option("TEXT", arguments->text, "the command text")->required();
    transfer->callback([arguments, query, &status] {
        status = TransferCommand(arguments->address, arguments->text, query, std::cout, std::cerr);
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
                                                      ":history, !N (line N again), :quit");
    console->add_option("ADDRESS", arguments->address, kAddressHelp)->required();
    console->add_option("--timeout", arguments->timeoutMs, "the I/O time-out in milliseconds (20000)");
    console->callback([arguments, &status] {
        status = ConsoleCommand(arguments->address, arguments->timeoutMs,
                                ConsoleStreams{std::cin, std::cout, std::cerr, isatty(0) != 0});
    });
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
    AddTransfer(app, status, "query", "send TEXT to the instrument at ADDRESS and print its reply", true);
    AddTransfer(app, status, "write", "send TEXT to the instrument at ADDRESS", false);
    AddConsole(app, status);
    AddScan(app, status);
    AddExport(app, status);
    AddImport(app, status);
    AddAdapter(app, status);
    AddSetup(app, status);
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
