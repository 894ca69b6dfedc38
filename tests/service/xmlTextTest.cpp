// Text end to end against the stand-in central server: characters beyond ASCII, sent in
// every dialect and every spelling a dialect has for them, are stored by the server as
// UTF-8 and come back as the same characters in every dialect.
#include "serviceFixture.h"

#include <tinyxml.h>

#include <string>
#include <vector>

namespace {

// "cafe" with an acute e, two CJK characters and an emoji: two-, three- and four-byte
// characters.
const std::string kText = "caf\xC3\xA9 \xE4\xB8\xAD\xE6\x96\x87 \xF0\x9F\x98\x80";

class TextTest : public ServiceTest {
protected:
    // Each test has its own address (127.0.24.inHost), so that tests may run in parallel.
    void start(int inHost) {
        startServerAt("127.0.24." + std::to_string(inHost));
        itsSession = login();
        ASSERT_EQ(itsSession.size(), 20u);
    }

    std::string soapFolder(const std::string& inName, const std::string& inDescription) const {
        return "<AddFolder><session>" + itsSession + "</session><folder><name>" + inName +
               "</name><description>" + inDescription + "</description></folder></AddFolder>";
    }

    std::string jsonFolder(const std::string& inName, const std::string& inDescription) const {
        return R"({"session":")" + itsSession + R"(","folder":{"name":")" + inName +
               R"(","description":")" + inDescription + R"("}})";
    }

    std::string itsSession;
};

TEST_F(TextTest, CharactersSurviveEveryDialect) {
    start(1);
    struct Sent {
        const char* name;
        std::string folder;
        std::function<Answer()> add;
    };
    xmlRequestContext restContext;
    const std::vector<Sent> sent = {
        {"SOAP, raw UTF-8", "utf8-soap-raw",
         [&] { return run(soap(soapFolder("utf8-soap-raw", kText))); }},
        {"SOAP, hex references", "utf8-soap-hex",
         [&] {
             return run(soap(soapFolder("utf8-soap-hex", "caf&#xE9; &#x4E2D;&#x6587; &#x1F600;")));
         }},
        {"SOAP, decimal references", "utf8-soap-dec",
         [&] {
             return run(soap(soapFolder("utf8-soap-dec", "caf&#233; &#20013;&#25991; &#128512;")));
         }},
        {"JSON-RPC, raw UTF-8", "utf8-json-raw",
         [&] { return run(json("AddFolder", jsonFolder("utf8-json-raw", kText))); }},
        {"JSON-RPC, escapes and a surrogate pair", "utf8-json-esc",
         [&] {
             return run(json("AddFolder", jsonFolder("utf8-json-esc",
                                                     R"(caf\u00e9 \u4E2D\u6587 \uD83D\uDE00)")));
         }},
        {"REST XML body, references", "utf8-rest-xml",
         [&] {
             return runRest(
                 soapFolder("utf8-rest-xml", "caf&#xE9; &#x4E2D;&#25991; \xF0\x9F\x98\x80"),
                 "command/AddFolder", restContext);
         }},
        {"REST JSON body, escapes", "utf8-rest-json",
         [&] {
             return runRest(jsonFolder("utf8-rest-json", R"(caf\u00E9 \u4e2d\u6587 \ud83d\ude00)"),
                            "command/AddFolder", restContext);
         }},
    };
    for (const Sent& row : sent) {
        SCOPED_TRACE(row.name);
        const Answer added = row.add();
        ASSERT_TRUE(added.status == 200 || added.status == 201) << added.text;
        ASSERT_FALSE(added.has("error")) << added.text;

        const std::string ref = "{#22-" + std::string(row.folder) + "}";
        const std::string xmlGet = "<GetFolder><session>" + itsSession + "</session><folderRef>" +
                                   ref + "</folderRef></GetFolder>";
        const std::string jsonGet =
            R"({"session":")" + itsSession + R"(","folderRef":")" + ref + R"("})";
        xmlRequestContext context;
        const Answer answers[] = {
            run(soap(xmlGet)),
            run(json("GetFolder", jsonGet)),
            runRest(xmlGet, "command/GetFolder", context),
            runRest(jsonGet, "command/GetFolder", context),
        };
        EXPECT_TRUE(answers[0].has("<description>" + kText + "</description>")) << answers[0].text;
        EXPECT_TRUE(answers[1].has(R"("description":")" + kText + "\"")) << answers[1].text;
        EXPECT_TRUE(answers[2].has("<description>" + kText + "</description>")) << answers[2].text;
        EXPECT_TRUE(answers[3].has(R"("description":")" + kText + "\"")) << answers[3].text;
    }
}

// Bytes that are no UTF-8 travel as they are and print one escape per byte, as they always
// have; a reference XML does not allow is refused before anything reaches the server.
TEST_F(TextTest, MalformedTextAndForbiddenReferences) {
    start(2);
    const Answer added = run(json("AddFolder", jsonFolder("utf8-stray", "a\xC3(\xFF")));
    ASSERT_EQ(added.status, 200) << added.text;
    const std::string get = "<GetFolder><session>" + itsSession +
                            "</session><folderRef>{#22-utf8-stray}</folderRef></GetFolder>";
    const Answer soapAnswer = run(soap(get));
    EXPECT_TRUE(soapAnswer.has("<description>a&#xC3;(&#xFF;</description>")) << soapAnswer.text;
    const Answer jsonAnswer = run(
        json("GetFolder", R"({"session":")" + itsSession + R"(","folderRef":"{#22-utf8-stray}"})"));
    EXPECT_TRUE(jsonAnswer.has(R"("description":"a\u00c3(\u00ff")")) << jsonAnswer.text;

    const Answer refused = run(soap(soapFolder("utf8-surrogate", "&#xD800;")));
    EXPECT_TRUE(refused.has("<errorcode>" +
                            std::to_string(6000 + TiXmlBase::TIXML_ERROR_READING_ELEMENT_VALUE) +
                            "</errorcode>"))
        << refused.text;
    EXPECT_TRUE(refused.has("&amp;#xD800;")) << refused.text;
    const Answer missing =
        run(soap("<GetFolder><session>" + itsSession +
                 "</session><folderRef>{#22-utf8-surrogate}</folderRef></GetFolder>"));
    EXPECT_TRUE(missing.has("<errorcode>")) << missing.text;
}

} // namespace
