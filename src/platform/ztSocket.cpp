// The BSD socket calls behind zt::platform::Socket and getAddressInfo. Every call that can
// be cut short by a signal is repeated on EINTR, so callers never see it.
#include "platform/ztSocket.h"

#include "platform/ztSocketNative.h"

#include <cerrno>
#include <cstring>
#include <memory>
#include <netinet/ip.h>
#include <netinet/tcp.h>
#include <unistd.h>
#include <utility>

namespace zt::platform {
using namespace native;
namespace {

// Runs a call that returns -1 with errno on failure, repeating it on EINTR.
template <typename Call> int retryOnSignal(Call inCall) {
    for (;;) {
        if (inCall() != -1)
            return 0;
        if (errno != EINTR)
            return errno;
    }
}

// The same for the transfers, whose result is a byte count.
template <typename Call> int transferRetryingOnSignal(Call inCall, size_t& outCount) {
    outCount = 0;
    for (;;) {
        const ssize_t n = inCall();
        if (n >= 0) {
            outCount = static_cast<size_t>(n);
            return 0;
        }
        if (errno != EINTR)
            return errno;
    }
}

} // namespace

int getAddressInfo(const char* inHost, const char* inService, const AddressHints& inHints,
                   std::vector<AddressInfo>& outResults, int& outSystemError) {
    outResults.clear();
    outSystemError = 0;
    const addrinfo hints = toNativeHints(inHints);
    addrinfo* list = nullptr;
    const int result = ::getaddrinfo(inHost, inService, &hints, &list);
    if (result != 0) {
        if (result == EAI_SYSTEM)
            outSystemError = errno;
        return result;
    }
    takeAddressList(list, outResults);
    return 0;
}

std::string resolverErrorText(int inResult) {
    return ::gai_strerror(inResult);
}

std::string errorText(int inError) {
    char buffer[256] = {};
    // The GNU strerror_r returns the text, which is not always written into the buffer.
    return ::strerror_r(inError, buffer, sizeof buffer);
}

bool isWouldBlock(int inError) {
    return inError == EAGAIN || inError == EWOULDBLOCK;
}

bool isResourceShortage(int inError) {
    return isDescriptorShortage(inError) || inError == ENOBUFS || inError == ENOMEM;
}

bool isDescriptorShortage(int inError) {
    return inError == EMFILE || inError == ENFILE;
}

bool isInProgress(int inError) {
    return inError == EINPROGRESS;
}

int Socket::create(AddressFamily inFamily, SocketType inType, SocketProtocol inProtocol,
                   Socket& outSocket) {
    const int fd =
        ::socket(toNativeFamily(inFamily), toNativeType(inType) | SOCK_NONBLOCK | SOCK_CLOEXEC,
                 toNativeProtocol(inProtocol));
    if (fd < 0)
        return errno;
    outSocket = Socket(fd);
    return 0;
}

int Socket::close() {
    if (itsFd < 0)
        return 0;
    // The descriptor is gone after close even when it reports EINTR, so no retry.
    const int result = ::close(std::exchange(itsFd, -1));
    return result == 0 ? 0 : errno;
}

int Socket::connect(const SocketAddress& inAddress) const {
    // A repeated connect after EINTR would report EALREADY; the first attempt goes on in
    // the background either way, so EINTR is passed on like EINPROGRESS.
    if (::connect(itsFd, asNative(inAddress), inAddress.length()) == 0)
        return 0;
    return errno == EINTR ? EINPROGRESS : errno;
}

int Socket::bind(const SocketAddress& inAddress) const {
    return retryOnSignal([&] { return ::bind(itsFd, asNative(inAddress), inAddress.length()); });
}

int Socket::listen(int inBacklog) const {
    return retryOnSignal([&] { return ::listen(itsFd, inBacklog); });
}

int Socket::accept(Socket& outSocket, SocketAddress& outPeer) const {
    for (;;) {
        socklen_t length = SocketAddress::capacity;
        const int fd = ::accept4(itsFd, asNative(outPeer), &length, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd >= 0) {
            outPeer.setLength(length);
            outSocket = Socket(fd);
            return 0;
        }
        if (errno != EINTR)
            return errno;
    }
}

int Socket::send(const void* inData, size_t inLength, size_t& outSent) const {
    return transferRetryingOnSignal([&] { return ::send(itsFd, inData, inLength, MSG_NOSIGNAL); },
                                    outSent);
}

int Socket::sendTo(const void* inData, size_t inLength, const SocketAddress& inAddress,
                   size_t& outSent) const {
    return transferRetryingOnSignal(
        [&] {
            return ::sendto(itsFd, inData, inLength, MSG_NOSIGNAL, asNative(inAddress),
                            inAddress.length());
        },
        outSent);
}

int Socket::receive(void* outBuffer, size_t inLength, size_t& outReceived) const {
    return transferRetryingOnSignal([&] { return ::recv(itsFd, outBuffer, inLength, 0); },
                                    outReceived);
}

int Socket::receiveFrom(void* outBuffer, size_t inLength, SocketAddress& ioFrom,
                        size_t& outReceived) const {
    socklen_t length = SocketAddress::capacity;
    const int result = transferRetryingOnSignal(
        [&] { return ::recvfrom(itsFd, outBuffer, inLength, 0, asNative(ioFrom), &length); },
        outReceived);
    if (result == 0)
        ioFrom.setLength(length);
    return result;
}

int Socket::shutdownSend() const {
    return ::shutdown(itsFd, SHUT_WR) == 0 ? 0 : errno;
}

int Socket::setReuseAddress(bool inOn) const {
    const int value = inOn ? 1 : 0;
    return ::setsockopt(itsFd, SOL_SOCKET, SO_REUSEADDR, &value, sizeof value) == 0 ? 0 : errno;
}

int Socket::setUnicastHops(AddressFamily inFamily, int inHops) const {
    const int level = inFamily == AddressFamily::ipv6 ? IPPROTO_IPV6 : IPPROTO_IP;
    const int option = inFamily == AddressFamily::ipv6 ? IPV6_UNICAST_HOPS : IP_TTL;
    return ::setsockopt(itsFd, level, option, &inHops, sizeof inHops) == 0 ? 0 : errno;
}

int Socket::getUnicastHops(AddressFamily inFamily, int& outHops) const {
    const int level = inFamily == AddressFamily::ipv6 ? IPPROTO_IPV6 : IPPROTO_IP;
    const int option = inFamily == AddressFamily::ipv6 ? IPV6_UNICAST_HOPS : IP_TTL;
    socklen_t length = sizeof outHops;
    return ::getsockopt(itsFd, level, option, &outHops, &length) == 0 ? 0 : errno;
}

int Socket::setSendBufferSize(int inBytes) const {
    return ::setsockopt(itsFd, SOL_SOCKET, SO_SNDBUF, &inBytes, sizeof inBytes) == 0 ? 0 : errno;
}

int Socket::setReceiveBufferSize(int inBytes) const {
    return ::setsockopt(itsFd, SOL_SOCKET, SO_RCVBUF, &inBytes, sizeof inBytes) == 0 ? 0 : errno;
}

int Socket::setNoDelay(bool inOn) const {
    const int value = inOn ? 1 : 0;
    return ::setsockopt(itsFd, IPPROTO_TCP, TCP_NODELAY, &value, sizeof value) == 0 ? 0 : errno;
}

int Socket::getLocalAddress(SocketAddress& outAddress) const {
    socklen_t length = SocketAddress::capacity;
    if (::getsockname(itsFd, asNative(outAddress), &length) != 0)
        return errno;
    outAddress.setLength(length);
    return 0;
}

int Socket::getPendingError(int& outError) const {
    outError = 0;
    socklen_t length = sizeof outError;
    return ::getsockopt(itsFd, SOL_SOCKET, SO_ERROR, &outError, &length) == 0 ? 0 : errno;
}

} // namespace zt::platform
