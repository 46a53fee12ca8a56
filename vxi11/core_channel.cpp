#include "vxi11/core_channel.h"

#include "vxi11/xdr.h"

std::string EncodeCreateLink(int32_t clientId, bool lockDevice, uint32_t lockTimeout, const std::string& device)
{
    XdrWriter out;
    out.I32(clientId);
    out.Bool(lockDevice);
    out.U32(lockTimeout);
    out.Opaque(device);
    return out.Bytes();
}

std::string EncodeDeviceWrite(int32_t lid, uint32_t ioTimeout, uint32_t lockTimeout, uint32_t flags, const char* data,
                              size_t count)
{
    XdrWriter out;
    out.I32(lid);
    out.U32(ioTimeout);
    out.U32(lockTimeout);
    out.U32(flags);
    out.Opaque(data, count);
    return out.Bytes();
}

std::string EncodeDeviceRead(int32_t lid, uint32_t requestSize, uint32_t ioTimeout, uint32_t lockTimeout,
                             uint32_t flags, uint8_t termChar)
{
    XdrWriter out;
    out.I32(lid);
    out.U32(requestSize);
    out.U32(ioTimeout);
    out.U32(lockTimeout);
    out.U32(flags);
    out.U32(termChar);
    return out.Bytes();
}

std::string EncodeGeneric(int32_t lid, uint32_t flags, uint32_t lockTimeout, uint32_t ioTimeout)
{
    XdrWriter out;
    out.I32(lid);
    out.U32(flags);
    out.U32(lockTimeout);
    out.U32(ioTimeout);
    return out.Bytes();
}

std::string EncodeDocmd(int32_t lid, uint32_t flags, uint32_t ioTimeout, uint32_t lockTimeout, int32_t command,
                        bool networkOrder, int32_t dataSize, const std::string& dataIn)
{
    XdrWriter out;
    out.I32(lid);
    out.U32(flags);
    out.U32(ioTimeout);
    out.U32(lockTimeout);
    out.I32(command);
    out.Bool(networkOrder);
    out.I32(dataSize);
    out.Opaque(dataIn);
    return out.Bytes();
}

std::string EncodeLink(int32_t lid)
{
    XdrWriter out;
    out.I32(lid);
    return out.Bytes();
}

bool DecodeCreateLink(const std::string& results, CreateLinkReply& reply)
{
    XdrReader in(results);
    return in.I32(reply.error) && in.I32(reply.lid) && in.U32(reply.abortPort) && in.U32(reply.maxRecvSize) &&
           in.AtEnd();
}

bool DecodeDeviceWrite(const std::string& results, WriteReply& reply)
{
    XdrReader in(results);
    return in.I32(reply.error) && in.U32(reply.size) && in.AtEnd();
}

bool DecodeDeviceRead(const std::string& results, size_t limit, ReadReply& reply)
{
    XdrReader in(results);
    int32_t reason = 0;
    bool whole = in.I32(reply.error) && in.I32(reason) && in.Opaque(reply.data, limit) && in.AtEnd();
    reply.reason = static_cast<uint32_t>(reason);
    return whole;
}

bool DecodeReadStb(const std::string& results, StatusByteReply& reply)
{
    XdrReader in(results);
    uint32_t stb = 0;
    bool whole = in.I32(reply.error) && in.U32(stb) && in.AtEnd() && stb <= 0xFF;
    reply.stb = static_cast<uint8_t>(stb);
    return whole;
}

bool DecodeDocmd(const std::string& results, size_t limit, DocmdReply& reply)
{
    XdrReader in(results);
    return in.I32(reply.error) && in.Opaque(reply.data, limit) && in.AtEnd();
}

bool DecodeError(const std::string& results, int32_t& error)
{
    XdrReader in(results);
    return in.I32(error) && in.AtEnd();
}
