// The adapters of the process: one session per URL (case-blind), with the
// lock that a device behind it holds for each operation, and the count of
// its open devices: an adapter may take one connection at a time, so the
// session's channel is closed when its last device closes.
#pragma once

#include "adapter/adapter_session.h"

#include <mutex>
#include <string>

struct SharedAdapter {
    explicit SharedAdapter(const std::string& url);

    AdapterSession session;
    std::mutex lock;
    int openDevices = 0; // guarded by `lock`
};

// Made on first use, kept for the process; the caller keeps the registry
// from being used by two threads at once.
SharedAdapter& SharedAdapterFor(const std::string& url);

// How a session opens the channel to the adapter at `url` (tcp:// or
// serial://); a URL that is no adapter address fails every open.
ChannelOpener ChannelTo(const std::string& url);
