#pragma once
// Shared pieces of the handler tests: loopback addresses, net objects whose behaviour a test
// chooses (echo, answer late, fail), an in-process server, a connected client, and a raw
// peer that speaks the protocol by hand (plain TCP, no encryption) to send anything at all.
//
// Every TEST owns its loopback address 127.0.2.N (ctest runs tests in parallel):
//   ztConnectAnswerTest none, ztNetObjectHandlerTest 1-59, ztNetServerTest 60-89,
//   ztMultiConnectorTest 90-149, ztprobeTest 150-169.

#include "cryptor/ztTestKeyPair.h"
#include "ztTestWaits.h"
#include "messages/ztException.h"
#include "net/ztTCPEndpoint.h"
#include "netobjects/ztConnectAnswer.h"
#include "netobjects/ztNetObjectHandler.h"
#include "netobjects/ztNetObjectHeader.h"
#include "netobjects/ztNetPacketLayer.h"
#include "netobjects/ztNetReader.h"
#include "netobjects/ztNetRequest.h"
#include "netobjects/ztNetResponse.h"
#include "netobjects/ztNetServer.h"
#include "netobjects/ztNetWriter.h"
#include "platform/ztTickCount.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace zt::handlertest {

using Bytes = std::vector<uint8_t>;

inline constexpr uint16_t kPort = 1231;
// Type numbers of the test objects.
inline constexpr uint16_t kEchoType = 100;
inline constexpr uint16_t kHoldType = 101;
inline constexpr uint16_t kFailType = 102;
inline constexpr uint16_t kPingType = 103;
inline constexpr uint16_t kUnservedType = 77;
// A type that needs the extended header.
inline constexpr uint16_t kWideEchoType = 4000;

inline ztIPv6 loopback(uint8_t inLast) {
    return ztIPv6(ztIPv4(127, 0, 2, inLast));
}

inline std::string loopbackText(uint8_t inLast) {
    return loopback(inLast).format();
}

// Bytes where a lost, doubled or misplaced byte shows.
inline Bytes patternBytes(size_t inLength, uint32_t inSeed = 7) {
    std::mt19937 generator(inSeed);
    Bytes bytes(inLength);
    for (uint8_t& byte : bytes)
        byte = static_cast<uint8_t>(generator());
    return bytes;
}

using zt::test::eventually;

// Counts the test objects of the accepting side, which the handler owns and deletes.
struct ObjectCounts {
    std::atomic<int> created{0};
    std::atomic<int> destroyed{0};
    std::atomic<int> cancelled{0};
};

// A request that carries bytes and takes the answer's bytes.
class EchoRequest : public ztNetRequest {
public:
    explicit EchoRequest(Bytes inBody, uint16_t inType = kEchoType)
        : itsBody(std::move(inBody)), itsType(inType) {}
    ~EchoRequest() override { detachFromHandler(); }

    uint16_t getType() const override { return itsType; }
    const char* getName() const override { return "Echo"; }
    void writeRequest() override {
        getBodyWriter().reset();
        getBodyWriter().putData(itsBody.data(), itsBody.size());
    }
    ztErr readData(ztNetReader& ioReader) override {
        itsAnswer.resize(ioReader.remaining());
        ioReader.getData(itsAnswer.data(), itsAnswer.size());
        return ztErr_noError;
    }

    Bytes itsBody;
    uint16_t itsType;
    Bytes itsAnswer;
};

// Answers with the bytes it got, after a delay when one is set; reports what happens to it.
class EchoResponse : public ztNetResponse {
public:
    explicit EchoResponse(uint16_t inType = kEchoType, uint32_t inDelayMs = 0,
                          std::shared_ptr<ObjectCounts> inCounts = nullptr)
        : itsType(inType), itsDelayMs(inDelayMs), itsCounts(std::move(inCounts)) {
        if (itsCounts)
            ++itsCounts->created;
    }
    ~EchoResponse() override {
        if (itsCounts)
            ++itsCounts->destroyed;
    }

    uint16_t getType() const override { return itsType; }
    const char* getName() const override { return "Echo"; }
    ztErr readData(ztNetReader& ioReader) override {
        Bytes body(ioReader.remaining());
        ioReader.getData(body.data(), body.size());
        getBodyWriter().reset();
        getBodyWriter().putData(body.data(), body.size());
        return ztErr_noError;
    }
    void prepareSend() override {
        ztNetResponse::prepareSend();
        if (itsDelayMs == 0)
            return;
        setDelay(itsDelayMs);
        setTransferState(ztNetStatus::delay);
    }
    void setStatus(ztNetStatus inStatus) override {
        if (inStatus == ztNetStatus::cancelled && itsCounts)
            ++itsCounts->cancelled;
        ztNetResponse::setStatus(inStatus);
    }

private:
    uint16_t itsType;
    uint32_t itsDelayMs;
    std::shared_ptr<ObjectCounts> itsCounts;
};

// Fails with a message of its own, as a server refuses a command.
class FailResponse : public ztNetResponse {
public:
    static constexpr ztErr kError = 0x0412;

    uint16_t getType() const override { return kFailType; }
    ztErr readData(ztNetReader&) override {
        setErrorMessage(ztErrorMessage(kError, "Refused \"$x\" here", 'x', "the value"));
        return kError;
    }
};

// The factories of the accepting side used by most tests.
inline std::map<uint16_t, ztNetObjectHandler::Factory>
testFactories(std::shared_ptr<ObjectCounts> inCounts = nullptr, uint32_t inHoldMs = 60000) {
    return {
        {kEchoType, [inCounts] { return std::make_unique<EchoResponse>(kEchoType, 0, inCounts); }},
        {kWideEchoType,
         [inCounts] { return std::make_unique<EchoResponse>(kWideEchoType, 0, inCounts); }},
        {kHoldType,
         [inCounts, inHoldMs] {
             return std::make_unique<EchoResponse>(kHoldType, inHoldMs, inCounts);
         }},
        {kFailType, [] { return std::make_unique<FailResponse>(); }},
    };
}

inline ztNetServer::Settings serverSettings(uint8_t inLast) {
    ztNetServer::Settings settings;
    settings.itsAddress = loopback(inLast);
    settings.itsPort = kPort;
    settings.itsPrivateKeyText = ztTestPrivateKeyText;
    settings.itsHandshakeTimeoutMs = 2000;
    settings.itsAnswer.itsServerVersion = 7;
    settings.itsAnswer.itsTextC = "central";
    settings.itsAnswer.itsTextI = "instance";
    settings.itsFactories = testFactories();
    return settings;
}

// A server listening on 127.0.2.N, running.
inline std::unique_ptr<ztNetServer> startServer(ztNetServer::Settings inSettings) {
    auto server = std::make_unique<ztNetServer>(std::move(inSettings));
    const ztErr listened = server->listen();
    EXPECT_EQ(listened, ztErr_noError);
    if (listened != ztErr_noError)
        return nullptr;
    server->start();
    return server;
}

inline std::unique_ptr<ztNetServer> startServer(uint8_t inLast) {
    return startServer(serverSettings(inLast));
}

inline ztConnectSettings quickSettings() {
    ztConnectSettings settings;
    settings.itsTimeoutMs = 5000;
    settings.itsHandshakeTimeoutMs = 2000;
    return settings;
}

// A client connection to 127.0.2.N through the library's connect.
inline std::unique_ptr<ztNetObjectHandler> connectTo(uint8_t inLast, ztConnectAnswer& outAnswer,
                                                     bool inCompress = true,
                                                     ztConnectSettings inSettings = quickSettings(),
                                                     uint16_t inExpectedVersion = 0) {
    return ztNetObjectHandler::connectToServer(loopback(inLast), kPort, "test server", nullptr,
                                               inExpectedVersion, nullptr, outAnswer, inCompress,
                                               inSettings);
}

inline std::unique_ptr<ztNetObjectHandler> connectTo(uint8_t inLast) {
    ztConnectAnswer answer;
    return connectTo(inLast, answer);
}

// The peer played by hand: plain TCP after a hello that asks for neither encryption nor
// compression, packets written as raw bytes and read through a packet layer.
class RawPeer {
public:
    static constexpr int32_t kTimeout = 3000;

    RawPeer() : itsEndpoint(kTimeout, nullptr), itsPackets(&itsEndpoint, false) {}

    // Connects to 127.0.2.N and sends nothing: a client that never starts its handshake.
    bool openSilent(uint8_t inLast) {
        return itsEndpoint.connect(loopback(inLast), kPort) == ztErr_noError;
    }

    // Connects to 127.0.2.N and exchanges the hellos; false when that failed.
    bool open(uint8_t inLast) {
        if (!openSilent(inLast))
            return false;
        const uint8_t hello[10] = {'Z', 'T', 'S', 'L', 1, 0, 0, 0, 0, 0};
        if (writeRaw(Bytes(hello, hello + sizeof hello)) != ztErr_noError)
            return false;
        uint8_t answer[10] = {};
        return itsEndpoint.readFully(answer, sizeof answer) == ztErr_noError && answer[6] == 0;
    }

    ztErr writeRaw(const Bytes& inBytes) {
        return itsEndpoint.write(inBytes.data(), static_cast<uint32_t>(inBytes.size()));
    }

    // One framed, uncompressed packet of a header and data.
    ztErr writePacket(const ztNetObjectHeader& inHeader, const Bytes& inData = {}) {
        return writeRaw(frame(payloadOf(inHeader, inData)));
    }

    // Reads one packet within inMillis; 0 and the header and data, or the read's error.
    ztErr readPacket(ztNetObjectHeader& outHeader, Bytes& outData, int32_t inMillis = kTimeout) {
        std::vector<uint8_t> buffer;
        uint32_t length = 0;
        const ztErr result = itsPackets.readPacket(buffer, length, inMillis);
        if (result != ztErr_noError)
            return result;
        ztNetReader reader(buffer.data() + ztNetPacketLayer::payloadOffset, length);
        outHeader.read(reader);
        outData.assign(buffer.data() + ztNetPacketLayer::payloadOffset + reader.count(),
                       buffer.data() + ztNetPacketLayer::payloadOffset + length);
        return ztErr_noError;
    }

    // Reads packets until one that is not a keep-alive comes.
    ztErr readObjectPacket(ztNetObjectHeader& outHeader, Bytes& outData) {
        for (int i = 0; i < 100; ++i) {
            const ztErr result = readPacket(outHeader, outData);
            if (result != ztErr_noError || !outHeader.isKeepAlive())
                return result;
        }
        return ztErr_timeout;
    }

    // Whether the other side closed the connection within inMillis: reads until the end of
    // the stream, dropping what comes.
    bool closedWithin(int32_t inMillis) {
        const uint64_t end = zt::platform::monotonicMillis() + static_cast<uint64_t>(inMillis);
        while (zt::platform::monotonicMillis() < end) {
            uint8_t byte[256];
            uint32_t count = sizeof byte;
            itsEndpoint.setTimeout(50);
            const ztErr result = itsEndpoint.read(byte, count);
            if (result == ztErr_netReadWrite || result == ztErr_connectFailed)
                return true;
        }
        return false;
    }

    // A Connect exchange: sends one and reads the answer's header.
    ztErr connectExchange(uint16_t inId, ztNetObjectHeader& outHeader, Bytes& outData) {
        const ztErr written = writePacket(ztNetObjectHeader(inId, 2, 0x0B, 0), Bytes{0});
        if (written != ztErr_noError)
            return written;
        return readObjectPacket(outHeader, outData);
    }

    static Bytes payloadOf(const ztNetObjectHeader& inHeader, const Bytes& inData) {
        uint8_t header[ztNetObjectHeader::extendedSize];
        const uint32_t size = inHeader.write(header, sizeof header);
        Bytes payload(header, header + size);
        payload.insert(payload.end(), inData.begin(), inData.end());
        return payload;
    }

    static Bytes frame(const Bytes& inPayload, uint8_t inMarker = '<') {
        Bytes packet{inMarker, static_cast<uint8_t>(inPayload.size() >> 24),
                     static_cast<uint8_t>(inPayload.size() >> 16),
                     static_cast<uint8_t>(inPayload.size() >> 8),
                     static_cast<uint8_t>(inPayload.size())};
        packet.insert(packet.end(), inPayload.begin(), inPayload.end());
        packet.push_back('>');
        return packet;
    }

    ztTCPEndpoint& endpoint() { return itsEndpoint; }

private:
    ztTCPEndpoint itsEndpoint;
    ztNetPacketLayer itsPackets;
};

} // namespace zt::handlertest
