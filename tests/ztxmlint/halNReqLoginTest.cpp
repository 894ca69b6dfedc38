// The Login request: its body, written when it is sent, with the timings of the handler
// that sends it.
#include "ztxmlint/halNReqLogin.h"

#include "halTestSupport.h"
#include "messages/ztException.h"

#include <gtest/gtest.h>

namespace {

using halTest::Bytes;
using halTest::bytes;
using halTest::FakeHandler;
using halTest::operator+;

// Sends inLogin through inHandler and takes it back, as the handler does when the answer
// is in; returns the body that went out.
Bytes sendAndFinish(halNReqLogin& ioLogin, FakeHandler& ioHandler) {
    ioLogin.send(&ioHandler);
    Bytes body = halTest::bodyOf(ioLogin);
    ioLogin.setRefId(0);
    ioLogin.setStatus(ztNetStatus::complete);
    return body;
}

TEST(halNReqLogin, bodyOfAFiveLetterNameWithEmptyPasswordIsTwentyBytes) {
    FakeHandler handler;
    halNReqLogin login("admin", "", 3, false);
    const Bytes expected = bytes("admin") + Bytes{0x00,                   // name's NUL
                                                  0x00,                   // empty password
                                                  0x00, 0x00, 0x00, 0x03, // value
                                                  0x00, 0x00, 0x75, 0x30, // keep-alive 30000
                                                  0x00, 0x03, 0xA9, 0x80, // dead peer 240000
                                                  0x00};                  // no single sign-on
    EXPECT_EQ(sendAndFinish(login, handler), expected);
    EXPECT_EQ(expected.size(), 20u);
}

TEST(halNReqLogin, bodyCarriesTheSendingHandlersTimingsAndSingleSignon) {
    FakeHandler handler(1000, 0x01020304);
    halNReqLogin login("bob", "S-1-22-1-0", 3, true);
    const Bytes expected =
        bytes("bob") + Bytes{0} + bytes("S-1-22-1-0") +
        Bytes{0x00, 0x00, 0x00, 0x00, 0x03, 0x00, 0x00, 0x03, 0xE8, 0x01, 0x02, 0x03, 0x04, 0x01};
    EXPECT_EQ(sendAndFinish(login, handler), expected);
}

// A session logs in again with the same request after its connection broke.
TEST(halNReqLogin, loginSentAgainWritesTheSameBodyOnce) {
    FakeHandler handler;
    halNReqLogin login("admin", "secret", 3, false);
    const Bytes first = sendAndFinish(login, handler);
    login.reset();
    EXPECT_EQ(sendAndFinish(login, handler), first);
}

TEST(halNReqLogin, prepareSendWithoutHandlerFails) {
    halNReqLogin login("admin", "", 3, false);
    EXPECT_THROW(login.prepareSend(), zt::ex::InvalidArgument);
}

} // namespace
