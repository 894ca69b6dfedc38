// Socket addresses and the socket constants, the same on every system that offers the BSD
// sockaddr layouts (Linux, and Windows Sockets).
#include "platform/ztSocketNative.h"

#include <cstring>
#include <memory>

namespace zt::platform {
namespace native {

static_assert(sizeof(sockaddr_storage) <= SocketAddress::capacity);

int toNativeFamily(AddressFamily inFamily) {
    switch (inFamily) {
    case AddressFamily::ipv4:
        return AF_INET;
    case AddressFamily::ipv6:
        return AF_INET6;
    default:
        return AF_UNSPEC;
    }
}

AddressFamily fromNativeFamily(int inFamily) {
    switch (inFamily) {
    case AF_INET:
        return AddressFamily::ipv4;
    case AF_INET6:
        return AddressFamily::ipv6;
    case AF_UNSPEC:
        return AddressFamily::unspecified;
    default:
        return AddressFamily::other;
    }
}

int toNativeType(SocketType inType) {
    switch (inType) {
    case SocketType::stream:
        return SOCK_STREAM;
    case SocketType::datagram:
        return SOCK_DGRAM;
    case SocketType::raw:
        return SOCK_RAW;
    default:
        return 0;
    }
}

SocketType fromNativeType(int inType) {
    switch (inType) {
    case SOCK_STREAM:
        return SocketType::stream;
    case SOCK_DGRAM:
        return SocketType::datagram;
    case SOCK_RAW:
        return SocketType::raw;
    default:
        return SocketType::any;
    }
}

int toNativeProtocol(SocketProtocol inProtocol) {
    switch (inProtocol) {
    case SocketProtocol::tcp:
        return IPPROTO_TCP;
    case SocketProtocol::udp:
        return IPPROTO_UDP;
    case SocketProtocol::icmp:
        return IPPROTO_ICMP;
    case SocketProtocol::icmpv6:
        return IPPROTO_ICMPV6;
    default:
        return 0;
    }
}

SocketProtocol fromNativeProtocol(int inProtocol) {
    switch (inProtocol) {
    case IPPROTO_TCP:
        return SocketProtocol::tcp;
    case IPPROTO_UDP:
        return SocketProtocol::udp;
    case IPPROTO_ICMP:
        return SocketProtocol::icmp;
    case IPPROTO_ICMPV6:
        return SocketProtocol::icmpv6;
    default:
        return SocketProtocol::any;
    }
}

addrinfo toNativeHints(const AddressHints& inHints) {
    addrinfo hints{};
    hints.ai_family = toNativeFamily(inHints.family);
    hints.ai_socktype = toNativeType(inHints.type);
    hints.ai_protocol = toNativeProtocol(inHints.protocol);
    if (inHints.numericHost)
        hints.ai_flags |= AI_NUMERICHOST;
    if (inHints.passive)
        hints.ai_flags |= AI_PASSIVE;
    return hints;
}

void takeAddressList(addrinfo* inList, std::vector<AddressInfo>& outResults) {
    struct AddrInfoDeleter {
        void operator()(addrinfo* inList) const { ::freeaddrinfo(inList); }
    };
    const std::unique_ptr<addrinfo, AddrInfoDeleter> owner(inList);
    for (const addrinfo* entry = inList; entry != nullptr; entry = entry->ai_next) {
        AddressInfo info;
        info.family = fromNativeFamily(entry->ai_family);
        info.type = fromNativeType(entry->ai_socktype);
        info.protocol = fromNativeProtocol(entry->ai_protocol);
        if (entry->ai_addr != nullptr && entry->ai_addrlen <= SocketAddress::capacity) {
            std::memcpy(info.address.data(), entry->ai_addr, entry->ai_addrlen);
            info.address.setLength(entry->ai_addrlen);
        }
        outResults.push_back(info);
    }
}

} // namespace native

using native::asNative;
using native::fromNativeFamily;

SocketAddress SocketAddress::fromIPv4(const std::array<uint8_t, 4>& inAddress, uint16_t inPort) {
    SocketAddress result;
    sockaddr_in native{};
    native.sin_family = AF_INET;
    native.sin_port = htons(inPort);
    std::memcpy(&native.sin_addr, inAddress.data(), inAddress.size());
    std::memcpy(result.data(), &native, sizeof native);
    result.setLength(sizeof native);
    return result;
}

SocketAddress SocketAddress::fromIPv6(const std::array<uint8_t, 16>& inAddress, uint16_t inPort,
                                      uint32_t inFlowInfo, uint32_t inScopeId) {
    SocketAddress result;
    sockaddr_in6 native{};
    native.sin6_family = AF_INET6;
    native.sin6_port = htons(inPort);
    native.sin6_flowinfo = inFlowInfo;
    native.sin6_scope_id = inScopeId;
    std::memcpy(&native.sin6_addr, inAddress.data(), inAddress.size());
    std::memcpy(result.data(), &native, sizeof native);
    result.setLength(sizeof native);
    return result;
}

AddressFamily SocketAddress::family() const {
    if (itsLength < sizeof(sockaddr::sa_family))
        return AddressFamily::unspecified;
    return fromNativeFamily(asNative(*this)->sa_family);
}

uint16_t SocketAddress::port() const {
    switch (family()) {
    case AddressFamily::ipv4:
        return ntohs(reinterpret_cast<const sockaddr_in*>(data())->sin_port);
    case AddressFamily::ipv6:
        return ntohs(reinterpret_cast<const sockaddr_in6*>(data())->sin6_port);
    default:
        return 0;
    }
}

std::array<uint8_t, 4> SocketAddress::ipv4Bytes() const {
    std::array<uint8_t, 4> bytes{};
    if (family() == AddressFamily::ipv4)
        std::memcpy(bytes.data(), &reinterpret_cast<const sockaddr_in*>(data())->sin_addr, 4);
    return bytes;
}

std::array<uint8_t, 16> SocketAddress::ipv6Bytes() const {
    std::array<uint8_t, 16> bytes{};
    if (family() == AddressFamily::ipv6)
        std::memcpy(bytes.data(), &reinterpret_cast<const sockaddr_in6*>(data())->sin6_addr, 16);
    return bytes;
}

uint32_t SocketAddress::ipv6FlowInfo() const {
    if (family() != AddressFamily::ipv6)
        return 0;
    return reinterpret_cast<const sockaddr_in6*>(data())->sin6_flowinfo;
}

uint32_t SocketAddress::ipv6ScopeId() const {
    if (family() != AddressFamily::ipv6)
        return 0;
    return reinterpret_cast<const sockaddr_in6*>(data())->sin6_scope_id;
}

} // namespace zt::platform
