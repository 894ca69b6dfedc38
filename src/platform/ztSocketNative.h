#pragma once
// The one place that chooses the system's socket headers, and the conversions between the
// platform layer's socket enumerations and the system's constants, shared by the BSD and the
// Windows Sockets implementations (both use the same sockaddr layouts). Only src/platform
// includes it.

#include "platform/ztSocket.h"

#include <vector>

#if defined(_WIN32)
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#endif

namespace zt::platform::native {

int toNativeFamily(AddressFamily inFamily);
AddressFamily fromNativeFamily(int inFamily);
int toNativeType(SocketType inType);
SocketType fromNativeType(int inType);
int toNativeProtocol(SocketProtocol inProtocol);
SocketProtocol fromNativeProtocol(int inProtocol);

// getaddrinfo's hints for inHints.
addrinfo toNativeHints(const AddressHints& inHints);
// Appends the entries of a list getaddrinfo returned to outResults and frees the list.
void takeAddressList(addrinfo* inList, std::vector<AddressInfo>& outResults);

inline const sockaddr* asNative(const SocketAddress& inAddress) {
    return static_cast<const sockaddr*>(inAddress.data());
}

inline sockaddr* asNative(SocketAddress& ioAddress) {
    return static_cast<sockaddr*>(ioAddress.data());
}

} // namespace zt::platform::native
