// The GetWSDLInstance request: one byte out, and the answer read into the WSDL model,
// which stays as it was when the answer is cut short.
#include "ztxmlint/halNReqGetWSDLInstance.h"

#include "halTestSupport.h"
#include "messages/ztException.h"
#include "netobjects/ztNetReader.h"
#include "util/ztWSDL.h"

#include <gtest/gtest.h>

namespace {

using halTest::Bytes;

// A server's answer: a WSDL declaring Ping and PingResponse, and the command list.
Bytes pingAnswer() {
    TiXmlDocument source;
    halTest::parseTree("<r><wsdl:definitions><wsdl:types><s:schema>"
                       "<s:element name=\"Ping\"/><s:element name=\"PingResponse\"/>"
                       "</s:schema></wsdl:types></wsdl:definitions></r>",
                       source);
    ztDynamicNetWriter answer(256);
    halTest::writeNetForm(answer, *source.RootElement());
    answer.putUInt32(1);
    answer.putString("Ping");
    answer.putString("info");
    return halTest::written(answer);
}

TEST(halNReqGetWSDLInstance, bodyIsTheLowByteOfTheValue) {
    const auto wsdl = std::make_shared<ztWSDL>();
    EXPECT_EQ(halTest::bodyOf(halNReqGetWSDLInstance(wsdl, 1)), Bytes{0x01});
    EXPECT_EQ(halTest::bodyOf(halNReqGetWSDLInstance(wsdl, 0x1234)), Bytes{0x34});
}

TEST(halNReqGetWSDLInstance, withoutModelIsRefused) {
    EXPECT_THROW(halNReqGetWSDLInstance(nullptr, 1), zt::ex::InvalidArgument);
}

TEST(halNReqGetWSDLInstance, answerFillsTheModel) {
    const Bytes answer = pingAnswer();
    const auto wsdl = std::make_shared<ztWSDL>();
    halNReqGetWSDLInstance request(wsdl, 1);
    ztNetReader reader(answer.data(), answer.size());
    EXPECT_EQ(request.readData(reader), ztErr_noError);
    ASSERT_EQ(wsdl->commands().count("Ping"), 1u);
    EXPECT_NE(wsdl->getInputElement("Ping"), nullptr);
    EXPECT_EQ(reader.remaining(), 0u);
}

TEST(halNReqGetWSDLInstance, answerWithoutItsCommandListFailsAndKeepsTheModel) {
    const Bytes answer = pingAnswer();
    const auto wsdl = std::make_shared<ztWSDL>();
    halNReqGetWSDLInstance request(wsdl, 1);
    // Cut inside the command list: the XML part is complete.
    ztNetReader reader(answer.data(), answer.size() - 3);
    EXPECT_THROW(request.readData(reader), std::out_of_range);
    EXPECT_TRUE(wsdl->commands().empty());
    // The skeleton of a fresh model, with the library's own simple types, is still there.
    EXPECT_NE(wsdl->findType("HexStr", true), nullptr);
}

} // namespace
