#pragma once
// The abstract endpoint: one socket with its peer address, an operation time-out and an
// optional interrupt event, plus read and write buffering over the raw operations that a
// subclass supplies. The packet layer and everything above it talk to this interface.

#include "messages/ztErr.h"
#include "util/ztIPv6.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class ztEvent;

class ztNetEndpoint {
public:
    enum class Kind : int { rawIcmp = 0, udp = 1, tcp = 2 };

    // No time limit for an operation.
    static constexpr int32_t noTimeout = -1;

    // inTimeoutMs bounds every wait of one operation (noTimeout: none). inInterrupt, when
    // given, ends any wait with ztErr_cancelled as soon as it is set; it is not owned and
    // must outlive the endpoint or be replaced first.
    ztNetEndpoint(Kind inKind, int32_t inTimeoutMs, ztEvent* inInterrupt);
    ztNetEndpoint(const ztNetEndpoint&) = delete;
    ztNetEndpoint& operator=(const ztNetEndpoint&) = delete;
    virtual ~ztNetEndpoint();

    // Opens a connection to inAddress:inPort. 0, ztErr_connectFailed when no address
    // could be connected, ztErr_cancelled when the interrupt event was set.
    virtual ztErr connect(const ztIPv6& inAddress, uint16_t inPort) = 0;
    // Opens a connection to a host name (or an address literal), resolving it within the
    // operation time-out. Adds ztErr_hostNotFound and ztErr_timeout to the results above.
    virtual ztErr connect(const std::string& inHostName, uint16_t inPort) = 0;
    // Listens on inPort of inLocalAddress (any address when it is not set).
    virtual ztErr startListen(uint16_t inPort, const ztIPv6& inLocalAddress) = 0;
    // Waits up to the operation time-out for the next connection; null when none came.
    virtual std::unique_ptr<ztNetEndpoint> accept() = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;

    // Reads exactly inLength bytes within the operation time-out (ztErr_timeout when the
    // time runs out first; bytes read so far are consumed).
    virtual ztErr readFully(void* outBuffer, uint32_t inLength);
    // Reads between 1 and ioLength bytes; ioLength receives the count.
    virtual ztErr read(void* outBuffer, uint32_t& ioLength);
    // Buffers or writes inLength bytes; call flush to push buffered bytes out.
    virtual ztErr write(const void* inData, uint32_t inLength);
    virtual ztErr flush();

    // Datagram kinds only; a TCP endpoint answers false.
    virtual bool setPeerAddress(const ztIPv6& inAddress);
    virtual ztIPv6 getLocalAddress() const;
    virtual void setInterruptEvent(ztEvent* inEvent);
    // Turns an accepted plain connection into a secure one; ztErr_notSupported here.
    virtual ztErr secureAccepted();
    // A new, closed endpoint of the same class (used by accept).
    virtual std::unique_ptr<ztNetEndpoint> createEndpoint(ztEvent* inInterrupt,
                                                          int32_t inTimeoutMs) = 0;
    // The unbuffered transfers. rawRead reads between 1 and ioLength bytes, waiting within
    // the operation time-out; rawWrite writes all bytes.
    virtual ztErr rawWrite(const void* inData, uint32_t inLength) = 0;
    virtual ztErr rawRead(void* outBuffer, uint32_t& ioLength) = 0;

    // Grows both buffers to inSize bytes (keeping their content); 0 disables buffering,
    // which is the state until a secure handshake sets 10240.
    void setBufferSize(uint32_t inSize);
    uint32_t getBufferSize() const { return itsBufferSize; }

    int32_t getTimeout() const { return itsTimeoutMs; }
    void setTimeout(int32_t inTimeoutMs) { itsTimeoutMs = inTimeoutMs; }
    ztEvent* getInterruptEvent() const { return itsInterrupt; }
    // From here on writes wait without a time limit and end their waits only when
    // inWriteInterrupt is set (null: never), whatever time-out and interrupt event the reads
    // use: one thread may then write while another one reads. A write cut off half way
    // then leaves the endpoint open; whoever owns the connection closes it.
    void separateWrites(ztEvent* inWriteInterrupt);
    bool writesSeparate() const { return itsWritesSeparate; }
    const ztIPv6& getAddress() const { return itsAddress; }
    uint16_t getPort() const { return itsPort; }
    Kind getKind() const { return itsKind; }
    uint64_t getBytesSent() const { return itsBytesSent; }
    uint64_t getBytesReceived() const { return itsBytesReceived; }

protected:
    ztIPv6 itsAddress;
    uint16_t itsPort = 0;
    Kind itsKind;
    int32_t itsTimeoutMs;
    ztEvent* itsInterrupt; // not owned
    // What a write waits with (see separateWrites).
    int32_t writeTimeout() const { return itsWritesSeparate ? noTimeout : itsTimeoutMs; }
    ztEvent* writeInterrupt() const { return itsWritesSeparate ? itsWriteInterrupt : itsInterrupt; }
    bool itsWritesSeparate = false;
    ztEvent* itsWriteInterrupt = nullptr; // not owned
    uint64_t itsBytesSent = 0;
    uint64_t itsBytesReceived = 0;
    uint32_t itsBufferSize = 0;
    std::vector<uint8_t> itsReadBuffer;
    size_t itsReadStart = 0; // unread bytes are [itsReadStart, itsReadEnd)
    size_t itsReadEnd = 0;
    std::vector<uint8_t> itsWriteBuffer;
    size_t itsWriteEnd = 0; // pending bytes are [0, itsWriteEnd)
};
