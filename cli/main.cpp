// quenbus: inspect the bus configuration, find what is wrong with it and talk
// to instruments. Exit status 0 success, 1 failure or problem found, 2 wrong usage.
#include "cli/adapter_command.h"
#include "cli/check_command.h"
#include "cli/console_command.h"
#include "cli/import_command.h"
#include "cli/list_command.h"
#include "cli/scan_command.h"
#include "cli/setup_command.h"
#include "cli/transfer_command.h"
#include "config/os_family.h"

#include <CLI/CLI.hpp>

#include <iostream>

#ifdef _WIN32
#include <io.h>
#define isatty _isatty
#else
#include <unistd.h>
#endif

namespace {

const int kUsageError = 2;

const char kAddressHelp[] =
    "an interface name and primary address (IEEE0:22), or a SICL address beginning with h (hpib7,22)";

} // namespace

int main(int argc, char** argv)
{
    // The operating-system family decides where boards are found.
    LoadOsVersion();
    CLI::App app("quenbus: the IEEE 488 bus configuration and its instruments", "quenbus");
    app.require_subcommand(1, 1);

    bool json = false;
    CLI::App* list = app.add_subcommand("list", "the configuration as the IEEE 488 applet shows it");
    list->add_flag("--json", json, "print one JSON document");

    CLI::App* check = app.add_subcommand("check", "report what is wrong with the configuration, one problem a line; "
                                                  "exit status 1 when something is found");

    std::string address;
    std::string text;
    CLI::App* query = app.add_subcommand("query", "send TEXT to the instrument at ADDRESS and print its reply");
    CLI::App* write = app.add_subcommand("write", "send TEXT to the instrument at ADDRESS");
    for (CLI::App* transfer : {query, write}) {
        transfer->add_option("ADDRESS", address, kAddressHelp)->required();
        transfer->add_option("TEXT", text, "the command text")->required();
    }

    long timeoutMs = 20000;
    CLI::App* console = app.add_subcommand("console", "send each line typed to the instrument at ADDRESS; a line "
                                                      "ending in ? also reads the reply. :read, :timeout MS, "
                                                      ":history, !N (line N again), :quit");
    console->add_option("ADDRESS", address, kAddressHelp)->required();
    console->add_option("--timeout", timeoutMs, "the I/O time-out in milliseconds (20000)");

    std::string interfaceName;
    ScanOptions scanOptions;
    CLI::App* scan = app.add_subcommand("scan", "try every primary address of INTERFACE with *IDN? and list those "
                                                "that answer or listen");
    scan->add_option("INTERFACE", interfaceName, "the interface's name, as IEEE0")->required();
    scan->add_option("--timeout", scanOptions.timeoutMs, "the time-out of each try in milliseconds (200)");
    scan->add_flag("--secondary", scanOptions.secondary, "also try every secondary address 0 to 30 of each");
    scan->add_flag("--add", scanOptions.add,
                   "add a device node, named from the identification's model field, for each instrument found that "
                   "no device of the interface has; existing devices are never changed");

    std::string file;
    CLI::App* exportFile = app.add_subcommand("export", "write the configuration to FILE as a REGEDIT4 file");
    exportFile->add_option("FILE", file, "the file to write")->required();

    ImportOptions importOptions;
    CLI::App* importFile = app.add_subcommand("import", "check FILE whole, then merge its nodes into the "
                                                        "configuration (or replace it)");
    importFile->add_option("FILE", file, "a REGEDIT4 file of the configuration subtree")->required();
    importFile->add_flag("--replace", importOptions.replace,
                         "save the configuration beside FILE first, then replace it with the file's");
    importFile->add_flag("--dry-run", importOptions.dryRun, "print what would change and change nothing");

    std::string adapterUrl;
    bool clearAdapter = false;
    CLI::App* adapter = app.add_subcommand("adapter", "bind INTERFACE to a \"++\" GPIB adapter at URL, or unbind it "
                                                      "with --clear; the adapter then serves it instead of a board");
    adapter->add_option("INTERFACE", interfaceName, "the interface's name, as IEEE0")->required();
    adapter->add_option("URL", adapterUrl, "tcp://HOST[:PORT] (port 1234 by default) or serial://COMn[?baud=N]");
    adapter->add_flag("--clear", clearAdapter, "remove the binding");

    SetupOptions setupOptions;
    CLI::App* setup = app.add_subcommand("setup", "prepare this machine: the bus configuration, the driver service "
                                                  "and the hand-over to the driver");
    setup->require_subcommand(0, 1);
    setup->allow_extras();
    setup->add_option("--dll", setupOptions.dll,
                      "the quenbus.cpl whose exports to call (default: the one beside this program, else the "
                      "one the system finds)");
    setup->add_option("--service", setupOptions.service, "the driver service's name (Rumex)")
        ->check(CLI::Validator([](std::string& name) { return name.empty() ? "needs a name" : ""; }, "NAME"));
    CLI::App* install = setup->add_subcommand(
        "install", "describe the board models (Windows NT 4), initialise the bus configuration, install and start "
                   "the driver service (Windows NT family, with --driver) and hand the configuration to the driver "
                   "(Windows NT 4); steps already done are kept and reported");
    std::vector<std::string> models;
    install->add_option("--model", models,
                        "a board model and its description, for the hardware store (Windows NT 4); repeatable")
        ->check(CLI::Validator(
            [](std::string& text) {
                std::pair<std::string, std::string> model;
                return ParseModel(text, model) ? std::string() : "needs NAME=DESCRIPTION, got \"" + text + "\"";
            },
            "NAME=DESCRIPTION"));
    install->add_option("--driver", setupOptions.driver, "the driver file of the kernel service");
    install->add_option("--display", setupOptions.display, "the service's display name (the service name)");
    bool noStart = false;
    install->add_flag("--no-start", noStart, "install the service without starting it");
    CLI::App* uninstall = setup->add_subcommand("uninstall", "stop and remove the driver service");
    CLI::App* status = setup->add_subcommand("status", "tell whether the driver service is installed and running");
    for (CLI::App* action : {install, uninstall, status})
        action->fallthrough();

    std::string names;
    bool known = false;
    for (CLI::App* command : app.get_subcommands({})) {
        names += (names.empty() ? "" : ", ") + command->get_name();
        known = known || (argc > 1 && command->check_name(argv[1]));
    }
    if (argc > 1 && argv[1][0] != '-' && !known) {
        std::cerr << "quenbus: unknown command " << argv[1] << "; the commands are " << names
                  << " (quenbus --help)\n";
        return kUsageError;
    }
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& help) {
        return app.exit(help);
    } catch (const CLI::ParseError& error) {
        app.exit(error);
        return kUsageError;
    }

    if (list->parsed())
        return ListCommand(json, std::cout, std::cerr);
    if (check->parsed())
        return CheckCommand(std::cout);
    if (query->parsed() || write->parsed())
        return TransferCommand(address, text, query->parsed(), std::cout, std::cerr);
    if (console->parsed())
        return ConsoleCommand(address, timeoutMs, ConsoleStreams{std::cin, std::cout, std::cerr, isatty(0) != 0});
    if (scan->parsed())
        return ScanCommand(interfaceName, scanOptions, std::cout, std::cerr);
    if (exportFile->parsed())
        return ExportCommand(file, std::cout, std::cerr);
    if (importFile->parsed())
        return ImportCommand(file, importOptions, std::cout, std::cerr);
    if (adapter->parsed())
        return AdapterCommand(interfaceName, adapterUrl, clearAdapter, std::cout, std::cerr);
    if (setup->parsed()) {
        std::vector<std::string> extras = setup->remaining();
        if (!extras.empty() || setup->get_subcommands().empty()) {
            if (!extras.empty() && extras.front()[0] == '-')
                std::cerr << "quenbus setup: unknown option " << extras.front();
            else
                std::cerr << "quenbus setup: " << (extras.empty() ? "no setup command given" : "unknown setup command " + extras.front())
                          << "; the setup commands are install, uninstall and status";
            std::cerr << " (quenbus setup --help)\n";
            return kUsageError;
        }
        setupOptions.start = !noStart;
        for (const std::string& text : models) {
            std::pair<std::string, std::string> model;
            ParseModel(text, model);
            setupOptions.models.push_back(model);
        }
        SetupAction action = install->parsed()     ? SetupAction::Install
                             : uninstall->parsed() ? SetupAction::Uninstall
                                                   : SetupAction::Status;
        return SetupCommand(action, setupOptions, std::cout, std::cerr);
    }
    return kUsageError;
}
