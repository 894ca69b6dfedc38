// The buffering of ztNetEndpoint over a scripted endpoint: which writes are collected and
// which go straight out, how reads are served from one raw read, and how readFully shares
// its time between the reads it makes (time moved through the tick-count offset).
#include "net/ztNetEndpoint.h"

#include "platform/ztTickCount.h"

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

namespace {

// Raw transfers that record every call; reads hand out scripted pieces or errors.
class ScriptedEndpoint : public ztNetEndpoint {
public:
    struct Piece {
        std::string bytes;
        ztErr error = ztErr_noError;
    };

    ScriptedEndpoint() : ztNetEndpoint(Kind::tcp, 1000, nullptr) {}

    ztErr connect(const ztIPv6&, uint16_t) override { return ztErr_notSupported; }
    ztErr connect(const std::string&, uint16_t) override { return ztErr_notSupported; }
    ztErr startListen(uint16_t, const ztIPv6&) override { return ztErr_notSupported; }
    std::unique_ptr<ztNetEndpoint> accept() override { return nullptr; }
    void close() override {}
    bool isOpen() const override { return true; }
    std::unique_ptr<ztNetEndpoint> createEndpoint(ztEvent*, int32_t) override { return nullptr; }

    ztErr rawWrite(const void* inData, uint32_t inLength) override {
        writes.emplace_back(static_cast<const char*>(inData), inLength);
        return writeResult;
    }

    ztErr rawRead(void* outBuffer, uint32_t& ioLength) override {
        readRequests.push_back(ioLength);
        readTimeouts.push_back(getTimeout());
        if (millisPerRead > 0)
            advanceClock(millisPerRead);
        if (pieces.empty()) {
            ioLength = 0;
            return ztErr_timeout;
        }
        Piece piece = pieces.front();
        pieces.pop_front();
        if (piece.error != ztErr_noError) {
            ioLength = 0;
            return piece.error;
        }
        // A piece longer than the request is split, as a socket would.
        const uint32_t count = std::min<uint32_t>(ioLength, piece.bytes.size());
        piece.bytes.copy(static_cast<char*>(outBuffer), count);
        if (count < piece.bytes.size())
            pieces.push_front({piece.bytes.substr(count)});
        ioLength = count;
        return ztErr_noError;
    }

    void advanceClock(uint32_t inMillis) {
        clockOffset += inMillis;
        zt::platform::setTickCountOffset(clockOffset);
    }

    std::vector<std::string> writes;
    ztErr writeResult = ztErr_noError;
    std::deque<Piece> pieces;
    std::vector<uint32_t> readRequests;
    std::vector<int32_t> readTimeouts;
    uint32_t millisPerRead = 0;
    uint32_t clockOffset = 0;
};

class ztNetEndpointTest : public ::testing::Test {
protected:
    void TearDown() override { zt::platform::setTickCountOffset(0); }

    std::string readString(uint32_t inLength, ztErr inExpected = ztErr_noError) {
        std::string out(inLength, '\0');
        uint32_t length = inLength;
        EXPECT_EQ(itsEndpoint.read(out.data(), length), inExpected);
        out.resize(length);
        return out;
    }

    ScriptedEndpoint itsEndpoint;
};

} // namespace

TEST_F(ztNetEndpointTest, writesMoreThanHalfTheBufferStraightThrough) {
    struct Row {
        const char* name;
        uint32_t bufferSize;
        uint32_t length;
        bool buffered;
    };
    const Row rows[] = {
        {"exactly half is buffered", 10240, 5120, true},
        {"one byte over half bypasses", 10240, 5121, false},
        {"one byte is buffered", 10240, 1, true},
        {"no buffer: straight through", 0, 1, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ScriptedEndpoint endpoint;
        endpoint.setBufferSize(row.bufferSize);
        const std::string data(row.length, 'w');
        ASSERT_EQ(endpoint.write(data.data(), row.length), ztErr_noError);
        EXPECT_EQ(endpoint.writes.size(), row.buffered ? 0u : 1u);
        ASSERT_EQ(endpoint.flush(), ztErr_noError);
        ASSERT_EQ(endpoint.writes.size(), 1u);
        EXPECT_EQ(endpoint.writes[0], data);
        EXPECT_EQ(endpoint.getBytesSent(), row.length);
    }
}

TEST_F(ztNetEndpointTest, flushesPendingBytesBeforeWhatDoesNotFitOrBypasses) {
    itsEndpoint.setBufferSize(10240);
    const std::string first(6000, 'a');
    const std::string second(5000, 'b');
    const std::string large(6000, 'c');
    ASSERT_EQ(itsEndpoint.write(first.data(), 6000), ztErr_noError);
    // 6000 + 5000 exceed the buffer: the first bytes go out, the second are kept.
    ASSERT_EQ(itsEndpoint.write(second.data(), 5000), ztErr_noError);
    ASSERT_EQ(itsEndpoint.writes, std::vector<std::string>{first});
    // A large write keeps the order: pending bytes first, then the large ones directly.
    ASSERT_EQ(itsEndpoint.write(large.data(), 6000), ztErr_noError);
    EXPECT_EQ(itsEndpoint.writes, (std::vector<std::string>{first, second, large}));
    EXPECT_EQ(itsEndpoint.flush(), ztErr_noError);
    EXPECT_EQ(itsEndpoint.writes.size(), 3u) << "nothing left to flush";
}

TEST_F(ztNetEndpointTest, aFailedFlushReportsTheErrorAndEmptiesTheBuffer) {
    itsEndpoint.setBufferSize(10240);
    ASSERT_EQ(itsEndpoint.write("abc", 3), ztErr_noError);
    itsEndpoint.writeResult = ztErr_netReadWrite;
    EXPECT_EQ(itsEndpoint.flush(), ztErr_netReadWrite);
    EXPECT_EQ(itsEndpoint.getBytesSent(), 0u);
    itsEndpoint.writeResult = ztErr_noError;
    EXPECT_EQ(itsEndpoint.flush(), ztErr_noError);
    EXPECT_EQ(itsEndpoint.writes.size(), 1u);
}

TEST_F(ztNetEndpointTest, growingTheBufferKeepsPendingBytes) {
    itsEndpoint.setBufferSize(64);
    ASSERT_EQ(itsEndpoint.write("0123456789", 10), ztErr_noError);
    itsEndpoint.setBufferSize(20000);
    ASSERT_EQ(itsEndpoint.write("abc", 3), ztErr_noError);
    ASSERT_EQ(itsEndpoint.flush(), ztErr_noError);
    EXPECT_EQ(itsEndpoint.writes, std::vector<std::string>{"0123456789abc"});
}

TEST_F(ztNetEndpointTest, servesSmallReadsFromOneRawRead) {
    itsEndpoint.setBufferSize(10240);
    itsEndpoint.pieces = {{"0123456789"}, {"next"}};
    EXPECT_EQ(readString(4), "0123");
    EXPECT_EQ(readString(4), "4567");
    EXPECT_EQ(readString(10), "89") << "a read returns what is buffered without waiting";
    EXPECT_EQ(itsEndpoint.readRequests, std::vector<uint32_t>{10240});
    EXPECT_EQ(readString(10), "next");
    EXPECT_EQ(itsEndpoint.getBytesReceived(), 14u);
}

TEST_F(ztNetEndpointTest, readsMoreThanHalfTheBufferIntoTheCallersMemory) {
    itsEndpoint.setBufferSize(10240);
    const std::string big(6000, 'z');
    itsEndpoint.pieces = {{big}};
    EXPECT_EQ(readString(5121), big.substr(0, 5121));
    EXPECT_EQ(itsEndpoint.readRequests, std::vector<uint32_t>{5121});
}

TEST_F(ztNetEndpointTest, passesRawReadErrorsOn) {
    itsEndpoint.setBufferSize(10240);
    itsEndpoint.pieces = {{"", ztErr_netReadWrite}};
    EXPECT_EQ(readString(4, ztErr_netReadWrite), "");
    EXPECT_EQ(itsEndpoint.getBytesReceived(), 0u);
}

TEST_F(ztNetEndpointTest, readFullyCollectsShortReads) {
    itsEndpoint.pieces = {{"abc"}, {"d"}, {"efghij"}, {"klm"}};
    std::string out(10, '\0');
    ASSERT_EQ(itsEndpoint.readFully(out.data(), 10), ztErr_noError);
    EXPECT_EQ(out, "abcdefghij");
    EXPECT_EQ(itsEndpoint.readRequests, (std::vector<uint32_t>{10, 7, 6}));
    EXPECT_EQ(readString(3), "klm");
}

TEST_F(ztNetEndpointTest, readFullyGivesEachReadOnlyTheTimeLeft) {
    itsEndpoint.setTimeout(100);
    itsEndpoint.millisPerRead = 30;
    itsEndpoint.pieces = {{"a"}, {"b"}, {"c"}, {"d"}, {"e"}, {"f"}};
    std::string out(6, '\0');
    EXPECT_EQ(itsEndpoint.readFully(out.data(), 6), ztErr_timeout);
    // 30 ms pass in each read: 100 left, then 70, 40 and 10; after 120 ms no further read.
    // Real time passes too, so each figure may be a few milliseconds lower.
    const std::vector<int32_t> expected = {100, 70, 40, 10};
    ASSERT_EQ(itsEndpoint.readTimeouts.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_LE(itsEndpoint.readTimeouts[i], expected[i]);
        EXPECT_GE(itsEndpoint.readTimeouts[i], expected[i] - 5);
    }
    EXPECT_EQ(itsEndpoint.getTimeout(), 100) << "the caller's time-out comes back";
}

TEST_F(ztNetEndpointTest, readFullyWithoutTimeLimitWaitsForEveryByte) {
    itsEndpoint.setTimeout(ztNetEndpoint::noTimeout);
    itsEndpoint.millisPerRead = 100000;
    itsEndpoint.pieces = {{"a"}, {"b"}, {"c"}};
    std::string out(3, '\0');
    EXPECT_EQ(itsEndpoint.readFully(out.data(), 3), ztErr_noError);
    EXPECT_EQ(out, "abc");
    EXPECT_EQ(itsEndpoint.readTimeouts, (std::vector<int32_t>(3, ztNetEndpoint::noTimeout)));
}
