#pragma once
// The stand-in server's commands for users, groups and roles: memberships and role assignments.

#include "ztcentral/handlers/ztCentralCall.h"

class ztCentralUserHandlers {
public:
    using Object = ztCentralStore::Object;

    // Enters the commands implemented here.
    static void addTo(ztCentralHandlerMap& ioHandlers);
    // Checks the authentication type of a user about to be stored (Internal by default).
    static void prepareUser(ztCentralCall& ioCall, Object& ioUser);
};
