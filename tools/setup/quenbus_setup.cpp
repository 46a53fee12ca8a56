// quenbus-setup: prepares a machine for the IEEE 488 bus by calling the
// setup exports of quenbus.cpl in the order their data needs.
#include "platform/win32.h"
#include "setup/driver_handover.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

const char kUsage[] =
    "usage: quenbus-setup [--dll PATH] install [--model NAME=DESCRIPTION]... [--driver PATH]\n"
    "                     [--service NAME] [--display TEXT] [--no-start]\n"
    "       quenbus-setup [--dll PATH] uninstall --service NAME\n"
    "       quenbus-setup [--dll PATH] status --service NAME\n"
    "\n"
    "install    describes the board models (Windows NT 4 only), initialises the bus\n"
    "           configuration, installs and starts the bus driver service (Windows NT\n"
    "           family, when --driver is given) and hands the configuration to the\n"
    "           driver (Windows NT 4). Steps already done are kept and reported.\n"
    "uninstall  stops and removes the driver service.\n"
    "status     tells whether the driver service is installed and running.\n"
    "\n"
    "--dll PATH      quenbus.cpl to use (default: the one beside this program)\n"
    "--model N=D     a board model and its description, for the hardware store\n"
    "--driver PATH   the driver file of the kernel service\n"
    "--service NAME  the driver service's name (default: Rumex)\n"
    "--display TEXT  the service's display name (default: the service name)\n"
    "--no-start      install the service without starting it\n";

struct Options {
    std::string command;
    std::string dll;
    std::vector<std::pair<std::string, std::string>> models;
    std::string driver;
    std::string service = "Rumex";
    std::string display;
    bool start = true;
};

typedef void(WINAPI* VoidExport)();
typedef int(WINAPI* IntExport)();
typedef int(WINAPI* ModelExport)(const char*, const char*, const char*);
typedef int(WINAPI* ServiceExport)(const char*);
typedef int(WINAPI* InstallExport)(const char*, const char*, const char*);

class Library {
public:
    explicit Library(const std::string& path) : module_(LoadLibraryA(path.c_str())) {}
    ~Library()
    {
        if (module_)
            FreeLibrary(module_);
    }
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;

    bool Loaded() const { return module_ != nullptr; }

    template <typename Function> Function Get(const char* name) const
    {
        FARPROC proc = GetProcAddress(module_, name);
        if (!proc)
            std::fprintf(stderr, "quenbus-setup: the library has no export %s\n", name);
        return reinterpret_cast<Function>(reinterpret_cast<void*>(proc));
    }

private:
    HMODULE module_;
};

enum class Family { Win9x, LegacyNt, Nt5 };

Family CurrentFamily()
{
    OSVERSIONINFOA info = {};
    info.dwOSVersionInfoSize = sizeof info;
    if (!GetVersionExA(&info))
        return Family::LegacyNt;
    if (info.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS)
        return Family::Win9x;
    if (info.dwPlatformId == VER_PLATFORM_WIN32_NT && info.dwMajorVersion >= 5)
        return Family::Nt5;
    return Family::LegacyNt;
}

const char* FamilyName(Family family)
{
    switch (family) {
    case Family::Win9x:
        return "Windows 9x";
    case Family::LegacyNt:
        return "Windows NT 4";
    case Family::Nt5:
        return "Windows NT 5 or later";
    }
    return "";
}

std::string DefaultDll()
{
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    if (length == 0 || length >= sizeof path)
        return "quenbus.cpl";
    std::string text(path, length);
    size_t slash = text.find_last_of("\\/");
    return (slash == std::string::npos ? std::string() : text.substr(0, slash + 1)) + "quenbus.cpl";
}

int UsageError(const std::string& message)
{
    std::fprintf(stderr, "quenbus-setup: %s\n\n%s", message.c_str(), kUsage);
    return 2;
}

// Returns 0 when the arguments are good, else the exit status to end with.
int Parse(int argc, char** argv, Options& options)
{
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        bool hasValue = i + 1 < argc;
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return -1;
        }
        if (arg == "--no-start") {
            options.start = false;
        } else if (arg == "--dll" || arg == "--model" || arg == "--driver" || arg == "--service" ||
                   arg == "--display") {
            if (!hasValue)
                return UsageError(arg + " needs a value");
            std::string value = argv[++i];
            if (arg == "--dll") {
                options.dll = value;
            } else if (arg == "--driver") {
                options.driver = value;
            } else if (arg == "--service") {
                options.service = value;
            } else if (arg == "--display") {
                options.display = value;
            } else {
                size_t equals = value.find('=');
                if (equals == 0 || equals == std::string::npos || equals + 1 == value.size())
                    return UsageError("--model needs NAME=DESCRIPTION, got \"" + value + "\"");
                options.models.emplace_back(value.substr(0, equals), value.substr(equals + 1));
            }
        } else if (arg.compare(0, 2, "--") == 0) {
            return UsageError("unknown option " + arg);
        } else if (options.command.empty()) {
            options.command = arg;
        } else {
            return UsageError("unexpected argument " + arg);
        }
    }
    if (options.command != "install" && options.command != "uninstall" && options.command != "status")
        return UsageError(options.command.empty() ? "no command given" : "unknown command " + options.command);
    if (options.service.empty())
        return UsageError("--service needs a name");
    if (options.dll.empty())
        options.dll = DefaultDll();
    return 0;
}

// Reports what install has done so far when a step fails.
int InstallFailed(const std::string& step, const std::vector<std::string>& done)
{
    std::fprintf(stderr, "quenbus-setup: failed: %s\n", step.c_str());
    if (done.empty()) {
        std::fprintf(stderr, "quenbus-setup: nothing was changed before the failure\n");
    } else {
        std::fprintf(stderr, "quenbus-setup: already done and kept:\n");
        for (const std::string& line : done)
            std::fprintf(stderr, "  - %s\n", line.c_str());
    }
    return 1;
}

int Install(const Library& library, const Options& options)
{
    Family family = CurrentFamily();
    std::printf("System: %s\n", FamilyName(family));
    if (family != Family::LegacyNt && !options.models.empty())
        std::printf("Board models are found by Plug and Play here; --model is not needed and is ignored.\n");
    if (family == Family::Win9x && !options.driver.empty()) {
        std::fprintf(stderr, "quenbus-setup: driver services need the Windows NT family; nothing was changed\n");
        return 1;
    }
    auto initHardware = library.Get<ModelExport>("RegInitHdwrConfigNT");
    auto initUser = library.Get<VoidExport>("RegInitUserConfig");
    auto install = library.Get<InstallExport>("InstallDriverNT");
    auto start = library.Get<ServiceExport>("StartDriverNT");
    auto installed = library.Get<ServiceExport>("IsInstalledDriverNT");
    auto started = library.Get<ServiceExport>("IsStartedDriverNT");
    auto initDriver = library.Get<IntExport>("RegInitDrvrConfigNT");
    if (!initHardware || !initUser || !install || !start || !installed || !started || !initDriver)
        return 1;

    std::vector<std::string> done;
    if (family == Family::LegacyNt) {
        // Without --driver no driver text is recorded, so a later run can still record one.
        const char* driver = options.driver.empty() ? nullptr : options.driver.c_str();
        for (const auto& model : options.models) {
            if (!initHardware(model.first.c_str(), model.second.c_str(), driver))
                return InstallFailed("describing board model " + model.first + " in the hardware store", done);
            done.push_back("board model " + model.first + " described");
            std::printf("Board model %s described.\n", model.first.c_str());
        }
    }
    initUser();
    done.push_back("bus configuration initialised");
    std::printf("Bus configuration initialised.\n");

    if (!options.driver.empty()) {
        const char* service = options.service.c_str();
        if (installed(service)) {
            std::printf("Driver service %s is already installed; kept as it is.\n", service);
        } else {
            const char* display = options.display.empty() ? nullptr : options.display.c_str();
            if (!install(service, display, options.driver.c_str()))
                return InstallFailed("installing driver service " + options.service, done);
            std::printf("Driver service %s installed.\n", service);
        }
        done.push_back("driver service " + options.service + " installed");
        if (options.start) {
            if (started(service)) {
                std::printf("Driver service %s is already running.\n", service);
            } else {
                if (!start(service))
                    return InstallFailed("starting driver service " + options.service, done);
                std::printf("Driver service %s started.\n", service);
            }
            done.push_back("driver service " + options.service + " started");
        }
    }

    if (family == Family::LegacyNt) {
        if (initDriver()) {
            std::printf("Configuration handed to the driver.\n");
            return 0;
        }
        // The hand-over stops at the first interface without a board: with
        // fewer boards than interfaces that is the expected end.
        std::string unbound, failed;
        if (!HandOverEndedAtUnbound(unbound, failed))
            return InstallFailed("handing the configuration to the driver" +
                                     (failed.empty() ? std::string()
                                                     : ": interface " + failed + " was not handed over whole") +
                                     " (is the driver service of every interface's board installed, and its "
                                     "model described in the hardware store?)",
                                 done);
        std::printf("Configuration handed to the driver up to interface %s, the first without a board;\n"
                    "it and the interfaces after it are not handed over. Bind them in the IEEE 488 applet.\n",
                    unbound.c_str());
    }
    return 0;
}

int Uninstall(const Library& library, const Options& options)
{
    auto installed = library.Get<ServiceExport>("IsInstalledDriverNT");
    auto started = library.Get<ServiceExport>("IsStartedDriverNT");
    auto stop = library.Get<ServiceExport>("StopDriverNT");
    auto uninstall = library.Get<ServiceExport>("UninstallDriverNT");
    if (!installed || !started || !stop || !uninstall)
        return 1;
    const char* service = options.service.c_str();
    if (!installed(service)) {
        std::fprintf(stderr, "quenbus-setup: driver service %s is not installed\n", service);
        return 1;
    }
    if (started(service)) {
        if (!stop(service)) {
            std::fprintf(stderr, "quenbus-setup: driver service %s could not be stopped; nothing was removed\n",
                         service);
            return 1;
        }
        std::printf("Driver service %s stopped.\n", service);
    }
    if (!uninstall(service)) {
        std::fprintf(stderr, "quenbus-setup: driver service %s could not be removed (it is stopped)\n", service);
        return 1;
    }
    std::printf("Driver service %s removed.\n", service);
    return 0;
}

int Status(const Library& library, const Options& options)
{
    auto installed = library.Get<ServiceExport>("IsInstalledDriverNT");
    auto started = library.Get<ServiceExport>("IsStartedDriverNT");
    if (!installed || !started)
        return 1;
    const char* service = options.service.c_str();
    bool isInstalled = installed(service) != 0;
    std::printf("Driver service %s: %s\n", service,
                !isInstalled ? "not installed" : started(service) ? "running" : "installed, not running");
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    Options options;
    int status = Parse(argc, argv, options);
    if (status != 0)
        return status < 0 ? 0 : status;
    Library library(options.dll);
    if (!library.Loaded()) {
        std::fprintf(stderr, "quenbus-setup: cannot load %s (error %lu)\n", options.dll.c_str(),
                     static_cast<unsigned long>(GetLastError()));
        return 1;
    }
    if (options.command == "install")
        return Install(library, options);
    if (options.command == "uninstall")
        return Uninstall(library, options);
    return Status(library, options);
}
