// The JSON-RPC and REST front end: requests into the internal command form, REST argument
// placement, and answers rendered byte for byte in each dialect.
#include "ztxmlint/xmlJsonFrontEnd.h"

#include "messages/ztException.h"
#include "util/ztNestingLimit.h"
#include "util/ztXMLPrinter.h"
#include "util/ztXMLUtil.h"
#include "ztxmlint/xmlSoapEnvelope.h"

#include "../util/ztUTF8TestCases.h"

#include <gtest/gtest.h>
#include <tinyxml.h>

#include <functional>
#include <map>
#include <set>
#include <string>

namespace {

std::string print(const TiXmlNode& inNode) {
    std::string text;
    printXml(inNode, text, false, false, false);
    return text;
}

// The error a call throws; error value 0 when it throws none.
ztErrorMessage errorOf(const std::function<void()>& inCall) {
    try {
        inCall();
    } catch (const ztException& e) {
        return e.errorMessage;
    }
    return ztErrorMessage();
}

// TinyXML's white-space setting is process-wide; parsing switches it off, so every test
// that parses XML puts back what it found.
class xmlJsonFrontEnd : public ::testing::Test {
protected:
    void SetUp() override { itsCondensing = TiXmlBase::IsWhiteSpaceCondensed(); }
    void TearDown() override { TiXmlBase::SetCondenseWhiteSpace(itsCondensing); }

    TiXmlDocument itsRequest;
    std::string itsId = "stale";

private:
    bool itsCondensing = true;
};

// ---------------------------------------------------------------------------------------------
// JSON-RPC requests

TEST_F(xmlJsonFrontEnd, jsonRpcParamsBecomeTheCommandNamedAfterTheMethod) {
    TiXmlElement* command = parseJsonRpcRequest(
        R"({"jsonrpc": "2.0", "method": "AddDNSRecord", "params": {"name": "www", "ttl": 60,
            "tags": ["a", "b"]}, "id": 7})",
        itsRequest, "", itsId);
    ASSERT_NE(command, nullptr);
    EXPECT_EQ(print(itsRequest), "<Envelope><AddDNSRecord><name>www</name><ttl>60</ttl><tags>"
                                 "<item>a</item><item>b</item></tags></AddDNSRecord></Envelope>");
    EXPECT_EQ(command, itsRequest.RootElement()->FirstChildElement());
    EXPECT_EQ(itsId, "7");
}

TEST_F(xmlJsonFrontEnd, jsonRpcCommandIsTheOnlyChildOfTheEnvelope) {
    struct Row {
        const char* name;
        const char* text;
        const char* restPath;
        const char* expected;
        const char* id;
    };
    const Row rows[] = {
        {"without method the REST path names the command",
         R"({"jsonrpc":"2.0","params":{"a":"1"}})", "command/Ping",
         "<Envelope><command/Ping><a>1</a></command/Ping></Envelope>", ""},
        {"without method or path the command keeps its name", R"({"jsonrpc":"2.0","params":{}})",
         "", "<Envelope><params /></Envelope>", ""},
        {"an empty method leaves the name", R"({"jsonrpc":"2.0","method":"","params":{}})", "",
         "<Envelope><params /></Envelope>", ""},
        {"a second params is dropped, the first is the command",
         R"({"jsonrpc":"2.0","method":"Ping","params":{"a":"1"},"params":{"b":"2"}})", "",
         "<Envelope><Ping><a>1</a></Ping></Envelope>", ""},
        {"every other member of the request object goes",
         R"({"jsonrpc":"2.0","#text":"t","other":{"x":"1"},"method":"Ping","params":{},"id":"x"})",
         "", "<Envelope><Ping /></Envelope>", "x"},
        {"a null id is empty", R"({"jsonrpc":"2.0","method":"Ping","params":{},"id":null})", "",
         "<Envelope><Ping /></Envelope>", ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TiXmlDocument request;
        std::string id = "stale";
        TiXmlElement* command = parseJsonRpcRequest(row.text, request, row.restPath, id);
        EXPECT_EQ(print(request), row.expected);
        EXPECT_EQ(command, request.RootElement()->FirstChildElement());
        EXPECT_EQ(id, row.id);
    }
}

TEST_F(xmlJsonFrontEnd, jsonRpcErrors) {
    struct Row {
        const char* name;
        const char* text;
        ztErr error;
        const char* message;
    };
    const Row rows[] = {
        {"empty text", "", 32700, "Parse error"},
        {"not an object", "[1]", 32700, "Parse error"},
        {"unterminated", R"({"jsonrpc":"2.0","params":{})", 32700, "Parse error"},
        {"trailing text", R"({"jsonrpc":"2.0","params":{}} {})", 32700, "Parse error"},
        {"no jsonrpc", R"({"method":"Ping","params":{}})", 32600, "Invalid Request"},
        {"jsonrpc 1.0", R"({"jsonrpc":"1.0","method":"Ping","params":{}})", 32600,
         "Invalid Request"},
        {"jsonrpc as object", R"({"jsonrpc":{"v":"2.0"},"params":{}})", 32600, "Invalid Request"},
        {"no params", R"({"jsonrpc":"2.0","method":"Ping","id":1})", 5001, "Invalid command."},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TiXmlDocument request;
        std::string id;
        const ztErrorMessage error =
            errorOf([&] { parseJsonRpcRequest(row.text, request, "", id); });
        EXPECT_EQ(error.getErrorValue(), row.error);
        EXPECT_EQ(error.getTemplate(), row.message);
    }
}

// ---------------------------------------------------------------------------------------------
// REST requests

TEST_F(xmlJsonFrontEnd, restBodiesBecomeTheCommandNamedAfterThePath) {
    struct Row {
        const char* name;
        xmlDialect dialect;
        const char* text;
        const char* expected;
    };
    const Row rows[] = {
        {"JSON body", xmlDialect_restJson, R"({"name":"www","id":"9","method":"x"})",
         "<Envelope><dnsrecords><name>www</name><id>9</id><method>x</method></dnsrecords>"
         "</Envelope>"},
        {"no JSON body", xmlDialect_restJson, "", "<Envelope><dnsrecords /></Envelope>"},
        {"no XML body", xmlDialect_restXml, "", "<Envelope><dnsrecords /></Envelope>"},
        {"XML body keeps its attributes", xmlDialect_restXml,
         "<?xml version=\"1.0\"?><record a=\"1\"><name>www</name><!--c--></record>",
         "<Envelope><dnsrecords a=\"1\"><name>www</name><!--c--></dnsrecords></Envelope>"},
        {"XML body: references as UTF-8, stray bytes as they are", xmlDialect_restXml,
         "<r><n>&#xE9;\xE9</n></r>",
         "<Envelope><dnsrecords><n>\xC3\xA9&#xE9;</n></dnsrecords></Envelope>"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TiXmlDocument request;
        std::string id = "stale";
        TiXmlElement* command = parseRestRequest(row.text, row.dialect, request, "dnsrecords", id);
        EXPECT_EQ(print(request), row.expected);
        EXPECT_EQ(command, request.RootElement()->FirstChildElement());
        EXPECT_EQ(id, "") << "members of the body are arguments, not the request's id";
    }
}

TEST_F(xmlJsonFrontEnd, restXmlBodyKeepsWhiteSpace) {
    TiXmlBase::SetCondenseWhiteSpace(true);
    const TiXmlElement* command = parseRestRequest("<r><n>  two  spaces  </n></r>",
                                                   xmlDialect_restXml, itsRequest, "p", itsId);
    EXPECT_EQ(ztXMLUtil::getTextOr(command->FirstChildElement("n"), ""), "  two  spaces  ");
}

TEST_F(xmlJsonFrontEnd, restErrors) {
    std::string deep;
    for (size_t i = 0; i <= ztMaxNestingDepth; ++i)
        deep += "<a>";
    for (size_t i = 0; i <= ztMaxNestingDepth; ++i)
        deep += "</a>";
    struct Row {
        const char* name;
        xmlDialect dialect;
        std::string text;
        ztErr error;
        const char* message;
    };
    const Row rows[] = {
        {"JSON body is not JSON", xmlDialect_restJson, "{\"a\":", 32700,
         "Parse error, incorrect REST data"},
        {"JSON body is an array", xmlDialect_restJson, "[]", 32700,
         "Parse error, incorrect REST data"},
        {"unclosed XML element", xmlDialect_restXml, "<a><b>text</a>",
         6000 + TiXmlBase::TIXML_ERROR_READING_END_TAG, "Error reading end tag."},
        {"XML ends inside an element", xmlDialect_restXml, "<a><b>",
         6000 + TiXmlBase::TIXML_ERROR_READING_ELEMENT_VALUE, "Error reading Element value."},
        {"no markup", xmlDialect_restXml, "text", 6000 + TiXmlBase::TIXML_ERROR_DOCUMENT_EMPTY,
         "Error document empty."},
        {"XML without root element", xmlDialect_restXml, "<!-- only a comment -->", 32700,
         "Parse error, incorrect REST data. Missing content"},
        {"XML nested too deeply", xmlDialect_restXml, deep,
         6000 + TiXmlBase::TIXML_ERROR_PARSING_ELEMENT,
         "The XML document is nested too deeply or malformed."},
        {"malformed character reference", xmlDialect_restXml, "<a>&#x<b c='x41;'/></a>",
         6000 + TiXmlBase::TIXML_ERROR_PARSING_ELEMENT,
         "The XML document is nested too deeply or malformed."},
        {"reference to a surrogate", xmlDialect_restXml, "<a>&#xDC00;</a>",
         6000 + TiXmlBase::TIXML_ERROR_READING_ELEMENT_VALUE,
         "The character reference $r names no character that XML allows."},
        {"reference past U+10FFFF", xmlDialect_restXml, "<a b='&#1114112;'/>",
         6000 + TiXmlBase::TIXML_ERROR_READING_ELEMENT_VALUE,
         "The character reference $r names no character that XML allows."},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TiXmlDocument request;
        std::string id;
        const ztErrorMessage error =
            errorOf([&] { parseRestRequest(row.text, row.dialect, request, "p", id); });
        EXPECT_EQ(error.getErrorValue(), row.error);
        EXPECT_EQ(error.getTemplate(), row.message);
    }
}

// Characters reach the command as UTF-8 however the request spells them.
TEST_F(xmlJsonFrontEnd, requestTextArrivesAsUTF8) {
    const std::string expected = "caf\xC3\xA9 \xE4\xB8\xAD\xE6\x96\x87 \xF0\x9F\x98\x80";
    struct Row {
        const char* name;
        xmlDialect dialect;
        std::string text;
    };
    const Row rows[] = {
        {"XML, raw", xmlDialect_restXml, "<r><t>" + expected + "</t></r>"},
        {"XML, hex references", xmlDialect_restXml,
         "<r><t>caf&#xE9; &#x4E2D;&#x6587; &#x1F600;</t></r>"},
        {"XML, decimal references", xmlDialect_restXml,
         "<r><t>caf&#233; &#20013;&#25991; &#128512;</t></r>"},
        {"XML, attribute", xmlDialect_restXml,
         "<r><t v=\"caf&#xE9; &#x4E2D;&#25991; " + std::string("\xF0\x9F\x98\x80") + "\"/></r>"},
        {"JSON, raw", xmlDialect_restJson, R"({"t":")" + expected + R"("})"},
        {"JSON, escapes", xmlDialect_restJson, R"({"t":"caf\u00e9 \u4e2d\u6587 \ud83d\ude00"})"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TiXmlElement* command = parseRestRequest(row.text, row.dialect, itsRequest, "p", itsId);
        const TiXmlElement* t = command->FirstChildElement("t");
        ASSERT_NE(t, nullptr);
        EXPECT_EQ(t->Attribute("v") ? std::string(t->Attribute("v")) : ztXMLUtil::getTextOr(t, ""),
                  expected);
    }
    TiXmlElement* command = parseJsonRpcRequest(
        R"({"jsonrpc":"2.0","method":"m","params":{"t":"\u4e2d)" + expected + R"("}})", itsRequest,
        "", itsId);
    EXPECT_EQ(ztXMLUtil::getTextOr(command->FirstChildElement("t"), ""), "\xE4\xB8\xAD" + expected);
}

TEST_F(xmlJsonFrontEnd, xmlAtTheDepthLimitIsAccepted) {
    std::string text;
    for (size_t i = 0; i < ztMaxNestingDepth; ++i)
        text += "<a>";
    for (size_t i = 0; i < ztMaxNestingDepth; ++i)
        text += "</a>";
    EXPECT_NO_THROW(parseRestRequest(text, xmlDialect_restXml, itsRequest, "p", itsId));
}

// ---------------------------------------------------------------------------------------------
// REST argument placement

TEST_F(xmlJsonFrontEnd, restArgumentPlacement) {
    using Map = std::map<std::string, std::string>;
    struct Row {
        const char* name;
        const char* command;
        Map parameters;
        std::set<std::string> pathKeys;
        xmlDialect dialect;
        const char* expected;
    };
    const Row rows[] = {
        {"plain keys in key order",
         "<c />",
         Map{{"b", "2"}, {"a", "1"}},
         {},
         xmlDialect_restJson,
         "<c><a>1</a><b>2</b></c>"},
        {"colon key adds a nested element",
         "<c />",
         Map{{"zone:name", "example"}},
         {},
         xmlDialect_restJson,
         "<c><zone><name>example</name></zone></c>"},
        {"colon key joins the first element of its name",
         "<c><zone><id>1</id></zone><zone /></c>",
         Map{{"zone:name", "example"}},
         {},
         xmlDialect_restXml,
         "<c><zone><id>1</id><name>example</name></zone><zone /></c>"},
        {"three levels share their parents",
         "<c />",
         Map{{"a:b:c", "1"}, {"a:b:d", "2"}, {"a:e", "3"}},
         {},
         xmlDialect_jsonRpc,
         "<c><a><b><c>1</c><d>2</d></b><e>3</e></a></c>"},
        {"the body wins over a colon key",
         "<c><zone><name>body</name></zone></c>",
         Map{{"zone:name", "query"}},
         {},
         xmlDialect_restJson,
         "<c><zone><name>body</name></zone></c>"},
        {"the body wins over a plain key",
         "<c><name /></c>",
         Map{{"name", "query"}},
         {},
         xmlDialect_restJson,
         "<c><name /></c>"},
        {"a JSON value becomes structure",
         "<c />",
         Map{{"filter", R"({"name":"www","types":["A","AAAA"]})"}},
         {},
         xmlDialect_restJson,
         "<c><filter><name>www</name><types><item>A</item><item>AAAA</item></types></filter>"
         "</c>"},
        {"a brace that is no JSON stays text",
         "<c />",
         Map{{"filter", "{oops"}},
         {},
         xmlDialect_restJson,
         "<c><filter>{oops</filter></c>"},
        {"a path argument is never JSON",
         "<c />",
         Map{{"id", R"({"a":"1"})"}},
         {"id"},
         xmlDialect_restJson,
         "<c><id>{&quot;a&quot;:&quot;1&quot;}</id></c>"},
        {"REST with XML takes JSON as text",
         "<c />",
         Map{{"f", R"({"a":"1"})"}},
         {},
         xmlDialect_restXml,
         "<c><f>{&quot;a&quot;:&quot;1&quot;}</f></c>"},
        {"an empty value is an empty text",
         "<c />",
         Map{{"name", ""}},
         {},
         xmlDialect_restJson,
         "<c><name></name></c>"},
        {"keys with an empty part name nothing",
         "<c />",
         Map{{"", "1"}, {":a", "2"}, {"b:", "3"}, {"d::e", "4"}, {":", "5"}},
         {},
         xmlDialect_restJson,
         "<c />"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TiXmlDocument document;
        document.Parse(row.command);
        ASSERT_FALSE(document.Error());
        placeRestArguments(*document.RootElement(), row.parameters, row.pathKeys, row.dialect);
        EXPECT_EQ(print(document), row.expected);
    }
}

// A key nests as deep as a body may, and no deeper.
TEST(placeRestArguments, keysNestNoDeeperThanABody) {
    for (const size_t parts : {ztMaxNestingDepth, ztMaxNestingDepth + 1}) {
        SCOPED_TRACE(parts);
        std::string key = "a";
        for (size_t i = 1; i < parts; ++i)
            key += ":a";
        TiXmlElement command("c");
        placeRestArguments(command, {{key, "1"}}, {}, xmlDialect_restJson);
        size_t depth = 0;
        for (const TiXmlElement* e = command.FirstChildElement(); e != nullptr;
             e = e->FirstChildElement())
            ++depth;
        EXPECT_EQ(depth, parts <= ztMaxNestingDepth ? parts : 0u);
    }
}

// ---------------------------------------------------------------------------------------------
// Rendering

// An answer document as the dispatcher leaves it before rendering.
class rendering : public ::testing::Test {
protected:
    TiXmlElement& answerDocument(xmlDialect inDialect) {
        itsResponse.Clear();
        writeEnvelope(itsResponse, "soap", xmlSoapEnvelopeNamespace, inDialect);
        return *itsResponse.RootElement()->FirstChildElement("soap:Body");
    }

    // A successful answer, renamed as the dispatcher does for the non-SOAP dialects.
    TiXmlElement& successfulAnswer(xmlDialect inDialect) {
        TiXmlElement& body = answerDocument(inDialect);
        auto* result = new TiXmlElement("result");
        body.LinkEndChild(result);
        ztXMLUtil::addTextElement(result, "session", "abc");
        ztXMLUtil::addTextElement(result, "count", "3")->SetAttribute("type", "int");
        body.SetValue("response");
        return body;
    }

    TiXmlElement& failedAnswer(xmlDialect inDialect) {
        TiXmlElement& body = answerDocument(inDialect);
        writeFault(itsResponse, ztErrorMessage(5001, "Invalid command."), "soap", inDialect);
        return body;
    }

    TiXmlDocument itsResponse;
    std::string itsText = "stale";
    std::string itsId;
};

TEST_F(rendering, jsonRpcAnswers) {
    renderAnswer(successfulAnswer(xmlDialect_jsonRpc), xmlDialect_jsonRpc, "7", false, false,
                 itsText);
    EXPECT_EQ(itsText, R"({"jsonrpc":"2.0","result":{"session":"abc","count":3},"id":7})");
}

TEST_F(rendering, jsonRpcFailure) {
    renderAnswer(failedAnswer(xmlDialect_jsonRpc), xmlDialect_jsonRpc, "", false, false, itsText);
    EXPECT_EQ(itsText,
              R"({"jsonrpc":"2.0","error":{"code":5001,"message":"Invalid command."},"id":null})");
}

TEST_F(rendering, jsonRpcIds) {
    struct Row {
        const char* name;
        const char* id;
        const char* expected;
    };
    const Row rows[] = {
        {"number", "7", R"({"jsonrpc":"2.0","id":7})"},
        {"missing", "", R"({"jsonrpc":"2.0","id":null})"},
        {"text", "req\"1", R"({"jsonrpc":"2.0","id":"req\"1"})"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TiXmlDocument response;
        writeEnvelope(response, "soap", xmlSoapEnvelopeNamespace, xmlDialect_jsonRpc);
        TiXmlElement* body = response.RootElement()->FirstChildElement("soap:Body");
        std::string text;
        renderAnswer(*body, xmlDialect_jsonRpc, row.id, false, false, text);
        EXPECT_EQ(text, row.expected);
    }
}

TEST_F(rendering, jsonRpcRoundTripKeepsTheId) {
    TiXmlDocument request;
    parseJsonRpcRequest(R"({"jsonrpc":"2.0","method":"hello","params":{},"id":7})", request, "",
                        itsId);
    TiXmlDocument response;
    writeEnvelope(response, "soap", xmlSoapEnvelopeNamespace, xmlDialect_jsonRpc);
    renderAnswer(*response.RootElement()->FirstChildElement("soap:Body"), xmlDialect_jsonRpc, itsId,
                 false, false, itsText);
    EXPECT_EQ(itsText, R"({"jsonrpc":"2.0","id":7})");
}

TEST_F(rendering, prettyJsonRpc) {
    renderAnswer(successfulAnswer(xmlDialect_jsonRpc), xmlDialect_jsonRpc, "7", true, false,
                 itsText);
    EXPECT_EQ(itsText, "{\n"
                       "  \"jsonrpc\": \"2.0\",\n"
                       "  \"result\": {\n"
                       "    \"session\": \"abc\",\n"
                       "    \"count\": 3\n"
                       "  },\n"
                       "  \"id\": 7\n"
                       "}");
}

TEST_F(rendering, restJson) {
    renderAnswer(successfulAnswer(xmlDialect_restJson), xmlDialect_restJson, "", false, false,
                 itsText);
    EXPECT_EQ(itsText, R"({"result":{"session":"abc","count":3}})");
    std::string failure;
    TiXmlDocument response;
    writeEnvelope(response, "soap", xmlSoapEnvelopeNamespace, xmlDialect_restJson);
    writeFault(response, ztErrorMessage(32700, "Parse error, incorrect REST data"), "soap",
               xmlDialect_restJson);
    renderAnswer(*response.RootElement()->FirstChildElement("soap:Body"), xmlDialect_restJson, "",
                 false, false, failure);
    EXPECT_EQ(failure, R"({"error":{"code":32700,"message":"Parse error, incorrect REST data."}})");
}

TEST_F(rendering, bodyIsAlwaysAnObject) {
    TiXmlElement& body = successfulAnswer(xmlDialect_restJson);
    ztXMLUtil::addTextElement(&body, "result", "second");
    renderAnswer(body, xmlDialect_restJson, "", false, false, itsText);
    EXPECT_EQ(itsText, R"({"result":{"session":"abc","count":3},"result":"second"})");
}

TEST_F(rendering, restXmlSkipsAttributes) {
    renderAnswer(successfulAnswer(xmlDialect_restXml), xmlDialect_restXml, "", false, false,
                 itsText);
    EXPECT_EQ(itsText,
              "<response><result><session>abc</session><count>3</count></result></response>");
    renderAnswer(successfulAnswer(xmlDialect_restXml), xmlDialect_restXml, "", true, false,
                 itsText);
    EXPECT_EQ(itsText, "\n<response>\n  <result>\n    <session>abc</session>\n"
                       "    <count>3</count>\n  </result>\n</response>");
}

TEST_F(rendering, restXmlFailureKeepsTheBodyName) {
    renderAnswer(failedAnswer(xmlDialect_restXml), xmlDialect_restXml, "", false, false, itsText);
    EXPECT_EQ(itsText, "<soap:Body><error><code>5001</code><message>Invalid command.</message>"
                       "</error></soap:Body>");
}

TEST_F(rendering, restXmlReplacesControlCharactersOnRequest) {
    TiXmlElement& body = answerDocument(xmlDialect_restXml);
    ztXMLUtil::addTextElement(&body, "result", "a\x01z");
    renderAnswer(body, xmlDialect_restXml, "", false, true, itsText);
    EXPECT_EQ(itsText, "<soap:Body><result>a?z</result></soap:Body>");
    renderAnswer(body, xmlDialect_restXml, "", false, false, itsText);
    EXPECT_EQ(itsText, "<soap:Body><result>a&#x01;z</result></soap:Body>");
}

// An answer in UTF-8 comes back as the same characters in every dialect; bytes that are no
// UTF-8 as one escape each.
TEST_F(rendering, utf8AnswersInEveryDialect) {
    const std::string characters = "caf\xC3\xA9 \xE4\xB8\xAD\xE6\x96\x87 \xF0\x9F\x98\x80";
    const std::string text = characters + "\xFF";
    struct Row {
        const char* name;
        xmlDialect dialect;
        std::string expected;
    };
    const Row rows[] = {
        {"SOAP", xmlDialect_soap, "<t>" + characters + "&#xFF;</t>"},
        {"REST XML", xmlDialect_restXml, "<t>" + characters + "&#xFF;</t>"},
        {"JSON-RPC", xmlDialect_jsonRpc, R"("t":")" + characters + R"(\u00ff")"},
        {"REST JSON", xmlDialect_restJson, R"("t":")" + characters + R"(\u00ff")"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TiXmlElement& body = successfulAnswer(row.dialect);
        ztXMLUtil::addTextElement(body.FirstChildElement("result"), "t", text);
        renderAnswer(body, row.dialect, "1", false, true, itsText);
        EXPECT_NE(itsText.find(row.expected), std::string::npos) << itsText;
    }
}

// What an XML answer prints reads back as the same text, for every character.
TEST_F(rendering, xmlAnswersReadBackAsTheSameText) {
    const bool condensing = TiXmlBase::IsWhiteSpaceCondensed();
    for (const auto& row : zt::test::wellFormedCharacters()) {
        SCOPED_TRACE(row.name);
        const std::string text = " <" + row.bytes + "&\x01\\\t" + row.bytes + " ";
        TiXmlElement& body = answerDocument(xmlDialect_restXml);
        ztXMLUtil::addTextElement(&body, "t", text)->SetAttribute("v", text);
        renderAnswer(body, xmlDialect_soap, "", false, false, itsText);
        TiXmlDocument parsed;
        parseRequestXml(itsText, parsed);
        const TiXmlElement* t = parsed.RootElement()->FirstChildElement()->FirstChildElement("t");
        ASSERT_NE(t, nullptr);
        EXPECT_EQ(ztXMLUtil::getTextOr(t, ""), text);
        EXPECT_STREQ(t->Attribute("v"), text.c_str());
    }
    TiXmlBase::SetCondenseWhiteSpace(condensing);
}

TEST_F(rendering, soapPrintsTheWholeDocument) {
    TiXmlElement& body = answerDocument(xmlDialect_soap);
    ztXMLUtil::addTextElement(&body, "PingResponse", "")->SetAttribute("xmlns", "urn:x");
    renderAnswer(body, xmlDialect_soap, "", false, false, itsText);
    EXPECT_EQ(itsText, "<?xml version=\"1.0\" encoding=\"utf-8\" ?><soap:Envelope "
                       "xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\" "
                       "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
                       "xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\"><soap:Body>"
                       "<PingResponse xmlns=\"urn:x\"></PingResponse></soap:Body></soap:Envelope>");
}

} // namespace
