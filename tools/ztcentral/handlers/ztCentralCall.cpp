// Argument access and reference resolution for the stand-in server's commands.
#include "ztcentral/handlers/ztCentralCall.h"

#include "ztcentral/model/ztCentralAddress.h"
#include "ztcentral/model/ztCentralErr.h"
#include "ztcentral/model/ztCentralRanges.h"
#include "ztcentral/catalog/ztCentralValidator.h"

#include "messages/ztException.h"

#include <tinyxml.h>

#include <algorithm>

namespace {

char lowerAscii(char inChar) {
    return (inChar >= 'A' && inChar <= 'Z') ? static_cast<char>(inChar - 'A' + 'a') : inChar;
}

bool containsNoCase(std::string_view inText, std::string_view inPart) {
    auto it = std::search(inText.begin(), inText.end(), inPart.begin(), inPart.end(),
                          [](char inA, char inB) { return lowerAscii(inA) == lowerAscii(inB); });
    return it != inText.end() || inPart.empty();
}

[[noreturn]] void notFound(const std::string& inReference) {
    throw ztException(ztCentralErr_objectNotFound, ztCentralText::objectNotFound, 'r', inReference);
}

// Zone names are kept fully qualified; a reference may leave the final dot out.
std::string zoneName(std::string inName) {
    if (!inName.empty() && inName.back() != '.')
        inName += '.';
    return inName;
}

// The name as the store keeps it: zones fully qualified, ranges, scopes and addresses in the
// text their addresses print as ("2001:db8::/32" is kept as "2001:db8::0/32").
std::string canonicalName(ztObjType inType, const std::string& inName) {
    if (inType == obj_dnsZone)
        return zoneName(inName);
    if (inType != obj_range && inType != obj_scope && inType != obj_ipAddress &&
        inType != obj_unknown)
        return inName;
    ztCentralAddress::Value from = 0;
    ztCentralAddress::Value to = 0;
    if (inType != obj_ipAddress && ztCentralAddress::parseRange(inName, from, to))
        return ztCentralAddress::rangeName(from, to);
    if (inType != obj_range && inType != obj_scope && ztCentralAddress::parse(inName, from))
        return ztCentralAddress::format(from);
    return inName;
}

} // namespace

bool ztCentralNoCaseLess::operator()(std::string_view inLeft, std::string_view inRight) const {
    return std::lexicographical_compare(
        inLeft.begin(), inLeft.end(), inRight.begin(), inRight.end(),
        [](char inA, char inB) { return lowerAscii(inA) < lowerAscii(inB); });
}

const TiXmlElement* ztCentralCall::arg(std::string_view inName) const {
    for (const TiXmlElement* child = itsInput.FirstChildElement(); child != nullptr;
         child = child->NextSiblingElement())
        if (ztCentralEqualNoCase(ztCentralValidator::localName(*child), inName))
            return child;
    return nullptr;
}

bool ztCentralCall::has(std::string_view inName) const {
    const TiXmlElement* element = arg(inName);
    return element != nullptr && (element->FirstChildElement() != nullptr ||
                                  !ztCentralValidator::textOf(*element).empty());
}

std::string ztCentralCall::text(std::string_view inName) const {
    const TiXmlElement* element = arg(inName);
    return element == nullptr ? std::string() : ztCentralValidator::textOf(*element);
}

int32_t ztCentralCall::intArg(std::string_view inName, int32_t inDefault) const {
    int32_t value = 0;
    return ztCentralValidator::parseInt(text(inName), value) ? value : inDefault;
}

uint32_t ztCentralCall::uintArg(std::string_view inName, uint32_t inDefault) const {
    uint32_t value = 0;
    return ztCentralValidator::parseUInt(text(inName), value) ? value : inDefault;
}

bool ztCentralCall::boolArg(std::string_view inName, bool inDefault) const {
    bool value = false;
    return ztCentralValidator::parseBool(text(inName), value) ? value : inDefault;
}

ztCentralCall::Paging ztCentralCall::paging() const {
    Paging result{text("filter"), intArg("offset", 0), intArg("limit", 0)};
    if (result.offset < 0)
        throw ztException(ztErrorMessage(ztErr_invalidArgument, ztCentralText::invalidValue, 'v',
                                         text("offset"), 'a', "offset", 'w',
                                         "it may not be negative."));
    if (result.limit < 0)
        throw ztException(ztErrorMessage(ztErr_invalidArgument, ztCentralText::invalidValue, 'v',
                                         text("limit"), 'a', "limit", 'w',
                                         "it may not be negative."));
    return result;
}

ztCentralStore::Object& ztCentralCall::object(std::string_view inName, ztObjType inType) const {
    return resolve(text(inName), std::string(inName), inType);
}

ztCentralStore::Object* ztCentralCall::optionalObject(std::string_view inName,
                                                      ztObjType inType) const {
    return has(inName) ? &object(inName, inType) : nullptr;
}

ztCentralStore::Object& ztCentralCall::resolve(const std::string& inReference,
                                               const std::string& inArgument,
                                               ztObjType inType) const {
    ztCentralValidator::Reference reference;
    if (!ztCentralValidator::parseReference(inReference, reference))
        throw ztException(ztErr_invalidArgument, ztCentralText::invalidReference, 'r', inReference,
                          'a', inArgument);
    if (inType != obj_unknown && reference.type != obj_unknown && reference.type != inType)
        throw ztException(ztErrorMessage(ztErr_invalidArgument, ztCentralText::wrongObjectType, 'r',
                                         inReference, 'a', inArgument, 't',
                                         objectTypeName(inType)));
    const ztObjType type = reference.type != obj_unknown ? reference.type : inType;
    Object* found = nullptr;
    if (reference.byId) {
        found = itsStore.find(reference.id);
        if (found == nullptr || (type != obj_unknown && found->type != type))
            notFound(inReference);
        return *found;
    }
    const std::string name = canonicalName(type, reference.name);
    std::vector<Object*> candidates = itsStore.findByName(type, name);
    if (candidates.size() > 1)
        throw ztException(ztErr_invalidArgument, ztCentralText::ambiguousReference, 'r',
                          inReference, 'a', inArgument);
    if (candidates.size() == 1) {
        found = candidates.front();
    } else if (type == obj_ipAddress || type == obj_unknown) {
        // An address inside a managed range has a record whether or not one was stored.
        ztCentralAddress::Value address = 0;
        if (ztCentralAddress::parse(name, address))
            found = ztCentralRanges::record(itsStore, address);
    }
    if (found == nullptr)
        notFound(inReference);
    if (inType != obj_unknown && found->type != inType)
        throw ztException(ztErrorMessage(ztErr_invalidArgument, ztCentralText::wrongObjectType, 'r',
                                         inReference, 'a', inArgument, 't',
                                         objectTypeName(inType)));
    return *found;
}

bool ztCentralCall::matches(const Object& inObject, std::string_view inFilter) const {
    if (inFilter.empty())
        return true;
    const size_t colon = inFilter.find(':');
    if (colon != std::string_view::npos) {
        const std::string_view field = inFilter.substr(0, colon);
        const std::string_view wanted = inFilter.substr(colon + 1);
        if (ztCentralEqualNoCase(field, "name"))
            return containsNoCase(inObject.name, wanted);
        const std::string* value = ztCentralStore::get(inObject.fields, field);
        if (value == nullptr)
            value = ztCentralStore::get(inObject.custom, field);
        const ztCentralCatalog::Kind* kind = ztCentralCatalog::instance().findKind(inObject.type);
        const bool known =
            (kind != nullptr && ztCentralCatalog::findField(*kind, field) != nullptr) ||
            value != nullptr;
        // A text whose part before the colon names no field (an IPv6 address, say) is
        // looked for in the name like any other text.
        if (known) {
            if (kind != nullptr) {
                const ztCentralCatalog::Field* declared = ztCentralCatalog::findField(*kind, field);
                if (declared != nullptr && declared->access == ztCentralCatalog::Access::writeOnly)
                    return false;
            }
            return value != nullptr && containsNoCase(*value, wanted);
        }
    }
    return containsNoCase(inObject.name, inFilter);
}

void ztCentralCall::writeTotal(size_t inTotal) {
    addText(itsAnswer, "totalResults", std::to_string(inTotal));
}

TiXmlElement& ztCentralCall::addText(TiXmlNode& ioParent, const std::string& inName,
                                     const std::string& inText) {
    TiXmlElement& element = addElement(ioParent, inName);
    if (!inText.empty())
        element.LinkEndChild(new TiXmlText(inText));
    return element;
}

TiXmlElement& ztCentralCall::addElement(TiXmlNode& ioParent, const std::string& inName) {
    return *ioParent.LinkEndChild(new TiXmlElement(inName))->ToElement();
}
