// The WSDL model: the skeleton document with the library's simple types, loading a server's
// WSDL from the XML net form, and the look-ups the dispatcher and the typed conversion use.
// The schema comes from a server, so every walk over it is iterative.
#include "util/ztWSDL.h"

#include "messages/ztAssert.h"
#include "netobjects/ztNetReader.h"
#include "util/ztServiceNamespace.h"
#include "util/ztXMLTinyWriter.h"
#include "util/ztXMLUtil.h"

#include <tinyxml.h>

#include <algorithm>
#include <iterator>
#include <utility>
#include <vector>

namespace {

constexpr char upperAscii(char inChar) {
    return inChar >= 'a' && inChar <= 'z' ? static_cast<char>(inChar - 'a' + 'A') : inChar;
}

constexpr int compareNoCase(std::string_view inLeft, std::string_view inRight) {
    const size_t common = std::min(inLeft.size(), inRight.size());
    for (size_t i = 0; i < common; ++i) {
        const auto left = static_cast<unsigned char>(upperAscii(inLeft[i]));
        const auto right = static_cast<unsigned char>(upperAscii(inRight[i]));
        if (left != right)
            return left < right ? -1 : 1;
    }
    if (inLeft.size() == inRight.size())
        return 0;
    return inLeft.size() < inRight.size() ? -1 : 1;
}

struct SimpleType {
    const char* name;
    ztWSDL::ElementKind kind;
};

// Sorted by name ignoring case: typeFromName searches it by halves.
constexpr SimpleType kSimpleTypes[] = {
    {"s:boolean", ztWSDL::type_boolean},       {"s:int", ztWSDL::type_int},
    {"s:string", ztWSDL::type_string},         {"s:unsignedInt", ztWSDL::type_unsignedInt},
    {"tns:DateTime", ztWSDL::type_dateTime},   {"tns:HexStr", ztWSDL::type_hexStr},
    {"tns:IPAddress", ztWSDL::type_ipAddress}, {"tns:IPOrHostname", ztWSDL::type_ipOrHostname},
};

constexpr bool isSorted() {
    for (size_t i = 1; i < std::size(kSimpleTypes); ++i) {
        if (compareNoCase(kSimpleTypes[i - 1].name, kSimpleTypes[i].name) >= 0)
            return false;
    }
    return true;
}
static_assert(isSorted(), "kSimpleTypes must be sorted for the binary search");

constexpr const char* kTypePrefix = "tns:";

constexpr const char* kDateTimeDocumentation =
    "Legal time format is ( HH : MM[:SS[:TTT]][AM | PM] ). Legal date format depends on the "
    "separator, for '-' the format is considered to be ( [yy]yy - mm - dd ), for '.' the format "
    "is considered to be ( dd.mm.yy[yy] ) and for '/' the format is considered to be ( mm / dd / "
    "yy[yy] ).";

// The value of the first attribute called "name" in any case, or null.
const char* declaredNameOf(const TiXmlElement& inElement) {
    for (const TiXmlAttribute* a = inElement.FirstAttribute(); a != nullptr; a = a->Next()) {
        if (compareNoCase(a->Name(), "name") == 0)
            return a->Value();
    }
    return nullptr;
}

// The element after inElement in document order within the subtree of inRoot, or null.
const TiXmlElement* nextInSubtree(const TiXmlElement* inElement, const TiXmlElement* inRoot) {
    if (const TiXmlElement* child = inElement->FirstChildElement())
        return child;
    // Below inRoot every ancestor is an element, so the climb stays on elements.
    for (const TiXmlElement* e = inElement; e != inRoot; e = e->Parent()->ToElement()) {
        if (const TiXmlElement* sibling = e->NextSiblingElement())
            return sibling;
    }
    return nullptr;
}

// Every named element of the schema, nested declarations included. The first declaration
// of a name in document order wins.
ztWSDL::TypeLookup indexTypes(const TiXmlElement* inSchema) {
    ztWSDL::TypeLookup lookup;
    for (const TiXmlElement* e = inSchema; e != nullptr; e = nextInSubtree(e, inSchema)) {
        if (const char* name = declaredNameOf(*e))
            lookup.emplace(kTypePrefix + std::string(name), e);
    }
    return lookup;
}

// The command list behind the document: a count, then name and info per command. Each
// command needs at least two bytes, so a hostile count runs out of input, not of memory.
std::vector<std::pair<std::string, std::string>> readCommandList(ztNetReader& ioReader) {
    std::vector<std::pair<std::string, std::string>> commands;
    const uint32_t count = ioReader.getUInt32();
    for (uint32_t i = 0; i < count; ++i) {
        std::string name = ioReader.getConstString();
        std::string info = ioReader.getConstString();
        commands.emplace_back(std::move(name), std::move(info));
    }
    return commands;
}

} // namespace

bool ztWSDL::NoCaseLess::operator()(std::string_view inLeft, std::string_view inRight) const {
    return compareNoCase(inLeft, inRight) < 0;
}

ztWSDL::ztWSDL() : itsDocument(std::make_unique<TiXmlDocument>()) {
    itsDocument->LinkEndChild(new TiXmlDeclaration("1.0", "utf-8", ""));
    auto* definitions = new TiXmlElement("wsdl:definitions");
    itsDocument->LinkEndChild(definitions);
    definitions->SetAttribute("xmlns:soap", "http://schemas.xmlsoap.org/wsdl/soap/");
    definitions->SetAttribute("xmlns:s", "http://www.w3.org/2001/XMLSchema");
    definitions->SetAttribute("xmlns:soap12", "http://schemas.xmlsoap.org/wsdl/soap12/");
    definitions->SetAttribute("xmlns:http", "http://schemas.xmlsoap.org/wsdl/http/");
    definitions->SetAttribute("xmlns:wsdl", "http://schemas.xmlsoap.org/wsdl/");
    definitions->SetAttribute("xmlns:tns", xmlServiceNamespace);
    definitions->SetAttribute("targetNamespace", xmlServiceNamespace);
    auto* types = new TiXmlElement("wsdl:types");
    definitions->LinkEndChild(types);
    auto* schema = new TiXmlElement("s:schema");
    types->LinkEndChild(schema);
    schema->SetAttribute("elementFormDefault", "qualified");
    schema->SetAttribute("targetNamespace", xmlServiceNamespace);
    itsWSDLDefinitions = definitions;
    itsWSDLTypes = schema;

    addSimpleType("HexStr", type_string, "Hexadecimal encoded string.", nullptr);
    addSimpleType("IPOrHostname", type_string, "IPv4/IPv6 address or legal host name.", nullptr);
    addSimpleType("IPAddress", type_string, "IPv4/IPv6 address.", nullptr);
    addSimpleType("DateTime", type_string, kDateTimeDocumentation, nullptr);
}

ztWSDL::ztWSDL(ztWSDL&& inOther) noexcept = default;
ztWSDL& ztWSDL::operator=(ztWSDL&& inOther) noexcept = default;
ztWSDL::~ztWSDL() = default;

void ztWSDL::readFrom(ztNetReader& ioReader) {
    // Everything is read into locals first: a truncated answer must not leave the index
    // pointing into a half-built or freed document.
    auto document = std::make_unique<TiXmlDocument>();
    ztXMLTinyWriter writer(document.get());
    writer.replay(ioReader);
    TiXmlElement* definitions = document->FirstChildElement("wsdl:definitions");
    TiXmlElement* types =
        definitions ? ztXMLUtil::findPath(definitions, "wsdl:types/s:schema") : nullptr;
    ztAssert(definitions && types);
    TypeLookup lookup = indexTypes(types);
    const auto commands = readCommandList(ioReader);

    itsDocument = std::move(document);
    itsWSDLDefinitions = definitions;
    itsWSDLTypes = types;
    itsWSDLTypeLookup = std::move(lookup);
    itsDocumentation.clear();
    itsWSDLCommands.clear();
    itsWSDLCommandNames.clear();
    for (const auto& [name, info] : commands)
        addCommand(name, info);
}

TiXmlElement* ztWSDL::addSimpleType(const std::string& inName, uint32_t inKind,
                                    std::string_view inDocumentation, TiXmlElement* ioParent) {
    // A top-level type may not be declared twice.
    ztAssert(ioParent || inName.empty() ||
             itsWSDLTypeLookup.find(kTypePrefix + inName) == itsWSDLTypeLookup.end());
    TiXmlElement* parent = ioParent ? ioParent : itsWSDLTypes;
    if (parent == nullptr)
        return nullptr;
    auto* simpleType = new TiXmlElement("s:simpleType");
    parent->LinkEndChild(simpleType);
    if (!inName.empty()) {
        simpleType->SetAttribute("name", inName);
        itsDocumentation.emplace_front(inDocumentation);
        simpleType->SetUserData(&itsDocumentation.front());
        itsWSDLTypeLookup.emplace(kTypePrefix + inName, simpleType);
    }
    auto* restriction = new TiXmlElement("s:restriction");
    simpleType->LinkEndChild(restriction);
    restriction->SetAttribute("base", typeName(inKind));
    return restriction;
}

void ztWSDL::addCommand(const std::string& inName, const std::string& inInfo) {
    const auto theInput = itsWSDLTypeLookup.find(kTypePrefix + inName);
    const auto theOutput = itsWSDLTypeLookup.find(kTypePrefix + inName + "Response");
    ztAssert((theInput != itsWSDLTypeLookup.end()) && (theOutput != itsWSDLTypeLookup.end()));
    ztAssert(itsWSDLCommands.find(inName) == itsWSDLCommands.end());
    Command command;
    command.itsName = inName;
    command.itsInfo = inInfo;
    command.itsInput = theInput != itsWSDLTypeLookup.end() ? theInput->second : nullptr;
    command.itsOutput = theOutput != itsWSDLTypeLookup.end() ? theOutput->second : nullptr;
    itsWSDLCommands.emplace(inName, std::move(command));
    ztAssert(itsWSDLCommandNames.find(inName) == itsWSDLCommandNames.end());
    itsWSDLCommandNames.insert(inName);
}

const TiXmlElement* ztWSDL::findType(const std::string& inName, bool inAddPrefix) const {
    ztAssert(inAddPrefix || inName.rfind(kTypePrefix, 0) == 0);
    const auto found = itsWSDLTypeLookup.find(inAddPrefix ? kTypePrefix + inName : inName);
    return found != itsWSDLTypeLookup.end() ? found->second : nullptr;
}

const TiXmlElement* ztWSDL::getInputElement(const std::string& inCommandName) const {
    const auto found = itsWSDLCommands.find(inCommandName);
    return found != itsWSDLCommands.end() ? found->second.itsInput : nullptr;
}

const TiXmlElement* ztWSDL::getOutputElement(const std::string& inCommandName) const {
    const auto found = itsWSDLCommands.find(inCommandName);
    return found != itsWSDLCommands.end() ? found->second.itsOutput : nullptr;
}

bool ztWSDL::getCommandName(const std::string& inName, std::string& outCanonical) const {
    const auto found = itsWSDLCommandNames.find(inName);
    if (found == itsWSDLCommandNames.end())
        return false;
    outCanonical = *found;
    return true;
}

const char* ztWSDL::typeName(uint32_t inKind) {
    for (const SimpleType& row : kSimpleTypes) {
        if (row.kind == inKind)
            return row.name;
    }
    ztAssert(false);
    return "";
}

ztWSDL::ElementKind ztWSDL::typeFromName(const char* inName) {
    if (inName == nullptr)
        return type_unknown;
    const std::string_view name(inName);
    const auto* end = std::end(kSimpleTypes);
    const auto* row = std::lower_bound(std::begin(kSimpleTypes), end, name,
                                       [](const SimpleType& inRow, std::string_view inKey) {
                                           return compareNoCase(inRow.name, inKey) < 0;
                                       });
    if (row == end || compareNoCase(row->name, name) != 0)
        return type_unknown;
    return row->kind;
}

const std::string* ztWSDL::documentationOf(const TiXmlElement& inElement) const {
    // User data is only trusted when it points at one of this model's own texts.
    const void* data = inElement.GetUserData();
    for (const std::string& text : itsDocumentation) {
        if (&text == data)
            return &text;
    }
    return nullptr;
}
