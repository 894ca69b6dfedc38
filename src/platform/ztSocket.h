#pragma once
// Sockets and name resolution over the BSD socket calls: an owned, non-blocking socket
// descriptor, a socket address held as plain bytes, and getaddrinfo. Each operation makes
// one system call and hands back its result and errno; deciding what an error means is
// left to the endpoints in src/net. No socket header leaks out of this one.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace zt::platform {

enum class AddressFamily : int { unspecified = 0, ipv4 = 4, ipv6 = 6, other = -1 };
enum class SocketType : int { any = 0, stream = 1, datagram = 2, raw = 3 };
enum class SocketProtocol : int { any = 0, tcp = 1, udp = 2, icmp = 3, icmpv6 = 4 };

// A socket address of any family in the layout the kernel uses (a sockaddr_storage), so
// that it can be handed to the calls unchanged.
class SocketAddress {
public:
    // Room for every address family, as sockaddr_storage.
    static constexpr uint32_t capacity = 128;

    // An empty address (length 0, family unspecified).
    SocketAddress() = default;
    static SocketAddress fromIPv4(const std::array<uint8_t, 4>& inAddress, uint16_t inPort);
    static SocketAddress fromIPv6(const std::array<uint8_t, 16>& inAddress, uint16_t inPort,
                                  uint32_t inFlowInfo = 0, uint32_t inScopeId = 0);

    AddressFamily family() const;
    // The port in host byte order; 0 for other families.
    uint16_t port() const;
    // The address bytes, first octet first; zero for another family.
    std::array<uint8_t, 4> ipv4Bytes() const;
    std::array<uint8_t, 16> ipv6Bytes() const;
    uint32_t ipv6FlowInfo() const;
    uint32_t ipv6ScopeId() const;

    // Raw access for the system calls: the bytes and how many of them are used.
    void* data() { return itsBytes.data(); }
    const void* data() const { return itsBytes.data(); }
    uint32_t length() const { return itsLength; }
    void setLength(uint32_t inLength) { itsLength = inLength < capacity ? inLength : capacity; }

private:
    alignas(8) std::array<uint8_t, capacity> itsBytes{};
    uint32_t itsLength = 0;
};

// One result of getAddressInfo.
struct AddressInfo {
    AddressFamily family = AddressFamily::unspecified;
    SocketType type = SocketType::any;
    SocketProtocol protocol = SocketProtocol::any;
    SocketAddress address;
};

struct AddressHints {
    AddressFamily family = AddressFamily::unspecified;
    SocketType type = SocketType::any;
    SocketProtocol protocol = SocketProtocol::any;
    bool numericHost = false; // the host is an address literal: never ask a name server
    bool passive = false;     // for binding: a null host means the any-address
};

// getaddrinfo. inHost and inService may be null (not both). Returns 0 and fills
// outResults in the resolver's order, or returns the resolver's (negative) EAI_ code;
// outSystemError receives errno when that code is EAI_SYSTEM, else 0. Blocks for as
// long as the resolver takes; any thread may call it.
int getAddressInfo(const char* inHost, const char* inService, const AddressHints& inHints,
                   std::vector<AddressInfo>& outResults, int& outSystemError);
// The resolver's text for an EAI_ code (gai_strerror).
std::string resolverErrorText(int inResult);
// The system's text for an errno value (strerror_r).
std::string errorText(int inError);

// Classifications of errno values returned below.
bool isWouldBlock(int inError); // EAGAIN, EWOULDBLOCK
bool isInProgress(int inError); // EINPROGRESS: a non-blocking connect has begun
// The system is short of what a socket, descriptor or thread needs: EMFILE, ENFILE,
// ENOBUFS, ENOMEM (also EAGAIN from thread creation, which callers classify themselves).
bool isResourceShortage(int inError);
// The shortage is of descriptors (EMFILE, ENFILE) rather than of memory.
bool isDescriptorShortage(int inError);

// An owned socket descriptor, always non-blocking and close-on-exec. Move-only; the
// destructor closes it. One thread uses a socket at a time.
class Socket {
public:
    Socket() = default;
    Socket(Socket&& ioOther) noexcept : itsFd(std::exchange(ioOther.itsFd, -1)) {}
    Socket& operator=(Socket&& ioOther) noexcept {
        if (this != &ioOther) {
            close();
            itsFd = std::exchange(ioOther.itsFd, -1);
        }
        return *this;
    }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    ~Socket() { close(); }

    // socket(2). Returns 0 and the new socket in outSocket (releasing what it held), or errno.
    static int create(AddressFamily inFamily, SocketType inType, SocketProtocol inProtocol,
                      Socket& outSocket);

    bool valid() const { return itsFd >= 0; }
    // The descriptor for pollFds; -1 when not valid.
    int fd() const { return itsFd; }
    // Closes the descriptor (no-op when not valid). Returns 0 or the errno of close.
    int close();

    // connect(2); a started non-blocking connect returns EINPROGRESS.
    int connect(const SocketAddress& inAddress) const;
    int bind(const SocketAddress& inAddress) const;
    int listen(int inBacklog) const;
    // accept4(2) into a new non-blocking socket; outPeer receives the peer's address.
    int accept(Socket& outSocket, SocketAddress& outPeer) const;
    // send(2) without SIGPIPE. outSent receives the count (0 on error).
    int send(const void* inData, size_t inLength, size_t& outSent) const;
    int sendTo(const void* inData, size_t inLength, const SocketAddress& inAddress,
               size_t& outSent) const;
    // recv(2). A result of 0 with outReceived 0 means the peer shut down its side.
    int receive(void* outBuffer, size_t inLength, size_t& outReceived) const;
    // recvfrom(2); ioFrom receives the sender's address.
    int receiveFrom(void* outBuffer, size_t inLength, SocketAddress& ioFrom,
                    size_t& outReceived) const;
    // shutdown(2) of the sending direction.
    int shutdownSend() const;
    // setsockopt SO_REUSEADDR.
    int setReuseAddress(bool inOn) const;
    // setsockopt/getsockopt IP_TTL (ipv4) or IPV6_UNICAST_HOPS (ipv6).
    int setUnicastHops(AddressFamily inFamily, int inHops) const;
    int getUnicastHops(AddressFamily inFamily, int& outHops) const;
    // setsockopt SO_SNDBUF / SO_RCVBUF (the kernel doubles and bounds the value).
    int setSendBufferSize(int inBytes) const;
    int setReceiveBufferSize(int inBytes) const;
    // setsockopt TCP_NODELAY: a write leaves at once instead of waiting until the peer has
    // acknowledged the data before it.
    int setNoDelay(bool inOn) const;
    // getsockname(2).
    int getLocalAddress(SocketAddress& outAddress) const;
    // getsockopt SO_ERROR: the error pending on the socket (0 for none) in outError.
    int getPendingError(int& outError) const;

private:
    explicit Socket(int inFd) : itsFd(inFd) {}

    int itsFd = -1;
};

} // namespace zt::platform
