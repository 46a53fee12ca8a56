#include "vxi11/portmapper.h"

#include "vxi11/xdr.h"

std::string EncodeGetPort(uint32_t program, uint32_t version)
{
    XdrWriter arguments;
    arguments.U32(program);
    arguments.U32(version);
    arguments.U32(kProtocolTcp);
    arguments.U32(0);
    return arguments.Bytes();
}

bool DecodeGetPort(const std::string& results, uint32_t& port)
{
    XdrReader reader(results);
    return reader.U32(port) && reader.AtEnd();
}

int LookUpPort(const std::string& host, uint32_t program, uint32_t version, int timeoutMs, std::string& problem)
{
    std::unique_ptr<RpcClient> client = ConnectRpc(host, kPortmapperPort, timeoutMs, 1024, problem);
    if (!client) {
        problem = "the portmapper (TCP port 111): " + problem;
        return 0;
    }
    std::string results;
    RpcOutcome outcome =
        client->Call(kPortmapperProgram, kPortmapperVersion, kPortmapperGetPort, EncodeGetPort(program, version),
                     timeoutMs, results);
    uint32_t port = 0;
    if (outcome != RpcOutcome::Done) {
        problem = "the portmapper: " + client->Problem();
        return 0;
    }
    if (!DecodeGetPort(results, port) || port == 0 || port > 65535) {
        problem = "the portmapper knows no VXI-11 core channel";
        return 0;
    }
    return static_cast<int>(port);
}
