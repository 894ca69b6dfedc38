// Answer envelopes, faults in both forms and multi-reference resolution, checked on the
// printed text that callers receive.
#include "ztxmlint/xmlSoapEnvelope.h"

#include "messages/ztException.h"
#include "util/ztNestingLimit.h"
#include "util/ztXMLPrinter.h"
#include "util/ztXMLUtil.h"

#include <gtest/gtest.h>
#include <tinyxml.h>

#include <string>

namespace {

std::string print(const TiXmlNode& inNode) {
    std::string text;
    printXml(inNode, text, false, false, false);
    return text;
}

TiXmlDocument parse(const std::string& inText) {
    TiXmlDocument doc;
    doc.Parse(inText.c_str());
    EXPECT_FALSE(doc.Error()) << doc.ErrorDesc();
    return doc;
}

const std::string kDeclaration = "<?xml version=\"1.0\" encoding=\"utf-8\" ?>";

TEST(soapPrefixOf, TakesThePrefixOfTheEnvelope) {
    EXPECT_EQ(soapPrefixOf("soap:Envelope"), "soap");
    EXPECT_EQ(soapPrefixOf("SOAP-ENV:Envelope"), "SOAP-ENV");
    EXPECT_EQ(soapPrefixOf(":Envelope"), "");
    EXPECT_EQ(soapPrefixOf("Envelope"), "soap");
    EXPECT_EQ(soapPrefixOf("soap:envelope"), "soap");
    EXPECT_EQ(soapPrefixOf(nullptr), "soap");
}

TEST(writeEnvelope, SoapDeclaresItsNamespacesOnlyForSoap) {
    TiXmlDocument soap;
    writeEnvelope(soap, "env", xmlSoapEnvelopeNamespace, xmlDialect_soap);
    EXPECT_EQ(print(soap), kDeclaration +
                               "<env:Envelope "
                               "xmlns:env=\"http://schemas.xmlsoap.org/soap/envelope/\" "
                               "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
                               "xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\"><env:Body "
                               "/></env:Envelope>");
    TiXmlDocument json;
    writeEnvelope(json, "soap", xmlSoapEnvelopeNamespace, xmlDialect_jsonRpc);
    EXPECT_EQ(print(json), kDeclaration + "<soap:Envelope><soap:Body /></soap:Envelope>");
}

TEST(writeFault, SoapFaultIsAlwaysAClientFault) {
    TiXmlDocument doc;
    writeEnvelope(doc, "soap", xmlSoapEnvelopeNamespace, xmlDialect_soap);
    writeFault(doc, ztErrorMessage(5002, "Missing Session ID"), "soap", xmlDialect_soap);
    const TiXmlElement* body = doc.RootElement()->FirstChildElement("soap:Body");
    ASSERT_NE(body, nullptr);
    EXPECT_EQ(print(*body), "<soap:Body><soap:Fault><faultcode>soap:Client</faultcode>"
                            "<faultstring>Missing Session ID.</faultstring><detail>"
                            "<ztfaultdetails><message>Missing Session ID.</message>"
                            "<errorcode>5002</errorcode></ztfaultdetails></detail>"
                            "</soap:Fault></soap:Body>");
}

TEST(writeFault, JsonErrorHasANumericCode) {
    TiXmlDocument doc;
    writeEnvelope(doc, "soap", xmlSoapEnvelopeNamespace, xmlDialect_jsonRpc);
    writeFault(
        doc,
        ztErrorMessage(ztErr_connectFailed, "Unable to connect to the server \"$s\".", 's', "dns"),
        "soap", xmlDialect_jsonRpc);
    const TiXmlElement* body = doc.RootElement()->FirstChildElement("soap:Body");
    ASSERT_NE(body, nullptr);
    EXPECT_EQ(print(*body), "<soap:Body><error><code type=\"int\">515</code><message>Unable to "
                            "connect to the server &quot;dns&quot;.</message></error></soap:Body>");
    std::string json;
    ztXMLUtil::writeJson(body->FirstChildElement("error"), json, 0);
    EXPECT_NE(json.find("\"code\": 515"), std::string::npos) << json;
    EXPECT_NE(json.find("\"message\": \"Unable to connect to the server \\\"dns\\\".\""),
              std::string::npos)
        << json;
}

TEST(writeFault, WithoutEnvelopeWritesNothing) {
    TiXmlDocument doc;
    writeFault(doc, ztErrorMessage(5002, "Missing Session ID"), "soap", xmlDialect_soap);
    EXPECT_EQ(doc.FirstChild(), nullptr);
}

TEST(resolveMultiRefs, CopiesTheReferencedChildrenAndDropsTheCarrier) {
    TiXmlDocument doc = parse("<e><b><cmd><arg href=\"#id1\" /></cmd>"
                              "<multiRef id=\"id1\" a=\"x\"><x>1</x><y>2</y><z /></multiRef>"
                              "</b></e>");
    resolveMultiRefs(doc);
    EXPECT_EQ(print(doc),
              "<e><b><cmd><arg href=\"#id1\"><x>1</x><y>2</y><z /></arg></cmd></b></e>");
}

TEST(resolveMultiRefs, LeavesForeignHrefsButStillDropsCarriers) {
    TiXmlDocument doc =
        parse("<b><arg href=\"http://x/#id1\" /><arg href=\"#nope\" /><m id=\"id1\"><x /></m></b>");
    resolveMultiRefs(doc);
    EXPECT_EQ(print(doc), "<b><arg href=\"http://x/#id1\" /><arg href=\"#nope\" /></b>");
}

TEST(resolveMultiRefs, ResolvesReferencesInsideCopiedValues) {
    TiXmlDocument doc = parse("<b><arg href=\"#a\" /><m id=\"a\"><in href=\"#b\" /></m>"
                              "<m id=\"b\"><leaf>t</leaf></m></b>");
    resolveMultiRefs(doc);
    EXPECT_EQ(print(doc), "<b><arg href=\"#a\"><in href=\"#b\"><leaf>t</leaf></in></arg></b>");
}

TEST(resolveMultiRefs, NestedCarriersAreRemovedSafely) {
    TiXmlDocument doc =
        parse("<b><arg href=\"#inner\" /><m id=\"outer\"><m id=\"inner\"><v /></m></m></b>");
    resolveMultiRefs(doc);
    EXPECT_EQ(print(doc), "<b><arg href=\"#inner\"><v /></arg></b>");
}

TEST(resolveMultiRefs, RefusesSelfReferenceAndExponentialGrowth) {
    struct Row {
        const char* name;
        std::string text;
    };
    std::string chain = "<b><arg href=\"#v0\" />";
    for (int i = 0; i < 40; ++i) {
        const std::string next = "#v" + std::to_string(i + 1);
        chain += "<m id=\"v" + std::to_string(i) + "\"><p href=\"" + next + "\" /><q href=\"" +
                 next + "\" /></m>";
    }
    chain += "<m id=\"v40\"><leaf /></m></b>";
    const Row rows[] = {
        {"value refers to itself", "<b><arg href=\"#a\" /><m id=\"a\"><in href=\"#a\" /></m></b>"},
        // The refusal comes after a first copy was made; nothing may leak.
        {"refusal after a partial copy",
         "<b><arg href=\"#a\" /><m id=\"a\"><first /><in href=\"#a\" /></m></b>"},
        {"each value refers twice to the next", chain},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TiXmlDocument doc = parse(row.text);
        try {
            resolveMultiRefs(doc);
            ADD_FAILURE() << "expected a refusal";
        } catch (const ztException& ex) {
            EXPECT_EQ(ex.getErrorValue(), ztErr_invalidXML);
            EXPECT_NE(std::string(ex.what()).find("Invalid XML in element <"), std::string::npos);
        }
    }
}

TEST(resolveMultiRefs, CopiesMayNotNestPastTheBound) {
    // A value 10 levels deep referenced from an element at depth ztMaxNestingDepth - 5.
    std::string text;
    for (size_t i = 0; i < ztMaxNestingDepth - 6; ++i)
        text += "<a>";
    text += "<arg href=\"#v\" />";
    for (size_t i = 0; i < ztMaxNestingDepth - 6; ++i)
        text += "</a>";
    text = "<b>" + text + "<m id=\"v\">";
    for (int i = 0; i < 10; ++i)
        text += "<d>";
    for (int i = 0; i < 10; ++i)
        text += "</d>";
    text += "</m></b>";
    TiXmlDocument doc = parse(text);
    EXPECT_THROW(resolveMultiRefs(doc), ztException);
}

} // namespace
