// The adapters of the process: one session per URL (case-blind), with the
// lock that a device behind it holds for each operation.
#pragma once

#include "adapter/adapter_session.h"

#include <mutex>
#include <string>

struct SharedAdapter {
    explicit SharedAdapter(const std::string& url);

    AdapterSession session;
    std::mutex lock;
};

// Made on first use, kept for the process; the caller keeps the registry
// from being used by two threads at once.
SharedAdapter& SharedAdapterFor(const std::string& url);

// How a session opens the channel to the adapter at `url` (tcp:// or
// serial://); a URL that is no adapter address fails every open.
ChannelOpener ChannelTo(const std::string& url);
