// The packet layer against an in-memory endpoint: frames byte for byte, compression and
// its interplay with an independent zlib, reads resumed across time-outs, and peers that
// send what no peer of this protocol sends.
#include "netobjects/ztNetPacketLayer.h"

#include "messages/ztException.h"
#include "netobjects/ztNetLimits.h"
#include "threads/ztSingleEvent.h"
#include "ztScriptedEndpoint.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <random>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

constexpr uint32_t kOffset = ztNetPacketLayer::payloadOffset;

Bytes compressible(size_t inLength) {
    Bytes bytes;
    for (unsigned i = 0; bytes.size() < inLength; ++i) {
        const std::string record = "<host><name>h" + std::to_string(i % 17) + "</name></host>";
        bytes.insert(bytes.end(), record.begin(), record.end());
    }
    bytes.resize(inLength);
    return bytes;
}

Bytes incompressible(size_t inLength) {
    std::mt19937 generator(7);
    Bytes bytes(inLength);
    for (uint8_t& byte : bytes)
        byte = static_cast<uint8_t>(generator());
    return bytes;
}

// A payload buffer as the handler hands it over: 5 free bytes, the payload, room behind.
Bytes payloadBuffer(const Bytes& inPayload) {
    Bytes buffer(kOffset);
    buffer.insert(buffer.end(), inPayload.begin(), inPayload.end());
    buffer.resize(buffer.size() + 5);
    return buffer;
}

Bytes frame(uint8_t inMarker, const Bytes& inPayload, uint8_t inTrailer = '>') {
    const auto length = static_cast<uint32_t>(inPayload.size());
    Bytes packet = {inMarker, static_cast<uint8_t>(length >> 24),
                    static_cast<uint8_t>(length >> 16), static_cast<uint8_t>(length >> 8),
                    static_cast<uint8_t>(length)};
    packet.insert(packet.end(), inPayload.begin(), inPayload.end());
    packet.push_back(inTrailer);
    return packet;
}

// zlib itself, standing in for a peer that compresses with another implementation.
Bytes zlibCompress(const Bytes& inData) {
    uLongf length = compressBound(static_cast<uLong>(inData.size()));
    Bytes stream(length);
    EXPECT_EQ(
        compress2(stream.data(), &length, inData.data(), static_cast<uLong>(inData.size()), 6),
        Z_OK);
    stream.resize(length);
    return stream;
}

Bytes zlibInflate(const uint8_t* inStream, size_t inLength, size_t inExpectedSize) {
    Bytes data(inExpectedSize + 1);
    uLongf length = static_cast<uLongf>(data.size());
    EXPECT_EQ(uncompress(data.data(), &length, inStream, static_cast<uLong>(inLength)), Z_OK);
    data.resize(length);
    return data;
}

// inTotal zero bytes as one zlib stream, built piecewise so the test never holds them all.
Bytes zlibZeros(size_t inTotal) {
    z_stream stream{};
    EXPECT_EQ(deflateInit(&stream, 1), Z_OK);
    const Bytes zeros(1 << 20);
    Bytes out;
    Bytes chunk(1 << 16);
    size_t left = inTotal;
    int flush = Z_NO_FLUSH;
    while (flush != Z_FINISH) {
        const size_t piece = std::min(left, zeros.size());
        left -= piece;
        flush = left == 0 ? Z_FINISH : Z_NO_FLUSH;
        stream.next_in = const_cast<Bytef*>(zeros.data());
        stream.avail_in = static_cast<uInt>(piece);
        do {
            stream.next_out = chunk.data();
            stream.avail_out = static_cast<uInt>(chunk.size());
            deflate(&stream, flush);
            out.insert(out.end(), chunk.data(), chunk.data() + (chunk.size() - stream.avail_out));
        } while (stream.avail_out == 0);
    }
    deflateEnd(&stream);
    return out;
}

Bytes payloadOf(const Bytes& inBuffer, uint32_t inLength) {
    return Bytes(inBuffer.begin() + kOffset, inBuffer.begin() + kOffset + inLength);
}

class ztNetPacketLayerTest : public ::testing::Test {
protected:
    // Sends inPayload through a layer and returns what reached the endpoint.
    Bytes sent(const Bytes& inPayload, bool inCompression) {
        ztScriptedEndpoint endpoint;
        ztNetPacketLayer layer(&endpoint, inCompression);
        Bytes buffer = payloadBuffer(inPayload);
        EXPECT_EQ(layer.writePacket(buffer, static_cast<uint32_t>(inPayload.size())),
                  ztErr_noError);
        return endpoint.written();
    }

    ztScriptedEndpoint itsEndpoint;
    ztNetPacketLayer itsLayer{&itsEndpoint, true};
    Bytes itsBuffer;
    uint32_t itsLength = 0;
};

TEST_F(ztNetPacketLayerTest, framesPlainPayloadsByteForByte) {
    EXPECT_EQ(sent({}, true), (Bytes{'<', 0, 0, 0, 0, '>'}));
    EXPECT_EQ(sent({0x01, 0x02, 0x03}, true), (Bytes{'<', 0, 0, 0, 3, 1, 2, 3, '>'}));

    const struct {
        const char* name;
        Bytes payload;
        bool compression;
    } rows[] = {
        {"999 compressible bytes are under the threshold", compressible(999), true},
        {"1500 random bytes do not shrink", incompressible(1500), true},
        {"30000 compressible bytes without negotiated compression", compressible(30000), false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(sent(row.payload, row.compression), frame('<', row.payload));
    }
}

TEST_F(ztNetPacketLayerTest, compressesFromThresholdOnIntoAStreamZlibInflates) {
    for (const size_t size : {size_t{1000}, size_t{30010}}) {
        SCOPED_TRACE(size);
        const Bytes payload = compressible(size);
        const Bytes packet = sent(payload, true);
        ASSERT_GT(packet.size(), 8u);
        const uint32_t length = (uint32_t{packet[1]} << 24) | (uint32_t{packet[2]} << 16) |
                                (uint32_t{packet[3]} << 8) | packet[4];
        EXPECT_EQ(packet[0], '(');
        EXPECT_EQ(packet.size(), length + 6u);
        EXPECT_LT(length, size);
        EXPECT_EQ(packet.back(), '>');
        // RFC 1950 header of a 32 KiB window at the default level.
        EXPECT_EQ(packet[5], 0x78);
        EXPECT_EQ(packet[6], 0x9C);
        EXPECT_EQ(zlibInflate(packet.data() + 5, length, size), payload);
    }
}

TEST_F(ztNetPacketLayerTest, returnsTheEndpointsWriteError) {
    itsEndpoint.failWritesWith(ztErr_netReadWrite);
    Bytes buffer = payloadBuffer(compressible(10));
    EXPECT_EQ(itsLayer.writePacket(buffer, 10), ztErr_netReadWrite);
}

TEST_F(ztNetPacketLayerTest, writesEveryPacketWithoutATimeLimit) {
    itsEndpoint.setTimeout(500);
    Bytes buffer(kOffset); // no room for the trailer: the layer makes it
    EXPECT_EQ(itsLayer.writePacket(buffer, 0), ztErr_noError);
    EXPECT_EQ(itsEndpoint.getTimeout(), ztNetEndpoint::noTimeout);
    EXPECT_EQ(itsEndpoint.written(), (Bytes{'<', 0, 0, 0, 0, '>'}));
}

TEST_F(ztNetPacketLayerTest, readsBackWhatItWrites) {
    const Bytes payloads[] = {{},
                              {'x'},
                              compressible(999),
                              compressible(1000),
                              compressible(30010),
                              incompressible(4000)};
    ztScriptedEndpoint writerEnd;
    ztNetPacketLayer writer(&writerEnd, true);
    for (const Bytes& payload : payloads) {
        Bytes buffer = payloadBuffer(payload);
        ASSERT_EQ(writer.writePacket(buffer, static_cast<uint32_t>(payload.size())), ztErr_noError);
    }
    // All packets in one chunk, read through the endpoint's own buffering.
    itsEndpoint.setBufferSize(10240);
    itsEndpoint.addBytes(writerEnd.written());
    for (const Bytes& payload : payloads) {
        SCOPED_TRACE(payload.size());
        ASSERT_EQ(itsLayer.readPacket(itsBuffer, itsLength, 1000), ztErr_noError);
        ASSERT_EQ(itsLength, payload.size());
        EXPECT_EQ(payloadOf(itsBuffer, itsLength), payload);
        EXPECT_GE(itsBuffer.size(), itsLength + 6u);
    }
    EXPECT_GT(writer.getBytesSaved(), 0);
}

TEST_F(ztNetPacketLayerTest, inflatesAStreamOfAnotherZlibImplementation) {
    const Bytes payload = compressible(20000);
    itsEndpoint.addBytes(frame('(', zlibCompress(payload)));
    ASSERT_EQ(itsLayer.readPacket(itsBuffer, itsLength, -1), ztErr_noError);
    EXPECT_EQ(payloadOf(itsBuffer, itsLength), payload);
}

TEST_F(ztNetPacketLayerTest, resumesAPacketArrivingOneByteAtATime) {
    const Bytes payload = compressible(3000);
    for (const ztErr interruption : {ztErr_timeout, ztErr_cancelled, ztErr_netNotReady}) {
        SCOPED_TRACE(interruption);
        ztScriptedEndpoint endpoint;
        ztNetPacketLayer layer(&endpoint, true);
        Bytes packet = frame('<', payload);
        const Bytes compressed = frame('(', zlibCompress(payload));
        packet.insert(packet.end(), compressed.begin(), compressed.end());
        endpoint.addBytesOneByOne(packet, interruption);

        // Every read after a byte is cut short; each call picks up where the last stopped.
        std::vector<Bytes> delivered;
        size_t interrupted = 0;
        while (endpoint.stepsLeft() > 0) {
            const ztErr result = layer.readPacket(itsBuffer, itsLength, -1);
            if (result == ztErr_noError) {
                delivered.push_back(payloadOf(itsBuffer, itsLength));
                continue;
            }
            ASSERT_EQ(result, interruption);
            ++interrupted;
        }
        EXPECT_EQ(delivered, (std::vector<Bytes>{payload, payload}));
        EXPECT_EQ(interrupted, packet.size());
        EXPECT_FALSE(layer.isBroken());
    }
}

TEST_F(ztNetPacketLayerTest, givesEachReadOnlyTheTimeLeft) {
    // Each read takes 40 s of tick-count time and brings one byte; the real clock adds
    // at most a few milliseconds.
    const Bytes packet = frame('<', {'a', 'b'});
    for (const uint8_t byte : packet)
        itsEndpoint.addBytes({byte}, 40000);

    EXPECT_EQ(itsLayer.readPacket(itsBuffer, itsLength, 100000), ztErr_timeout);
    ASSERT_EQ(itsEndpoint.readTimeouts().size(), 3u);
    EXPECT_NEAR(itsEndpoint.readTimeouts()[0], 100000, 50);
    EXPECT_NEAR(itsEndpoint.readTimeouts()[1], 60000, 50);
    EXPECT_NEAR(itsEndpoint.readTimeouts()[2], 20000, 50);
    EXPECT_LT(itsLayer.getReceiveTimer().elapsed(), 100u); // restarted by the last byte

    EXPECT_EQ(itsLayer.readPacket(itsBuffer, itsLength, -1), ztErr_noError);
    EXPECT_EQ(payloadOf(itsBuffer, itsLength), (Bytes{'a', 'b'}));
    EXPECT_EQ(itsEndpoint.readTimeouts().back(), ztNetEndpoint::noTimeout);

    // A read that brings nothing leaves the receive timer alone.
    itsEndpoint.addResult(ztErr_timeout, 40000);
    EXPECT_EQ(itsLayer.readPacket(itsBuffer, itsLength, 0), ztErr_timeout);
    EXPECT_GE(itsLayer.getReceiveTimer().elapsed(), 40000u);
}

TEST_F(ztNetPacketLayerTest, breaksForGoodOnAnyOtherEndpointError) {
    const Bytes packet = frame('<', {'a'});
    itsEndpoint.addBytes(Bytes(packet.begin(), packet.begin() + 3));
    itsEndpoint.addResult(ztErr_netReadWrite);
    itsEndpoint.addBytes(Bytes(packet.begin() + 3, packet.end()));
    itsEndpoint.addBytes(packet);

    EXPECT_EQ(itsLayer.readPacket(itsBuffer, itsLength, -1), ztErr_netReadWrite);
    EXPECT_TRUE(itsLayer.isBroken());
    const size_t reads = itsEndpoint.readRequests().size();
    EXPECT_EQ(itsLayer.readPacket(itsBuffer, itsLength, -1), ztErr_netNotAvailable);
    EXPECT_EQ(itsEndpoint.readRequests().size(), reads); // nothing read any more
}

TEST_F(ztNetPacketLayerTest, refusesStreamsThatAreNotFramedByThisProtocol) {
    const Bytes good = {'x', 'y'};
    Bytes corruptChecksum = frame('(', zlibCompress(compressible(2000)));
    corruptChecksum[corruptChecksum.size() - 2] ^= 0x01; // last byte of the Adler-32
    Bytes trailingBytes = zlibCompress(compressible(2000));
    trailingBytes.push_back(0);
    const Bytes stream = zlibCompress(compressible(2000));
    const Bytes truncated(stream.begin(), stream.end() - 5);

    const struct {
        const char* name;
        Bytes bytes;
    } rows[] = {
        {"starts with 'A'", frame('A', good)},
        {"starts with the trailer", frame('>', good)},
        {"starts with a NUL", frame(0, good)},
        {"trailer is not '>'", frame('<', good, '<')},
        {"compressed payload is no zlib stream", frame('(', good)},
        {"empty compressed payload", frame('(', {})},
        {"zlib stream with a wrong checksum", corruptChecksum},
        {"bytes behind the zlib stream", frame('(', trailingBytes)},
        {"truncated zlib stream", frame('(', truncated)},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ztScriptedEndpoint endpoint;
        ztNetPacketLayer layer(&endpoint, true);
        endpoint.addBytes(row.bytes);
        endpoint.addBytes(frame('<', good));
        EXPECT_EQ(layer.readPacket(itsBuffer, itsLength, -1), ztErr_netNotAvailable);
        EXPECT_TRUE(layer.isBroken());
        // Nothing is read any more, the good packet behind it included.
        const size_t reads = endpoint.readRequests().size();
        EXPECT_EQ(layer.readPacket(itsBuffer, itsLength, -1), ztErr_netNotAvailable);
        EXPECT_EQ(endpoint.readRequests().size(), reads);
    }
}

TEST_F(ztNetPacketLayerTest, boundsTheAnnouncedLength) {
    const struct {
        const char* name;
        uint32_t length;
        bool accepted;
    } rows[] = {
        {"exactly the bound", ztNetMaxPayloadSize, true},
        {"one past the bound", ztNetMaxPayloadSize + 1, false},
        {"70000000", 70000000, false},
        {"the largest the field holds", 0xFFFFFFFF, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ztScriptedEndpoint endpoint;
        ztNetPacketLayer layer(&endpoint, true);
        endpoint.addBytes(
            {'<', static_cast<uint8_t>(row.length >> 24), static_cast<uint8_t>(row.length >> 16),
             static_cast<uint8_t>(row.length >> 8), static_cast<uint8_t>(row.length)});
        // An accepted length waits for its body; a refused one is never asked for.
        EXPECT_EQ(layer.readPacket(itsBuffer, itsLength, -1),
                  row.accepted ? ztErr_timeout : ztErr_netNotAvailable);
        EXPECT_EQ(layer.isBroken(), !row.accepted);
        EXPECT_EQ(endpoint.readRequests().back(), row.accepted ? row.length + 1 : 5u);
    }
}

TEST_F(ztNetPacketLayerTest, boundsTheInflatedSize) {
    const struct {
        const char* name;
        size_t inflated;
        bool accepted;
    } rows[] = {
        {"exactly the bound", ztNetMaxPayloadSize, true},
        {"one past the bound", ztNetMaxPayloadSize + size_t{1}, false},
        {"twice the bound", size_t{2} * ztNetMaxPayloadSize, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ztScriptedEndpoint endpoint;
        ztNetPacketLayer layer(&endpoint, true);
        endpoint.addBytes(frame('(', zlibZeros(row.inflated)));
        Bytes buffer;
        EXPECT_EQ(layer.readPacket(buffer, itsLength, -1),
                  row.accepted ? ztErr_noError : ztErr_netNotAvailable);
        EXPECT_EQ(layer.isBroken(), !row.accepted);
        EXPECT_LE(buffer.size(), ztNetMaxPayloadSize + size_t{6});
        if (row.accepted) {
            EXPECT_EQ(itsLength, row.inflated);
        }
    }
}

TEST_F(ztNetPacketLayerTest, passesTheWakeUpEventAndClosesTheEndpoint) {
    ztSingleEvent wakeUp;
    EXPECT_TRUE(itsLayer.setEvent(&wakeUp));
    EXPECT_EQ(itsEndpoint.getInterruptEvent(), &wakeUp);
    EXPECT_TRUE(itsLayer.isOpen());
    itsLayer.close();
    EXPECT_FALSE(itsLayer.isOpen());
    EXPECT_EQ(itsEndpoint.getInterruptEvent(), nullptr);
}

TEST_F(ztNetPacketLayerTest, needsAnEndpoint) {
    EXPECT_THROW(ztNetPacketLayer(nullptr, true), zt::ex::InvalidArgument);
}

} // namespace
