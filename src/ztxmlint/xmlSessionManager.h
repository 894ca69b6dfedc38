#pragma once
// The one object that lives across requests: logged-in sessions (each an authenticated
// connection to a central server), their limits and idle expiry, sending on a session with
// a transparent new login after a broken connection, the cached WSDL, and the dispatcher
// that runs one request from its text to its answer (doRequest).

#include "platform/ztNativeMutex.h"
#include "platform/ztNativeRwLock.h"
#include "ztxmlint/xmlDialect.h"
#include "ztxmlint/xmlTypedConversion.h"

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <string>

class TiXmlElement;
class ztNetObjectHandler;
class ztNetRequest;
class ztWSDL;
class xmlSession;
struct xmlRequestContext;

// The REST route lookup: a REST path and HTTP method code to a server command and the
// arguments bound from the path. A manager starts with the route table's (restCommandRouter);
// with none installed every REST path is refused.
class xmlRestRouter {
public:
    virtual ~xmlRestRouter() = default;
    // True when the path names a command for the method; outArguments receives the path's
    // arguments (name to value).
    virtual bool lookup(const std::string& inPath, int inMethod, std::string& outCommand,
                        std::map<std::string, std::string>& outArguments) const = 0;
};

class xmlSessionManager {
public:
    static constexpr int32_t defaultTimeoutSeconds = 1200;
    static constexpr int32_t maxSessionsPerUser = 25;
    static constexpr size_t maxSessions = 9999;
    static constexpr int32_t centralServerPort = 1231;

    // The manager of the process, created on first use.
    static xmlSessionManager& getInstance();

    xmlSessionManager();
    xmlSessionManager(const xmlSessionManager&) = delete;
    xmlSessionManager& operator=(const xmlSessionManager&) = delete;
    virtual ~xmlSessionManager();

    // Idle timeout of a session in seconds; 0 is taken as 1, negative values are stored as
    // given (no session then stays alive). Returns 1.
    int setSessionTimeout(int32_t inSeconds);
    int32_t getSessionTimeout() const { return itsTimeout.load(); }

    // Runs one request (see the .cpp for the steps) and leaves its answer, or its fault, in
    // outResult, rendered in the request's dialect. Never throws a ztException; any thread.
    bool doRequest(const char* inRequest, int inMethod, const std::string& inRestPath,
                   const std::map<std::string, std::string>& inQuery, int inXmlWanted,
                   xmlRequestContext& ioContext, std::string& outResult, int& ioStatus,
                   std::map<std::string, std::string>& outHeaders);

    // Logs inLoginName in on inServer:inPort and returns the new session's id. Throws the
    // limits' ztException 1030 and whatever connecting and logging in throw.
    std::string addSession(const std::string& inServer, int32_t inPort,
                           const std::string& inLoginName, const std::string& inPassword,
                           int32_t inAuthentication, bool inSingleSignon,
                           bool inReplaceControlCharacters);
    // Whether the session exists, has a connection and is within its idle time; restarts
    // the idle time when it is.
    bool isSessionAlive(const std::string& inSessionID);
    std::shared_ptr<xmlSession> findSession(const std::string& inSessionID);
    void removeSession(const std::string& inSessionID);
    // Performs ioRequest on the session's connection, logging in again once when the
    // connection broke. False when the session is unknown, expired or could not be revived.
    bool sendOnSession(const std::string& inSessionID, ztNetRequest& ioRequest);
    // Connects to inServer, performs ioRequest and returns the connection (null when
    // inOneShot, the connection then being closed). outReference receives the server's WSDL
    // reference. Throws the connection's and the request's errors.
    std::shared_ptr<ztNetObjectHandler> connectAndSend(const std::string& inServer, int32_t inPort,
                                                       ztNetRequest& ioRequest,
                                                       std::string& outReference, bool inOneShot);
    // Fetches the WSDL over the session when inReference differs from the cached one.
    // Never fails: a failed fetch keeps the old cache.
    void loadWSDLIfNeeded(xmlSession& ioSession, const std::string& inReference);
    // The cached WSDL, or, when none is cached, one fetched once from inServer (the default
    // server when empty) that is not cached. Throws what connecting and fetching throw.
    std::shared_ptr<const ztWSDL> getWSDL(const std::string& inServer);
    std::shared_ptr<const ztWSDL> getCachedWSDL(std::string* outReference = nullptr) const;
    void sweepSessions();
    size_t getSessionCount();
    // Sessions that hold a connection to their central server at this moment.
    size_t getConnectedSessionCount();

    const std::string& getDefaultServer() const { return itsDefaultServer; }
    bool isSSOEnabled() const { return itsSSOEnabled; }
    bool isCentralServerFixed() const { return itsCentralServerFixed; }
    const std::map<std::string, std::string>& getSettings() const { return itsSettings; }

    // For embedding programs and tests; the library itself never changes these.
    void setDefaultServer(std::string inServer) { itsDefaultServer = std::move(inServer); }
    void setCentralServerFixed(bool inFixed) { itsCentralServerFixed = inFixed; }
    void setSettings(std::map<std::string, std::string> inSettings) {
        itsSettings = std::move(inSettings);
    }
    void setRestRouter(std::shared_ptr<const xmlRestRouter> inRouter);
    // The WSDL-typed conversion of JSON and REST values; an xmlWSDLConversion unless
    // replaced, null to let values travel untyped.
    void setTypedConversion(std::shared_ptr<const xmlTypedConversion> inConversion);
    std::shared_ptr<const xmlRestRouter> getRestRouter() const;
    std::shared_ptr<const xmlTypedConversion> getTypedConversion() const;

private:
    bool isIdleExpired(const xmlSession& inSession) const;
    // Logs ioSession in again on a new connection unless another thread has already
    // replaced inBroken; true when this call did the login.
    bool relogin(xmlSession& ioSession, const std::shared_ptr<ztNetObjectHandler>& inBroken);

    std::atomic<int32_t> itsTimeout{defaultTimeoutSeconds};
    std::atomic<uint32_t> itsSweepStamp;
    std::string itsDefaultServer = "localhost";
    bool itsSSOEnabled = false;
    bool itsCentralServerFixed = false;
    std::map<std::string, std::string> itsSettings;

    zt::platform::NativeRwLock itsSessionsLock;
    std::map<std::string, std::shared_ptr<xmlSession>> itsSessions;

    // The cached WSDL and its reference change together under itsWSDLMutex; a fetch holds
    // itsWSDLLoadMutex so that logins reporting the same new reference fetch it once.
    mutable zt::platform::NativeMutex itsWSDLMutex;
    std::string itsWSDLReference;
    std::shared_ptr<const ztWSDL> itsWSDL;
    zt::platform::NativeMutex itsWSDLLoadMutex;

    mutable zt::platform::NativeMutex itsSeamMutex;
    std::shared_ptr<const xmlRestRouter> itsRestRouter;
    std::shared_ptr<const xmlTypedConversion> itsTypedConversion;
};
