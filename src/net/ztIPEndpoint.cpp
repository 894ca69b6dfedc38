// ztIPEndpoint over the platform sockets. The network events of a socket are derived from
// what poll reports: readable is a read (or, on a listening socket, an accept), writable a
// write (or the end of a connect), an error or hang-up a close (or a failed connect).
#include "net/ztIPEndpoint.h"

#include "messages/ztAssert.h"
#include "messages/ztException.h"
#include "messages/ztInfoLog.h"
#include "net/ztConnectLookupThread.h"
#include "platform/ztPoll.h"
#include "threads/ztEvent.h"
#include "threads/ztEventWaiter.h"
#include "threads/ztMultiEvent.h"
#include "util/ztTimer.h"

#include <algorithm>
#include <mutex>
#include <optional>
#include <string>
#include <utility>

using zt::platform::AddressFamily;
using zt::platform::AddressInfo;
using zt::platform::Socket;
using zt::platform::SocketAddress;

namespace {

// An event reported together with a socket error.
constexpr ztErr kEventWithError = 0x0100;
// A wait that finds nothing reported on a wake-up (an interrupt event reset in between)
// looks again, at most this many times in all.
constexpr int kWaitRounds = 3;
constexpr int kListenBacklog = 16;

struct ResolverHook {
    std::mutex mutex;
    ztIPEndpoint::Resolver resolver;
};

ResolverHook& resolverHook() {
    // Never destroyed: a look-up thread left running may still read it at exit.
    static ResolverHook* theHook = new ResolverHook;
    return *theHook;
}

unsigned errorCode(int inError) {
    return static_cast<unsigned>(inError);
}

ztIPv6 addressOf(const SocketAddress& inAddress) {
    switch (inAddress.family()) {
    case AddressFamily::ipv4:
        return ztIPv6(ztIPv4(inAddress.ipv4Bytes()));
    case AddressFamily::ipv6: {
        const std::array<uint8_t, 16> bytes = inAddress.ipv6Bytes();
        return ztIPv6(bytes);
    }
    default:
        return ztIPv6();
    }
}

bool isUsable(AddressFamily inFamily, AddressFamily inPreferred) {
    if (inFamily != AddressFamily::ipv4 && inFamily != AddressFamily::ipv6)
        return false;
    return inPreferred == AddressFamily::unspecified || inFamily == inPreferred;
}

const char* familyName(AddressFamily inFamily) {
    return inFamily == AddressFamily::ipv6 ? "PF_INET6" : "PF_INET";
}

uint16_t wantedFor(uint32_t inSelected) {
    uint16_t wanted = 0;
    if (inSelected & (ztIPEndpoint::netEventRead | ztIPEndpoint::netEventAccept))
        wanted |= zt::platform::pollFlag::readable;
    if (inSelected & (ztIPEndpoint::netEventWrite | ztIPEndpoint::netEventConnect))
        wanted |= zt::platform::pollFlag::writable;
    return wanted;
}

// The resolver's error and its text: errno for a system failure, else the resolver's code.
void describeResolverError(int inResult, int inSystemError, int& outCode, std::string& outText) {
    if (inSystemError != 0) {
        outCode = inSystemError;
        outText = zt::platform::errorText(inSystemError);
        return;
    }
    outCode = inResult;
    outText = zt::platform::resolverErrorText(inResult);
}

zt::platform::AddressHints tcpHints(AddressFamily inFamily) {
    zt::platform::AddressHints hints;
    hints.family = inFamily;
    hints.type = zt::platform::SocketType::stream;
    hints.protocol = zt::platform::SocketProtocol::tcp;
    hints.numericHost = true;
    return hints;
}

// Milliseconds left of inTimeoutMs after inTimer's span; noTimeout stays noTimeout.
int32_t timeLeft(int32_t inTimeoutMs, const ztTimer& inTimer) {
    if (inTimeoutMs == ztNetEndpoint::noTimeout)
        return ztNetEndpoint::noTimeout;
    return static_cast<int32_t>(inTimer.remaining(static_cast<uint32_t>(inTimeoutMs)));
}

bool timeIsUp(int32_t inTimeoutMs, const ztTimer& inTimer) {
    return inTimeoutMs != ztNetEndpoint::noTimeout &&
           inTimer.elapsed() >= static_cast<uint32_t>(inTimeoutMs);
}

} // namespace

ztIPEndpoint::ztIPEndpoint(Kind inKind, int32_t inTimeoutMs, ztEvent* inInterrupt)
    : ztNetEndpoint(inKind, inTimeoutMs, inInterrupt) {}

ztIPEndpoint::~ztIPEndpoint() {
    close();
}

bool ztIPEndpoint::interruptIsSet() const {
    return itsInterrupt != nullptr && itsInterrupt->isSet();
}

// ---- connecting

ztErr ztIPEndpoint::connect(const ztIPv6& inAddress, uint16_t inPort) {
    ztAssert(!isOpen());
    close();
    itsAddress = inAddress;
    itsPort = inPort;
    if (itsKind != Kind::tcp)
        return ztErr_notSupported;

    AddressFamily family = itsPreferredFamily;
    if (family == AddressFamily::unspecified)
        family = inAddress.isIPv4() ? AddressFamily::ipv4 : AddressFamily::ipv6;
    std::vector<AddressInfo> candidates;
    int systemError = 0;
    const int resolved =
        zt::platform::getAddressInfo(inAddress.format().c_str(), std::to_string(inPort).c_str(),
                                     tcpHints(family), candidates, systemError);
    if (resolved != 0) {
        int code = 0;
        std::string text;
        describeResolverError(resolved, systemError, code, text);
        ztLog(6, "ztIPEndpoint::connect: error getting address info (0x%04X, <%s>)",
              errorCode(code), text.c_str());
        return ztErr_connectFailed;
    }
    for (const AddressInfo& candidate : candidates) {
        if (isOpen())
            break;
        if (!isUsable(candidate.family, itsPreferredFamily))
            continue;
        const ztErr result = tryConnect(candidate);
        if (result == ztErr_cancelled || result == ztErr_resFull)
            return result;
    }
    if (isOpen())
        return ztErr_noError;
    ztLog(6, "ztIPEndpoint::connect: unable to connect to host %s port %u",
          inAddress.format().c_str(), static_cast<unsigned>(inPort));
    return ztErr_connectFailed;
}

ztErr ztIPEndpoint::tryConnect(const AddressInfo& inCandidate) {
    Socket socket;
    int error = Socket::create(inCandidate.family, zt::platform::SocketType::stream,
                               zt::platform::SocketProtocol::tcp, socket);
    if (error != 0) {
        itsLastError = error;
        ztLog(6, "ztIPEndpoint::connect: error creating socket (0x%04X, <%s>)", errorCode(error),
              zt::platform::errorText(error).c_str());
        // Another address would fail the same way: the caller reports the shortage.
        return zt::platform::isResourceShortage(error) ? ztErr_resFull : ztErr_connectFailed;
    }
    error = socket.connect(inCandidate.address);
    if (error != 0 && !zt::platform::isInProgress(error)) {
        itsLastError = error;
        ztLog(6, "ztIPEndpoint::connect(%i) failed waiting for connect; error 0x%04X <%s>",
              socket.fd(), errorCode(error), zt::platform::errorText(error).c_str());
        return ztErr_connectFailed;
    }
    if (error != 0) {
        SocketWait wait{&socket, netEventConnect};
        const ztErr waited = waitOnSockets({&wait, 1}, itsTimeoutMs);
        if (waited != ztErr_noError || wait.error != ztErr_noError) {
            if (interruptIsSet())
                return ztErr_cancelled;
            ztLog(6, "ztIPEndpoint::connect(%i) failed waiting for connect; error 0x%04X <%s>",
                  socket.fd(), errorCode(waited), zt::platform::errorText(itsLastError).c_str());
            return ztErr_connectFailed;
        }
    }
    itsSocket = std::move(socket);
    itsPeerAddress = inCandidate.address;
    disableNagle();
    return ztErr_noError;
}

ztErr ztIPEndpoint::connect(const std::string& inHostName, uint16_t inPort) {
    if (inPort == 0)
        return ztErr_connectFailed;
    ztIPv6 literal;
    // Qualified calls: a subclass that adds a handshake to connect runs it once, after
    // whichever address connected.
    if (!inHostName.empty() && literal.fromString(inHostName))
        return ztIPEndpoint::connect(literal, inPort);
    return resolveAndConnect(inHostName, inPort);
}

ztErr ztIPEndpoint::resolveAndConnect(const std::string& inHostName, uint16_t inPort) {
    // Shared with the thread's body, which keeps the object alive if we stop waiting.
    const auto lookup = std::make_shared<ztConnectLookupThread>(inHostName);
    lookup->start();

    // Waits on a condition: the look-up needs no descriptor of its own.
    ztMultiEvent finishedOrInterrupted(&lookup->getStoppedEvent(), itsInterrupt);
    const ztTimer timer(true);
    bool finished = lookup->getStoppedEvent().isSet();
    while (!finished && !interruptIsSet()) {
        if (timeIsUp(itsTimeoutMs, timer)) {
            lookup->stop(0);
            return ztErr_timeout;
        }
        const int32_t left = timeLeft(itsTimeoutMs, timer);
        waitForEvent(left == noTimeout ? ztWaitInfinite : static_cast<uint32_t>(left),
                     &finishedOrInterrupted, 0, false);
        finished = lookup->getStoppedEvent().isSet();
    }

    if (finished) {
        const ztErrorMessage& error = lookup->getErrorMessage();
        if (error.getErrorValue() != ztErr_noError) {
            ztLog(1, "%s", error.getText().c_str());
            return error.getErrorValue();
        }
    }
    if (!finished || !lookup->hasCompleted())
        ztLog(2, "ztIPEndpoint::Resolver did not complete when resolving address for \"%s\"",
              inHostName.c_str());
    if (interruptIsSet()) {
        lookup->stop(0);
        return ztErr_cancelled;
    }
    const std::vector<ztIPv6> addresses = finished ? lookup->getResults() : std::vector<ztIPv6>();
    if (addresses.empty()) {
        ztLog(2, "ztIPEndpoint::Failed to resolve address for \"%s\"", inHostName.c_str());
        return ztErr_hostNotFound;
    }
    for (const ztIPv6& address : addresses) {
        const bool legal = address.isIPv4() ? !address.getIPv4().isZero() : address.isSet();
        if (!legal)
            continue;
        const ztErr result = ztIPEndpoint::connect(address, inPort);
        if (result == ztErr_noError || result == ztErr_cancelled || result == ztErr_resFull)
            return result;
    }
    return ztErr_connectFailed;
}

// ---- name resolution

std::vector<ztIPv6> ztIPEndpoint::getAddressInfo(const std::string& inHostName) {
    if (inHostName.empty())
        throw ztException(ztErr_connectFailed,
                          "ztIPEndpoint::getAddressInfo: No hostname provided");
    Resolver resolver;
    {
        ResolverHook& hook = resolverHook();
        std::lock_guard lock(hook.mutex);
        resolver = hook.resolver;
    }
    if (resolver)
        return resolver(inHostName);
    return systemResolve(inHostName);
}

ztIPEndpoint::Resolver ztIPEndpoint::setResolver(Resolver inResolver) {
    ResolverHook& hook = resolverHook();
    std::lock_guard lock(hook.mutex);
    return std::exchange(hook.resolver, std::move(inResolver));
}

std::vector<ztIPv6> ztIPEndpoint::systemResolve(const std::string& inHostName) {
    zt::platform::AddressHints hints = tcpHints(AddressFamily::unspecified);
    hints.numericHost = false;
    std::vector<AddressInfo> results;
    int systemError = 0;
    const int resolved =
        zt::platform::getAddressInfo(inHostName.c_str(), nullptr, hints, results, systemError);
    if (resolved != 0) {
        int code = 0;
        std::string text;
        describeResolverError(resolved, systemError, code, text);
        // The template is built here, so a '$' in the name must not read as a parameter.
        std::string message = "ztIPEndpoint::getAddressInfo: error " + std::to_string(resolved) +
                              " getting address info for $h (" + std::to_string(code) + ", <" +
                              text + ">)";
        throw ztException(ztErr_hostNotFound, message.c_str(), 'h', inHostName);
    }
    std::vector<ztIPv6> addresses;
    for (const AddressInfo& result : results) {
        if (result.family == AddressFamily::ipv4 || result.family == AddressFamily::ipv6)
            addresses.push_back(addressOf(result.address));
    }
    return addresses;
}

// ---- listening

ztErr ztIPEndpoint::startListen(uint16_t inPort, const ztIPv6& inLocalAddress) {
    ztAssert(!isOpen());
    itsPort = inPort;
    if (itsKind != Kind::tcp)
        return ztErr_notSupported;

    AddressFamily family = itsPreferredFamily;
    if (family == AddressFamily::unspecified && inLocalAddress.isSet())
        family = inLocalAddress.isIPv4() ? AddressFamily::ipv4 : AddressFamily::ipv6;
    const bool withHost = inLocalAddress.isSet() && family != AddressFamily::unspecified;
    const std::string host = withHost ? inLocalAddress.format() : std::string();
    zt::platform::AddressHints hints = tcpHints(family);
    hints.passive = true;
    std::vector<AddressInfo> candidates;
    int systemError = 0;
    const int resolved = zt::platform::getAddressInfo(withHost ? host.c_str() : nullptr,
                                                      std::to_string(inPort).c_str(), hints,
                                                      candidates, systemError);
    if (resolved != 0) {
        int code = 0;
        std::string text;
        describeResolverError(resolved, systemError, code, text);
        ztLog(6, "ztIPEndpoint::startListen: error getting address info (0x%04X, <%s>)",
              errorCode(code), text.c_str());
        return ztErr_connectFailed;
    }
    for (const AddressInfo& candidate : candidates) {
        if (!isUsable(candidate.family, itsPreferredFamily))
            continue;
        Socket socket;
        int error = Socket::create(candidate.family, zt::platform::SocketType::stream,
                                   zt::platform::SocketProtocol::tcp, socket);
        if (error != 0) {
            ztLog(6, "ztIPEndpoint::startListen: error creating socket (0x%04X, <%s>)",
                  errorCode(error), zt::platform::errorText(error).c_str());
            continue;
        }
        error = socket.setReuseAddress(true);
        if (error != 0) {
            ztLog(6, "ztIPEndpoint::startListen(%i) error setsockopt SO_REUSEADDR (0x%04X, <%s>)",
                  socket.fd(), errorCode(error), zt::platform::errorText(error).c_str());
            continue;
        }
        error = socket.bind(candidate.address);
        if (error != 0) {
            ztLog(6, "ztIPEndpoint::startListen(%i) error binding socket (0x%04X, <%s>)",
                  socket.fd(), errorCode(error), zt::platform::errorText(error).c_str());
            continue;
        }
        error = socket.listen(kListenBacklog);
        if (error != 0) {
            ztLog(6, "ztIPEndpoint::startListen(%i) error listening (0x%04X, <%s>)", socket.fd(),
                  errorCode(error), zt::platform::errorText(error).c_str());
            continue;
        }
        itsListenSockets.push_back(std::move(socket));
        itsListenEvents.push_back(0);
    }
    if (itsListenSockets.empty()) {
        ztLog(6, "ztIPEndpoint::startListen unable to bind endpoint");
        return ztErr_netNotAvailable;
    }
    itsAddress = inLocalAddress;
    return ztErr_noError;
}

std::unique_ptr<ztNetEndpoint> ztIPEndpoint::accept() {
    itsLastError = 0;
    if (itsListenSockets.empty()) {
        ztLog(6, "ztIPEndpoint::accept error no sockets to listen to...");
        return nullptr;
    }
    std::vector<SocketWait> waits;
    for (const Socket& socket : itsListenSockets)
        waits.push_back({&socket, netEventAccept});
    const ztErr waited = waitOnSockets(waits, itsTimeoutMs);
    if (waited != ztErr_noError) {
        ztLog(6, "ztIPEndpoint::accept we had an error while waiting 0x%04X", waited);
        return nullptr;
    }
    for (size_t i = 0; i < waits.size(); ++i) {
        const Socket& listener = itsListenSockets[i];
        itsListenEvents[i] = waits[i].reported;
        if ((waits[i].reported & netEventAccept) == 0) {
            if (waits[i].reported != 0)
                ztLog(6, "ztIPEndpoint::accept(%i) event reported!!!! 0x%04X", listener.fd(),
                      waits[i].reported);
            continue;
        }
        Socket connection;
        SocketAddress peer;
        const int error = listener.accept(connection, peer);
        if (error != 0) {
            itsLastError = error;
            ztLog(6, "ztIPEndpoint::accept(%i) failed 0x%04X <%s>", listener.fd(), errorCode(error),
                  zt::platform::errorText(error).c_str());
            continue;
        }
        if (itsPreferredFamily != AddressFamily::unspecified &&
            peer.family() != itsPreferredFamily) {
            ztLog(6,
                  "ztIPEndpoint::accept rejecting connection from protocol %s, incorrect protocol "
                  "family %s.",
                  "TCP", familyName(peer.family()));
            continue;
        }
        std::unique_ptr<ztNetEndpoint> endpoint;
        try {
            endpoint = createEndpoint(itsInterrupt, itsTimeoutMs);
        } catch (const std::exception&) {
            endpoint.reset();
        }
        auto* ipEndpoint = dynamic_cast<ztIPEndpoint*>(endpoint.get());
        if (ipEndpoint == nullptr) {
            ztLog(6, "ztIPEndpoint::accept(%i) error creating new socket", listener.fd());
            continue;
        }
        ipEndpoint->adoptConnection(std::move(connection), peer);
        return endpoint;
    }
    return nullptr;
}

void ztIPEndpoint::adoptConnection(Socket inSocket, const SocketAddress& inPeer) {
    itsSocket = std::move(inSocket);
    itsPeerAddress = inPeer;
    itsAddress = addressOf(inPeer);
    itsPort = inPeer.port();
    disableNagle();
}

void ztIPEndpoint::disableNagle() {
    // Every packet is written whole, so nothing is gained by holding small writes back;
    // held back, a packet that follows one the peer does not answer (the handshake's
    // secret, then the first request) waits for the peer's delayed acknowledgement.
    if (itsKind != Kind::tcp)
        return;
    if (const int error = itsSocket.setNoDelay(true); error != 0)
        ztLog(6, "ztIPEndpoint: TCP_NODELAY not set on %i; error 0x%04X <%s>", itsSocket.fd(),
              errorCode(error), zt::platform::errorText(error).c_str());
}

std::unique_ptr<ztNetEndpoint> ztIPEndpoint::createEndpoint(ztEvent* inInterrupt,
                                                            int32_t inTimeoutMs) {
    auto endpoint = std::make_unique<ztIPEndpoint>(itsKind, inTimeoutMs, inInterrupt);
    endpoint->setPreferredFamily(itsPreferredFamily);
    return endpoint;
}

void ztIPEndpoint::close() {
    if (itsSocket.valid())
        itsSocket.shutdownSend();
    itsSocket.close();
    itsListenSockets.clear();
    itsListenEvents.clear();
    // Bytes of a closed connection must never reach the reader of the next one.
    itsReadStart = itsReadEnd = 0;
    itsWriteEnd = 0;
}

bool ztIPEndpoint::isOpen() const {
    return itsSocket.valid();
}

bool ztIPEndpoint::setPeerAddress(const ztIPv6& inAddress) {
    if (itsKind == Kind::tcp)
        return false;
    itsAddress = inAddress;
    if (inAddress.isIPv4())
        itsPeerAddress = SocketAddress::fromIPv4(inAddress.getIPv4().getBytes(), itsPort);
    else
        itsPeerAddress = SocketAddress::fromIPv6(inAddress.getBytes(), itsPort);
    return true;
}

ztIPv6 ztIPEndpoint::getLocalAddress() const {
    if (!isOpen())
        return itsAddress;
    SocketAddress local;
    if (itsSocket.getLocalAddress(local) != 0)
        return itsAddress;
    const ztIPv6 address = addressOf(local);
    return address.isSet() ? address : itsAddress;
}

// ---- waiting and transfers

ztErr ztIPEndpoint::waitOnSockets(std::span<SocketWait> ioSockets, int32_t inTimeoutMs) {
    return waitOnSockets(ioSockets, inTimeoutMs, itsInterrupt);
}

ztErr ztIPEndpoint::waitOnSockets(std::span<SocketWait> ioSockets, int32_t inTimeoutMs,
                                  ztEvent* inInterrupt) {
    ztAssert(!ioSockets.empty());
    std::vector<zt::platform::PollEntry> entries;
    for (SocketWait& wait : ioSockets) {
        wait.reported = 0;
        wait.error = ztErr_noError;
        entries.push_back({wait.socket->fd(), wantedFor(wait.selected), 0});
    }
    // The interrupt wakes this thread through its one wake-up descriptor.
    std::optional<ztEventWaiter> interrupt;
    if (inInterrupt != nullptr) {
        interrupt.emplace(inInterrupt, ztEventWaiter::Mode::descriptor);
        if (!interrupt->valid()) {
            itsLastError = ztEventWaiter::prepareThread();
            ztLog(6, "ztIPEndpoint::waitOnSockets(%i) has no wake-up descriptor; error 0x%04X <%s>",
                  ioSockets[0].socket->fd(), errorCode(itsLastError),
                  zt::platform::errorText(itsLastError).c_str());
            return ztErr_resFull;
        }
        entries.push_back({interrupt->fd(), zt::platform::pollFlag::readable, 0});
    }

    const ztTimer timer(true);
    bool reported = false;
    for (int round = 0; round < kWaitRounds && !reported; ++round) {
        const int32_t left = timeLeft(inTimeoutMs, timer);
        const int ready =
            zt::platform::pollFds(entries, left == noTimeout ? zt::platform::pollForever : left);
        if (ready == 0)
            break;
        if (ready < 0) {
            itsLastError = -ready;
            ztLog(6, "ztIPEndpoint::waitOnSockets(%i) failed; error 0x%04X <%s>",
                  ioSockets[0].socket->fd(), errorCode(-ready),
                  zt::platform::errorText(-ready).c_str());
            for (SocketWait& wait : ioSockets)
                wait.error = ztErr_netWaitFailed;
            reported = true;
            break;
        }
        // Only a reported wake-up needs the read that takes it back.
        if (interrupt && entries.back().ready != 0)
            interrupt->clearReported();
        if (inInterrupt != nullptr && inInterrupt->isSet())
            return ztErr_cancelled;
        for (size_t i = 0; i < ioSockets.size() && !reported; ++i) {
            SocketWait& wait = ioSockets[i];
            const uint16_t flags = entries[i].ready;
            if (flags == 0)
                continue;
            if (flags & zt::platform::pollFlag::invalid) {
                wait.error = ztErr_netWaitFailed;
                wait.reported |= netEventClose;
            }
            if (flags & zt::platform::pollFlag::readable)
                wait.reported |= wait.selected & (netEventRead | netEventAccept);
            if (flags & zt::platform::pollFlag::writable)
                wait.reported |= wait.selected & (netEventWrite | netEventConnect);
            if (flags & (zt::platform::pollFlag::error | zt::platform::pollFlag::hangUp))
                wait.reported |=
                    (wait.selected & netEventConnect) ? netEventConnect : netEventClose;
            int pending = 0;
            if ((flags & zt::platform::pollFlag::error) || (wait.reported & netEventConnect)) {
                if (wait.socket->getPendingError(pending) == 0 && pending != 0) {
                    itsLastError = pending;
                    wait.error = kEventWithError;
                }
            }
            reported = wait.reported != 0 || wait.error != ztErr_noError;
        }
    }
    bool closed = false;
    bool failed = false;
    for (const SocketWait& wait : ioSockets) {
        closed = closed || (wait.reported & netEventClose) != 0;
        failed = failed || wait.error != ztErr_noError;
    }
    if (closed)
        return ztErr_netReadWrite;
    if (failed)
        return ztErr_netNotAvailable;
    return reported ? ztErr_noError : ztErr_timeout;
}

ztErr ztIPEndpoint::rawRead(void* outBuffer, uint32_t& ioLength) {
    const uint32_t wanted = ioLength;
    ioLength = 0;
    if (!isOpen())
        return ztErr_connectFailed;
    if (wanted == 0)
        return ztErr_noError;
    const ztTimer timer(true);
    // A stream that the last read emptied has most likely nothing new yet (the peer answers
    // what this side sent): wait first instead of a receive that finds nothing.
    bool waitFirst = itsKind == Kind::tcp && itsReadDrained && !interruptIsSet();
    for (;;) {
        if (!waitFirst) {
            size_t received = 0;
            const int error =
                itsKind == Kind::tcp
                    ? itsSocket.receive(outBuffer, wanted, received)
                    : itsSocket.receiveFrom(outBuffer, wanted, itsPeerAddress, received);
            if (error == 0 && received > 0) {
                ioLength = static_cast<uint32_t>(received);
                itsReadDrained = received < wanted;
                if (itsKind != Kind::tcp) {
                    itsAddress = addressOf(itsPeerAddress);
                    itsPort = itsPeerAddress.port();
                }
                return ztErr_noError;
            }
            if (error == 0) {
                ztLog(6, "ztIPEndpoint::netRead(%i) connection disconnected", itsSocket.fd());
                return ztErr_netReadWrite;
            }
            if (!zt::platform::isWouldBlock(error)) {
                itsLastError = error;
                ztLog(6, "ztIPEndpoint::netRead(%i) failed reading; error 0x%04X <%s>",
                      itsSocket.fd(), errorCode(error), zt::platform::errorText(error).c_str());
                return ztErr_netReadWrite;
            }
            if (interruptIsSet())
                return ztErr_cancelled;
            if (timeIsUp(itsTimeoutMs, timer))
                return ztErr_timeout;
        }
        waitFirst = false;
        SocketWait wait{&itsSocket, netEventRead | netEventClose};
        const ztErr waited = waitOnSockets({&wait, 1}, timeLeft(itsTimeoutMs, timer));
        // Data, the peer's close and a socket error all show in the next receive. (A wait
        // that comes first looks at the stream as a receive would: poll reports data there.)
        if (waited == ztErr_noError || (wait.reported & (netEventRead | netEventClose)) != 0)
            continue;
        if (waited != ztErr_cancelled && waited != ztErr_timeout)
            ztLog(6,
                  "ztIPEndpoint::netRead(%i) failed waiting, error 0x%04X; event 0x%04X, error "
                  "0x%04X <%s>",
                  itsSocket.fd(), waited, wait.reported, errorCode(itsLastError),
                  zt::platform::errorText(itsLastError).c_str());
        return waited;
    }
}

ztErr ztIPEndpoint::rawWrite(const void* inData, uint32_t inLength) {
    uint32_t sent = 0;
    return sendAll(inData, inLength, sent);
}

ztErr ztIPEndpoint::sendAll(const void* inData, uint32_t inLength, uint32_t& outSent) {
    outSent = 0;
    if (!isOpen())
        return ztErr_connectFailed;
    const auto* data = static_cast<const uint8_t*>(inData);
    ztEvent* const interrupt = writeInterrupt();
    const int32_t timeout = writeTimeout();
    const ztTimer timer(true);
    while (outSent < inLength) {
        size_t sent = 0;
        const int error =
            itsKind == Kind::tcp
                ? itsSocket.send(data + outSent, inLength - outSent, sent)
                : itsSocket.sendTo(data + outSent, inLength - outSent, itsPeerAddress, sent);
        if (error != 0 && !zt::platform::isWouldBlock(error)) {
            itsLastError = error;
            ztLog(6, "ztIPEndpoint::netWrite(%i) failed writing; error 0x%04X <%s>", itsSocket.fd(),
                  errorCode(error), zt::platform::errorText(error).c_str());
            return ztErr_netReadWrite;
        }
        outSent += static_cast<uint32_t>(sent);
        if (outSent == inLength)
            break;
        ztErr stopped = ztErr_noError;
        if (interrupt != nullptr && interrupt->isSet()) {
            stopped = ztErr_cancelled;
        } else if (timeIsUp(timeout, timer)) {
            stopped = ztErr_timeout;
        } else {
            SocketWait wait{&itsSocket, netEventWrite | netEventClose};
            const ztErr waited = waitOnSockets({&wait, 1}, timeLeft(timeout, timer), interrupt);
            // Room to write, the peer's close and a socket error all show in the next send;
            // a time-out is checked above on the next turn.
            if (waited == ztErr_noError || waited == ztErr_timeout ||
                (wait.reported & (netEventWrite | netEventClose)) != 0)
                continue;
            stopped = waited;
        }
        // A packet cut off half way must not be followed by another one. With writes of
        // their own (another thread may be reading) the connection's owner closes it.
        if (outSent > 0 && (stopped == ztErr_cancelled || stopped == ztErr_timeout)) {
            ztLog(6, "ztIPEndpoint::netWrite(%i) cut off after %u of %u bytes%s", itsSocket.fd(),
                  outSent, inLength, itsWritesSeparate ? "" : "; closing");
            if (!itsWritesSeparate)
                close();
        }
        return stopped;
    }
    return ztErr_noError;
}

// ---- socket options

ztErr ztIPEndpoint::setTTL(int inValue) {
    if (!isOpen())
        return ztErr_connectFailed;
    SocketAddress local;
    itsSocket.getLocalAddress(local);
    const int error = itsSocket.setUnicastHops(local.family(), inValue);
    if (error == 0)
        return ztErr_noError;
    ztLog(6, "ztIPEndpoint::setTTL: error setting socket option; error 0x%04X <%s>",
          errorCode(error), zt::platform::errorText(error).c_str());
    return ztErr_netNotAvailable;
}

ztErr ztIPEndpoint::getTTL(int& outValue) const {
    outValue = 0;
    if (!isOpen())
        return ztErr_connectFailed;
    SocketAddress local;
    itsSocket.getLocalAddress(local);
    const int error = itsSocket.getUnicastHops(local.family(), outValue);
    if (error == 0)
        return ztErr_noError;
    ztLog(6, "ztIPEndpoint::setTTL: error setting socket option; error 0x%04X <%s>",
          errorCode(error), zt::platform::errorText(error).c_str());
    return ztErr_netNotAvailable;
}
