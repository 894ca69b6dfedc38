// Messages the server sends on its own: read, dropped and answered with an empty body.
#include "ztxmlint/auNResMessage.h"

#include "halTestSupport.h"

#include <gtest/gtest.h>

namespace {

using halTest::Bytes;
using halTest::bytes;
using halTest::operator+;

// Hands inBody to inMessage as its one and only packet, the way the handler does.
ztErr deliver(auNResMessage& ioMessage, const Bytes& inBody) {
    ioMessage.countPacket();
    return ioMessage.receiveData(inBody.data(), static_cast<uint32_t>(inBody.size()), true);
}

TEST(auNResMessage, messageIsReadAndAnsweredWithAnEmptyBody) {
    auNResMessage message;
    ASSERT_EQ(deliver(message, bytes("Server going down at 22:00") + Bytes{0}), ztErr_noError);
    EXPECT_EQ(message.getTransferState(), ztNetStatus::send);

    uint8_t buffer[16];
    ztErr error = ztErr_unknown;
    bool done = false;
    EXPECT_EQ(message.sendData(buffer, sizeof(buffer), error, done), 0u);
    EXPECT_TRUE(done);
    EXPECT_EQ(error, ztErr_noError);
    EXPECT_EQ(message.getTransferState(), ztNetStatus::complete);
}

TEST(auNResMessage, messageWithoutItsNulFailsAsUnexpectedData) {
    const Bytes rows[] = {{}, bytes("no end")};
    for (const Bytes& body : rows) {
        SCOPED_TRACE(std::string(body.begin(), body.end()));
        auNResMessage message;
        EXPECT_THROW(deliver(message, body), std::out_of_range);
        EXPECT_NE(message.getTransferState(), ztNetStatus::send);
    }
}

} // namespace
