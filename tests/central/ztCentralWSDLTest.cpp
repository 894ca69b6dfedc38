// The stand-in server's WSDL, documentation page and WSDL instance: the element paths and
// prefixes the gateway reads, a declaration for every command, the types that exercise the
// gateway's typed conversion, the namespace filter, and the trip through the XML net form.
#include "ztcentral/catalog/ztCentralWSDL.h"

#include "ztcentral/catalog/ztCentralCatalog.h"

#include "messages/ztException.h"
#include "netobjects/ztDynamicNetWriter.h"
#include "netobjects/ztNetReader.h"
#include "util/ztXMLPrinter.h"
#include "util/ztXMLTinyWriter.h"
#include "util/ztWSDL.h"
#include "util/ztXMLUtil.h"
#include "ztxmlint/xmlSoapEnvelope.h"

#include <gtest/gtest.h>
#include <tinyxml.h>

#include <map>
#include <set>

namespace {

using Catalog = ztCentralCatalog;

const TiXmlElement* schemaOf(const TiXmlDocument& inDocument) {
    return ztXMLUtil::findPath(inDocument.RootElement(), "wsdl:types/s:schema");
}

// The gateway's index of schema declarations: every element of the schema, depth first, under
// "tns:" plus its first attribute called "name" in any letter case; the first one wins.
void indexNames(const TiXmlElement& inElement,
                std::map<std::string, const TiXmlElement*>& ioIndex) {
    for (const TiXmlAttribute* attribute = inElement.FirstAttribute(); attribute != nullptr;
         attribute = attribute->Next()) {
        std::string name = attribute->Name();
        for (char& c : name)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (name == "name") {
            ioIndex.emplace(std::string("tns:") + attribute->Value(), &inElement);
            break;
        }
    }
    for (const TiXmlElement* child = inElement.FirstChildElement(); child != nullptr;
         child = child->NextSiblingElement())
        indexNames(*child, ioIndex);
}

std::set<std::string> operationNames(const TiXmlDocument& inDocument, const char* inSection) {
    std::set<std::string> result;
    const TiXmlElement* section = ztXMLUtil::findPath(inDocument.RootElement(), inSection);
    for (const TiXmlElement* operation =
             section == nullptr ? nullptr : section->FirstChildElement("wsdl:operation");
         operation != nullptr; operation = operation->NextSiblingElement("wsdl:operation"))
        result.insert(operation->Attribute("name"));
    return result;
}

// The declaration of child inName in the sequence of a declared element.
const TiXmlElement* fieldOf(const TiXmlElement& inDeclaration, const char* inName) {
    const TiXmlElement* sequence = ztXMLUtil::findPath(&inDeclaration, "s:complexType/s:sequence");
    if (sequence == nullptr)
        sequence = ztXMLUtil::findPath(&inDeclaration, "s:sequence");
    for (const TiXmlElement* element = sequence == nullptr ? nullptr
                                                           : sequence->FirstChildElement();
         element != nullptr; element = element->NextSiblingElement())
        if (element->Attribute("name") != nullptr &&
            std::string(element->Attribute("name")) == inName)
            return element;
    return nullptr;
}

class CentralWSDLTest : public ::testing::Test {
protected:
    CentralWSDLTest() {
        ztCentralWSDL::buildDocument({}, itsDocument);
        indexNames(*schemaOf(itsDocument), itsIndex);
    }

    TiXmlDocument itsDocument;
    std::map<std::string, const TiXmlElement*> itsIndex;
};

TEST_F(CentralWSDLTest, DefinitionsCarryThePrefixesTheGatewayReads) {
    const TiXmlElement* definitions = itsDocument.RootElement();
    ASSERT_NE(definitions, nullptr);
    EXPECT_EQ(definitions->ValueStr(), "wsdl:definitions");
    const char* const kOrder[] = {"xmlns:soap", "xmlns:s",   "xmlns:soap12",   "xmlns:http",
                                  "xmlns:wsdl", "xmlns:tns", "targetNamespace"};
    const TiXmlAttribute* attribute = definitions->FirstAttribute();
    for (const char* name : kOrder) {
        ASSERT_NE(attribute, nullptr) << name;
        EXPECT_STREQ(attribute->Name(), name);
        attribute = attribute->Next();
    }
    EXPECT_STREQ(definitions->Attribute("xmlns:tns"), xmlServiceNamespace);
    EXPECT_STREQ(ztCentralWSDL::kServiceNamespace, xmlServiceNamespace);
    const TiXmlElement* schema = schemaOf(itsDocument);
    ASSERT_NE(schema, nullptr);
    EXPECT_STREQ(schema->Attribute("elementFormDefault"), "qualified");
    EXPECT_STREQ(schema->Attribute("targetNamespace"), xmlServiceNamespace);
    const TiXmlDeclaration* declaration = itsDocument.FirstChild()->ToDeclaration();
    ASSERT_NE(declaration, nullptr);
    EXPECT_STREQ(declaration->Encoding(), "utf-8");
}

TEST_F(CentralWSDLTest, EveryCommandHasItsElementsMessagesAndOperations) {
    const std::set<std::string> portType = operationNames(itsDocument, "wsdl:portType");
    const std::set<std::string> binding = operationNames(itsDocument, "wsdl:binding");
    for (const Catalog::Command& command : Catalog::instance().commands()) {
        SCOPED_TRACE(command.name);
        // The gateway finds the declarations through its name index: they must be the
        // top-level elements, not a nested declaration of the same name.
        const auto input = itsIndex.find("tns:" + command.name);
        const auto output = itsIndex.find("tns:" + command.name + "Response");
        ASSERT_NE(input, itsIndex.end());
        ASSERT_NE(output, itsIndex.end());
        EXPECT_EQ(input->second->Parent(), schemaOf(itsDocument));
        EXPECT_EQ(input->second->ValueStr(), "s:element");
        EXPECT_EQ(output->second->Parent(), schemaOf(itsDocument));
        EXPECT_EQ(portType.count(command.name), 1u);
        EXPECT_EQ(binding.count(command.name), 1u);
        // Commands that run in a session declare it; the others do not.
        EXPECT_EQ(fieldOf(*input->second, "session") != nullptr, !command.withoutSession);
        for (const Catalog::Field& field : command.input) {
            const TiXmlElement* declared = fieldOf(*input->second, field.name.c_str());
            ASSERT_NE(declared, nullptr) << field.name;
            EXPECT_STREQ(declared->Attribute("minOccurs"), field.required ? "1" : "0");
        }
    }
    for (const Catalog::Type& type : Catalog::instance().types()) {
        const auto found = itsIndex.find("tns:" + type.name);
        ASSERT_NE(found, itsIndex.end()) << type.name;
        EXPECT_EQ(found->second->Parent(), schemaOf(itsDocument)) << type.name;
    }
}

TEST_F(CentralWSDLTest, TypesExerciseTheTypedConversion) {
    const TiXmlElement* objRef = itsIndex["tns:ObjRef"];
    ASSERT_NE(objRef, nullptr);
    EXPECT_EQ(objRef->ValueStr(), "s:simpleType");
    EXPECT_STREQ(ztXMLUtil::findPath(objRef, "s:restriction")->Attribute("base"), "s:string");
    const TiXmlElement* objectType = itsIndex["tns:ObjectType"];
    ASSERT_NE(objectType, nullptr);
    EXPECT_NE(ztXMLUtil::findPath(objectType, "s:restriction/s:enumeration"), nullptr);
    for (const char* name : {"tns:HexStr", "tns:IPOrHostname", "tns:IPAddress", "tns:DateTime"})
        EXPECT_EQ(itsIndex[name]->ValueStr(), "s:simpleType") << name;

    // A property list: one repeated element of name/value pairs.
    const TiXmlElement* properties = itsIndex["tns:ArrayOfProperty"];
    ASSERT_NE(properties, nullptr);
    const TiXmlElement* item = fieldOf(*properties, "property");
    ASSERT_NE(item, nullptr);
    EXPECT_STREQ(item->Attribute("maxOccurs"), "unbounded");
    EXPECT_EQ(
        ztXMLUtil::findPath(properties, "s:sequence")->FirstChildElement()->NextSiblingElement(),
        nullptr);

    // Simple XML Schema types in use.
    const TiXmlElement* zone = itsIndex["tns:DNSZone"];
    ASSERT_NE(zone, nullptr);
    EXPECT_STREQ(fieldOf(*zone, "dynamic")->Attribute("type"), "s:boolean");
    EXPECT_STREQ(fieldOf(*zone, "dnsServerRef")->Attribute("type"), "tns:ObjRef");
    EXPECT_STREQ(fieldOf(*zone, "customProperties")->Attribute("type"), "tns:ArrayOfProperty");
    EXPECT_STREQ(fieldOf(*itsIndex["tns:GetDNSZonesResponse"], "totalResults")->Attribute("type"),
                 "s:int");
    EXPECT_STREQ(fieldOf(*itsIndex["tns:DNSRecord"], "aging")->Attribute("type"), "s:unsignedInt");
    EXPECT_STREQ(fieldOf(*itsIndex["tns:HistoryItem"], "timestamp")->Attribute("type"),
                 "tns:DateTime");
    EXPECT_STREQ(fieldOf(*itsIndex["tns:RemoveObject"], "objType")->Attribute("type"),
                 "tns:ObjectType");

    // A derived type, answered with xsi:type.
    const TiXmlElement* derived = itsIndex["tns:DNSZoneFolderItem"];
    ASSERT_NE(derived, nullptr);
    const TiXmlElement* extension = ztXMLUtil::findPath(derived, "s:complexContent/s:extension");
    ASSERT_NE(extension, nullptr);
    EXPECT_STREQ(extension->Attribute("base"), "tns:FolderItem");
    EXPECT_NE(ztXMLUtil::findPath(derived, "s:complexContent/s:extension/s:sequence"), nullptr);

    // A choice inside a command's sequence.
    const TiXmlElement* choice =
        ztXMLUtil::findPath(itsIndex["tns:GetIPAMRecord"], "s:complexType/s:sequence/s:choice");
    ASSERT_NE(choice, nullptr);
    EXPECT_STREQ(choice->FirstChildElement()->Attribute("name"), "addrRef");
}

TEST_F(CentralWSDLTest, ServiceHasOneSoapPortWithAnAddress) {
    const TiXmlElement* service = ztXMLUtil::findPath(itsDocument.RootElement(), "wsdl:service");
    ASSERT_NE(service, nullptr);
    EXPECT_EQ(service->NextSiblingElement("wsdl:service"), nullptr);
    const TiXmlElement* port = service->FirstChildElement("wsdl:port");
    ASSERT_NE(port, nullptr);
    EXPECT_STREQ(port->FirstChildElement()->Value(), "soap:address");
    EXPECT_STREQ(port->FirstChildElement()->Attribute("location"), ztCentralWSDL::kDefaultLocation);
    const TiXmlElement* binding = ztXMLUtil::findPath(itsDocument.RootElement(), "wsdl:binding");
    EXPECT_STREQ(ztXMLUtil::findPath(binding, "wsdl:operation/soap:operation")->Attribute("style"),
                 "document");
    EXPECT_STREQ(
        ztXMLUtil::findPath(binding, "wsdl:operation/wsdl:input/soap:body")->Attribute("use"),
        "literal");
}

TEST(CentralWSDLFilterTest, NamespacesSelectCommandFamilies) {
    TiXmlDocument dns;
    ztCentralWSDL::buildDocument({"DNS", "reports"}, dns);
    const std::set<std::string> operations = operationNames(dns, "wsdl:portType");
    EXPECT_EQ(operations.count("GetDNSZones"), 1u);
    EXPECT_EQ(operations.count("GetReportFile"), 1u);
    EXPECT_EQ(operations.count("GetRanges"), 0u);
    EXPECT_EQ(operations.count("SetProperties"), 0u);
    std::map<std::string, const TiXmlElement*> index;
    indexNames(*schemaOf(dns), index);
    EXPECT_EQ(index.count("tns:GetRanges"), 0u);
    EXPECT_EQ(index.count("tns:GetDNSZonesResponse"), 1u);
    // The types stay complete, so every declaration still resolves.
    EXPECT_EQ(index.count("tns:Range"), 1u);

    TiXmlDocument unknown;
    try {
        ztCentralWSDL::buildDocument({"dns", "nonsense"}, unknown);
        ADD_FAILURE() << "no failure";
    } catch (const ztException& e) {
        EXPECT_EQ(e.getErrorValue(), ztErr_invalidArgument);
        EXPECT_STREQ(e.what(), "Unknown namespace \"nonsense\"; the namespaces are dhcp, dns, "
                               "folders, general, ipam, reports, users.");
    }
}

TEST(CentralWSDLDocTest, PageDocumentsCommandsArgumentsAndTypes) {
    TiXmlDocument page;
    ztCentralWSDL::buildDocPage({"ipam", "folders"}, page);
    const TiXmlElement* html = page.RootElement();
    ASSERT_NE(html, nullptr);
    EXPECT_EQ(html->ValueStr(), "html");
    EXPECT_STREQ(html->Attribute("xmlns"), "http://www.w3.org/1999/xhtml");
    std::string text;
    printXml(page, text, false, false, false);
    for (const char* expected :
         {"id=\"GetRanges\"", "id=\"GetIPAMRecord\"", "id=\"type-Range\"", "id=\"type-ObjRef\"",
          "href=\"#type-ArrayOfRange\"", "id=\"type-RangeFolderItem\"",
          "Exactly one of:", "GetNextFreeAddressResponse", "Namespaces: ipam, folders.",
          "xsi:type=&quot;DNSZoneFolderItem&quot;"})
        EXPECT_NE(text.find(expected), std::string::npos) << expected;
    EXPECT_EQ(text.find("id=\"GetDNSZones\""), std::string::npos);
    // Every link points at a section of the page.
    std::set<std::string> ids;
    std::vector<std::string> links;
    std::vector<const TiXmlElement*> pending = {html};
    while (!pending.empty()) {
        const TiXmlElement* element = pending.back();
        pending.pop_back();
        if (element->Attribute("id") != nullptr)
            ids.insert(element->Attribute("id"));
        if (element->Attribute("href") != nullptr)
            links.push_back(std::string(element->Attribute("href")).substr(1));
        for (const TiXmlElement* child = element->FirstChildElement(); child != nullptr;
             child = child->NextSiblingElement())
            pending.push_back(child);
    }
    for (const std::string& link : links)
        EXPECT_EQ(ids.count(link), 1u) << link;
    // The page parses back as XML.
    TiXmlDocument reparsed;
    reparsed.Parse(text.c_str());
    EXPECT_FALSE(reparsed.Error()) << reparsed.ErrorDesc();
}

TEST(CentralWSDLInstanceTest, InstanceCarriesTheDocumentAndTheCommandList) {
    ztDynamicNetWriter writer(1024);
    ztCentralWSDL::writeInstance(writer);
    ztNetReader reader(writer.data(), writer.count());
    TiXmlDocument received;
    ztXMLTinyWriter tiny(&received);
    tiny.replay(reader);

    TiXmlDocument built;
    ztCentralWSDL::buildDocument({}, built);
    std::string expected;
    std::string actual;
    printXml(built, expected, false, false, false);
    printXml(received, actual, false, false, false);
    EXPECT_EQ(actual, expected);

    const auto& commands = Catalog::instance().commands();
    ASSERT_EQ(reader.getUInt32(), commands.size());
    for (const Catalog::Command& command : commands) {
        EXPECT_STREQ(reader.getConstString(), command.name.c_str());
        EXPECT_STREQ(reader.getConstString(), command.info.c_str());
    }
    EXPECT_EQ(reader.remaining(), 0u);
    EXPECT_TRUE(reader.good());
}

TEST(CentralWSDLInstanceTest, GatewayModelReadsTheInstance) {
    ztDynamicNetWriter writer(1024);
    ztCentralWSDL::writeInstance(writer);
    ztNetReader reader(writer.data(), writer.count());
    ztWSDL model;
    model.readFrom(reader);
    for (const Catalog::Command& command : Catalog::instance().commands()) {
        SCOPED_TRACE(command.name);
        const TiXmlElement* input = model.getInputElement(command.name);
        const TiXmlElement* output = model.getOutputElement(command.name);
        ASSERT_NE(input, nullptr);
        ASSERT_NE(output, nullptr);
        EXPECT_STREQ(input->Attribute("name"), command.name.c_str());
        EXPECT_EQ(std::string(output->Attribute("name")), command.name + "Response");
        std::string canonical;
        std::string lower = command.name;
        for (char& c : lower)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        EXPECT_TRUE(model.getCommandName(lower, canonical));
        EXPECT_EQ(canonical, command.name);
    }
    const TiXmlElement* objRef = model.findType("ObjRef", true);
    ASSERT_NE(objRef, nullptr);
    EXPECT_EQ(objRef->ValueStr(), "s:simpleType");
    EXPECT_NE(model.findType("tns:DNSZoneFolderItem", false), nullptr);
}

} // namespace
