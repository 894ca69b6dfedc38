// The stand-in server's data and the bookkeeping that keeps it consistent when objects go.
#include "ztcentral/model/ztCentralStore.h"

#include "ztcentral/catalog/ztCentralCatalog.h"

#include "platform/ztClock.h"

#include <fmt/format.h>

#include <algorithm>

ztCentralStore::ztCentralStore(Clock inClock) : itsClock(std::move(inClock)) {
    if (!itsClock)
        itsClock = [] { return zt::platform::secondsSinceEpoch(); };
}

ztCentralStore::Object* ztCentralStore::find(uint32_t inId) {
    auto it = itsObjects.find(inId);
    return it == itsObjects.end() ? nullptr : &it->second;
}

const ztCentralStore::Object* ztCentralStore::find(uint32_t inId) const {
    auto it = itsObjects.find(inId);
    return it == itsObjects.end() ? nullptr : &it->second;
}

std::vector<ztCentralStore::Object*> ztCentralStore::findByName(ztObjType inType,
                                                                std::string_view inName) {
    std::vector<Object*> result;
    for (auto& [id, object] : itsObjects)
        if ((inType == obj_unknown || object.type == inType) &&
            ztCentralEqualNoCase(object.name, inName))
            result.push_back(&object);
    return result;
}

std::vector<const ztCentralStore::Object*> ztCentralStore::objectsOf(ztObjType inType) const {
    std::vector<const Object*> result;
    for (const auto& [id, object] : itsObjects)
        if (object.type == inType)
            result.push_back(&object);
    return result;
}

ztCentralStore::Object& ztCentralStore::add(Object inObject, const std::string& inUser,
                                            const std::string& inComment, bool inRecord) {
    inObject.id = itsNextId++;
    Object& stored = itsObjects.emplace(inObject.id, std::move(inObject)).first->second;
    if (inRecord)
        record(stored, "Created", inUser, inComment);
    return stored;
}

void ztCentralStore::modified(const Object& inObject, const std::string& inUser,
                              const std::string& inComment) {
    record(inObject, "Modified", inUser, inComment);
}

void ztCentralStore::remove(uint32_t inId, const std::string& inUser,
                            const std::string& inComment) {
    auto it = itsObjects.find(inId);
    if (it == itsObjects.end())
        return;
    record(it->second, "Deleted", inUser, inComment);
    std::erase_if(itsRelations, [inId](const auto& inRelation) {
        return std::get<1>(inRelation) == inId || std::get<2>(inRelation) == inId;
    });
    std::erase_if(itsFolders, [inId](const auto& inPlace) {
        return inPlace.first == inId || inPlace.second == inId;
    });
    itsAccess.erase(inId);
    for (auto& [objId, entries] : itsAccess)
        std::erase_if(entries,
                      [inId](const AccessEntry& inEntry) { return inEntry.identityId == inId; });
    itsOptions.erase(inId);
    itsReportFiles.erase(inId);
    itsObjects.erase(it);
}

std::string ztCentralStore::refOf(const Object& inObject) {
    return refOf(inObject.type, inObject.id);
}

std::string ztCentralStore::refOf(ztObjType inType, uint32_t inId) {
    return fmt::format("{{#{}-#{}}}", inType, inId);
}

const std::string* ztCentralStore::get(const Fields& inFields, std::string_view inName) {
    for (const auto& [name, value] : inFields)
        if (ztCentralEqualNoCase(name, inName))
            return &value;
    return nullptr;
}

void ztCentralStore::set(Fields& ioFields, std::string_view inName, const std::string& inValue) {
    for (auto& [name, value] : ioFields) {
        if (ztCentralEqualNoCase(name, inName)) {
            value = inValue;
            return;
        }
    }
    ioFields.emplace_back(std::string(inName), inValue);
}

bool ztCentralStore::erase(Fields& ioFields, std::string_view inName) {
    return std::erase_if(ioFields, [inName](const auto& inField) {
               return ztCentralEqualNoCase(inField.first, inName);
           }) != 0;
}

bool ztCentralStore::relate(Relation inRelation, uint32_t inFirst, uint32_t inSecond) {
    return itsRelations.emplace(inRelation, inFirst, inSecond).second;
}

bool ztCentralStore::unrelate(Relation inRelation, uint32_t inFirst, uint32_t inSecond) {
    return itsRelations.erase({inRelation, inFirst, inSecond}) != 0;
}

bool ztCentralStore::related(Relation inRelation, uint32_t inFirst, uint32_t inSecond) const {
    return itsRelations.count({inRelation, inFirst, inSecond}) != 0;
}

std::optional<uint32_t> ztCentralStore::folderOf(uint32_t inId) const {
    auto it = itsFolders.find(inId);
    if (it == itsFolders.end())
        return std::nullopt;
    return it->second;
}

void ztCentralStore::placeInFolder(uint32_t inId, uint32_t inFolderId) {
    itsFolders[inId] = inFolderId;
}

void ztCentralStore::removeFromFolder(uint32_t inId) {
    itsFolders.erase(inId);
}

std::vector<uint32_t> ztCentralStore::objectsInFolder(uint32_t inFolderId) const {
    std::vector<uint32_t> result;
    for (const auto& [id, folder] : itsFolders)
        if (folder == inFolderId)
            result.push_back(id);
    return result;
}

std::vector<ztCentralStore::HistoryEntry> ztCentralStore::historyOf(uint32_t inId) const {
    std::vector<HistoryEntry> result;
    for (const HistoryEntry& entry : itsHistory)
        if (entry.objId == inId)
            result.push_back(entry);
    return result;
}

void ztCentralStore::setReportFile(uint32_t inId, std::string inContent) {
    itsReportFiles[inId] = std::move(inContent);
}

const std::string* ztCentralStore::reportFile(uint32_t inId) const {
    auto it = itsReportFiles.find(inId);
    return it == itsReportFiles.end() ? nullptr : &it->second;
}

const ztCentralStore::Object* ztCentralStore::authenticate(std::string_view inLoginName,
                                                           std::string_view inPassword) const {
    for (const auto& [id, object] : itsObjects) {
        if (object.type != obj_user || !ztCentralEqualNoCase(object.name, inLoginName))
            continue;
        const std::string* password = get(object.fields, "password");
        return (password != nullptr && *password == inPassword) ? &object : nullptr;
    }
    return nullptr;
}

int64_t ztCentralStore::now() const {
    return itsClock();
}

std::string ztCentralStore::formatTime(int64_t inSeconds) {
    zt::platform::CivilTime time;
    if (!zt::platform::toUtc(inSeconds, time))
        return {};
    return fmt::format("{:04}-{:02}-{:02} {:02}:{:02}:{:02}", time.year, time.month, time.day,
                       time.hour, time.minute, time.second);
}

void ztCentralStore::record(const Object& inObject, const char* inAction, const std::string& inUser,
                            const std::string& inComment) {
    itsHistory.push_back(HistoryEntry{inObject.id, inObject.type, inObject.name, now(), inUser,
                                      inAction, inComment});
}
