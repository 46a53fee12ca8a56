// A MEX file loaded into the host, with its entry mexFunction. On Windows the
// libraries it imports are looked for beside it.
#pragma once

#include "host_api.h"

#include <string>

class MexFile {
public:
    explicit MexFile(const std::string& path);
    ~MexFile();
    MexFile(const MexFile&) = delete;
    MexFile& operator=(const MexFile&) = delete;

    // Null when the file could not be loaded or has no mexFunction; Error() says why.
    MexEntry Entry() const { return entry_; }
    void* Module() const { return module_; }
    const std::string& Error() const { return error_; }

private:
    void* module_ = nullptr;
    MexEntry entry_ = nullptr;
    std::string error_;
};

// The MEX file of `command` in the folder QUENBUS_MEX_DIR names, loaded on
// first use and kept for the process.
const MexFile& LoadedCommand(const std::string& command);
