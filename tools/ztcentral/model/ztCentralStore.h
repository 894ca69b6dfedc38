#pragma once
// The data of the stand-in central server: managed objects with their ids, fields and custom
// property values, the relations between them (group members, roles, folders, access), the
// history of changes, custom property definitions, report files and the pre-login settings.
// Not thread-safe by itself: ztCentralModel owns one and hands it out under its mutex.

#include "datastruct/ztObjReference.h"

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

class ztCentralStore {
public:
    // Named text values in the order they were first set; names compare ignoring ASCII case.
    using Fields = std::vector<std::pair<std::string, std::string>>;
    // Seconds since 1970-01-01 00:00:00 UTC.
    using Clock = std::function<int64_t()>;

    struct Object {
        ztObjType type = obj_unknown;
        uint32_t id = 0; // unique over all types, never reused
        std::string name;
        Fields fields; // the kind's declared fields that are set (references in canonical form)
        Fields custom; // custom property values
    };

    struct HistoryEntry {
        uint32_t objId = 0;
        ztObjType objType = obj_unknown;
        std::string objName;
        int64_t time = 0;
        std::string user;
        std::string action; // "Created", "Modified", "Deleted"
        std::string comment;
    };

    struct PropertyDefinition {
        std::string name;
        std::string type = "String"; // String, Integer, Boolean, IPAddress
        std::string description;
        bool mandatory = false;
        bool readOnly = false;
        bool system = false;
        std::string defaultValue;
        std::vector<std::string> listItems;
    };

    struct AccessEntry {
        uint32_t identityId = 0;
        std::vector<std::pair<std::string, bool>> access; // permission name, granted
    };

    struct PreLogin {
        std::vector<std::string> signInOptions{"form"};
        std::optional<bool> preferExternalAuth;
        std::string loginBanner;
    };

    // Relations between two objects, stored as (kind, first id, second id).
    enum class Relation {
        member, // group, user
        role,   // role, user or group
    };

    // inClock stamps history entries; an empty clock reads the system time.
    explicit ztCentralStore(Clock inClock = {});
    ztCentralStore(const ztCentralStore&) = delete;
    ztCentralStore& operator=(const ztCentralStore&) = delete;

    // --- Objects ---
    Object* find(uint32_t inId);
    const Object* find(uint32_t inId) const;
    // Objects of inType (any type for obj_unknown) whose name equals inName ignoring ASCII
    // case, in id order.
    std::vector<Object*> findByName(ztObjType inType, std::string_view inName);
    // Every object of inType in id order.
    std::vector<const Object*> objectsOf(ztObjType inType) const;
    // Stores inObject under a fresh id, records "Created" unless inRecord is false, and
    // returns the stored object (valid until the object is removed).
    Object& add(Object inObject, const std::string& inUser, const std::string& inComment,
                bool inRecord = true);
    // Records "Modified" for an object changed in place.
    void modified(const Object& inObject, const std::string& inUser, const std::string& inComment);
    // Removes the object with everything attached to it (relations, folder places, access,
    // options, report file) and records "Deleted". Owned objects are the caller's business.
    void remove(uint32_t inId, const std::string& inUser, const std::string& inComment);

    // The canonical reference text {#type-#id}.
    static std::string refOf(const Object& inObject);
    static std::string refOf(ztObjType inType, uint32_t inId);
    // A named value ignoring ASCII case: null when absent.
    static const std::string* get(const Fields& inFields, std::string_view inName);
    // Sets (or adds at the end) a named value; an existing entry keeps its place and spelling.
    static void set(Fields& ioFields, std::string_view inName, const std::string& inValue);
    // Removes a named value; true when there was one.
    static bool erase(Fields& ioFields, std::string_view inName);

    // --- Relations ---
    // Adds a relation; false when it existed already.
    bool relate(Relation inRelation, uint32_t inFirst, uint32_t inSecond);
    // Removes a relation; false when there was none.
    bool unrelate(Relation inRelation, uint32_t inFirst, uint32_t inSecond);
    bool related(Relation inRelation, uint32_t inFirst, uint32_t inSecond) const;

    // --- Folders (objects other than folders; a folder's place is its parentRef field) ---
    std::optional<uint32_t> folderOf(uint32_t inId) const;
    void placeInFolder(uint32_t inId, uint32_t inFolderId);
    void removeFromFolder(uint32_t inId);
    // Objects other than folders placed directly in a folder, in id order.
    std::vector<uint32_t> objectsInFolder(uint32_t inFolderId) const;

    // --- Access ---
    std::vector<AccessEntry>& accessOf(uint32_t inId) { return itsAccess[inId]; }

    // --- Options of an object (zone options) ---
    Fields& optionsOf(uint32_t inId) { return itsOptions[inId]; }

    // --- History, oldest first ---
    std::vector<HistoryEntry> historyOf(uint32_t inId) const;

    // --- Custom property definitions of an object type, in the order they were added ---
    std::vector<PropertyDefinition>& propertyDefinitions(ztObjType inType) {
        return itsPropertyDefinitions[inType];
    }

    // --- Report files ---
    void setReportFile(uint32_t inId, std::string inContent);
    // Null when the report has no file.
    const std::string* reportFile(uint32_t inId) const;

    // --- Users ---
    // The user whose name equals inLoginName ignoring ASCII case and whose password is
    // inPassword (compared exactly); null when there is none.
    const Object* authenticate(std::string_view inLoginName, std::string_view inPassword) const;

    PreLogin& preLogin() { return itsPreLogin; }

    // The time on the store's clock, and its text form "yyyy-mm-dd HH:MM:SS" (UTC).
    int64_t now() const;
    static std::string formatTime(int64_t inSeconds);

private:
    void record(const Object& inObject, const char* inAction, const std::string& inUser,
                const std::string& inComment);

    Clock itsClock;
    uint32_t itsNextId = 1;
    std::map<uint32_t, Object> itsObjects;
    std::set<std::tuple<Relation, uint32_t, uint32_t>> itsRelations;
    std::map<uint32_t, uint32_t> itsFolders; // object -> folder
    std::map<uint32_t, std::vector<AccessEntry>> itsAccess;
    std::map<uint32_t, Fields> itsOptions;
    std::vector<HistoryEntry> itsHistory;
    std::map<ztObjType, std::vector<PropertyDefinition>> itsPropertyDefinitions;
    std::map<uint32_t, std::string> itsReportFiles;
    PreLogin itsPreLogin;
};
