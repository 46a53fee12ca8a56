// quenbus export FILE and quenbus import FILE [--replace] [--dry-run].
#pragma once

#include <functional>
#include <ostream>
#include <string>

int ExportCommand(const std::string& file, std::ostream& out, std::ostream& err);

struct ImportOptions {
    bool replace = false;
    bool dryRun = false;
};

// Checks the whole file before writing anything. Without `replace` the file's
// nodes are merged into the configuration; with it the configuration is first
// saved to a backup file beside the import, then replaced.
int ImportCommand(const std::string& file, const ImportOptions& options, std::ostream& out, std::ostream& err);

// Saves the configuration that --replace is about to remove and names where
// (also when it fails).
using ImportBackup = std::function<bool(const std::string& configuration, std::string& where)>;

// ImportCommand once the file named `file` has been read into `text`.
int ImportText(const std::string& file, const std::string& text, const ImportOptions& options,
               const ImportBackup& backup, std::ostream& out, std::ostream& err);
