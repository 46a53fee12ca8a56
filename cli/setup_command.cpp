#include "cli/setup_command.h"

#include "cli/setup_library.h"
#include "config/os_family.h"
#include "setup/driver_handover.h"

namespace {

const char* FamilyName()
{
    if (IsWin9x())
        return "Windows 9x";
    return IsWinNT5OrLater() ? "Windows NT 5 or later" : "Windows NT 4";
}

// Reports what install has done so far when a step fails.
int InstallFailed(const std::string& step, const std::vector<std::string>& done, std::ostream& err)
{
    err << "quenbus setup: failed: " << step << '\n';
    if (done.empty()) {
        err << "quenbus setup: nothing was changed before the failure\n";
    } else {
        err << "quenbus setup: already done and kept:\n";
        for (const std::string& line : done)
            err << "  - " << line << '\n';
    }
    return 1;
}

int HandOver(const SetupExports& e, const std::vector<std::string>& done, std::ostream& out, std::ostream& err)
{
    if (e.handOver()) {
        out << "Configuration handed to the driver.\n";
        return 0;
    }
    // The hand-over stops at the first interface without a board: with
    // fewer boards than interfaces that is the expected end.
    std::string unbound, failed;
    if (!HandOverEndedAtUnbound(unbound, failed))
        return InstallFailed("handing the configuration to the driver" +
                                 (failed.empty() ? std::string() : ": interface " + failed + " was not handed over whole") +
                                 " (is the driver service of every interface's board installed, and its model "
                                 "described in the hardware store?)",
                             done, err);
    out << "Configuration handed to the driver up to interface " << unbound << ", the first without a board;\n"
        << "it and the interfaces after it are not handed over. Bind them in the IEEE 488 applet.\n";
    return 0;
}

int Install(const SetupExports& e, const SetupOptions& options, std::ostream& out, std::ostream& err)
{
    bool legacyNt = !IsPnpOs();
    out << "System: " << FamilyName() << '\n';
    if (!legacyNt && !options.models.empty())
        out << "Board models are found by Plug and Play here; --model is not needed and is ignored.\n";
    if (IsWin9x() && !options.driver.empty()) {
        err << "quenbus setup: driver services need the Windows NT family; nothing was changed\n";
        return 1;
    }

    std::vector<std::string> done;
    if (legacyNt) {
        // Without --driver no driver text is recorded, so a later run can still record one.
        const char* driver = options.driver.empty() ? nullptr : options.driver.c_str();
        for (const auto& model : options.models) {
            if (!e.describeModel(model.first.c_str(), model.second.c_str(), driver))
                return InstallFailed("describing board model " + model.first + " in the hardware store", done, err);
            done.push_back("board model " + model.first + " described");
            out << "Board model " << model.first << " described.\n";
        }
    }
    e.initConfiguration();
    done.push_back("bus configuration initialised");
    out << "Bus configuration initialised.\n";

    if (!options.driver.empty()) {
        const char* service = options.service.c_str();
        if (e.isInstalled(service)) {
            out << "Driver service " << service << " is already installed; kept as it is.\n";
        } else {
            const char* display = options.display.empty() ? nullptr : options.display.c_str();
            if (!e.install(service, display, options.driver.c_str()))
                return InstallFailed("installing driver service " + options.service, done, err);
            out << "Driver service " << service << " installed.\n";
        }
        done.push_back("driver service " + options.service + " installed");
        if (options.start) {
            if (e.isStarted(service)) {
                out << "Driver service " << service << " is already running.\n";
            } else {
                if (!e.start(service))
                    return InstallFailed("starting driver service " + options.service, done, err);
                out << "Driver service " << service << " started.\n";
            }
            done.push_back("driver service " + options.service + " started");
        }
    }
    return legacyNt ? HandOver(e, done, out, err) : 0;
}

int Uninstall(const SetupExports& e, const SetupOptions& options, std::ostream& out, std::ostream& err)
{
    const char* service = options.service.c_str();
    if (!e.isInstalled(service)) {
        err << "quenbus setup: driver service " << service << " is not installed\n";
        return 1;
    }
    if (e.isStarted(service)) {
        if (!e.stop(service)) {
            err << "quenbus setup: driver service " << service << " could not be stopped; nothing was removed\n";
            return 1;
        }
        out << "Driver service " << service << " stopped.\n";
    }
    if (!e.uninstall(service)) {
        err << "quenbus setup: driver service " << service << " could not be removed (it is stopped)\n";
        return 1;
    }
    out << "Driver service " << service << " removed.\n";
    return 0;
}

int Status(const SetupExports& e, const SetupOptions& options, std::ostream& out)
{
    const char* service = options.service.c_str();
    out << "Driver service " << service << ": "
        << (!e.isInstalled(service) ? "not installed" : e.isStarted(service) ? "running" : "installed, not running")
        << '\n';
    return 0;
}

} // namespace

bool ParseModel(const std::string& text, std::pair<std::string, std::string>& model)
{
    size_t equals = text.find('=');
    if (equals == 0 || equals == std::string::npos || equals + 1 == text.size())
        return false;
    model = {text.substr(0, equals), text.substr(equals + 1)};
    return true;
}

int SetupCommand(SetupAction action, const SetupOptions& options, std::ostream& out, std::ostream& err)
{
    SetupLibrary library;
    std::string error;
    if (!library.Load(options.dll, error)) {
        err << "quenbus setup: " << error << '\n';
        return 1;
    }
    switch (action) {
    case SetupAction::Install:
        return Install(library.Exports(), options, out, err);
    case SetupAction::Uninstall:
        return Uninstall(library.Exports(), options, out, err);
    case SetupAction::Status:
        return Status(library.Exports(), options, out);
    }
    return 1;
}
