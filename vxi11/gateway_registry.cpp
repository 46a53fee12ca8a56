#include "vxi11/gateway_registry.h"

#include "text/text_compare.h"

#include <map>
#include <memory>

SharedGateway& SharedGatewayFor(const std::string& url, const AdapterAddress& address)
{
    static std::map<std::string, std::unique_ptr<SharedGateway>, LessNoCase> gateways;
    std::unique_ptr<SharedGateway>& gateway = gateways[url];
    if (!gateway)
        gateway.reset(new SharedGateway(address));
    return *gateway;
}
