// The WSDL-typed conversion of JSON-RPC and REST requests and answers: one walk of the
// element tree beside the schema declarations per direction.
#include "ztxmlint/xmlWSDLConversion.h"

#include "datastruct/ztObjReference.h"
#include "messages/ztAssert.h"
#include "util/ztNestingLimit.h"
#include "util/ztWSDL.h"
#include "util/ztXMLUtil.h"

#include <tinyxml.h>

#include <cstring>
#include <strings.h>
#include <unordered_map>
#include <utility>

namespace {

constexpr const char* kPropertyListType = "tns:ArrayOfProperty";
constexpr const char* kReferenceType = "tns:ObjRef";
constexpr const char* kObjectTypeType = "tns:ObjectType";
constexpr const char* kTypePrefix = "tns:";

bool equalsNoCase(const char* inLeft, const char* inRight) {
    return inLeft != nullptr && ::strcasecmp(inLeft, inRight) == 0;
}

// Schema element names are compared ignoring ASCII case; finding a child by name is exact.
bool isCalled(const TiXmlElement& inElement, const char* inName) {
    return equalsNoCase(inElement.Value(), inName);
}

bool isRest(xmlDialect inDialect) {
    return inDialect == xmlDialect_restJson || inDialect == xmlDialect_restXml;
}

// The declared type of a declaration ("tns:ObjRef"), empty when it names none.
const char* declaredTypeOf(const TiXmlElement& inDeclaration) {
    const char* type = inDeclaration.Attribute("type");
    return type != nullptr ? type : "";
}

// Enters the named "s:element" children of inSequence, and those of its "s:choice"
// children, into ioDeclarations (a later one of a name replaces an earlier one). With
// ioKind, a sequence of one element that may repeat without bound makes the kind an array;
// the choices come after that test and take no part in it.
void collectSequence(const TiXmlElement& inSequence,
                     xmlWSDLConversion::DeclarationMap& ioDeclarations, uint32_t* ioKind) {
    for (const TiXmlElement* child = inSequence.FirstChildElement(); child != nullptr;
         child = child->NextSiblingElement()) {
        const char* name = child->Attribute("name");
        if (name != nullptr && isCalled(*child, "s:element"))
            ioDeclarations[name] = child;
    }
    if (ioKind != nullptr && ioDeclarations.size() == 1) {
        if (const char* maxOccurs = ioDeclarations.begin()->second->Attribute("maxOccurs"))
            *ioKind =
                equalsNoCase(maxOccurs, "unbounded") ? ztWSDL::type_array : ztWSDL::type_struct;
    }
    for (const TiXmlElement* choice = inSequence.FirstChildElement(); choice != nullptr;
         choice = choice->NextSiblingElement()) {
        if (!isCalled(*choice, "s:choice"))
            continue;
        for (const TiXmlElement* child = choice->FirstChildElement(); child != nullptr;
             child = child->NextSiblingElement()) {
            const char* name = child->Attribute("name");
            if (name != nullptr && isCalled(*child, "s:element"))
                ioDeclarations[name] = child;
        }
    }
}

ztXMLUtil::JsonType jsonTypeOfKind(uint32_t inKind) {
    switch (inKind) {
    case ztWSDL::type_string:
    case ztWSDL::type_hexStr:
    case ztWSDL::type_ipOrHostname:
    case ztWSDL::type_ipAddress:
    case ztWSDL::type_dateTime:
        return ztXMLUtil::jsonString;
    case ztWSDL::type_int:
        return ztXMLUtil::jsonInt;
    case ztWSDL::type_unsignedInt:
        return ztXMLUtil::jsonUInt;
    case ztWSDL::type_boolean:
        return ztXMLUtil::jsonBoolean;
    case ztWSDL::type_array:
        return ztXMLUtil::jsonArray;
    case ztWSDL::type_struct:
        return ztXMLUtil::jsonObject;
    default:
        return ztXMLUtil::jsonUnknown;
    }
}

// A property list a JSON client already wrote as name/value pairs: every child element is
// a "property" (or an array "item") holding nothing but at most two elements "name" and
// "value".
bool isPropertyItem(const TiXmlElement& inChild) {
    if (inChild.ValueStr() != "property" && inChild.ValueStr() != "item")
        return false;
    size_t count = 0;
    for (const TiXmlNode* node = inChild.FirstChild(); node != nullptr;
         node = node->NextSibling()) {
        const TiXmlElement* element = node->ToElement();
        if (element == nullptr)
            return false; // text beside the pairs: "item" entries of a plain JSON array
        if (++count > 2 || (element->ValueStr() != "name" && element->ValueStr() != "value"))
            return false;
    }
    return true;
}

bool isInPropertyForm(const TiXmlElement& inList) {
    for (const TiXmlElement* child = inList.FirstChildElement(); child != nullptr;
         child = child->NextSiblingElement()) {
        if (!isPropertyItem(*child))
            return false;
    }
    return true;
}

// {"Owner":"Network team"} as the server's list: each member becomes a "property" holding
// its member name and its text. Member names come from JSON with their escapes as written;
// as data they are read like any JSON string.
void toPropertyForm(TiXmlElement& ioList) {
    for (TiXmlElement* child = ioList.FirstChildElement(); child != nullptr;
         child = child->NextSiblingElement()) {
        const std::string name = ztXMLUtil::jsonUnescape(child->ValueStr());
        const std::string value = ztXMLUtil::getTextOr(child, std::string());
        child->Clear();
        child->SetValue("property");
        ztXMLUtil::addTextElement(child, "name", name);
        ztXMLUtil::addTextElement(child, "value", value);
    }
}

using Node = ztXMLFlatTree::Node;

// The text of the element's first child when it is one, like ztXMLUtil::getText; a null
// element has none.
bool textOfChild(const ztXMLFlatTree& inTree, Node inElement, std::string_view& outText) {
    return inElement != 0 && inTree.getText(inElement, outText);
}

// The server's name/value list as one object for a REST client: each property becomes a
// member named after it. The writer prints element names as they are, so the name is
// stored escaped: a property name is server data and may hold any byte.
void toObjectForm(ztXMLFlatTree& ioTree, Node inList) {
    for (Node child = ioTree.firstChildElement(inList); child != 0;
         child = ioTree.nextSiblingElement(child)) {
        std::string_view name;
        const Node value = ioTree.firstChildElement(child, "value");
        if (!textOfChild(ioTree, ioTree.firstChildElement(child, "name"), name) || value == 0)
            continue;
        // The texts stay in the tree's arena when their nodes are unlinked.
        const std::string_view text = ioTree.textOf(value);
        ioTree.clearChildren(child);
        ioTree.setValue(child, ztXMLUtil::jsonEscape(name));
        ioTree.setText(child, text);
    }
    ioTree.setAttribute(inList, "type", ztXMLUtil::jsonTypeName(ztXMLUtil::jsonObject));
}

// REST collection and object type names: "DNSZones" in a request reaches the server as
// "DNSZone", and the server's "DNSZone" reaches a REST client as "DNSZones". Text that is
// no such name stays.
void objectTypeToServer(TiXmlElement& ioElement) {
    std::string text;
    ztObjType type = obj_unknown;
    if (ztXMLUtil::getText(&ioElement, text) && objectTypeFromCollection(text, type))
        ztXMLUtil::setText(&ioElement, objectTypeName(type));
}

void objectTypeToRest(ztXMLFlatTree& ioTree, Node inElement) {
    std::string_view text;
    ztObjType type = obj_unknown;
    if (ioTree.getText(inElement, text) && objectTypeFromName(text, type))
        ioTree.setText(inElement, objectTypeCollection(type));
}

void convertReference(TiXmlElement& ioElement,
                      const xmlWSDLConversion::ReferenceConversion& inConversion) {
    std::string text;
    if (inConversion && ztXMLUtil::getText(&ioElement, text))
        ztXMLUtil::setText(&ioElement, inConversion(text));
}

void convertReference(ztXMLFlatTree& ioTree, Node inElement,
                      const xmlWSDLConversion::ReferenceConversion& inConversion) {
    std::string_view text;
    if (inConversion && ioTree.getText(inElement, text))
        ioTree.setText(inElement, inConversion(text));
}

// The declaration of a type an answer names with xsi:type: the server writes the bare
// name, a prefixed one is taken as well.
const TiXmlElement* findDerivedType(const ztWSDL& inWSDL, const char* inName) {
    const bool prefixed = std::strncmp(inName, kTypePrefix, std::strlen(kTypePrefix)) == 0;
    return inWSDL.findType(inName, !prefixed);
}

} // namespace

xmlWSDLConversion::xmlWSDLConversion(ReferenceConversion inRestToRef,
                                     ReferenceConversion inRefToRest)
    : itsRestToRef(std::move(inRestToRef)), itsRefToRest(std::move(inRefToRest)) {}

uint32_t xmlWSDLConversion::getElementType(const ztWSDL& inWSDL, const TiXmlElement* inDeclaration,
                                           DeclarationMap& outChildDeclarations) {
    outChildDeclarations.clear();
    if (inDeclaration == nullptr)
        return ztWSDL::type_unknown;
    const TiXmlElement* node = inDeclaration;
    if (const char* type = inDeclaration->Attribute("type")) {
        if (const uint32_t simple = ztWSDL::typeFromName(type))
            return simple;
        // Only the server's own names can be declared in its schema; "s:long" and the like
        // are unknown types and travel as they are.
        const bool ownType = std::strncmp(type, kTypePrefix, std::strlen(kTypePrefix)) == 0;
        node = ownType ? inWSDL.findType(type, false) : nullptr;
        ztAssert(node != nullptr);
        if (node == nullptr)
            return ztWSDL::type_unknown;
    }
    if (isCalled(*node, "s:simpleType")) {
        const TiXmlElement* restriction = node->FirstChildElement("s:restriction");
        const uint32_t kind =
            ztWSDL::typeFromName(restriction ? restriction->Attribute("base") : nullptr);
        ztAssert(kind != ztWSDL::type_unknown);
        return kind;
    }
    if (isCalled(*node, "s:element")) {
        node = node->FirstChildElement("s:complexType");
        // An element without a type or content declares an empty struct (a command without
        // arguments or answer).
        if (node == nullptr)
            return ztWSDL::type_struct;
    }
    if (!isCalled(*node, "s:sequence")) {
        ztAssert(isCalled(*node, "s:complexType"));
        node = node->FirstChildElement("s:sequence");
    }
    uint32_t kind = ztWSDL::type_struct;
    if (node != nullptr)
        collectSequence(*node, outChildDeclarations, &kind);
    return kind;
}

// One conversion of one tree. The kinds and child maps of the declarations met are kept for
// the walk: a list of a hundred objects studies its item's declaration once, not a hundred
// times. Kept no longer, since the WSDL may be replaced between requests.
struct xmlWSDLConversion::Walk {
    // What the conversion rewrites besides names and marks, by declared type.
    enum class Role { plain, propertyList, reference, objectType };

    struct Declared {
        uint32_t kind = ztWSDL::type_unknown;
        DeclarationMap children;
        Role role = Role::plain;
        const char* mark = nullptr; // the "type" an answer element gets, null for none
    };

    const Declared& declared(const TiXmlElement& inDeclaration) {
        const auto [found, added] = itsCache.try_emplace(&inDeclaration);
        if (added)
            study(inDeclaration, found->second);
        return found->second;
    }

    void study(const TiXmlElement& inDeclaration, Declared& outDeclared) const {
        outDeclared.kind = getElementType(itsWSDL, &inDeclaration, outDeclared.children);
        const char* type = declaredTypeOf(inDeclaration);
        if (outDeclared.kind == ztWSDL::type_array && equalsNoCase(type, kPropertyListType))
            outDeclared.role = Role::propertyList;
        else if (outDeclared.kind == ztWSDL::type_string && equalsNoCase(type, kReferenceType))
            outDeclared.role = Role::reference;
        else if (outDeclared.kind == ztWSDL::type_string && equalsNoCase(type, kObjectTypeType))
            outDeclared.role = Role::objectType;
        const ztXMLUtil::JsonType jsonType = jsonTypeOfKind(outDeclared.kind);
        if (jsonType != ztXMLUtil::jsonString && jsonType != ztXMLUtil::jsonUnknown)
            outDeclared.mark = ztXMLUtil::jsonTypeName(jsonType);
    }

    const ztWSDL& itsWSDL;
    xmlDialect itsDialect;
    std::unordered_map<const TiXmlElement*, Declared> itsCache;
};

void xmlWSDLConversion::convertRequest(const ztWSDL& inWSDL, const TiXmlElement* inDeclaration,
                                       TiXmlElement& ioCommand, xmlDialect inDialect) const {
    if (inDeclaration == nullptr || inDialect == xmlDialect_soap)
        return;
    Walk walk{inWSDL, inDialect, {}};
    requestElement(walk, *inDeclaration, ioCommand, 0);
}

void xmlWSDLConversion::convertResponse(const ztWSDL& inWSDL, const TiXmlElement* inDeclaration,
                                        ztXMLFlatTree& ioTree, ztXMLFlatTree::Node inAnswer,
                                        xmlDialect inDialect) const {
    if (inDeclaration == nullptr || inDialect == xmlDialect_soap)
        return;
    Walk walk{inWSDL, inDialect, {}};
    responseElement(walk, *inDeclaration, ioTree, inAnswer, 0);
}

void xmlWSDLConversion::requestElement(Walk& ioWalk, const TiXmlElement& inDeclaration,
                                       TiXmlElement& ioElement, size_t inDepth) const {
    using Role = Walk::Role;
    const Walk::Declared& declared = ioWalk.declared(inDeclaration);
    const DeclarationMap& children = declared.children;
    const xmlDialect dialect = ioWalk.itsDialect;

    if (declared.role == Role::propertyList &&
        (dialect == xmlDialect_jsonRpc || dialect == xmlDialect_restJson) &&
        !isInPropertyForm(ioElement)) {
        toPropertyForm(ioElement);
        return;
    }
    if (declared.role == Role::reference && isRest(dialect))
        convertReference(ioElement, itsRestToRef);
    else if (declared.role == Role::objectType && isRest(dialect))
        objectTypeToServer(ioElement);
    if (children.empty())
        return;
    if (declared.kind == ztWSDL::type_array && dialect != xmlDialect_restXml) {
        // A JSON array arrives with "item" entries (or an object with members of any name);
        // the server wants each entry named as the schema's item element.
        ztAssert(children.size() == 1);
        if (children.size() == 1) {
            const std::string& itemName = children.begin()->first;
            for (TiXmlElement* child = ioElement.FirstChildElement(); child != nullptr;
                 child = child->NextSiblingElement())
                child->SetValue(itemName);
        }
    }
    // Trees are bounded by the readers' nesting limit; this bound only matters for a schema
    // whose types contain themselves.
    if (inDepth >= ztMaxNestingDepth)
        return;
    for (TiXmlElement* child = ioElement.FirstChildElement(); child != nullptr;
         child = child->NextSiblingElement()) {
        const auto found = children.find(child->ValueStr());
        if (found != children.end())
            requestElement(ioWalk, *found->second, *child, inDepth + 1);
    }
}

void xmlWSDLConversion::responseElement(Walk& ioWalk, const TiXmlElement& inDeclaration,
                                        ztXMLFlatTree& ioTree, ztXMLFlatTree::Node inElement,
                                        size_t inDepth) const {
    using Role = Walk::Role;
    const Walk::Declared& declared = ioWalk.declared(inDeclaration);
    const DeclarationMap* children = &declared.children;
    const xmlDialect dialect = ioWalk.itsDialect;
    // A derived type named by the answer adds its extension's fields to the declared ones.
    DeclarationMap extended;
    if (const char* derivedName = ioTree.attribute(inElement, "xsi:type")) {
        const TiXmlElement* sequence =
            ztXMLUtil::findPath(findDerivedType(ioWalk.itsWSDL, derivedName),
                                "s:complexContent/s:extension/s:sequence");
        if (sequence != nullptr) {
            extended = declared.children;
            collectSequence(*sequence, extended, nullptr);
            children = &extended;
        }
    }
    if (declared.mark != nullptr)
        ioTree.setAttribute(inElement, "type", declared.mark);

    if (declared.role == Role::propertyList && dialect == xmlDialect_restJson) {
        toObjectForm(ioTree, inElement);
        return;
    }
    if (declared.role == Role::reference && isRest(dialect))
        convertReference(ioTree, inElement, itsRefToRest);
    else if (declared.role == Role::objectType && isRest(dialect))
        objectTypeToRest(ioTree, inElement);
    if (children->empty() || inDepth >= ztMaxNestingDepth)
        return;
    for (Node child = ioTree.firstChildElement(inElement); child != 0;
         child = ioTree.nextSiblingElement(child)) {
        const auto found = children->find(ioTree.value(child));
        if (found != children->end())
            responseElement(ioWalk, *found->second, ioTree, child, inDepth + 1);
    }
}
