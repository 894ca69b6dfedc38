// The dispatcher's own behaviour that needs no central server: dialect detection, parsing
// failures, the library's own commands, session checks and the statuses they set.
#include "ztxmlint/xmlRequestContext.h"
#include "ztxmlint/xmlSessionManager.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct Answer {
    std::string text;
    int status = 200;
    std::map<std::string, std::string> headers;
};

class xmlDispatcherTest : public testing::Test {
protected:
    Answer run(const std::string& inRequest, const std::string& inRestPath = {},
               const std::map<std::string, std::string>& inQuery = {}, int inMethod = 5,
               xmlRequestContext* ioContext = nullptr) {
        Answer answer;
        xmlRequestContext local;
        xmlRequestContext& context = ioContext ? *ioContext : local;
        itsManager.doRequest(inRequest.c_str(), inMethod, inRestPath, inQuery, 0, context,
                             answer.text, answer.status, answer.headers);
        return answer;
    }

    static std::string soap(const std::string& inBody, const std::string& inPrefix = "soap") {
        return "<?xml version=\"1.0\"?><" + inPrefix + ":Envelope xmlns:" + inPrefix +
               "=\"urn:any\"><" + inPrefix + ":Body>" + inBody + "</" + inPrefix + ":Body></" +
               inPrefix + ":Envelope>";
    }

    xmlSessionManager itsManager;
};

bool contains(const std::string& inText, const std::string& inPart) {
    return inText.find(inPart) != std::string::npos;
}

TEST_F(xmlDispatcherTest, SessionCommandAnswersEmptyWhenNoSessionLives) {
    const Answer answer = run(soap("<session />"));
    EXPECT_EQ(answer.status, 200);
    EXPECT_TRUE(contains(answer.text, "<SessionResponse xmlns=\"")) << answer.text;
    EXPECT_TRUE(contains(answer.text, "<session></session></SessionResponse>")) << answer.text;
}

TEST_F(xmlDispatcherTest, CommandWithoutSessionIsRefused) {
    // SOAP always answers 200; the fault carries the error.
    const Answer soapAnswer = run(soap("<GetDNSZones />"));
    EXPECT_EQ(soapAnswer.status, 200);
    EXPECT_TRUE(contains(soapAnswer.text, "<faultstring>Missing Session ID.</faultstring>"));
    EXPECT_TRUE(contains(soapAnswer.text, "<errorcode>5002</errorcode>"));

    const Answer json = run(R"({"jsonrpc":"2.0","method":"GetDNSZones","params":{},"id":3})");
    EXPECT_EQ(json.status, 401);
    EXPECT_EQ(json.text,
              R"({"jsonrpc":"2.0","error":{"code":5002,"message":"Missing Session ID."},"id":3})")
        << json.text;
}

TEST_F(xmlDispatcherTest, UnknownSessionGivenInTheRequestIsRefused) {
    const Answer answer =
        run(R"({"jsonrpc":"2.0","method":"GetDNSZones","params":{"session":"abc"},"id":1})");
    EXPECT_EQ(answer.status, 400);
    EXPECT_TRUE(contains(answer.text, "\"code\":5003")) << answer.text;
    EXPECT_TRUE(contains(answer.text, "Invalid or expired session specified.")) << answer.text;
}

TEST_F(xmlDispatcherTest, PrefixOfTheRequestIsTheAnswersPrefix) {
    const Answer answer = run(soap("<session />", "env"));
    EXPECT_TRUE(contains(answer.text,
                         "<env:Envelope xmlns:env=\"http://schemas.xmlsoap.org/soap/envelope/\""))
        << answer.text;
    EXPECT_TRUE(contains(answer.text, "<env:Body>")) << answer.text;
}

TEST_F(xmlDispatcherTest, EnvelopeWithoutPrefixIsAnInvalidCommand) {
    const Answer answer = run("<Envelope><Body><session /></Body></Envelope>");
    EXPECT_TRUE(contains(answer.text, "<errorcode>5001</errorcode>")) << answer.text;
    EXPECT_TRUE(contains(answer.text, "<soap:Envelope")) << answer.text;
}

TEST_F(xmlDispatcherTest, CounterTailAfterTheEnvelopeIsCut) {
    EXPECT_TRUE(contains(run(soap("<session />") + "?1234567").text, "SessionResponse"));
    EXPECT_TRUE(contains(run(soap("<session />") + "? 12\t").text, "SessionResponse"));
}

TEST_F(xmlDispatcherTest, MalformedAndHostileTextsGiveFaults) {
    struct Row {
        const char* name;
        std::string text;
        const char* expected;
    };
    std::string deep;
    for (int i = 0; i < 100000; ++i)
        deep += "<a>";
    const Row rows[] = {
        {"empty text is JSON-RPC", "", "{\"jsonrpc\":\"2.0\",\"error\":{\"code\":32700"},
        {"not JSON", "{nope", "\"code\":32700"},
        {"no jsonrpc member", R"({"method":"x","params":{}})", "\"code\":32600"},
        {"no params", R"({"jsonrpc":"2.0","method":"x"})", "\"code\":5001"},
        {"unclosed XML", soap("<a>"), "<errorcode>60"},
        {"deep XML", soap(deep), "<errorcode>60"},
        {"deep JSON", "{\"a\":" + std::string(100000, '['), "\"code\":32700"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const Answer answer = run(row.text);
        EXPECT_TRUE(contains(answer.text, row.expected)) << answer.text;
    }
}

TEST_F(xmlDispatcherTest, SingleSignonLoginNeedsTheSingleSignonEntry) {
    const Answer answer = run(soap("<Login><singleSignon>1</singleSignon></Login>"));
    EXPECT_TRUE(contains(answer.text, "<errorcode>5005</errorcode>")) << answer.text;
    const Answer json =
        run(R"({"jsonrpc":"2.0","method":"Login","params":{"singleSignon":true},"id":1})");
    EXPECT_EQ(json.status, 401);
}

TEST_F(xmlDispatcherTest, RestPathNeedsASessionBeforeItsRoute) {
    const Answer answer = run("", "DNSZones", {}, 3);
    EXPECT_EQ(answer.status, 401); // no session comes first
    xmlRequestContext context;
    const Answer command = run("", "command/session", {}, 3, &context);
    EXPECT_EQ(command.status, 200) << command.text;
    EXPECT_EQ(command.text, R"({"result":{"session":""}})");
}

TEST_F(xmlDispatcherTest, HelloWithoutSessionIsUnauthorized) {
    const Answer answer = run(R"({"jsonrpc":"2.0","method":"hello","params":{},"id":null})");
    EXPECT_EQ(answer.status, 401);
}

TEST_F(xmlDispatcherTest, SessionTimeoutZeroBecomesOne) {
    itsManager.setSessionTimeout(0);
    EXPECT_EQ(itsManager.getSessionTimeout(), 1);
    itsManager.setSessionTimeout(-5);
    EXPECT_EQ(itsManager.getSessionTimeout(), -5);
}

} // namespace
