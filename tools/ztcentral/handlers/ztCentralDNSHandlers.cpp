// DNS commands beyond the generic ones, and the rules zones and records must follow.
#include "ztcentral/handlers/ztCentralDNSHandlers.h"

#include "ztcentral/model/ztCentralAddress.h"
#include "ztcentral/model/ztCentralErr.h"
#include "ztcentral/handlers/ztCentralGeneralHandlers.h"
#include "ztcentral/handlers/ztCentralObjectCodec.h"
#include "ztcentral/catalog/ztCentralValidator.h"

#include "messages/ztException.h"

#include <tinyxml.h>

#include <array>
#include <sstream>

namespace {

using Object = ztCentralStore::Object;

constexpr std::array<const char*, 4> kZoneTypes = {"Master", "Slave", "Stub", "Forward"};
constexpr std::array<const char*, 8> kRecordTypes = {"A",  "AAAA", "CNAME", "MX",
                                                     "NS", "PTR",  "SRV",   "TXT"};

[[noreturn]] void badValue(const std::string& inValue, const std::string& inArgument,
                           const std::string& inWhy) {
    throw ztException(ztErrorMessage(ztErr_invalidArgument, ztCentralText::invalidValue, 'v',
                                     inValue, 'a', inArgument, 'w', inWhy));
}

std::string field(const Object& inObject, std::string_view inName) {
    const std::string* value = ztCentralStore::get(inObject.fields, inName);
    return value == nullptr ? std::string() : *value;
}

// The spelling from inChoices that equals inValue ignoring case, or null.
template <size_t N>
const char* canonical(const std::array<const char*, N>& inChoices, std::string_view inValue) {
    for (const char* choice : inChoices)
        if (ztCentralEqualNoCase(choice, inValue))
            return choice;
    return nullptr;
}

bool isDomainName(std::string_view inName) {
    if (inName.empty() || inName.size() > 255)
        return false;
    for (char c : inName) {
        const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                        (c >= '0' && c <= '9') || c == '-' || c == '.' || c == '_' || c == '*';
        if (!ok)
            return false;
    }
    return inName.find("..") == std::string_view::npos;
}

// Lower case with a final dot, for comparing names.
std::string normalName(std::string inName) {
    for (char& c : inName)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    if (!inName.empty() && inName.back() != '.')
        inName += '.';
    return inName;
}

// Splits record data into words separated by blanks.
std::vector<std::string> words(const std::string& inData) {
    std::istringstream stream(inData);
    std::vector<std::string> result;
    for (std::string word; stream >> word;)
        result.push_back(word);
    return result;
}

bool isNumberBelow(const std::string& inText, uint32_t inLimit) {
    uint32_t value = 0;
    return ztCentralValidator::parseUInt(inText, value) && value < inLimit;
}

// Why the data does not suit the record type, or empty when it does.
std::string dataProblem(const std::string& inType, const std::string& inData) {
    ztCentralAddress::Value address = 0;
    const std::vector<std::string> parts = words(inData);
    if (inType == "A")
        return ztCentralAddress::parse(inData, address) && ztCentralAddress::isIPv4(address)
                   ? std::string()
                   : "an A record holds an IPv4 address.";
    if (inType == "AAAA")
        return ztCentralAddress::parse(inData, address) && !ztCentralAddress::isIPv4(address)
                   ? std::string()
                   : "an AAAA record holds an IPv6 address.";
    if (inType == "CNAME" || inType == "NS" || inType == "PTR")
        return isDomainName(inData) ? std::string() : "a host name is expected.";
    if (inType == "MX")
        return parts.size() == 2 && isNumberBelow(parts[0], 65536) && isDomainName(parts[1])
                   ? std::string()
                   : "preference and host name are expected.";
    if (inType == "SRV")
        return parts.size() == 4 && isNumberBelow(parts[0], 65536) &&
                       isNumberBelow(parts[1], 65536) && isNumberBelow(parts[2], 65536) &&
                       isDomainName(parts[3])
                   ? std::string()
                   : "priority, weight, port and target are expected.";
    return inData.empty() ? "a record needs data." : std::string();
}

const Object* zoneOf(ztCentralStore& ioStore, const Object& inRecord) {
    ztCentralValidator::Reference zone;
    if (!ztCentralValidator::parseReference(field(inRecord, "dnsZoneRef"), zone))
        return nullptr;
    return ioStore.find(zone.id);
}

// The record's fully qualified name in normal form.
std::string fullName(ztCentralStore& ioStore, const Object& inRecord) {
    const Object* zone = zoneOf(ioStore, inRecord);
    const std::string zoneName = zone == nullptr ? std::string() : zone->name;
    if (inRecord.name == "@")
        return normalName(zoneName);
    if (!inRecord.name.empty() && inRecord.name.back() == '.')
        return normalName(inRecord.name);
    return normalName(inRecord.name + "." + zoneName);
}

void addDNSRecords(ztCentralCall& ioCall) {
    const ztCentralCatalog::Kind& kind = *ztCentralCatalog::instance().findKind(obj_dnsRecord);
    // All records are checked before any is stored.
    std::vector<Object> records;
    for (const TiXmlElement* item = ioCall.arg("dnsRecords")->FirstChildElement(); item != nullptr;
         item = item->NextSiblingElement()) {
        Object record = ztCentralObjectCodec::read(ioCall, kind, *item);
        ztCentralGeneralHandlers::prepare(ioCall, kind, record, nullptr);
        records.push_back(std::move(record));
    }
    TiXmlElement& refs = ztCentralCall::addElement(ioCall.answer(), "objRefs");
    for (Object& record : records) {
        const Object& stored =
            ioCall.store().add(std::move(record), ioCall.user(), ioCall.comment());
        ztCentralCall::addText(refs, "ref", ztCentralStore::refOf(stored));
    }
}

void getRelatedDNSRecords(ztCentralCall& ioCall) {
    const Object& record = ioCall.object("dnsRecordRef", obj_dnsRecord);
    const std::string name = fullName(ioCall.store(), record);
    const std::string data = normalName(field(record, "data"));
    std::vector<const Object*> related;
    for (const Object* other : ioCall.store().objectsOf(obj_dnsRecord)) {
        if (other->id == record.id)
            continue;
        if (normalName(field(*other, "data")) == name || fullName(ioCall.store(), *other) == data)
            related.push_back(other);
    }
    TiXmlElement& list = ztCentralCall::addElement(ioCall.answer(), "dnsRecords");
    for (const Object* other : related)
        ztCentralObjectCodec::write(ioCall.store(), *other, list, "dnsRecord");
    ioCall.writeTotal(related.size());
}

void getDNSZoneOptions(ztCentralCall& ioCall) {
    const Object& zone = ioCall.object("dnsZoneRef", obj_dnsZone);
    TiXmlElement& options = ztCentralCall::addElement(ioCall.answer(), "options");
    for (const auto& [name, value] : ioCall.store().optionsOf(zone.id)) {
        TiXmlElement& property = ztCentralCall::addElement(options, "property");
        ztCentralCall::addText(property, "name", name);
        ztCentralCall::addText(property, "value", value);
    }
}

void setDNSZoneOptions(ztCentralCall& ioCall) {
    const Object& zone = ioCall.object("dnsZoneRef", obj_dnsZone);
    ztCentralStore::Fields options = ioCall.store().optionsOf(zone.id);
    for (const TiXmlElement* property = ioCall.arg("options")->FirstChildElement();
         property != nullptr; property = property->NextSiblingElement()) {
        const std::string name = ztCentralValidator::childText(*property, "name");
        const std::string value = ztCentralValidator::childText(*property, "value");
        if (name.empty())
            badValue(name, "options/property/name", "an option needs a name.");
        if (value.empty())
            ztCentralStore::erase(options, name);
        else
            ztCentralStore::set(options, name, value);
    }
    ioCall.store().optionsOf(zone.id) = std::move(options);
    const std::string comment = ioCall.comment();
    ioCall.store().modified(zone, ioCall.user(), comment.empty() ? "Options changed." : comment);
}

} // namespace

void ztCentralDNSHandlers::addTo(ztCentralHandlerMap& ioHandlers) {
    ioHandlers["AddDNSRecords"] = addDNSRecords;
    ioHandlers["GetRelatedDNSRecords"] = getRelatedDNSRecords;
    ioHandlers["GetDNSZoneOptions"] = getDNSZoneOptions;
    ioHandlers["SetDNSZoneOptions"] = setDNSZoneOptions;
}

void ztCentralDNSHandlers::prepareZone(ztCentralCall& ioCall, Object& ioZone) {
    if (!ioZone.name.empty() && ioZone.name.back() != '.')
        ioZone.name += '.';
    if (!ioZone.name.empty() && !isDomainName(ioZone.name))
        badValue(ioZone.name, "dnsZone/name", "a domain name is expected.");
    const std::string type = field(ioZone, "type");
    const char* zoneType = canonical(kZoneTypes, type.empty() ? "Master" : type);
    if (zoneType == nullptr)
        badValue(type, "dnsZone/type", "Master, Slave, Stub or Forward is expected.");
    ztCentralStore::set(ioZone.fields, "type", zoneType);
    // A view belongs to one server; a zone in it must be on that server.
    const std::string viewRef = field(ioZone, "dnsViewRef");
    if (viewRef.empty())
        return;
    const Object& view = ioCall.resolve(viewRef, "dnsViewRef", obj_dnsView);
    if (field(view, "dnsServerRef") != field(ioZone, "dnsServerRef"))
        badValue(viewRef, "dnsZone/dnsViewRef", "the view belongs to another server.");
}

void ztCentralDNSHandlers::prepareRecord(ztCentralCall& ioCall, Object& ioRecord) {
    (void)ioCall;
    if (!ioRecord.name.empty() && ioRecord.name != "@" && !isDomainName(ioRecord.name))
        badValue(ioRecord.name, "dnsRecord/name", "a host name relative to the zone is expected.");
    const std::string type = field(ioRecord, "type");
    const char* recordType = canonical(kRecordTypes, type);
    if (!type.empty() && recordType == nullptr)
        badValue(type, "dnsRecord/type", "A, AAAA, CNAME, MX, NS, PTR, SRV or TXT is expected.");
    if (recordType != nullptr) {
        ztCentralStore::set(ioRecord.fields, "type", recordType);
        const std::string data = field(ioRecord, "data");
        const std::string problem = dataProblem(recordType, data);
        if (!data.empty() && !problem.empty())
            badValue(data, "dnsRecord/data", problem);
    }
    const std::string ttl = field(ioRecord, "ttl");
    uint32_t seconds = 0;
    if (!ttl.empty() && !ztCentralValidator::parseUInt(ttl, seconds))
        badValue(ttl, "dnsRecord/ttl", "a number of seconds is expected.");
    if (ztCentralStore::get(ioRecord.fields, "enabled") == nullptr)
        ztCentralStore::set(ioRecord.fields, "enabled", "1");
}
