// Reading and writing managed objects.
#include "ztcentral/handlers/ztCentralObjectCodec.h"

#include "ztcentral/model/ztCentralAddress.h"
#include "ztcentral/handlers/ztCentralCall.h"
#include "ztcentral/model/ztCentralErr.h"
#include "ztcentral/model/ztCentralRanges.h"
#include "ztcentral/catalog/ztCentralValidator.h"

#include "messages/ztException.h"

#include <tinyxml.h>

namespace {

using Object = ztCentralStore::Object;
using Field = ztCentralCatalog::Field;
using Access = ztCentralCatalog::Access;

std::string stored(const Object& inObject, std::string_view inField) {
    const std::string* value = ztCentralStore::get(inObject.fields, inField);
    return value == nullptr ? std::string() : *value;
}

// Addresses of a scope's subnet that a client can lease: network and broadcast addresses of
// an IPv4 subnet are not, and addresses in use are not.
std::string scopeAvailable(ztCentralStore& ioStore, const Object& inScope) {
    ztCentralAddress::Value from = 0;
    ztCentralAddress::Value to = 0;
    if (!ztCentralAddress::parsePrefix(inScope.name, from, to))
        return {};
    uint32_t count = ztCentralAddress::count(from, to);
    if (ztCentralAddress::isIPv4(from) && count > 2)
        count -= 2;
    for (const Object* record : ztCentralRanges::records(ioStore, from, to))
        if (ztCentralRanges::inUse(*record) && count > 0)
            --count;
    return std::to_string(count);
}

std::string rangeUtilization(ztCentralStore& ioStore, const Object& inRange) {
    ztCentralAddress::Value from = 0;
    ztCentralAddress::Value to = 0;
    if (!ztCentralRanges::bounds(inRange, from, to))
        return {};
    uint64_t used = 0;
    for (const Object* record : ztCentralRanges::records(ioStore, from, to))
        used += ztCentralRanges::inUse(*record) ? 1 : 0;
    const uint64_t total = ztCentralAddress::count(from, to);
    return std::to_string(total == 0 ? 0 : used * 100 / total);
}

std::string recordRange(ztCentralStore& ioStore, const Object& inRecord) {
    ztCentralAddress::Value address = 0;
    if (!ztCentralAddress::parse(inRecord.name, address))
        return {};
    const Object* range = ztCentralRanges::innermost(ioStore, address, address);
    return range == nullptr ? std::string() : ztCentralStore::refOf(*range);
}

void writeFields(ztCentralStore& ioStore, const Object& inObject,
                 const ztCentralCatalog::Kind& inKind, TiXmlElement& ioElement) {
    for (const Field& field : inKind.fields) {
        if (field.access == Access::writeOnly)
            continue;
        const std::string value = ztCentralObjectCodec::fieldValue(ioStore, inObject, field.name);
        if (!value.empty())
            ztCentralCall::addText(ioElement, field.name, value);
    }
    const auto& definitions = ioStore.propertyDefinitions(inObject.type);
    if (definitions.empty())
        return;
    TiXmlElement& custom = ztCentralCall::addElement(ioElement, "customProperties");
    for (const ztCentralStore::PropertyDefinition& definition : definitions) {
        TiXmlElement& property = ztCentralCall::addElement(custom, "property");
        ztCentralCall::addText(property, "name", definition.name);
        const std::string* value = ztCentralStore::get(inObject.custom, definition.name);
        ztCentralCall::addText(property, "value", value == nullptr ? std::string() : *value);
    }
}

ztCentralStore::PropertyDefinition* findDefinition(ztCentralStore& ioStore, ztObjType inType,
                                                   std::string_view inName) {
    for (ztCentralStore::PropertyDefinition& definition : ioStore.propertyDefinitions(inType))
        if (ztCentralEqualNoCase(definition.name, inName))
            return &definition;
    return nullptr;
}

[[noreturn]] void badValue(const std::string& inValue, const std::string& inArgument,
                           const std::string& inWhy) {
    throw ztException(ztErrorMessage(ztErr_invalidArgument, ztCentralText::invalidValue, 'v',
                                     inValue, 'a', inArgument, 'w', inWhy));
}

// The stored form of a custom property value, checked against its definition.
std::string customValue(const ztCentralStore::PropertyDefinition& inDefinition,
                        const std::string& inValue) {
    if (inValue.empty())
        return {};
    if (!inDefinition.listItems.empty()) {
        for (const std::string& item : inDefinition.listItems)
            if (ztCentralEqualNoCase(item, inValue))
                return item;
        badValue(inValue, inDefinition.name, "it is not one of the listed values.");
    }
    std::string type = "s:string";
    if (ztCentralEqualNoCase(inDefinition.type, "Integer"))
        type = "s:int";
    else if (ztCentralEqualNoCase(inDefinition.type, "Boolean"))
        type = "s:boolean";
    else if (ztCentralEqualNoCase(inDefinition.type, "IPAddress"))
        type = "tns:IPAddress";
    std::string why;
    if (!ztCentralValidator::isValidValue(type, inValue, why))
        badValue(inValue, inDefinition.name, why);
    return ztCentralValidator::normalized(type, inValue);
}

void setCustom(ztCentralStore& ioStore, Object& ioObject, const std::string& inName,
               const std::string& inValue, bool inChecked) {
    const ztCentralStore::PropertyDefinition* definition =
        findDefinition(ioStore, ioObject.type, inName);
    if (definition == nullptr)
        throw ztException(ztErr_invalidArgument, ztCentralText::unknownProperty, 'p', inName, 't',
                          objectTypeName(ioObject.type));
    if (inChecked && definition->readOnly)
        throw ztException(ztErr_invalidArgument, ztCentralText::readOnlyProperty, 'p', inName);
    const std::string value = customValue(*definition, inValue);
    if (value.empty())
        ztCentralStore::erase(ioObject.custom, definition->name);
    else
        ztCentralStore::set(ioObject.custom, definition->name, value);
}

// The stored form of a declared field's value: references resolved to canonical text.
std::string fieldStoredValue(ztCentralCall& ioCall, const ztCentralCatalog::Kind& inKind,
                             const Field& inField, const std::string& inValue) {
    if (inValue.empty())
        return {};
    std::string why;
    if (!ztCentralValidator::isValidValue(inField.type, inValue, why))
        badValue(inValue, inField.name, why);
    if (inField.type == "tns:ObjRef") {
        const Object& target = ioCall.resolve(
            inValue, inField.name, ztCentralObjectCodec::referenceType(inKind, inField.name));
        return ztCentralStore::refOf(target);
    }
    return ztCentralValidator::normalized(inField.type, inValue);
}

} // namespace

ztObjType ztCentralObjectCodec::referenceType(const ztCentralCatalog::Kind& inKind,
                                              std::string_view inField) {
    if (ztCentralEqualNoCase(inField, "parentRef"))
        return inKind.type;
    for (const ztCentralCatalog::Kind& kind : ztCentralCatalog::instance().kinds())
        if (ztCentralEqualNoCase(kind.refArg, inField))
            return kind.type;
    return obj_unknown;
}

std::string ztCentralObjectCodec::fieldValue(ztCentralStore& ioStore, const Object& inObject,
                                             std::string_view inField) {
    switch (inObject.type) {
    case obj_dnsZone:
        if (ztCentralEqualNoCase(inField, "authority")) {
            ztCentralValidator::Reference server;
            if (!ztCentralValidator::parseReference(stored(inObject, "dnsServerRef"), server))
                return {};
            const Object* found = ioStore.find(server.id);
            return found == nullptr ? std::string() : found->name;
        }
        break;
    case obj_scope:
        if (ztCentralEqualNoCase(inField, "available"))
            return scopeAvailable(ioStore, inObject);
        break;
    case obj_range:
        if (ztCentralEqualNoCase(inField, "utilizationPercentage"))
            return rangeUtilization(ioStore, inObject);
        break;
    case obj_ipAddress:
        if (ztCentralEqualNoCase(inField, "address"))
            return inObject.name;
        if (ztCentralEqualNoCase(inField, "rangeRef"))
            return recordRange(ioStore, inObject);
        break;
    case obj_report:
        if (ztCentralEqualNoCase(inField, "size")) {
            const std::string* file = ioStore.reportFile(inObject.id);
            return std::to_string(file == nullptr ? 0 : file->size());
        }
        break;
    default:
        break;
    }
    return stored(inObject, inField);
}

TiXmlElement& ztCentralObjectCodec::write(ztCentralStore& ioStore, const Object& inObject,
                                          TiXmlNode& ioParent, const std::string& inElementName) {
    TiXmlElement& element = ztCentralCall::addElement(ioParent, inElementName);
    ztCentralCall::addText(element, "ref", ztCentralStore::refOf(inObject));
    ztCentralCall::addText(element, "name", inObject.name);
    const ztCentralCatalog::Kind* kind = ztCentralCatalog::instance().findKind(inObject.type);
    if (kind != nullptr)
        writeFields(ioStore, inObject, *kind, element);
    return element;
}

TiXmlElement& ztCentralObjectCodec::writeFolderItem(ztCentralStore& ioStore, const Object& inObject,
                                                    TiXmlNode& ioParent) {
    TiXmlElement& element = ztCentralCall::addElement(ioParent, "object");
    const ztCentralCatalog::Kind* kind = ztCentralCatalog::instance().findKind(inObject.type);
    if (kind != nullptr)
        element.SetAttribute("xsi:type", ztCentralCatalog::schemaType(*kind) + "FolderItem");
    ztCentralCall::addText(element, "ref", ztCentralStore::refOf(inObject));
    ztCentralCall::addText(element, "objType", objectTypeName(inObject.type));
    ztCentralCall::addText(element, "name", inObject.name);
    if (kind != nullptr)
        writeFields(ioStore, inObject, *kind, element);
    return element;
}

ztCentralStore::Object ztCentralObjectCodec::read(ztCentralCall& ioCall,
                                                  const ztCentralCatalog::Kind& inKind,
                                                  const TiXmlElement& inElement) {
    Object result;
    result.type = inKind.type;
    for (const TiXmlElement* child = inElement.FirstChildElement(); child != nullptr;
         child = child->NextSiblingElement()) {
        const std::string_view name = ztCentralValidator::localName(*child);
        const std::string text = ztCentralValidator::textOf(*child);
        if (ztCentralEqualNoCase(name, "name")) {
            result.name = text;
            continue;
        }
        if (ztCentralEqualNoCase(name, "customProperties")) {
            for (const TiXmlElement* property = child->FirstChildElement(); property != nullptr;
                 property = property->NextSiblingElement()) {
                setCustom(ioCall.store(), result, ztCentralValidator::childText(*property, "name"),
                          ztCentralValidator::childText(*property, "value"), false);
            }
            continue;
        }
        const Field* field = ztCentralCatalog::findField(inKind, name);
        // "ref" and read-only fields are answers; a client may send them back unchanged.
        if (field == nullptr || field->access == Access::readOnly)
            continue;
        const std::string value = fieldStoredValue(ioCall, inKind, *field, text);
        if (!value.empty())
            ztCentralStore::set(result.fields, field->name, value);
    }
    for (const ztCentralStore::PropertyDefinition& definition :
         ioCall.store().propertyDefinitions(inKind.type))
        if (ztCentralStore::get(result.custom, definition.name) == nullptr &&
            !definition.defaultValue.empty())
            ztCentralStore::set(result.custom, definition.name, definition.defaultValue);
    return result;
}

void ztCentralObjectCodec::setProperty(ztCentralCall& ioCall, const ztCentralCatalog::Kind& inKind,
                                       Object& ioObject, const std::string& inName,
                                       const std::string& inValue) {
    if (ztCentralEqualNoCase(inName, "name")) {
        // Ranges and addresses are named by what they hold.
        if (inKind.type == obj_range || inKind.type == obj_ipAddress)
            throw ztException(ztErr_invalidArgument, ztCentralText::readOnlyProperty, 'p', inName);
        if (inValue.empty())
            badValue(inValue, inName, "a name may not be empty.");
        ioObject.name = inValue;
        return;
    }
    if (ztCentralEqualNoCase(inName, "ref"))
        throw ztException(ztErr_invalidArgument, ztCentralText::readOnlyProperty, 'p', inName);
    const Field* field = ztCentralCatalog::findField(inKind, inName);
    if (field == nullptr) {
        setCustom(ioCall.store(), ioObject, inName, inValue, true);
        return;
    }
    // An object stays with its owner, and a range keeps its addresses.
    const bool fixed =
        ztCentralEqualNoCase(field->name, inKind.parentField) && inKind.type != obj_folder;
    const bool rangeBounds =
        inKind.type == obj_range &&
        (ztCentralEqualNoCase(field->name, "from") || ztCentralEqualNoCase(field->name, "to"));
    if (field->access == Access::readOnly || fixed || rangeBounds)
        throw ztException(ztErr_invalidArgument, ztCentralText::readOnlyProperty, 'p', field->name);
    const std::string value = fieldStoredValue(ioCall, inKind, *field, inValue);
    if (value.empty()) {
        if (field->required)
            badValue(inValue, field->name, "it needs a value.");
        ztCentralStore::erase(ioObject.fields, field->name);
        return;
    }
    ztCentralStore::set(ioObject.fields, field->name, value);
}

void ztCentralObjectCodec::checkMandatory(ztCentralStore& ioStore, const Object& inObject) {
    for (const ztCentralStore::PropertyDefinition& definition :
         ioStore.propertyDefinitions(inObject.type))
        if (definition.mandatory &&
            ztCentralStore::get(inObject.custom, definition.name) == nullptr)
            badValue(std::string(), definition.name, "the property is mandatory.");
}
