#pragma once
// An endpoint over a socket: connecting by address or by name (the name resolved on a
// look-up thread within the operation time-out), listening and accepting, and the raw
// transfers. Every wait polls the socket together with the interrupt event, so no
// operation outlasts its time-out or an interrupt. Only the TCP kind is implemented; the
// other kinds are kept so that the kind numbers stay those of the protocol.

#include "net/ztNetEndpoint.h"
#include "platform/ztSocket.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

class ztIPEndpoint : public ztNetEndpoint {
public:
    // Turns a host name into addresses, IPv4 and IPv6 alike, in the resolver's order.
    // Throws ztException on failure; an empty list means the name has no address.
    using Resolver = std::function<std::vector<ztIPv6>(const std::string& inHostName)>;

    // Network events of a socket, numbered as the protocol's log lines show them.
    static constexpr uint32_t netEventRead = 0x01;
    static constexpr uint32_t netEventWrite = 0x02;
    static constexpr uint32_t netEventAccept = 0x08;
    static constexpr uint32_t netEventConnect = 0x10;
    static constexpr uint32_t netEventClose = 0x20;

    // A closed endpoint of kind inKind; inTimeoutMs and inInterrupt as for ztNetEndpoint.
    ztIPEndpoint(Kind inKind, int32_t inTimeoutMs, ztEvent* inInterrupt);
    // Closes the socket and every listening socket.
    ~ztIPEndpoint() override;

    // The endpoint should be closed (an open one is closed first). Tries every address the
    // numeric look-up of inAddress gives until one connects within the operation time-out. 0;
    // ztErr_connectFailed when none connected; ztErr_cancelled when the interrupt event was set
    // while waiting; ztErr_resFull when no socket could be had (no descriptor or buffer
    // memory left); ztErr_notSupported for a kind other than TCP.
    ztErr connect(const ztIPv6& inAddress, uint16_t inPort) override;
    // An address literal connects as above, without a look-up. Otherwise the name is
    // resolved on a ztConnectLookupThread within the operation time-out (ztErr_timeout when
    // it takes longer; the look-up is left to finish on its own) and each address is tried
    // in order. Port 0 gives ztErr_connectFailed; a name without addresses
    // ztErr_hostNotFound; a resolver failure its own error value.
    ztErr connect(const std::string& inHostName, uint16_t inPort) override;
    // The endpoint must be closed. Listens (backlog 16) on every address the numeric look-up
    // of inLocalAddress gives, or on the any-addresses when it is not set. 0 when at least
    // one socket listens; ztErr_connectFailed when the address cannot be resolved;
    // ztErr_netNotAvailable when no socket could listen.
    ztErr startListen(uint16_t inPort, const ztIPv6& inLocalAddress) override;
    // Waits up to the operation time-out for a connection on the listening sockets and
    // returns it as a new open endpoint made by createEndpoint (same interrupt event and
    // time-out); null when none came, on a failure, or without listening sockets. After a
    // null result getLastError() tells a failed accept (EMFILE and the like) from a wait
    // that ended without a connection (0).
    std::unique_ptr<ztNetEndpoint> accept() override;
    // Shuts down sending, closes the socket and every listening socket. Safe when closed.
    void close() override;
    bool isOpen() const override;
    // Datagram kinds: remembers the peer for later sends and returns true; TCP: false.
    bool setPeerAddress(const ztIPv6& inAddress) override;
    // The socket's own address when it is open and has one, else the stored address.
    ztIPv6 getLocalAddress() const override;
    std::unique_ptr<ztNetEndpoint> createEndpoint(ztEvent* inInterrupt,
                                                  int32_t inTimeoutMs) override;

    // Receives between 1 and ioLength bytes, waiting within the operation time-out.
    // ztErr_connectFailed when closed; ztErr_netReadWrite when the peer closed or the
    // socket failed; ztErr_cancelled when the interrupt event is set and nothing has
    // arrived; ztErr_timeout when nothing arrived in time.
    ztErr rawRead(void* outBuffer, uint32_t& ioLength) override;
    // Sends all inLength bytes within the operation time-out. ztErr_connectFailed when
    // closed; ztErr_netReadWrite when the socket failed. When the interrupt event or the
    // time-out ends a write after part of it went out, the connection is closed as well:
    // the peer holds a cut-off frame and the stream cannot be used any more. So after
    // ztErr_cancelled or ztErr_timeout either nothing was sent and the endpoint is still
    // open, or it is closed.
    ztErr rawWrite(const void* inData, uint32_t inLength) override;

    // The unicast time-to-live (IPv4) or hop limit (IPv6) of the socket. ztErr_connectFailed
    // when closed; ztErr_netNotAvailable when the option cannot be set or read.
    virtual ztErr setTTL(int inValue);
    virtual ztErr getTTL(int& outValue) const;

    // The errno of the last failed socket call, 0 when none failed (accept clears it).
    int getLastError() const { return itsLastError; }

    // Restricts connecting, listening and accepting to one family (unspecified: any).
    void setPreferredFamily(zt::platform::AddressFamily inFamily) { itsPreferredFamily = inFamily; }
    zt::platform::AddressFamily getPreferredFamily() const { return itsPreferredFamily; }

    // Resolves inHostName for TCP over any family through the installed resolver (by
    // default the system's). An empty name throws ztErr_connectFailed; a system resolver
    // failure throws ztErr_hostNotFound with the resolver's result and the system's text.
    // Blocks as long as the resolver takes; any thread may call it.
    static std::vector<ztIPv6> getAddressInfo(const std::string& inHostName);
    // Replaces the resolver behind getAddressInfo for the whole process (an empty function
    // restores the system resolver) and returns the previous one. Look-ups already running
    // keep the resolver they started with. Meant for tests: a resolver may return chosen
    // addresses, throw, or block to stand for a name server that does not answer.
    static Resolver setResolver(Resolver inResolver);
    // The system resolver (getaddrinfo), as getAddressInfo uses it by default.
    static std::vector<ztIPv6> systemResolve(const std::string& inHostName);

protected:
    // One socket of a wait: the events asked for, and after the wait the events that were
    // reported and ztErr_netWaitFailed or 0x100 (an event came with a socket error).
    struct SocketWait {
        const zt::platform::Socket* socket = nullptr;
        uint32_t selected = 0;
        uint32_t reported = 0;
        ztErr error = ztErr_noError;
    };

    // Waits up to inTimeoutMs (noTimeout: no limit) until one of the sockets reports a
    // selected event or the interrupt event is set. 0 when an event was reported;
    // ztErr_cancelled; ztErr_netReadWrite when a close was reported; ztErr_netNotAvailable
    // when a socket reported an error; ztErr_timeout when nothing was reported.
    ztErr waitOnSockets(std::span<SocketWait> ioSockets, int32_t inTimeoutMs);
    // The same with inInterrupt (null: none) in place of the endpoint's interrupt event.
    ztErr waitOnSockets(std::span<SocketWait> ioSockets, int32_t inTimeoutMs, ztEvent* inInterrupt);
    // The plain transfer behind rawWrite; outSent receives how many bytes went out, so
    // that a subclass that transformed the bytes can tell whether any reached the peer.
    ztErr sendAll(const void* inData, uint32_t inLength, uint32_t& outSent);
    // Takes over an accepted connection from inPeer.
    void adoptConnection(zt::platform::Socket inSocket, const zt::platform::SocketAddress& inPeer);
    // Lets small writes of a connected TCP socket leave at once (TCP_NODELAY).
    void disableNagle();
    bool interruptIsSet() const;

    zt::platform::Socket itsSocket;
    zt::platform::AddressFamily itsPreferredFamily = zt::platform::AddressFamily::unspecified;
    zt::platform::SocketAddress itsPeerAddress;
    std::vector<zt::platform::Socket> itsListenSockets;
    std::vector<uint32_t> itsListenEvents; // last events reported, one per listening socket
    // errno of the last failed socket call; a reading and a writing thread may both fail.
    std::atomic<int> itsLastError{0};
    // The last receive took less than it asked for (the stream was empty behind it).
    bool itsReadDrained = false;

private:
    ztErr tryConnect(const zt::platform::AddressInfo& inCandidate);
    ztErr resolveAndConnect(const std::string& inHostName, uint16_t inPort);
};
