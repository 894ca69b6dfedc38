// Group memberships and role assignments of users and groups.
#include "ztcentral/handlers/ztCentralUserHandlers.h"

#include "ztcentral/model/ztCentralErr.h"

#include "messages/ztException.h"

namespace {

using Object = ztCentralStore::Object;
using Relation = ztCentralStore::Relation;

// Relates or unrelates the objects of two arguments and records the change on the first.
void change(ztCentralCall& ioCall, Relation inRelation, const char* inFirstArg,
            ztObjType inFirstType, const char* inSecondArg, ztObjType inSecondType, bool inAdd,
            const char* inWhat) {
    Object& first = ioCall.object(inFirstArg, inFirstType);
    Object& second = ioCall.object(inSecondArg, inSecondType);
    // Roles are stored as (role, holder) whichever argument names the role.
    Object& left = inFirstType == obj_role || inRelation == Relation::member ? first : second;
    Object& right = &left == &first ? second : first;
    const bool changed = inAdd ? ioCall.store().relate(inRelation, left.id, right.id)
                               : ioCall.store().unrelate(inRelation, left.id, right.id);
    // Adding what is there, or removing what is not, changes nothing and is no error.
    if (changed)
        ioCall.store().modified(first, ioCall.user(),
                                std::string(inWhat) + " \"" + second.name + "\".");
}

void addUserToGroup(ztCentralCall& ioCall) {
    change(ioCall, Relation::member, "groupRef", obj_group, "userRef", obj_user, true,
           "Member added:");
}

void removeUserFromGroup(ztCentralCall& ioCall) {
    change(ioCall, Relation::member, "groupRef", obj_group, "userRef", obj_user, false,
           "Member removed:");
}

void addRoleToGroup(ztCentralCall& ioCall) {
    change(ioCall, Relation::role, "groupRef", obj_group, "roleRef", obj_role, true, "Role added:");
}

void removeRoleFromGroup(ztCentralCall& ioCall) {
    change(ioCall, Relation::role, "groupRef", obj_group, "roleRef", obj_role, false,
           "Role removed:");
}

void addRoleToUser(ztCentralCall& ioCall) {
    change(ioCall, Relation::role, "userRef", obj_user, "roleRef", obj_role, true, "Role added:");
}

void removeRoleFromUser(ztCentralCall& ioCall) {
    change(ioCall, Relation::role, "userRef", obj_user, "roleRef", obj_role, false,
           "Role removed:");
}

} // namespace

void ztCentralUserHandlers::addTo(ztCentralHandlerMap& ioHandlers) {
    ioHandlers["AddUserToGroup"] = addUserToGroup;
    ioHandlers["RemoveUserFromGroup"] = removeUserFromGroup;
    ioHandlers["AddRoleToGroup"] = addRoleToGroup;
    ioHandlers["RemoveRoleFromGroup"] = removeRoleFromGroup;
    ioHandlers["AddRoleToUser"] = addRoleToUser;
    ioHandlers["RemoveRoleFromUser"] = removeRoleFromUser;
}

void ztCentralUserHandlers::prepareUser(ztCentralCall& ioCall, Object& ioUser) {
    (void)ioCall;
    const std::string* type = ztCentralStore::get(ioUser.fields, "authenticationType");
    const std::string value = type == nullptr ? "Internal" : *type;
    if (ztCentralEqualNoCase(value, "Internal"))
        ztCentralStore::set(ioUser.fields, "authenticationType", "Internal");
    else if (ztCentralEqualNoCase(value, "AD"))
        ztCentralStore::set(ioUser.fields, "authenticationType", "AD");
    else
        throw ztException(ztErrorMessage(ztErr_invalidArgument, ztCentralText::invalidValue, 'v',
                                         value, 'a', "user/authenticationType", 'w',
                                         "Internal or AD is expected."));
}
