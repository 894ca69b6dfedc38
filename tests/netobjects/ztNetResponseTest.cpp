// Objects the peer starts: per-packet prefixes, the hooks around receiving, the answer
// going out, and the delay before a waiting object is due.
#include "netobjects/ztNetResponse.h"

#include "netobjects/ztNetReader.h"
#include "platform/ztTickCount.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

// Every packet starts with one sequence byte; the body is a 32-bit value, answered with
// that value plus one.
class EchoResponse : public ztNetResponse {
public:
    uint16_t getType() const override { return 300; }
    uint32_t readPrefix(const uint8_t* inData, uint32_t inLength) override {
        if (inLength > 0)
            itsSequence.push_back(inData[0]);
        return itsPrefixLength;
    }
    void started(ztNetObjectHandler*) override { ++itsStarts; }
    void received() override { ++itsReceives; }
    ztErr readData(ztNetReader& ioReader) override {
        const uint32_t value = ioReader.getUInt32();
        if (value == 0)
            return ztErr_unexpectedData;
        getBodyWriter().putUInt32(value + 1);
        return ztErr_noError;
    }

    uint32_t itsPrefixLength = 1;
    Bytes itsSequence;
    int itsStarts = 0;
    int itsReceives = 0;
};

ztErr receivePackets(EchoResponse& ioResponse, const std::vector<Bytes>& inPackets) {
    ztErr result = ztErr_noError;
    for (size_t i = 0; i < inPackets.size(); ++i) {
        ioResponse.countPacket();
        result =
            ioResponse.receiveData(inPackets[i].data(), static_cast<uint32_t>(inPackets[i].size()),
                                   i + 1 == inPackets.size());
    }
    return result;
}

TEST(ztNetResponse, readsPrefixedPacketsAndSendsItsAnswer) {
    const struct {
        const char* name;
        std::vector<Bytes> packets;
    } rows[] = {
        {"one packet", {{1, 0x00, 0x00, 0x01, 0x00}}},
        {"three packets", {{1, 0x00}, {2, 0x00, 0x01}, {3, 0x00}}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EchoResponse response;
        EXPECT_EQ(receivePackets(response, row.packets), ztErr_noError);
        EXPECT_EQ(response.itsSequence.size(), row.packets.size());
        EXPECT_EQ(response.itsStarts, 1);
        EXPECT_EQ(response.itsReceives, 1);
        EXPECT_EQ(response.getTransferState(), ztNetStatus::send);

        uint8_t buffer[8] = {};
        ztErr error = ztErr_noError;
        bool done = false;
        ASSERT_EQ(response.sendData(buffer, sizeof buffer, error, done), 4u);
        EXPECT_TRUE(done);
        EXPECT_EQ(Bytes(buffer, buffer + 4), (Bytes{0x00, 0x00, 0x01, 0x01}));
        EXPECT_EQ(response.getTransferState(), ztNetStatus::complete);
    }
}

TEST(ztNetResponse, sendsNothingAfterABodyItCouldNotHandle) {
    EchoResponse response;
    EXPECT_EQ(receivePackets(response, {{1, 0, 0, 0, 0}}), ztErr_unexpectedData);
    EXPECT_EQ(response.itsReceives, 1);
    EXPECT_EQ(response.getTransferState(), ztNetStatus::idle);
}

TEST(ztNetResponse, refusesAPrefixLongerThanThePacket) {
    EchoResponse response;
    response.itsPrefixLength = 3;
    EXPECT_EQ(receivePackets(response, {{1, 2}}), ztErr_unexpectedData);
}

class ztNetResponseDelayTest : public ::testing::Test {
protected:
    void TearDown() override { zt::platform::setTickCountOffset(0); }
    void advance(uint32_t inMillis) {
        itsOffset += inMillis;
        zt::platform::setTickCountOffset(itsOffset);
    }

private:
    uint32_t itsOffset = 0;
};

TEST_F(ztNetResponseDelayTest, waitsItsDelayFromEachTimeItStartsWaiting) {
    EchoResponse response;
    response.setDelay(500000);
    response.setStatus(ztNetStatus::delay);
    EXPECT_EQ(response.getWaitRounds(), 1u);
    EXPECT_EQ(response.getTransferState(), ztNetStatus::send); // sent once due
    EXPECT_EQ(response.getStatus(), ztNetStatus::delay);

    advance(200000);
    EXPECT_NEAR(response.getDelay(), 300000, 100);
    advance(400000);
    EXPECT_EQ(response.getDelay(), 0u);

    response.setStatus(ztNetStatus::delay);
    EXPECT_EQ(response.getWaitRounds(), 2u);
    EXPECT_NEAR(response.getDelay(), 500000, 100);
}

} // namespace
