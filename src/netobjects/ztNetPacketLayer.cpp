// Packet framing, compression and the resumable packet reader.
#include "netobjects/ztNetPacketLayer.h"

#include "messages/ztException.h"
#include "messages/ztInfoLog.h"
#include "net/ztNetEndpoint.h"
#include "netobjects/ztNetLimits.h"

#include <algorithm>
#include <cstring>

namespace {

// The receive buffer's first size (0x2C00): a full packet of 30000 bytes of object data
// needs more, anything but the largest packets fits.
constexpr size_t kInitialReceiveSize = 11264;
// A receive buffer grown past this by one large packet is given back afterwards, so an
// idle connection does not keep megabytes.
constexpr size_t kKeptReceiveSize = 1024 * 1024;

void putLength(uint8_t* outBytes, uint32_t inLength) {
    outBytes[0] = static_cast<uint8_t>(inLength >> 24);
    outBytes[1] = static_cast<uint8_t>(inLength >> 16);
    outBytes[2] = static_cast<uint8_t>(inLength >> 8);
    outBytes[3] = static_cast<uint8_t>(inLength);
}

uint32_t getLength(const uint8_t* inBytes) {
    return (uint32_t{inBytes[0]} << 24) | (uint32_t{inBytes[1]} << 16) |
           (uint32_t{inBytes[2]} << 8) | uint32_t{inBytes[3]};
}

// Results after which the same packet can be read on: the wait was cut short, the data
// is still coming.
bool isResumable(ztErr inResult) {
    return inResult == ztErr_cancelled || inResult == ztErr_timeout ||
           inResult == ztErr_netNotReady;
}

void growTo(std::vector<uint8_t>& ioBuffer, size_t inSize) {
    if (ioBuffer.size() < inSize)
        ioBuffer.resize(inSize);
}

} // namespace

ztNetPacketLayer::ztNetPacketLayer(ztNetEndpoint* inNetEndpoint, bool inCompression)
    : itsReceiveBuffer(kInitialReceiveSize), itsCompression(inCompression),
      itsNetEndpoint(inNetEndpoint) {
    if (inNetEndpoint == nullptr)
        throw zt::ex::InvalidArgument("inNetEndpoint");
}

ztNetPacketLayer::~ztNetPacketLayer() = default;

ztErr ztNetPacketLayer::writePacket(std::vector<uint8_t>& ioBuffer, uint32_t inPayloadLength) {
    if (inPayloadLength > ztNetMaxPayloadSize) {
        ztLog(2, "ztNetPacketLayer: payload length %u exceeds %u", inPayloadLength,
              ztNetMaxPayloadSize);
        return ztErr_invalidArgument;
    }
    if (itsWriteFailed)
        return ztErr_netReadWrite;
    if (!itsNetEndpoint->writesSeparate())
        itsNetEndpoint->setTimeout(ztNetEndpoint::noTimeout);
    itsSendTimer.start();
    growTo(ioBuffer, size_t{inPayloadLength} + frameSize);

    uint8_t* packet = ioBuffer.data();
    uint32_t length = inPayloadLength;
    uint8_t marker = plainMarker;
    if (itsCompression && length >= compressionThreshold) {
        const size_t packed = itsSendCodec.compressInPlace(packet + payloadOffset, length);
        if (packed != 0) {
            itsBytesSaved += static_cast<int64_t>(length - packed);
            length = static_cast<uint32_t>(packed);
            marker = compressedMarker;
        }
    }
    packet[0] = marker;
    putLength(packet + 1, length);
    packet[payloadOffset + length] = trailerMarker;

    const ztErr written = itsNetEndpoint->write(packet, length + frameSize);
    const ztErr flushed = itsNetEndpoint->flush();
    const ztErr result = written != ztErr_noError ? written : flushed;
    // With separate writes a write cut off half way leaves the endpoint open (see
    // ztNetEndpoint::separateWrites), so nothing may follow it.
    if (result != ztErr_noError && itsNetEndpoint->writesSeparate())
        itsWriteFailed = true;
    return result;
}

ztErr ztNetPacketLayer::readPacket(std::vector<uint8_t>& outBuffer, uint32_t& outPayloadLength,
                                   int32_t inTimeoutMs) {
    if (itsReadState == ReadState::broken)
        return ztErr_netNotAvailable;
    const ztTimer callTimer(true);
    bool readMade = false;
    for (;;) {
        while (itsReadRemaining > 0) {
            int32_t timeLeft = ztNetEndpoint::noTimeout;
            if (inTimeoutMs >= 0) {
                timeLeft =
                    static_cast<int32_t>(callTimer.remaining(static_cast<uint32_t>(inTimeoutMs)));
                if (timeLeft == 0 && readMade)
                    return ztErr_timeout;
            }
            readMade = true;
            const ztErr result = readSome(timeLeft);
            if (result != ztErr_noError)
                return result;
        }
        switch (itsReadState) {
        case ReadState::expectHeader:
            itsReadCursor = payloadOffset;
            itsReadRemaining = 5; // marker and length
            itsReadState = ReadState::checkHeader;
            break;
        case ReadState::checkHeader:
            if (const ztErr result = checkHeader(); result != ztErr_noError)
                return result;
            break;
        case ReadState::readBody:
            startBody();
            break;
        case ReadState::checkTrailer:
            return deliver(outBuffer, outPayloadLength);
        case ReadState::broken:
            return ztErr_netNotAvailable;
        }
    }
}

ztErr ztNetPacketLayer::readSome(int32_t inTimeLeftMs) {
    itsNetEndpoint->setTimeout(inTimeLeftMs);
    uint32_t count = itsReadRemaining;
    const ztErr result = itsNetEndpoint->read(itsReceiveBuffer.data() + itsReadCursor, count);
    if (result == ztErr_noError) {
        // Never trust a count beyond what was asked for: it would run past the step.
        count = std::min(count, itsReadRemaining);
        itsReadCursor += count;
        itsReadRemaining -= count;
        if (count > 0)
            itsReceiveTimer.start();
        return ztErr_noError;
    }
    if (!isResumable(result))
        itsReadState = ReadState::broken;
    return result;
}

ztErr ztNetPacketLayer::checkHeader() {
    const uint8_t marker = itsReceiveBuffer[payloadOffset];
    if (marker != plainMarker && marker != compressedMarker) {
        ztLog(2, "ztNetPacketLayer: packet marker 0x%02X is neither '<' nor '('", marker);
        return breakLayer();
    }
    itsPacketCompressed = marker == compressedMarker;
    itsPacketLength = getLength(&itsReceiveBuffer[payloadOffset + 1]);
    // Checked before anything is allocated for the packet.
    if (itsPacketLength > ztNetMaxPayloadSize) {
        ztLog(2, "ztNetPacketLayer: announced length %u exceeds %u", itsPacketLength,
              ztNetMaxPayloadSize);
        return breakLayer();
    }
    itsReadState = ReadState::readBody;
    return ztErr_noError;
}

void ztNetPacketLayer::startBody() {
    growTo(itsReceiveBuffer, size_t{itsPacketLength} + frameSize);
    // The payload and its trailer overwrite marker and length, which are no longer needed.
    itsReadCursor = payloadOffset;
    itsReadRemaining = itsPacketLength + 1;
    itsReadState = ReadState::checkTrailer;
}

ztErr ztNetPacketLayer::deliver(std::vector<uint8_t>& outBuffer, uint32_t& outPayloadLength) {
    const uint8_t* payload = itsReceiveBuffer.data() + payloadOffset;
    const uint8_t trailer = payload[itsPacketLength];
    if (trailer != trailerMarker) {
        ztLog(2, "ztNetPacketLayer: packet trailer 0x%02X is not '>'", trailer);
        return breakLayer();
    }
    uint32_t length = itsPacketLength;
    if (itsPacketCompressed) {
        size_t inflated = 0;
        const ztZlibCodec::InflateResult result = itsReceiveCodec.inflate(
            payload, itsPacketLength, ztNetMaxPayloadSize, outBuffer, payloadOffset, inflated);
        if (result == ztZlibCodec::InflateResult::tooLarge) {
            ztLog(2, "ztNetPacketLayer: compressed packet of %u bytes inflates beyond %u",
                  itsPacketLength, ztNetMaxPayloadSize);
            return breakLayer();
        }
        if (result != ztZlibCodec::InflateResult::ok) {
            ztLog(2, "ztNetPacketLayer: compressed packet of %u bytes is not a valid zlib stream",
                  itsPacketLength);
            return breakLayer();
        }
        length = static_cast<uint32_t>(inflated);
        itsBytesSaved += static_cast<int64_t>(length) - itsPacketLength;
        growTo(outBuffer, size_t{length} + frameSize);
    } else {
        growTo(outBuffer, size_t{length} + frameSize);
        std::memcpy(outBuffer.data() + payloadOffset, payload, length);
    }
    outPayloadLength = length;
    itsReadState = ReadState::expectHeader;
    if (itsReceiveBuffer.size() > kKeptReceiveSize)
        std::vector<uint8_t>(kInitialReceiveSize).swap(itsReceiveBuffer);
    return ztErr_noError;
}

ztErr ztNetPacketLayer::breakLayer() {
    itsReadState = ReadState::broken;
    return ztErr_netNotAvailable;
}

bool ztNetPacketLayer::isOpen() const {
    return itsNetEndpoint->isOpen();
}

void ztNetPacketLayer::close() {
    itsNetEndpoint->setInterruptEvent(nullptr);
    itsNetEndpoint->close();
}

void ztNetPacketLayer::separateWrites(ztEvent* inWriteInterrupt) {
    itsNetEndpoint->separateWrites(inWriteInterrupt);
}

bool ztNetPacketLayer::setEvent(ztEvent* inEvent) {
    itsNetEndpoint->setInterruptEvent(inEvent);
    return true;
}
