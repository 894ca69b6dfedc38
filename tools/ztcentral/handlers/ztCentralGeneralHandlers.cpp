// Commands shared by every object type, and the checks of added and changed objects.
#include "ztcentral/handlers/ztCentralGeneralHandlers.h"

#include "ztcentral/model/ztCentralAddress.h"
#include "ztcentral/handlers/ztCentralDNSHandlers.h"
#include "ztcentral/model/ztCentralErr.h"
#include "ztcentral/handlers/ztCentralFolderHandlers.h"
#include "ztcentral/handlers/ztCentralIPAMHandlers.h"
#include "ztcentral/handlers/ztCentralObjectCodec.h"
#include "ztcentral/model/ztCentralRanges.h"
#include "ztcentral/handlers/ztCentralReportHandlers.h"
#include "ztcentral/handlers/ztCentralUserHandlers.h"
#include "ztcentral/catalog/ztCentralValidator.h"

#include "messages/ztException.h"

#include <tinyxml.h>

#include <array>

namespace {

using Object = ztCentralStore::Object;
using Kind = ztCentralCatalog::Kind;
using Relation = ztCentralStore::Relation;
using PropertyDefinition = ztCentralStore::PropertyDefinition;

// The permissions an access entry may grant or deny.
constexpr std::array<const char*, 4> kPermissions = {"Read", "Edit", "Delete", "Access"};
// The types of custom property values.
constexpr std::array<const char*, 4> kPropertyTypes = {"String", "Integer", "Boolean", "IPAddress"};

[[noreturn]] void badValue(const std::string& inValue, const std::string& inArgument,
                           const std::string& inWhy) {
    throw ztException(ztErrorMessage(ztErr_invalidArgument, ztCentralText::invalidValue, 'v',
                                     inValue, 'a', inArgument, 'w', inWhy));
}

const Kind& kindOf(ztObjType inType) {
    const Kind* kind = ztCentralCatalog::instance().findKind(inType);
    if (kind == nullptr)
        badValue(objectTypeName(inType), "objType", "no objects of that type are managed.");
    return *kind;
}

std::string storedField(const Object& inObject, std::string_view inName) {
    const std::string* value = ztCentralStore::get(inObject.fields, inName);
    return value == nullptr ? std::string() : *value;
}

std::string ownerOf(const Kind& inKind, const Object& inObject) {
    return inKind.parentField.empty() ? std::string() : storedField(inObject, inKind.parentField);
}

void checkUnique(ztCentralCall& ioCall, const Kind& inKind, const Object& inObject) {
    if (!inKind.uniqueNames)
        return;
    const std::string owner = ownerOf(inKind, inObject);
    for (const Object* other : ioCall.store().objectsOf(inKind.type))
        if (other->id != inObject.id && ownerOf(inKind, *other) == owner &&
            ztCentralEqualNoCase(other->name, inObject.name))
            throw ztException(ztErr_itemExists, ztCentralText::objectExists, 't',
                              objectTypeName(inKind.type), 'n', inObject.name);
}

void checkRequired(const Kind& inKind, const Object& inObject) {
    // Ranges are named by their addresses and get their name when prepared.
    if (inObject.name.empty() && inKind.type != obj_range)
        throw ztException(ztErr_invalidArgument, ztCentralText::missingElement, 'e', "name", 'a',
                          inKind.item);
    for (const ztCentralCatalog::Field& field : inKind.fields)
        if (field.required && storedField(inObject, field.name).empty())
            throw ztException(ztErr_invalidArgument, ztCentralText::missingElement, 'e', field.name,
                              'a', inKind.item);
}

void setDefault(Object& ioObject, std::string_view inField, const std::string& inValue) {
    if (ztCentralStore::get(ioObject.fields, inField) == nullptr)
        ztCentralStore::set(ioObject.fields, inField, inValue);
}

// Whether an object of a scoped list belongs to the object of a scope argument.
bool inScope(ztCentralStore& ioStore, const Kind& inKind, const Object& inObject,
             const std::string& inScope, const Object& inTarget) {
    if (ztCentralCatalog::findField(inKind, inScope) != nullptr)
        return storedField(inObject, inScope) == ztCentralStore::refOf(inTarget);
    switch (inTarget.type) {
    case obj_group:
        if (inObject.type == obj_user)
            return ioStore.related(Relation::member, inTarget.id, inObject.id);
        return ioStore.related(Relation::role, inObject.id, inTarget.id);
    case obj_user:
        if (inObject.type == obj_group)
            return ioStore.related(Relation::member, inObject.id, inTarget.id);
        return ioStore.related(Relation::role, inObject.id, inTarget.id);
    case obj_role:
        return ioStore.related(Relation::role, inTarget.id, inObject.id);
    default:
        return false;
    }
}

void listObjects(ztCentralCall& ioCall) {
    const Kind& kind = kindOf(ioCall.command().kind);
    if (kind.type == obj_ipAddress) {
        ztCentralIPAMHandlers::listRecords(ioCall);
        return;
    }
    const ztCentralCall::Paging paging = ioCall.paging();
    std::vector<std::pair<std::string, const Object*>> scopes;
    for (const std::string& scope : kind.scopes) {
        const Object* target =
            ioCall.optionalObject(scope, ztCentralObjectCodec::referenceType(kind, scope));
        if (target != nullptr)
            scopes.emplace_back(scope, target);
    }
    std::vector<const Object*> found;
    for (const Object* object : ioCall.store().objectsOf(kind.type)) {
        bool keep = ioCall.matches(*object, paging.filter);
        for (const auto& [scope, target] : scopes)
            keep = keep && inScope(ioCall.store(), kind, *object, scope, *target);
        if (keep)
            found.push_back(object);
    }
    TiXmlElement& list = ztCentralCall::addElement(ioCall.answer(), kind.list);
    for (const Object* object : ztCentralCall::page(found, paging))
        ztCentralObjectCodec::write(ioCall.store(), *object, list, kind.item);
    ioCall.writeTotal(found.size());
}

void getObject(ztCentralCall& ioCall) {
    const Kind& kind = kindOf(ioCall.command().kind);
    const Object* object = nullptr;
    if (kind.type == obj_ipAddress && ioCall.has("address")) {
        ztCentralAddress::Value address = 0;
        ztCentralAddress::parse(ioCall.text("address"), address);
        object = ztCentralRanges::record(ioCall.store(), address);
        if (object == nullptr)
            throw ztException(ztCentralErr_objectNotFound, ztCentralText::objectNotFound, 'r',
                              ioCall.text("address"));
    } else {
        object = &ioCall.object(kind.refArg, kind.type);
    }
    ztCentralObjectCodec::write(ioCall.store(), *object, ioCall.answer(), kind.item);
}

void addObject(ztCentralCall& ioCall) {
    const Kind& kind = kindOf(ioCall.command().kind);
    Object object = ztCentralObjectCodec::read(ioCall, kind, *ioCall.arg(kind.item));
    ztCentralGeneralHandlers::prepare(ioCall, kind, object, nullptr);
    const Object& stored = ioCall.store().add(std::move(object), ioCall.user(), ioCall.comment());
    if (kind.type == obj_range)
        ztCentralIPAMHandlers::rangeAdded(ioCall, stored);
    ztCentralCall::addText(ioCall.answer(), "ref", ztCentralStore::refOf(stored));
}

void setProperties(ztCentralCall& ioCall) {
    Object& object = ioCall.object("ref");
    const Kind& kind = kindOf(object.type);
    Object changed = object;
    std::string names;
    for (const TiXmlElement* property = ioCall.arg("properties")->FirstChildElement();
         property != nullptr; property = property->NextSiblingElement()) {
        const std::string name = ztCentralValidator::childText(*property, "name");
        ztCentralObjectCodec::setProperty(ioCall, kind, changed, name,
                                          ztCentralValidator::childText(*property, "value"));
        names += (names.empty() ? "" : ", ") + name;
    }
    ztCentralGeneralHandlers::prepare(ioCall, kind, changed, &object);
    object = std::move(changed);
    const std::string comment = ioCall.comment();
    ioCall.store().modified(object, ioCall.user(),
                            comment.empty() ? "Changed " + names + "." : comment);
}

void removeObject(ztCentralCall& ioCall) {
    ztObjType type = obj_unknown;
    if (ioCall.has("objType"))
        objectTypeFromName(ioCall.text("objType"), type);
    const Object& object = ioCall.object("ref", type);
    if (object.type == obj_role && storedField(object, "builtIn") == "1")
        throw ztException(ztCentralErr_objectInUse, ztCentralText::objectInUse, 'r',
                          ioCall.text("ref"), 'w', "a built-in role stays.");
    ztCentralGeneralHandlers::removeWithOwned(ioCall, object.id);
}

void writeAccess(ztCentralCall& ioCall, const Object& inObject) {
    TiXmlElement& access = ztCentralCall::addElement(ioCall.answer(), "objectAccess");
    ztCentralCall::addText(access, "objRef", ztCentralStore::refOf(inObject));
    ztCentralCall::addText(access, "objType", objectTypeName(inObject.type));
    TiXmlElement& list = ztCentralCall::addElement(access, "identityAccess");
    for (const ztCentralStore::AccessEntry& entry : ioCall.store().accessOf(inObject.id)) {
        const Object* identity = ioCall.store().find(entry.identityId);
        if (identity == nullptr)
            continue;
        TiXmlElement& item = ztCentralCall::addElement(list, "identityAccess");
        ztCentralCall::addText(item, "identityRef", ztCentralStore::refOf(*identity));
        ztCentralCall::addText(item, "identityName", identity->name);
        TiXmlElement& grants = ztCentralCall::addElement(item, "access");
        for (const auto& [name, granted] : entry.access) {
            TiXmlElement& grant = ztCentralCall::addElement(grants, "access");
            ztCentralCall::addText(grant, "name", name);
            ztCentralCall::addText(grant, "value", granted ? "1" : "0");
        }
    }
}

void getObjectAccess(ztCentralCall& ioCall) {
    writeAccess(ioCall, ioCall.object("ref"));
}

const char* permissionName(const std::string& inName) {
    for (const char* permission : kPermissions)
        if (ztCentralEqualNoCase(permission, inName))
            return permission;
    badValue(inName, "identityAccess/access/name", "Read, Edit, Delete or Access is expected.");
}

void setObjectAccess(ztCentralCall& ioCall) {
    // Everything is resolved and checked before anything changes.
    std::vector<Object*> objects;
    for (const TiXmlElement* ref = ioCall.arg("objRefs")->FirstChildElement(); ref != nullptr;
         ref = ref->NextSiblingElement())
        objects.push_back(
            &ioCall.resolve(ztCentralValidator::textOf(*ref), "objRefs", obj_unknown));
    std::vector<ztCentralStore::AccessEntry> entries;
    for (const TiXmlElement* item = ioCall.arg("identityAccess")->FirstChildElement();
         item != nullptr; item = item->NextSiblingElement()) {
        const std::string ref = ztCentralValidator::childText(*item, "identityRef");
        const Object& identity = ioCall.resolve(ref, "identityRef", obj_unknown);
        if (identity.type != obj_user && identity.type != obj_group)
            throw ztException(ztErrorMessage(ztErr_invalidArgument, ztCentralText::wrongObjectType,
                                             'r', ref, 'a', "identityRef", 't', "User or Group"));
        ztCentralStore::AccessEntry entry{identity.id, {}};
        const TiXmlElement* grants = ztCentralValidator::child(*item, "access");
        for (const TiXmlElement* grant = grants == nullptr ? nullptr : grants->FirstChildElement();
             grant != nullptr; grant = grant->NextSiblingElement()) {
            bool granted = false;
            ztCentralValidator::parseBool(ztCentralValidator::childText(*grant, "value"), granted);
            const char* name = permissionName(ztCentralValidator::childText(*grant, "name"));
            std::erase_if(entry.access,
                          [name](const auto& inGrant) { return inGrant.first == name; });
            entry.access.emplace_back(name, granted);
        }
        entries.push_back(std::move(entry));
    }
    for (Object* object : objects) {
        std::vector<ztCentralStore::AccessEntry>& current = ioCall.store().accessOf(object->id);
        for (const ztCentralStore::AccessEntry& entry : entries) {
            std::erase_if(current, [&entry](const auto& inOld) {
                return inOld.identityId == entry.identityId;
            });
            // An identity without grants falls back to what it may do anyway.
            if (!entry.access.empty())
                current.push_back(entry);
        }
        const std::string comment = ioCall.comment();
        ioCall.store().modified(*object, ioCall.user(),
                                comment.empty() ? std::string("Access changed.") : comment);
    }
}

void getHistory(ztCentralCall& ioCall) {
    const ztCentralCall::Paging paging = ioCall.paging();
    // A removed object's history stays readable through its id.
    uint32_t id = 0;
    ztCentralValidator::Reference reference;
    const std::string text = ioCall.text("objRef");
    if (ztCentralValidator::parseReference(text, reference) && reference.byId &&
        ioCall.store().find(reference.id) == nullptr &&
        !ioCall.store().historyOf(reference.id).empty())
        id = reference.id;
    else
        id = ioCall.object("objRef").id;
    std::vector<ztCentralStore::HistoryEntry> found;
    for (const ztCentralStore::HistoryEntry& entry : ioCall.store().historyOf(id)) {
        Object asObject;
        asObject.name = entry.action + " " + entry.user + " " + entry.comment;
        if (ioCall.matches(asObject, paging.filter))
            found.push_back(entry);
    }
    TiXmlElement& list = ztCentralCall::addElement(ioCall.answer(), "historyItems");
    for (const ztCentralStore::HistoryEntry& entry : ztCentralCall::page(found, paging)) {
        TiXmlElement& item = ztCentralCall::addElement(list, "historyItem");
        ztCentralCall::addText(item, "timestamp", ztCentralStore::formatTime(entry.time));
        ztCentralCall::addText(item, "user", entry.user);
        ztCentralCall::addText(item, "action", entry.action);
        ztCentralCall::addText(item, "objRef", ztCentralStore::refOf(entry.objType, entry.objId));
        ztCentralCall::addText(item, "objType", objectTypeName(entry.objType));
        ztCentralCall::addText(item, "objName", entry.objName);
        ztCentralCall::addText(item, "comment", entry.comment);
    }
    ioCall.writeTotal(found.size());
}

// The object type of the "objType" argument, which must be a managed kind.
ztObjType objTypeArg(ztCentralCall& ioCall) {
    ztObjType type = obj_unknown;
    objectTypeFromName(ioCall.text("objType"), type);
    if (ztCentralCatalog::instance().findKind(type) == nullptr)
        badValue(ioCall.text("objType"), "objType", "no objects of that type are managed.");
    return type;
}

PropertyDefinition& definitionArg(ztCentralCall& ioCall, ztObjType inType) {
    const std::string name = ioCall.text("property");
    for (PropertyDefinition& definition : ioCall.store().propertyDefinitions(inType))
        if (ztCentralEqualNoCase(definition.name, name))
            return definition;
    throw ztException(ztCentralErr_objectNotFound, ztCentralText::propertyDefinitionNotFound, 'p',
                      name, 't', objectTypeName(inType));
}

void writeDefinition(TiXmlNode& ioParent, const PropertyDefinition& inDefinition) {
    TiXmlElement& element = ztCentralCall::addElement(ioParent, "propertyDefinition");
    ztCentralCall::addText(element, "name", inDefinition.name);
    ztCentralCall::addText(element, "type", inDefinition.type);
    ztCentralCall::addText(element, "description", inDefinition.description);
    ztCentralCall::addText(element, "mandatory", inDefinition.mandatory ? "1" : "0");
    ztCentralCall::addText(element, "readOnly", inDefinition.readOnly ? "1" : "0");
    ztCentralCall::addText(element, "system", inDefinition.system ? "1" : "0");
    ztCentralCall::addText(element, "defaultValue", inDefinition.defaultValue);
    TiXmlElement& items = ztCentralCall::addElement(element, "listItems");
    for (const std::string& item : inDefinition.listItems)
        ztCentralCall::addText(items, "item", item);
}

std::string childText(const TiXmlElement& inElement, const char* inName) {
    return ztCentralValidator::childText(inElement, inName);
}

bool childBool(const TiXmlElement& inElement, const char* inName) {
    bool value = false;
    ztCentralValidator::parseBool(childText(inElement, inName), value);
    return value;
}

// A definition from its (validated) element, with its type checked (its default is checked
// by checkDefault).
PropertyDefinition readDefinition(const TiXmlElement& inElement) {
    PropertyDefinition result;
    result.name = childText(inElement, "name");
    if (result.name.empty() || ztCentralEqualNoCase(result.name, "name") ||
        ztCentralEqualNoCase(result.name, "ref"))
        badValue(result.name, "propertyDefinition/name", "a property needs a name of its own.");
    const std::string type = childText(inElement, "type");
    result.type = "String";
    if (!type.empty()) {
        bool known = false;
        for (const char* name : kPropertyTypes)
            if (ztCentralEqualNoCase(name, type)) {
                result.type = name;
                known = true;
            }
        if (!known)
            badValue(type, "propertyDefinition/type",
                     "String, Integer, Boolean or IPAddress is expected.");
    }
    result.description = childText(inElement, "description");
    result.mandatory = childBool(inElement, "mandatory");
    result.readOnly = childBool(inElement, "readOnly");
    if (const TiXmlElement* items = ztCentralValidator::child(inElement, "listItems"))
        for (const TiXmlElement* item = items->FirstChildElement(); item != nullptr;
             item = item->NextSiblingElement())
            result.listItems.push_back(ztCentralValidator::textOf(*item));
    result.defaultValue = childText(inElement, "defaultValue");
    return result;
}

void checkDefault(ztCentralCall& ioCall, ztObjType inType, const PropertyDefinition& inDefinition) {
    if (inDefinition.defaultValue.empty()) {
        if (inDefinition.mandatory && !ioCall.store().objectsOf(inType).empty())
            badValue(std::string(), "propertyDefinition/defaultValue",
                     "a mandatory property needs a default while objects of the type exist.");
        return;
    }
    // Checked the way a value of an object would be.
    const Kind& kind = kindOf(inType);
    Object probe;
    probe.type = inType;
    auto& definitions = ioCall.store().propertyDefinitions(inType);
    definitions.push_back(inDefinition);
    definitions.back().readOnly = false;
    try {
        ztCentralObjectCodec::setProperty(ioCall, kind, probe, inDefinition.name,
                                          inDefinition.defaultValue);
    } catch (...) {
        definitions.pop_back();
        throw;
    }
    definitions.pop_back();
}

void getPropertyDefinitions(ztCentralCall& ioCall) {
    const ztObjType type = objTypeArg(ioCall);
    const ztCentralCall::Paging paging = ioCall.paging();
    std::vector<const PropertyDefinition*> found;
    for (const PropertyDefinition& definition : ioCall.store().propertyDefinitions(type)) {
        Object asObject;
        asObject.name = definition.name;
        if (ioCall.matches(asObject, paging.filter))
            found.push_back(&definition);
    }
    TiXmlElement& list = ztCentralCall::addElement(ioCall.answer(), "propertyDefinitions");
    for (const PropertyDefinition* definition : ztCentralCall::page(found, paging))
        writeDefinition(list, *definition);
    ioCall.writeTotal(found.size());
}

void getPropertyDefinition(ztCentralCall& ioCall) {
    writeDefinition(ioCall.answer(), definitionArg(ioCall, objTypeArg(ioCall)));
}

void addPropertyDefinition(ztCentralCall& ioCall) {
    const ztObjType type = objTypeArg(ioCall);
    PropertyDefinition definition = readDefinition(*ioCall.arg("propertyDefinition"));
    auto& definitions = ioCall.store().propertyDefinitions(type);
    for (const PropertyDefinition& existing : definitions)
        if (ztCentralEqualNoCase(existing.name, definition.name))
            throw ztException(ztErr_itemExists, ztCentralText::propertyDefinitionExists, 'p',
                              definition.name, 't', objectTypeName(type));
    checkDefault(ioCall, type, definition);
    // Objects that exist already take the default.
    if (!definition.defaultValue.empty())
        for (const Object* object : ioCall.store().objectsOf(type))
            ztCentralStore::set(ioCall.store().find(object->id)->custom, definition.name,
                                definition.defaultValue);
    definitions.push_back(definition);
    ztCentralCall::addText(ioCall.answer(), "name", definition.name);
}

void modifyPropertyDefinition(ztCentralCall& ioCall) {
    const ztObjType type = objTypeArg(ioCall);
    PropertyDefinition& current = definitionArg(ioCall, type);
    if (current.system)
        throw ztException(ztErr_invalidArgument, ztCentralText::systemProperty, 'p', current.name);
    PropertyDefinition changed = readDefinition(*ioCall.arg("propertyDefinition"));
    for (const PropertyDefinition& existing : ioCall.store().propertyDefinitions(type))
        if (&existing != &current && ztCentralEqualNoCase(existing.name, changed.name))
            throw ztException(ztErr_itemExists, ztCentralText::propertyDefinitionExists, 'p',
                              changed.name, 't', objectTypeName(type));
    checkDefault(ioCall, type, changed);
    const std::string oldName = current.name;
    current = changed;
    for (const Object* object : ioCall.store().objectsOf(type)) {
        Object& stored = *ioCall.store().find(object->id);
        const std::string* value = ztCentralStore::get(stored.custom, oldName);
        if (value == nullptr)
            continue;
        const std::string kept = *value;
        ztCentralStore::erase(stored.custom, oldName);
        ztCentralStore::set(stored.custom, changed.name, kept);
    }
}

void removePropertyDefinition(ztCentralCall& ioCall) {
    const ztObjType type = objTypeArg(ioCall);
    PropertyDefinition& current = definitionArg(ioCall, type);
    if (current.system)
        throw ztException(ztErr_invalidArgument, ztCentralText::systemProperty, 'p', current.name);
    const std::string name = current.name;
    std::erase_if(ioCall.store().propertyDefinitions(type),
                  [&name](const PropertyDefinition& inDef) { return inDef.name == name; });
    for (const Object* object : ioCall.store().objectsOf(type))
        ztCentralStore::erase(ioCall.store().find(object->id)->custom, name);
}

void preLoginInfo(ztCentralCall& ioCall) {
    const ztCentralStore::PreLogin& settings = ioCall.store().preLogin();
    TiXmlElement& options = ztCentralCall::addElement(ioCall.answer(), "signInOptions");
    for (const std::string& option : settings.signInOptions)
        ztCentralCall::addElement(options, option);
    if (settings.preferExternalAuth)
        ztCentralCall::addText(ioCall.answer(), "preferExternalAuth",
                               *settings.preferExternalAuth ? "1" : "0");
    if (!settings.loginBanner.empty())
        ztCentralCall::addText(ioCall.answer(), "loginBanner", settings.loginBanner);
}

void prepareServer(Object& ioServer) {
    setDefault(ioServer, "state", "OK");
}

} // namespace

void ztCentralGeneralHandlers::addTo(ztCentralHandlerMap& ioHandlers) {
    ioHandlers["web_getPreLoginInfo"] = preLoginInfo;
    ioHandlers["SetProperties"] = setProperties;
    ioHandlers["RemoveObject"] = removeObject;
    ioHandlers["GetObjectAccess"] = getObjectAccess;
    ioHandlers["SetObjectAccess"] = setObjectAccess;
    ioHandlers["GetHistory"] = getHistory;
    ioHandlers["GetPropertyDefinitions"] = getPropertyDefinitions;
    ioHandlers["GetPropertyDefinition"] = getPropertyDefinition;
    ioHandlers["AddPropertyDefinition"] = addPropertyDefinition;
    ioHandlers["ModifyPropertyDefinition"] = modifyPropertyDefinition;
    ioHandlers["RemovePropertyDefinition"] = removePropertyDefinition;
}

ztCentralHandler ztCentralGeneralHandlers::genericHandler(ztCentralCatalog::Action inAction) {
    switch (inAction) {
    case ztCentralCatalog::Action::listObjects:
        return listObjects;
    case ztCentralCatalog::Action::getObject:
        return getObject;
    case ztCentralCatalog::Action::addObject:
        return addObject;
    case ztCentralCatalog::Action::custom:
        break;
    }
    return nullptr;
}

void ztCentralGeneralHandlers::prepare(ztCentralCall& ioCall, const Kind& inKind, Object& ioObject,
                                       const Object* inOld) {
    switch (inKind.type) {
    case obj_dnsServer:
        prepareServer(ioObject);
        setDefault(ioObject, "enabled", "1");
        break;
    case obj_dhcpServer:
        prepareServer(ioObject);
        break;
    case obj_dnsZone:
        ztCentralDNSHandlers::prepareZone(ioCall, ioObject);
        break;
    case obj_dnsRecord:
        ztCentralDNSHandlers::prepareRecord(ioCall, ioObject);
        break;
    case obj_range:
        ztCentralIPAMHandlers::prepareRange(ioCall, ioObject, inOld);
        break;
    case obj_scope:
        ztCentralIPAMHandlers::prepareScope(ioCall, ioObject);
        break;
    case obj_user:
        ztCentralUserHandlers::prepareUser(ioCall, ioObject);
        break;
    case obj_folder:
        ztCentralFolderHandlers::prepareFolder(ioCall, ioObject, inOld);
        break;
    case obj_reportDefinition:
        ztCentralReportHandlers::prepareDefinition(ioCall, ioObject);
        break;
    default:
        break;
    }
    checkRequired(inKind, ioObject);
    ztCentralObjectCodec::checkMandatory(ioCall.store(), ioObject);
    checkUnique(ioCall, inKind, ioObject);
}

void ztCentralGeneralHandlers::removeWithOwned(ztCentralCall& ioCall, uint32_t inId) {
    ztCentralStore& store = ioCall.store();
    const Object* object = store.find(inId);
    if (object == nullptr)
        return;
    const std::string ref = ztCentralStore::refOf(*object);
    // Owned objects first, found through the owner field of every kind.
    std::vector<uint32_t> owned;
    for (const Kind& kind : ztCentralCatalog::instance().kinds()) {
        if (kind.parentField.empty())
            continue;
        for (const Object* candidate : store.objectsOf(kind.type))
            if (storedField(*candidate, kind.parentField) == ref)
                owned.push_back(candidate->id);
    }
    for (uint32_t id : owned)
        removeWithOwned(ioCall, id);
    // Subranges move up to the removed range's parent.
    if (object->type == obj_range) {
        const std::string parent = storedField(*object, "parentRef");
        for (const Object* child : ztCentralRanges::children(store, inId)) {
            Object& stored = *store.find(child->id);
            if (parent.empty())
                ztCentralStore::erase(stored.fields, "parentRef");
            else
                ztCentralStore::set(stored.fields, "parentRef", parent);
        }
    }
    // Other objects forget the reference (a zone its view, say).
    std::vector<uint32_t> referring;
    for (const Kind& kind : ztCentralCatalog::instance().kinds())
        for (const Object* candidate : store.objectsOf(kind.type))
            for (const auto& [name, value] : candidate->fields)
                if (value == ref)
                    referring.push_back(candidate->id);
    for (uint32_t id : referring) {
        Object& stored = *store.find(id);
        std::erase_if(stored.fields, [&ref](const auto& inField) { return inField.second == ref; });
    }
    const std::string comment = ioCall.comment();
    store.remove(inId, ioCall.user(), comment);
}
