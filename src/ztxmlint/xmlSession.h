#pragma once
// One logged-in session: an authenticated connection to a central server, found by its
// session id. Held only through shared pointers, so a request that found the session keeps
// it (and its connection) usable even while another thread removes it from the manager.

#include "platform/ztNativeMutex.h"
#include "util/ztDateTime.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

class ztNetObjectHandler;

class xmlSession {
public:
    // inPassword is enciphered at once; the plain text is not kept.
    xmlSession(std::shared_ptr<ztNetObjectHandler> inConnection, std::string inServer,
               int32_t inPort, std::string inLoginName, const std::string& inPassword,
               int32_t inAuthentication, bool inSingleSignon, bool inReplaceControlCharacters);
    xmlSession(const xmlSession&) = delete;
    xmlSession& operator=(const xmlSession&) = delete;
    ~xmlSession();

    // The current connection (null when none). Safe from any thread; the pointer keeps the
    // connection alive while the caller uses it, even if it is replaced meanwhile.
    std::shared_ptr<ztNetObjectHandler> getConnection() const;
    // Installs inConnection; the old one stops once its last user lets go of it.
    void replaceConnection(std::shared_ptr<ztNetObjectHandler> inConnection);

    // Restarts the idle time. Any thread.
    void touch();
    // Milliseconds since the last touch (the tick count wraps; the difference does not).
    uint32_t idleMillis() const;

    std::string decipherPassword() const;

    // inText with the ASCII letters in lower case: how login names are compared.
    static std::string lowerCaseOf(std::string inText);

    const std::string& getServer() const { return itsServer; }
    int32_t getPort() const { return itsPort; }
    const std::string& getLoginName() const { return itsLoginName; }
    const std::string& getLowerLoginName() const { return itsLowerLoginName; }
    int32_t getAuthentication() const { return itsAuthentication; }
    bool isSingleSignon() const { return itsSingleSignon; }
    bool replacesControlCharacters() const { return itsReplaceControlCharacters; }
    const ztDateTime& getCreated() const { return itsCreated; }

    // Held by the one thread that logs a broken session in again; the others wait on it
    // and then use the connection it installed.
    zt::platform::NativeMutex& reloginMutex() { return itsReloginMutex; }

private:
    std::string passPhrase() const;

    mutable zt::platform::NativeMutex itsConnectionMutex;
    std::shared_ptr<ztNetObjectHandler> itsConnection;
    std::string itsServer;
    int32_t itsPort;
    std::string itsLoginName;
    std::string itsLowerLoginName;
    std::string itsEncryptedPassword;
    int32_t itsAuthentication;
    bool itsSingleSignon;
    bool itsReplaceControlCharacters;
    std::atomic<uint32_t> itsIdleStamp;
    ztDateTime itsCreated;
    zt::platform::NativeMutex itsReloginMutex;
};
