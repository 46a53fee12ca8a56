// quenbus: inspect the bus configuration, find what is wrong with it and talk
// to instruments. Exit status 0 success, 1 failure or problem found, 2 wrong usage.
#include "cli/adapter_command.h"
#include "cli/check_command.h"
#include "cli/console_command.h"
#include "cli/import_command.h"
#include "cli/list_command.h"
#include "cli/scan_command.h"
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
    return kUsageError;
}
