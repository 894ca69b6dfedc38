// The WSDL model: the skeleton with the library's simple types, loading a server's WSDL from
// the XML net form, the type index and the command look-ups.
#include "util/ztWSDL.h"

#include "netobjects/ztDynamicNetWriter.h"
#include "netobjects/ztNetReader.h"
#include "util/ztServiceNamespace.h"
#include "util/ztXMLNetWriter.h"
#include "util/ztXMLPrinter.h"

#include <gtest/gtest.h>
#include <tinyxml.h>

#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace {

std::string print(const TiXmlNode& inNode) {
    std::string text;
    printXml(inNode, text, false, false, false);
    return text;
}

const std::string kNamespace = xmlServiceNamespace;

// A server's WSDL in small: a command with input and output, one without a "Response"
// declaration, a later duplicate of a name, a name attribute spelled in capitals, an empty
// name, a nested declaration and a named element outside the schema.
const char* const kServerWSDL =
    "<?xml version=\"1.0\" encoding=\"utf-8\" ?>"
    "<wsdl:definitions xmlns:tns=\"urn:t\"><wsdl:types><s:schema>"
    "<s:element name=\"AddDNSRecord\"><s:complexType><s:sequence>"
    "<s:element name=\"session\" type=\"s:string\" />"
    "<s:element NAME=\"record\" type=\"tns:DNSRecord\" />"
    "</s:sequence></s:complexType></s:element>"
    "<s:element name=\"AddDNSRecordResponse\"><s:complexType /></s:element>"
    "<s:element name=\"Ping\" />"
    "<s:complexType name=\"DNSRecord\"><s:sequence>"
    "<s:element name=\"ttl\" type=\"s:int\" /></s:sequence></s:complexType>"
    "<s:element name=\"AddDNSRecord\" type=\"tns:Later\" />"
    "<s:simpleType name=\"\"><s:restriction base=\"s:string\" /></s:simpleType>"
    "</s:schema></wsdl:types>"
    "<wsdl:message name=\"AddDNSRecordSoapIn\" /></wsdl:definitions>";

using CommandList = std::vector<std::pair<std::string, std::string>>;

// The body of a GetWSDLInstance answer: the document in the XML net form, then the commands.
ztDynamicNetWriter wsdlInstanceBody(const char* inWSDL, const CommandList& inCommands) {
    TiXmlDocument document;
    document.Parse(inWSDL);
    EXPECT_FALSE(document.Error()) << document.ErrorDesc();
    ztDynamicNetWriter body(1024);
    ztXMLNetWriter writer(body);
    writer.writeChildren(document);
    writer.finish();
    body.putUInt32(static_cast<uint32_t>(inCommands.size()));
    for (const auto& [name, info] : inCommands) {
        body.putString(name);
        body.putString(info);
    }
    return body;
}

const CommandList kCommands = {{"AddDNSRecord", "i1"}, {"Ping", "i2"}, {"Undeclared", ""}};

class ztWSDLLoaded : public ::testing::Test {
protected:
    void SetUp() override {
        ztDynamicNetWriter body = wsdlInstanceBody(kServerWSDL, kCommands);
        ztNetReader reader(body.data(), body.count());
        itsWSDL.readFrom(reader);
        EXPECT_EQ(reader.remaining(), 0u);
    }

    ztWSDL itsWSDL;
};

TEST(ztWSDL, startsWithTheSkeletonAndTheLibrarysSimpleTypes) {
    const ztWSDL wsdl;
    const auto simpleType = [](const char* inName) {
        return std::string("<s:simpleType name=\"") + inName +
               "\"><s:restriction base=\"s:string\" /></s:simpleType>";
    };
    EXPECT_EQ(print(wsdl.document()),
              "<?xml version=\"1.0\" encoding=\"utf-8\" ?>"
              "<wsdl:definitions xmlns:soap=\"http://schemas.xmlsoap.org/wsdl/soap/\" "
              "xmlns:s=\"http://www.w3.org/2001/XMLSchema\" "
              "xmlns:soap12=\"http://schemas.xmlsoap.org/wsdl/soap12/\" "
              "xmlns:http=\"http://schemas.xmlsoap.org/wsdl/http/\" "
              "xmlns:wsdl=\"http://schemas.xmlsoap.org/wsdl/\" xmlns:tns=\"" +
                  kNamespace + "\" targetNamespace=\"" + kNamespace +
                  "\"><wsdl:types><s:schema elementFormDefault=\"qualified\" "
                  "targetNamespace=\"" +
                  kNamespace + "\">" + simpleType("HexStr") + simpleType("IPOrHostname") +
                  simpleType("IPAddress") + simpleType("DateTime") +
                  "</s:schema></wsdl:types></wsdl:definitions>");
    ASSERT_NE(wsdl.types(), nullptr);
    EXPECT_EQ(wsdl.types()->ValueStr(), "s:schema");
    EXPECT_EQ(wsdl.definitions(), wsdl.document().RootElement());

    const TiXmlElement* hexStr = wsdl.findType("HexStr", true);
    ASSERT_NE(hexStr, nullptr);
    EXPECT_EQ(hexStr, wsdl.findType("tns:HexStr", false));
    EXPECT_EQ(wsdl.findType("hexstr", true), nullptr) << "type look-ups are exact";
    ASSERT_NE(wsdl.documentationOf(*hexStr), nullptr);
    EXPECT_EQ(*wsdl.documentationOf(*hexStr), "Hexadecimal encoded string.");
    const TiXmlElement* dateTime = wsdl.findType("DateTime", true);
    ASSERT_NE(dateTime, nullptr);
    ASSERT_NE(wsdl.documentationOf(*dateTime), nullptr);
    EXPECT_EQ(wsdl.documentationOf(*dateTime)->rfind("Legal time format is ( HH : MM", 0), 0u);
    EXPECT_EQ(wsdl.documentationOf(*wsdl.types()), nullptr);
    EXPECT_TRUE(wsdl.commands().empty());
}

TEST(ztWSDL, addSimpleTypeRestrictsTheKindsTypeName) {
    ztWSDL wsdl;
    TiXmlElement* restriction = wsdl.addSimpleType("Port", ztWSDL::type_int, "A port.", nullptr);
    ASSERT_NE(restriction, nullptr);
    EXPECT_EQ(print(*restriction->Parent()),
              "<s:simpleType name=\"Port\"><s:restriction base=\"s:int\" /></s:simpleType>");
    EXPECT_EQ(wsdl.findType("Port", true), restriction->Parent());
    EXPECT_EQ(*wsdl.documentationOf(*restriction->Parent()->ToElement()), "A port.");

    // A nameless type under a given parent is neither named nor indexed.
    TiXmlElement* inner = wsdl.addSimpleType("", ztWSDL::type_boolean, "unused", restriction);
    ASSERT_NE(inner, nullptr);
    EXPECT_EQ(print(*restriction),
              "<s:restriction base=\"s:int\"><s:simpleType><s:restriction base=\"s:boolean\" "
              "/></s:simpleType></s:restriction>");
    EXPECT_EQ(wsdl.findType("", true), nullptr);
    EXPECT_EQ(wsdl.documentationOf(*inner->Parent()->ToElement()), nullptr);

    // A second declaration of a name is added to the document; the index keeps the first.
    TiXmlElement* again = wsdl.addSimpleType("Port", ztWSDL::type_string, "", nullptr);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(wsdl.findType("Port", true), restriction->Parent());
}

TEST(ztWSDL, simpleKindsAndTheirTypeNames) {
    struct Row {
        const char* name;
        ztWSDL::ElementKind kind;
    };
    const Row rows[] = {
        {"s:string", ztWSDL::type_string},
        {"tns:HexStr", ztWSDL::type_hexStr},
        {"tns:IPOrHostname", ztWSDL::type_ipOrHostname},
        {"tns:IPAddress", ztWSDL::type_ipAddress},
        {"s:int", ztWSDL::type_int},
        {"s:unsignedInt", ztWSDL::type_unsignedInt},
        {"s:boolean", ztWSDL::type_boolean},
        {"tns:DateTime", ztWSDL::type_dateTime},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_STREQ(ztWSDL::typeName(row.kind), row.name);
        EXPECT_EQ(ztWSDL::typeFromName(row.name), row.kind);
    }
    const Row byName[] = {
        {"S:BOOLEAN", ztWSDL::type_boolean},
        {"TNS:ipaddress", ztWSDL::type_ipAddress},
        {"s:long", ztWSDL::type_unknown},
        {"s:dateTime", ztWSDL::type_unknown},
        {"tns:IPOrHostnam", ztWSDL::type_unknown},
        {"tns:", ztWSDL::type_unknown},
        {"", ztWSDL::type_unknown},
        {"tns:DNSRecord", ztWSDL::type_unknown},
    };
    for (const Row& row : byName) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(ztWSDL::typeFromName(row.name), row.kind);
    }
    EXPECT_EQ(ztWSDL::typeFromName(nullptr), ztWSDL::type_unknown);
    for (const uint32_t kind : {0u, 3u, 256u, 512u, 1024u}) {
        SCOPED_TRACE(kind);
        EXPECT_STREQ(ztWSDL::typeName(kind), "");
    }
}

TEST_F(ztWSDLLoaded, holdsExactlyWhatTheServerSent) {
    TiXmlDocument sent;
    sent.Parse(kServerWSDL);
    EXPECT_EQ(print(itsWSDL.document()), print(sent));
    ASSERT_NE(itsWSDL.definitions(), nullptr);
    ASSERT_NE(itsWSDL.types(), nullptr);
    EXPECT_EQ(itsWSDL.types()->ValueStr(), "s:schema");
    EXPECT_EQ(itsWSDL.findType("HexStr", true), nullptr) << "the skeleton's types are gone";

    std::vector<std::string> names;
    for (const auto& [name, command] : itsWSDL.commands()) {
        EXPECT_EQ(command.itsName, name);
        names.push_back(name);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"AddDNSRecord", "Ping", "Undeclared"}));
    EXPECT_EQ(itsWSDL.commands().at("AddDNSRecord").itsInfo, "i1");
    EXPECT_EQ(itsWSDL.commands().at("Ping").itsInfo, "i2");
}

TEST_F(ztWSDLLoaded, indexesEveryNamedDeclarationOfTheSchema) {
    // The first declaration of a name wins: the later one has a "type" attribute.
    const TiXmlElement* command = itsWSDL.findType("AddDNSRecord", true);
    ASSERT_NE(command, nullptr);
    EXPECT_EQ(command->Attribute("type"), nullptr);
    EXPECT_NE(command->FirstChildElement("s:complexType"), nullptr);

    const TiXmlElement* record = itsWSDL.findType("record", true);
    ASSERT_NE(record, nullptr) << "a name attribute spelled in capitals counts";
    EXPECT_STREQ(record->Attribute("type"), "tns:DNSRecord");
    EXPECT_NE(itsWSDL.findType("ttl", true), nullptr) << "nested declarations are indexed";
    EXPECT_NE(itsWSDL.findType("DNSRecord", true), nullptr);

    const TiXmlElement* nameless = itsWSDL.findType("tns:", false);
    ASSERT_NE(nameless, nullptr) << "an empty name is indexed under the prefix alone";
    EXPECT_EQ(nameless->ValueStr(), "s:simpleType");
    EXPECT_EQ(itsWSDL.findType("", true), nameless);

    EXPECT_EQ(itsWSDL.findType("AddDNSRecordSoapIn", true), nullptr)
        << "only the schema is indexed";
    EXPECT_EQ(itsWSDL.findType("adddnsrecord", true), nullptr);
}

TEST_F(ztWSDLLoaded, commandLookups) {
    std::string canonical = "unchanged";
    EXPECT_TRUE(itsWSDL.getCommandName("adddnsrecord", canonical));
    EXPECT_EQ(canonical, "AddDNSRecord");
    EXPECT_TRUE(itsWSDL.getCommandName("PING", canonical));
    EXPECT_EQ(canonical, "Ping");
    canonical = "unchanged";
    EXPECT_FALSE(itsWSDL.getCommandName("AddDNSRecords", canonical));
    EXPECT_EQ(canonical, "unchanged");

    // Only the name set folds case; the declarations are found by the exact name.
    EXPECT_EQ(itsWSDL.getInputElement("AddDNSRecord"), itsWSDL.findType("AddDNSRecord", true));
    EXPECT_EQ(itsWSDL.getOutputElement("AddDNSRecord"),
              itsWSDL.findType("AddDNSRecordResponse", true));
    EXPECT_NE(itsWSDL.getOutputElement("AddDNSRecord"), nullptr);
    EXPECT_EQ(itsWSDL.getInputElement("adddnsrecord"), nullptr);
    EXPECT_EQ(itsWSDL.getOutputElement("adddnsrecord"), nullptr);

    // Listed even without declarations; the missing ones are null.
    EXPECT_NE(itsWSDL.getInputElement("Ping"), nullptr);
    EXPECT_EQ(itsWSDL.getOutputElement("Ping"), nullptr);
    ASSERT_EQ(itsWSDL.commands().count("Undeclared"), 1u);
    EXPECT_EQ(itsWSDL.getInputElement("Undeclared"), nullptr);
    EXPECT_EQ(itsWSDL.getOutputElement("Undeclared"), nullptr);
    EXPECT_EQ(itsWSDL.getInputElement("Unknown"), nullptr);
}

TEST_F(ztWSDLLoaded, declarationsSurviveAMove) {
    const TiXmlElement* input = itsWSDL.getInputElement("AddDNSRecord");
    const ztWSDL moved(std::move(itsWSDL));
    EXPECT_EQ(moved.getInputElement("AddDNSRecord"), input);
    EXPECT_EQ(moved.findType("AddDNSRecord", true), input);
    EXPECT_EQ(input->Attribute("name"), std::string("AddDNSRecord"));
}

TEST(ztWSDL, namesDifferingOnlyInCaseKeepTheFirstSpelling) {
    ztWSDL wsdl;
    ztDynamicNetWriter body = wsdlInstanceBody(kServerWSDL, {{"Ping", "a"}, {"PING", "b"}});
    ztNetReader reader(body.data(), body.count());
    wsdl.readFrom(reader);
    EXPECT_EQ(wsdl.commands().size(), 2u);
    std::string canonical;
    EXPECT_TRUE(wsdl.getCommandName("ping", canonical));
    EXPECT_EQ(canonical, "Ping");
    EXPECT_EQ(wsdl.getInputElement("PING"), nullptr);
}

TEST(ztWSDL, aTruncatedAnswerLeavesTheModelAsItWas) {
    ztDynamicNetWriter full = wsdlInstanceBody(kServerWSDL, kCommands);
    const size_t documentEnd = wsdlInstanceBody(kServerWSDL, {}).count() - 4;
    struct Row {
        const char* name;
        size_t length;
    };
    const Row rows[] = {
        {"empty", 0},
        {"inside the document", documentEnd / 2},
        {"inside the command count", documentEnd + 2},
        {"inside the command list", full.count() - 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ztWSDL wsdl;
        {
            ztDynamicNetWriter previous = wsdlInstanceBody(kServerWSDL, {{"Ping", ""}});
            ztNetReader reader(previous.data(), previous.count());
            wsdl.readFrom(reader);
        }
        const TiXmlElement* ping = wsdl.getInputElement("Ping");
        ASSERT_NE(ping, nullptr);
        ztNetReader reader(full.data(), row.length);
        EXPECT_THROW(wsdl.readFrom(reader), std::out_of_range);
        EXPECT_EQ(wsdl.getInputElement("Ping"), ping);
        EXPECT_EQ(wsdl.commands().size(), 1u);
        EXPECT_EQ(wsdl.findType("Ping", true), ping);
        EXPECT_EQ(print(*ping), "<s:element name=\"Ping\" />");
    }
}

} // namespace
