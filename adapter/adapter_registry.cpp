#include "adapter/adapter_registry.h"

#include "text/text_compare.h"

#include <map>
#include <memory>

ChannelOpener ChannelTo(const std::string& url)
{
    return [url](int timeoutMs, std::string& problem) -> std::unique_ptr<ByteChannel> {
        AdapterAddress address;
        if (!ParseAdapterUrl(url, address, problem))
            return nullptr;
        if (address.kind == AdapterAddress::Kind::Tcp)
            return OpenTcpChannel(address, timeoutMs, problem);
        if (address.kind == AdapterAddress::Kind::Serial)
            return OpenSerialChannel(address, problem);
        problem = "a VXI-11 gateway is no \"++\" adapter";
        return nullptr;
    };
}

SharedAdapter::SharedAdapter(const std::string& url) : session(ChannelTo(url)) {}

SharedAdapter& SharedAdapterFor(const std::string& url)
{
    static std::map<std::string, std::unique_ptr<SharedAdapter>, LessNoCase> adapters;
    std::unique_ptr<SharedAdapter>& adapter = adapters[url];
    if (!adapter)
        adapter.reset(new SharedAdapter(url));
    return *adapter;
}
