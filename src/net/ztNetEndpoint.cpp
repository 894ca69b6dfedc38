// The buffering of ztNetEndpoint: small reads are served from one large raw read, small
// writes are collected until flush, and anything larger than half the buffer goes straight
// to the raw operations so that it is never copied twice.
#include "net/ztNetEndpoint.h"

#include "util/ztTimer.h"

#include <algorithm>
#include <cstring>

ztNetEndpoint::ztNetEndpoint(Kind inKind, int32_t inTimeoutMs, ztEvent* inInterrupt)
    : itsKind(inKind), itsTimeoutMs(inTimeoutMs), itsInterrupt(inInterrupt) {}

ztNetEndpoint::~ztNetEndpoint() = default;

ztErr ztNetEndpoint::readFully(void* outBuffer, uint32_t inLength) {
    auto* out = static_cast<uint8_t*>(outBuffer);
    const int32_t savedTimeout = itsTimeoutMs;
    const ztTimer timer(true);
    ztErr result = ztErr_noError;
    uint32_t done = 0;
    while (done < inLength) {
        // Every read after the first gets only what is left of the caller's time; with
        // nothing left it may still take bytes that are already there.
        if (done > 0 && savedTimeout != noTimeout) {
            const uint32_t spent = timer.elapsed();
            if (spent > static_cast<uint32_t>(savedTimeout)) {
                result = ztErr_timeout;
                break;
            }
            itsTimeoutMs = savedTimeout - static_cast<int32_t>(spent);
        }
        uint32_t count = inLength - done;
        result = read(out + done, count);
        if (result != ztErr_noError)
            break;
        done += count;
    }
    itsTimeoutMs = savedTimeout;
    return result;
}

ztErr ztNetEndpoint::read(void* outBuffer, uint32_t& ioLength) {
    if (ioLength == 0)
        return ztErr_noError;
    if (itsReadStart < itsReadEnd) {
        const size_t count = std::min<size_t>(ioLength, itsReadEnd - itsReadStart);
        std::memcpy(outBuffer, itsReadBuffer.data() + itsReadStart, count);
        itsReadStart += count;
        if (itsReadStart == itsReadEnd)
            itsReadStart = itsReadEnd = 0;
        ioLength = static_cast<uint32_t>(count);
        return ztErr_noError;
    }
    if (ioLength > itsBufferSize / 2) {
        const ztErr result = rawRead(outBuffer, ioLength);
        if (result != ztErr_noError) {
            ioLength = 0;
            return result;
        }
        itsBytesReceived += ioLength;
        return ztErr_noError;
    }
    uint32_t received = itsBufferSize;
    const ztErr result = rawRead(itsReadBuffer.data(), received);
    if (result != ztErr_noError) {
        ioLength = 0;
        return result;
    }
    itsBytesReceived += received;
    itsReadStart = 0;
    itsReadEnd = received;
    return read(outBuffer, ioLength);
}

ztErr ztNetEndpoint::write(const void* inData, uint32_t inLength) {
    if (inLength == 0)
        return ztErr_noError;
    const bool direct = inLength > itsBufferSize / 2;
    if (direct || itsWriteEnd + inLength > itsBufferSize) {
        const ztErr result = flush();
        if (result != ztErr_noError)
            return result;
    }
    if (direct) {
        const ztErr result = rawWrite(inData, inLength);
        if (result == ztErr_noError)
            itsBytesSent += inLength;
        return result;
    }
    std::memcpy(itsWriteBuffer.data() + itsWriteEnd, inData, inLength);
    itsWriteEnd += inLength;
    return ztErr_noError;
}

ztErr ztNetEndpoint::flush() {
    if (itsWriteEnd == 0)
        return ztErr_noError;
    const uint32_t pending = static_cast<uint32_t>(itsWriteEnd);
    // Emptied whatever the outcome: after a failed write the peer's view of the stream is
    // unknown, so sending these bytes again later could only duplicate them.
    itsWriteEnd = 0;
    const ztErr result = rawWrite(itsWriteBuffer.data(), pending);
    if (result == ztErr_noError)
        itsBytesSent += pending;
    return result;
}

bool ztNetEndpoint::setPeerAddress(const ztIPv6& /*inAddress*/) {
    return false;
}

ztIPv6 ztNetEndpoint::getLocalAddress() const {
    return itsAddress;
}

void ztNetEndpoint::setInterruptEvent(ztEvent* inEvent) {
    itsInterrupt = inEvent;
}

void ztNetEndpoint::separateWrites(ztEvent* inWriteInterrupt) {
    itsWriteInterrupt = inWriteInterrupt;
    itsWritesSeparate = true;
}

ztErr ztNetEndpoint::secureAccepted() {
    return ztErr_notSupported;
}

void ztNetEndpoint::setBufferSize(uint32_t inSize) {
    if (inSize > itsReadBuffer.size())
        itsReadBuffer.resize(inSize);
    if (inSize > itsWriteBuffer.size())
        itsWriteBuffer.resize(inSize);
    itsBufferSize = inSize;
}
