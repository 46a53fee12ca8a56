// Fuzz target: the input as the file of `quenbus import`, through the
// command's own path (ImportText: the REGEDIT4 loader, the configuration
// checks, then the merge, --replace or --dry-run) on a registry that holds a
// clean configuration and keys beside it.
//
// Input: one byte of options, then the file.
//   bit 0  --replace
//   bit 1  --dry-run
//
// A refused file names its line and leaves every byte of the registry as it
// was; an accepted one says nothing on the error stream, changes nothing
// outside the configuration, leaves a configuration whose export imports
// back without a change, and a dry run changes nothing.
#include "fuzz_support.h"

#include "cli/config_file.h"
#include "cli/import_command.h"
#include "config/config_layout.h"

#include <sstream>

namespace {

const char kFile[] = "fuzz.reg";

const char kCleanConfiguration[] =
    "REGEDIT4\n"
    "[HKEY_CURRENT_USER\\Software\\Korvex\\IEEE\\0000]\n"
    "\"UserName\"=\"IEEE0\"\n"
    "\"HardwareKey\"=\"ROOT\\\\KVX488\\\\0000\"\n"
    "\"PrimaryAddress\"=dword:00000015\n"
    "\"SystemController\"=dword:00000001\n"
    "[HKEY_CURRENT_USER\\Software\\Korvex\\IEEE\\0000\\0001]\n"
    "\"UserName\"=\"Meter\"\n"
    "\"PrimaryAddress\"=dword:00000016\n"
    "\"TermIn\"=\"USER 1\"\n"
    "\"TermIn0\"=dword:0000000d\n"
    "[HKEY_CURRENT_USER\\Software\\Korvex\\IEEE\\0001]\n"
    "\"UserName\"=\"IEEE1\"\n"
    "\"HardwareKey\"=\"\"\n"
    "[HKEY_CURRENT_USER\\Software\\Korvex\\Other]\n"
    "\"Kept\"=\"beside the configuration\"\n"
    "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Enum\\ROOT\\KVX488\\0000]\n"
    "\"DeviceDesc\"=\"Vexmoor IEEE 488\"\n";

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
    bool backupCalled = false;
    std::string backup;
};

Outcome Import(const std::string& text, bool replace, bool dryRun)
{
    ImportOptions options;
    options.replace = replace;
    options.dryRun = dryRun;
    Outcome outcome;
    ImportBackup backup = [&outcome](const std::string& configuration, std::string& where) {
        FUZZ_CHECK(!outcome.backupCalled, "the configuration is saved twice");
        outcome.backupCalled = true;
        outcome.backup = configuration;
        where = "memory";
        return true;
    };
    std::ostringstream out;
    std::ostringstream err;
    outcome.status = ImportText(kFile, text, options, backup, out, err);
    outcome.out = out.str();
    outcome.err = err.str();
    FUZZ_CHECK(PlatformOpenKeyCount() == 0, "the import (replace %d, dry run %d) leaves %zu keys open", replace,
               dryRun, PlatformOpenKeyCount());
    FUZZ_CHECK(!outcome.backupCalled || (replace && !dryRun), "a backup without --replace, or in a dry run");
    return outcome;
}

// Lines as the loader counts them: a last line without a line break counts.
size_t LineCount(const std::string& text)
{
    size_t count = 0;
    for (char c : text)
        count += c == '\n';
    return count + (!text.empty() && text.back() != '\n');
}

bool StartsWith(const std::string& text, const std::string& start)
{
    return text.compare(0, start.size(), start) == 0;
}

bool EndsWith(const std::string& text, const std::string& end)
{
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// "quenbus: FILE: line N: reason; nothing was imported", N a line of the file;
// only a file without the header is refused without a line.
void CheckRefusal(const Outcome& refused, const std::string& text)
{
    const std::string prefix = std::string("quenbus: ") + kFile + ": ";
    const std::string suffix = "; nothing was imported\n";
    FUZZ_CHECK(StartsWith(refused.err, prefix) && EndsWith(refused.err, suffix),
               "a refusal that does not name the file and say nothing was imported: \"%s\"", refused.err.c_str());
    FUZZ_CHECK(refused.out.empty(), "a refused file writes \"%s\"", refused.out.c_str());
    std::string problem = refused.err.substr(prefix.size(), refused.err.size() - prefix.size() - suffix.size());
    if (problem == "not a REGEDIT4 file")
        return;
    FUZZ_CHECK(StartsWith(problem, "line "), "a refusal without its line: \"%s\"", problem.c_str());
    size_t digits = 0;
    unsigned long line = 0;
    while (5 + digits < problem.size() && problem[5 + digits] >= '0' && problem[5 + digits] <= '9' && digits < 9)
        line = line * 10 + (problem[5 + digits++] - '0');
    FUZZ_CHECK(digits > 0 && problem.compare(5 + digits, 2, ": ") == 0 && problem.size() > 7 + digits,
               "a refusal whose line does not read: \"%s\"", problem.c_str());
    FUZZ_CHECK(line >= 1 && line <= LineCount(text), "a refusal names line %lu of a file of %zu lines: \"%s\"", line,
               LineCount(text), problem.c_str());
}

// The registry without the configuration subtree (which goes).
std::string SnapshotOutsideConfiguration()
{
    RegDeleteKeyTree(HKEY_CURRENT_USER, kConfigRootPath);
    return RegistrySnapshot();
}

// After an import that wrote: what the configuration exports imports back,
// merged, replaced or as a dry run, without a change.
void CheckExportImportsBack(const std::string& text)
{
    std::string exported;
    if (!ExportConfiguration(exported)) {
        HKEY root = nullptr;
        FUZZ_CHECK(RegOpenKeyA(HKEY_CURRENT_USER, kConfigRootPath, &root) != ERROR_SUCCESS,
                   "the imported configuration does not export; the file:\n%s", text.c_str());
        return;
    }
    const std::string snapshot = RegistrySnapshot();

    Outcome dryRun = Import(exported, false, true);
    FUZZ_CHECK(dryRun.status == 0 && dryRun.err.empty(), "the export of an import is refused: %s\nthe export:\n%s",
               dryRun.err.c_str(), exported.c_str());
    FUZZ_CHECK(dryRun.out.empty(), "merging the export back would change:\n%s\nthe export:\n%s",
               dryRun.out.c_str(), exported.c_str());

    Outcome merged = Import(exported, false, false);
    FUZZ_CHECK(merged.status == 0 && merged.err.empty(), "merging the export back fails: %s", merged.err.c_str());
    FUZZ_CHECK(RegistrySnapshot() == snapshot, "merging the export back changes the registry; the export:\n%s",
               exported.c_str());

    Outcome replaced = Import(exported, true, false);
    FUZZ_CHECK(replaced.status == 0 && replaced.err.empty(), "replacing with the export fails: %s",
               replaced.err.c_str());
    FUZZ_CHECK(replaced.backupCalled && replaced.backup == exported,
               "replacing with the export saves another configuration:\n%s", replaced.backup.c_str());
    FUZZ_CHECK(RegistrySnapshot() == snapshot, "replacing with the export changes the registry; the export:\n%s",
               exported.c_str());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    ByteReader input(data, size);
    uint8_t options = input.Byte();
    bool replace = options & 0x01;
    bool dryRun = options & 0x02;
    std::string text = input.Rest();

    static const std::string outsideBefore = [] {
        ResetMachine();
        RegLoadText(kCleanConfiguration, nullptr);
        return SnapshotOutsideConfiguration();
    }();
    ResetMachine();
    std::string error;
    FUZZ_CHECK(RegLoadText(kCleanConfiguration, &error), "the clean configuration does not load: %s", error.c_str());
    const std::string before = RegistrySnapshot();
    std::string exportedBefore;
    FUZZ_CHECK(ExportConfiguration(exportedBefore), "the clean configuration does not export");

    Outcome outcome = Import(text, replace, dryRun);
    if (outcome.status != 0) {
        CheckRefusal(outcome, text);
        FUZZ_CHECK(RegistrySnapshot() == before, "a refused file changes the registry: %s", outcome.err.c_str());
        ResetMachine();
        return 0;
    }
    FUZZ_CHECK(outcome.err.empty(), "an accepted file says \"%s\"", outcome.err.c_str());
    if (dryRun) {
        FUZZ_CHECK(RegistrySnapshot() == before, "a dry run changes the registry");
        FUZZ_CHECK(!replace || StartsWith(outcome.out, "remove the whole configuration, then:\n"),
                   "a dry run of --replace does not say it removes the configuration: \"%s\"", outcome.out.c_str());
        // A merge whose dry run shows nothing changes nothing.
        if (!replace && outcome.out.empty()) {
            Outcome merged = Import(text, false, false);
            FUZZ_CHECK(merged.status == 0 && RegistrySnapshot() == before,
                       "a merge whose dry run showed nothing changes the registry");
        }
        ResetMachine();
        return 0;
    }
    FUZZ_CHECK(EndsWith(outcome.out, std::string("imported ") + kFile + "\n"), "an import that does not say so: \"%s\"",
               outcome.out.c_str());
    FUZZ_CHECK(!replace || (outcome.backupCalled && outcome.backup == exportedBefore),
               "--replace saves another configuration than the one it removes:\n%s", outcome.backup.c_str());
    CheckExportImportsBack(text);
    FUZZ_CHECK(SnapshotOutsideConfiguration() == outsideBefore, "the import changes keys outside the configuration");
    ResetMachine();
    return 0;
}
