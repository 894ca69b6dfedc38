#pragma once
// What one call of the dispatcher knows about its caller: the credentials and session it
// runs in, and how the session is to be kept. Owned by the caller for the call.

#include <cstdint>
#include <string>

class xmlSessionManager;

struct xmlRequestContext {
    std::string itsServer; // central server to log in to; empty: the manager's default
    std::string itsLoginName;
    std::string itsPassword;
    std::string itsSessionID;      // the session the request runs in; empty when none
    std::string itsOrigin;         // shown in the request log line after the login name
    int32_t itsAuthentication = 0; // 0 plain, 2 single sign-on; 1 and 2 allow automatic login
    bool itsSingleSignon = false;
    bool itsKeepSession = true; // false: the session ends when the context lets go of it
    uint16_t itsCommandFlags = 0;

    // Lets go of itsSessionID: removes the session from ioManager unless it is to be kept,
    // empties the id, and keeps later sessions.
    void releaseSession(xmlSessionManager& ioManager);
};
