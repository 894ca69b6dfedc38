// Windows Sockets 2 behind zt::platform::Socket and getAddressInfo. The errors handed back
// are the Windows Sockets codes themselves (WSAECONNREFUSED and so on), which errorText()
// explains; a socket's fd() is its SOCKET value, which fits 32 bits like every handle.
#include "platform/ztSocket.h"

#include "platform/ztSocketNative.h"

#include "platform/ztSocketStart.h"
#include "platform/win32/ztWin32Error.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <utility>

#ifndef WSA_FLAG_NO_HANDLE_INHERIT
#define WSA_FLAG_NO_HANDLE_INHERIT 0x80
#endif

namespace zt::platform {
using namespace native;
namespace {

// Programs and tests that use sockets without the library's entry points get the counted
// start here, once per process; the system counts it beside the library's own.
void ensureStarted() {
    static const int started = startSockets();
    (void)started;
}

SOCKET socketOf(int inFd) {
    return static_cast<SOCKET>(static_cast<intptr_t>(inFd));
}

int lastError() {
    return ::WSAGetLastError();
}

// The result of a call that returns SOCKET_ERROR on failure.
int resultOf(int inReturned) {
    return inReturned == SOCKET_ERROR ? lastError() : 0;
}

int setNonBlocking(SOCKET inSocket) {
    u_long on = 1;
    return resultOf(::ioctlsocket(inSocket, FIONBIO, &on));
}

// A transfer's byte count, or 0 with the error.
int transferResult(int inReturned, size_t& outCount) {
    outCount = 0;
    if (inReturned == SOCKET_ERROR)
        return lastError();
    outCount = static_cast<size_t>(inReturned);
    return 0;
}

// The calls take an int count; a larger buffer goes in more than one call.
int chunk(size_t inLength) {
    return static_cast<int>(std::min<size_t>(inLength, 1u << 30));
}

} // namespace

int getAddressInfo(const char* inHost, const char* inService, const AddressHints& inHints,
                   std::vector<AddressInfo>& outResults, int& outSystemError) {
    outResults.clear();
    outSystemError = 0;
    const addrinfo hints = toNativeHints(inHints);
    addrinfo* list = nullptr;
    ensureStarted();
    // The resolver's codes are Windows Sockets codes, which are positive; they are handed
    // on negated, as the interface promises.
    const int result = ::getaddrinfo(inHost, inService, &hints, &list);
    if (result != 0)
        return -result;
    takeAddressList(list, outResults);
    return 0;
}

std::string resolverErrorText(int inResult) {
    char buffer[256];
    return win32::describeInto(static_cast<unsigned long>(-inResult), buffer, sizeof buffer);
}

std::string errorText(int inError) {
    // Windows Sockets codes start at 10000; below that the value is an errno.
    if (inError >= WSABASEERR) {
        char buffer[256];
        return win32::describeInto(static_cast<unsigned long>(inError), buffer, sizeof buffer);
    }
    char buffer[256] = {};
    ::strerror_s(buffer, sizeof buffer, inError);
    return buffer;
}

bool isWouldBlock(int inError) {
    return inError == WSAEWOULDBLOCK;
}

// Windows Sockets report a process out of sockets as WSAEMFILE and a system out of buffer
// space as WSAENOBUFS; the C runtime's codes come from thread and memory calls.
bool isResourceShortage(int inError) {
    return isDescriptorShortage(inError) || inError == WSAENOBUFS || inError == ENOBUFS ||
           inError == ENOMEM || inError == ERROR_NOT_ENOUGH_MEMORY;
}

bool isDescriptorShortage(int inError) {
    return inError == WSAEMFILE || inError == EMFILE || inError == ENFILE;
}

bool isInProgress(int inError) {
    return inError == WSAEINPROGRESS;
}

int Socket::create(AddressFamily inFamily, SocketType inType, SocketProtocol inProtocol,
                   Socket& outSocket) {
    ensureStarted();
    const SOCKET s =
        ::WSASocketW(toNativeFamily(inFamily), toNativeType(inType), toNativeProtocol(inProtocol),
                     nullptr, 0, WSA_FLAG_OVERLAPPED | WSA_FLAG_NO_HANDLE_INHERIT);
    if (s == INVALID_SOCKET)
        return lastError();
    Socket created(static_cast<int>(s));
    if (const int error = setNonBlocking(s); error != 0)
        return error;
    outSocket = std::move(created);
    return 0;
}

int Socket::close() {
    if (itsFd < 0)
        return 0;
    return resultOf(::closesocket(socketOf(std::exchange(itsFd, -1))));
}

int Socket::connect(const SocketAddress& inAddress) const {
    if (::connect(socketOf(itsFd), asNative(inAddress), static_cast<int>(inAddress.length())) == 0)
        return 0;
    // A non-blocking connect that has begun says "would block" here; the interface calls
    // that "in progress", as Linux does.
    const int error = lastError();
    return error == WSAEWOULDBLOCK ? WSAEINPROGRESS : error;
}

int Socket::bind(const SocketAddress& inAddress) const {
    return resultOf(
        ::bind(socketOf(itsFd), asNative(inAddress), static_cast<int>(inAddress.length())));
}

int Socket::listen(int inBacklog) const {
    return resultOf(::listen(socketOf(itsFd), inBacklog));
}

int Socket::accept(Socket& outSocket, SocketAddress& outPeer) const {
    int length = SocketAddress::capacity;
    const SOCKET s = ::accept(socketOf(itsFd), asNative(outPeer), &length);
    if (s == INVALID_SOCKET)
        return lastError();
    Socket accepted(static_cast<int>(s));
    // The accepted socket takes over the listener's properties, but it is made non-blocking
    // in its own right, since a listener tied to an event could not say.
    if (const int error = setNonBlocking(s); error != 0)
        return error;
    outPeer.setLength(static_cast<uint32_t>(length));
    outSocket = std::move(accepted);
    return 0;
}

int Socket::send(const void* inData, size_t inLength, size_t& outSent) const {
    // No SIGPIPE exists here, so a plain send is the Linux MSG_NOSIGNAL send.
    return transferResult(
        ::send(socketOf(itsFd), static_cast<const char*>(inData), chunk(inLength), 0), outSent);
}

int Socket::sendTo(const void* inData, size_t inLength, const SocketAddress& inAddress,
                   size_t& outSent) const {
    return transferResult(::sendto(socketOf(itsFd), static_cast<const char*>(inData),
                                   chunk(inLength), 0, asNative(inAddress),
                                   static_cast<int>(inAddress.length())),
                          outSent);
}

int Socket::receive(void* outBuffer, size_t inLength, size_t& outReceived) const {
    return transferResult(
        ::recv(socketOf(itsFd), static_cast<char*>(outBuffer), chunk(inLength), 0), outReceived);
}

int Socket::receiveFrom(void* outBuffer, size_t inLength, SocketAddress& ioFrom,
                        size_t& outReceived) const {
    int length = SocketAddress::capacity;
    const int result = transferResult(::recvfrom(socketOf(itsFd), static_cast<char*>(outBuffer),
                                                 chunk(inLength), 0, asNative(ioFrom), &length),
                                      outReceived);
    if (result == 0)
        ioFrom.setLength(static_cast<uint32_t>(length));
    return result;
}

int Socket::shutdownSend() const {
    return resultOf(::shutdown(socketOf(itsFd), SD_SEND));
}

int Socket::setReuseAddress(bool inOn) const {
    // The Windows option lets another socket take over a port that is in use, which the
    // Linux one does not allow; what the Linux one buys, binding again while old
    // connections linger in TIME_WAIT, Windows allows without it. So nothing is set.
    (void)inOn;
    return 0;
}

int Socket::setNoDelay(bool inOn) const {
    const BOOL value = inOn ? TRUE : FALSE;
    return resultOf(::setsockopt(socketOf(itsFd), IPPROTO_TCP, TCP_NODELAY,
                                 reinterpret_cast<const char*>(&value), sizeof value));
}

int Socket::setUnicastHops(AddressFamily inFamily, int inHops) const {
    const int level = inFamily == AddressFamily::ipv6 ? IPPROTO_IPV6 : IPPROTO_IP;
    const int option = inFamily == AddressFamily::ipv6 ? IPV6_UNICAST_HOPS : IP_TTL;
    return resultOf(::setsockopt(socketOf(itsFd), level, option,
                                 reinterpret_cast<const char*>(&inHops), sizeof inHops));
}

int Socket::getUnicastHops(AddressFamily inFamily, int& outHops) const {
    const int level = inFamily == AddressFamily::ipv6 ? IPPROTO_IPV6 : IPPROTO_IP;
    const int option = inFamily == AddressFamily::ipv6 ? IPV6_UNICAST_HOPS : IP_TTL;
    int length = sizeof outHops;
    return resultOf(
        ::getsockopt(socketOf(itsFd), level, option, reinterpret_cast<char*>(&outHops), &length));
}

int Socket::setSendBufferSize(int inBytes) const {
    return resultOf(::setsockopt(socketOf(itsFd), SOL_SOCKET, SO_SNDBUF,
                                 reinterpret_cast<const char*>(&inBytes), sizeof inBytes));
}

int Socket::setReceiveBufferSize(int inBytes) const {
    return resultOf(::setsockopt(socketOf(itsFd), SOL_SOCKET, SO_RCVBUF,
                                 reinterpret_cast<const char*>(&inBytes), sizeof inBytes));
}

int Socket::getLocalAddress(SocketAddress& outAddress) const {
    int length = SocketAddress::capacity;
    if (::getsockname(socketOf(itsFd), asNative(outAddress), &length) != 0)
        return lastError();
    outAddress.setLength(static_cast<uint32_t>(length));
    return 0;
}

int Socket::getPendingError(int& outError) const {
    outError = 0;
    int length = sizeof outError;
    return resultOf(::getsockopt(socketOf(itsFd), SOL_SOCKET, SO_ERROR,
                                 reinterpret_cast<char*>(&outError), &length));
}

} // namespace zt::platform
