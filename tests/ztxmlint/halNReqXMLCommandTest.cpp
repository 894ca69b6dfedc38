// XML commands: the command tree and its flags on the wire, and the server's XML answer
// read into the response body, whole or not at all.
#include "ztxmlint/halNReqXMLCommand.h"

#include "halTestSupport.h"
#include "messages/ztException.h"
#include "netobjects/ztNetReader.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

using halTest::Bytes;
using halTest::bytes;
using halTest::operator+;

using Factory =
    std::function<std::unique_ptr<halNReqXMLCommand>(const TiXmlNode&, TiXmlNode*, uint16_t)>;

struct CommandKind {
    const char* name;
    Factory make;
};

const CommandKind kKinds[] = {
    {"XMLCommand",
     [](const TiXmlNode& inTree, TiXmlNode* inTarget, uint16_t inFlags) {
         return std::make_unique<halNReqXMLCommand>(inTree, inTarget, inFlags);
     }},
    {"XMLCommandWithoutSession",
     [](const TiXmlNode& inTree, TiXmlNode* inTarget, uint16_t inFlags) {
         return std::make_unique<halNReqXMLCommandWithoutSession>(inTree, inTarget, inFlags);
     }},
};

// The response body as the dispatcher hands it over, and a server answer to read into it.
class halNReqXMLCommandAnswer : public ::testing::Test {
protected:
    halNReqXMLCommandAnswer() : itsAnswer(64) {
        halTest::parseTree("<soap:Envelope><soap:Body/></soap:Envelope>", itsResponse);
        itsBody = itsResponse.RootElement()->FirstChildElement();
    }

    // Writes the children of the root of inXml as the server's answer.
    void answerWith(const char* inXml) {
        TiXmlDocument answer;
        halTest::writeNetForm(itsAnswer, *halTest::parseTree(inXml, answer));
    }

    ztErr readAnswer(const Bytes& inBytes) {
        TiXmlDocument request;
        halNReqXMLCommand command(*halTest::parseTree("<Envelope><Ping/></Envelope>", request),
                                  itsBody, 0);
        ztNetReader reader(inBytes.data(), inBytes.size());
        return command.readData(reader);
    }

    TiXmlDocument itsResponse;
    TiXmlElement* itsBody = nullptr;
    ztDynamicNetWriter itsAnswer;
};

TEST(halNReqXMLCommand, bodyIsTheTreeInNetFormEndedByTheCommandFlags) {
    TiXmlDocument request;
    const TiXmlElement* envelope =
        halTest::parseTree("<Envelope><Ping><session>abc</session></Ping></Envelope>", request);
    const Bytes tree = Bytes{4} + bytes("Ping") + Bytes{0, 4} + bytes("session") + Bytes{0, 7, 0} +
                       bytes("abc") + Bytes{0, 5, 5, 0};
    const struct {
        const char* name;
        uint16_t flags;
        Bytes tail;
    } rows[] = {
        {"entry points pass no flags", 0, {0x00, 0x00}},
        {"flags are big-endian", 0x1234, {0x12, 0x34}},
    };
    for (const CommandKind& kind : kKinds) {
        for (const auto& row : rows) {
            SCOPED_TRACE(std::string(kind.name) + ": " + row.name);
            const auto command = kind.make(*envelope, nullptr, row.flags);
            EXPECT_EQ(halTest::bodyOf(*command), tree + row.tail);
        }
    }
}

TEST_F(halNReqXMLCommandAnswer, answerIsReadIntoTheTarget) {
    answerWith("<r><PingResponse a=\"1\"><item>x &amp; y</item><item/></PingResponse></r>");
    ASSERT_EQ(readAnswer(halTest::written(itsAnswer)), ztErr_noError);
    EXPECT_EQ(halTest::print(*itsBody), "<soap:Body><PingResponse a=\"1\"><item>x &amp; y</item>"
                                        "<item /></PingResponse></soap:Body>");
}

// Every cut of an answer runs the reader out of data, which the handler reports as 0x304;
// the body must not keep the part that had arrived.
TEST_F(halNReqXMLCommandAnswer, everyTruncatedAnswerFailsAndLeavesTheTargetAsItWas) {
    answerWith("<r><PingResponse a=\"1\"><item>text</item><!--c--></PingResponse><x/></r>");
    const Bytes whole = halTest::written(itsAnswer);
    for (size_t length = 0; length < whole.size(); ++length) {
        SCOPED_TRACE("cut at " + std::to_string(length));
        EXPECT_THROW(readAnswer(Bytes(whole.begin(), whole.begin() + length)), std::out_of_range);
        EXPECT_EQ(halTest::print(*itsBody), "<soap:Body />");
    }
}

TEST_F(halNReqXMLCommandAnswer, unbalancedAnswerFailsAsUnexpectedDataAndLeavesTheTarget) {
    const Bytes stray = Bytes{4} + bytes("a") + Bytes{0, 5, 5, 0};
    try {
        readAnswer(stray);
        ADD_FAILURE() << "no exception";
    } catch (const ztException& e) {
        EXPECT_EQ(e.getErrorValue(), ztErr_unexpectedData);
    }
    EXPECT_EQ(halTest::print(*itsBody), "<soap:Body />");
}

} // namespace
