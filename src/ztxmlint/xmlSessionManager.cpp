// Sessions: login and limits, idle expiry, sending with a transparent new login, and the
// cached WSDL. Network work never happens under the session lock.
#include "ztxmlint/xmlSessionManager.h"

#include "messages/ztException.h"
#include "messages/ztInfoLog.h"
#include "messages/ztMessageTexts.h"
#include "netobjects/ztMultiConnector.h"
#include "netobjects/ztNetObjectHandler.h"
#include "platform/ztTickCount.h"
#include "threads/ztThread.h"
#include "util/ztIPv6.h"
#include "util/ztWSDL.h"
#include "ztxmlint/auNResMessage.h"
#include "ztxmlint/halNReqGetWSDLInstance.h"
#include "ztxmlint/halNReqLogin.h"
#include "ztxmlint/restCommandRouter.h"
#include "ztxmlint/restReference.h"
#include "ztxmlint/xmlRequestContext.h"
#include "ztxmlint/xmlSession.h"
#include "ztxmlint/xmlSessionId.h"
#include "ztxmlint/xmlWSDLConversion.h"

#include <mutex>
#include <shared_mutex>

namespace {

// The value the Login carries in its third field; the server expects 3 from this library.
constexpr uint32_t kLoginKind = 3;

// The text that identifies the version of a server's WSDL: its fields I and C and its
// version from the Connect answer.
std::string loginReference(const ztConnectAnswer& inAnswer) {
    return inAnswer.itsTextI + " - " + inAnswer.itsTextC + " - " +
           std::to_string(inAnswer.itsServerVersion);
}

// Errors after which a request is worth sending again on a new connection: none given,
// the connection broke, or the server stopped taking requests on this connection.
bool isReconnectError(ztErr inError) {
    // The handler's "not running" belongs here too: a connection that breaks between the
    // check and the request refuses it with that value.
    return inError == ztErr_noError || inError == ztErr_netReadWrite ||
           inError == ztErr_incomingDisabled || inError == ztErr_handlerNotRunning;
}

// Failures of a new login after which the next attempt may succeed: those of a request,
// and a connection that could not be opened.
bool isReloginRetryError(ztErr inError) {
    return isReconnectError(inError) || inError == ztErr_connectFailed;
}

} // namespace

void xmlRequestContext::releaseSession(xmlSessionManager& ioManager) {
    if (!itsSessionID.empty() && !itsKeepSession)
        ioManager.removeSession(itsSessionID);
    itsSessionID.clear();
    itsKeepSession = true;
}

xmlSessionManager& xmlSessionManager::getInstance() {
    static xmlSessionManager theManager;
    return theManager;
}

// REST and typed JSON work without any setup: the route table's look-up and the WSDL-typed
// conversion (with the REST reference conversions) are there from the start.
xmlSessionManager::xmlSessionManager()
    : itsSweepStamp(zt::platform::tickCount()),
      itsRestRouter(std::make_shared<restCommandRouter>()),
      itsTypedConversion(std::make_shared<const xmlWSDLConversion>(restToRef, refToRest)) {}

xmlSessionManager::~xmlSessionManager() = default;

int xmlSessionManager::setSessionTimeout(int32_t inSeconds) {
    if (ztLogEnabled(4))
        ztLogText(
            4, ztMessage("Setting session timeout to $i seconds.", 'i', std::to_string(inSeconds))
                   .getText());
    itsTimeout.store(inSeconds == 0 ? 1 : inSeconds);
    return 1;
}

bool xmlSessionManager::isIdleExpired(const xmlSession& inSession) const {
    // Compared as unsigned numbers: a negative timeout expires every session.
    return static_cast<uint32_t>(itsTimeout.load()) < inSession.idleMillis() / 1000;
}

std::string xmlSessionManager::addSession(const std::string& inServer, int32_t inPort,
                                          const std::string& inLoginName,
                                          const std::string& inPassword, int32_t inAuthentication,
                                          bool inSingleSignon, bool inReplaceControlCharacters) {
    const int32_t timeout = itsTimeout.load();
    const uint32_t sweepStamp = itsSweepStamp.load(); // before the clock, as for idle times
    const uint32_t sinceSweep = zt::platform::tickCount() - sweepStamp;
    if (static_cast<int64_t>(sinceSweep) >= static_cast<int64_t>(timeout) * 1000 / 4 ||
        getSessionCount() > maxSessions) {
        sweepSessions();
        itsSweepStamp.store(zt::platform::tickCount());
    }

    const std::string lowerName = xmlSession::lowerCaseOf(inLoginName);
    int32_t userCount = 0;
    size_t total = 0;
    {
        std::shared_lock lock(itsSessionsLock);
        total = itsSessions.size();
        for (const auto& [id, session] : itsSessions) {
            if (session->getLowerLoginName() == lowerName &&
                session->getAuthentication() == inAuthentication)
                ++userCount;
        }
    }
    if (ztLogEnabled(5))
        ztLog(5,
              "xmlSessionManager::addSession - server: %s:%i, user: %s - active sessions: %i, "
              "total: %i",
              inServer.c_str(), inPort, inLoginName.c_str(), userCount, static_cast<int>(total));
    if (userCount >= maxSessionsPerUser)
        throw ztException(ztErr_tooManyConnections, ztText::tooManyConnectionsForUser, 's',
                          inServer, 'u', inLoginName);
    if (total > maxSessions)
        throw ztException(ztErr_tooManyConnections, ztText::tooManyConnections, 's', inServer);

    halNReqLogin login(inLoginName, inPassword, kLoginKind, inSingleSignon);
    std::string reference;
    std::shared_ptr<ztNetObjectHandler> connection =
        connectAndSend(inServer, inPort, login, reference, false);
    // A logged-in connection has authority: the server may start objects on it (Message).
    if (connection)
        connection->setAuthority(true);

    auto session = std::make_shared<xmlSession>(std::move(connection), inServer, inPort,
                                                inLoginName, inPassword, inAuthentication,
                                                inSingleSignon, inReplaceControlCharacters);
    std::string id;
    for (;;) {
        id = generateSessionID();
        std::unique_lock lock(itsSessionsLock);
        if (itsSessions.emplace(id, session).second)
            break;
        // An id already in use (1 in 60^20): draw again.
    }
    loadWSDLIfNeeded(*session, reference);
    return id;
}

void xmlSessionManager::sweepSessions() {
    std::vector<std::shared_ptr<xmlSession>> expired;
    {
        std::unique_lock lock(itsSessionsLock);
        for (auto it = itsSessions.begin(); it != itsSessions.end();) {
            if (!it->second->getConnection() || isIdleExpired(*it->second)) {
                expired.push_back(std::move(it->second));
                it = itsSessions.erase(it);
            } else {
                ++it;
            }
        }
    }
    // The sessions, and with them their connections, end here, outside the lock.
}

size_t xmlSessionManager::getSessionCount() {
    std::shared_lock lock(itsSessionsLock);
    return itsSessions.size();
}

size_t xmlSessionManager::getConnectedSessionCount() {
    std::shared_lock lock(itsSessionsLock);
    size_t connected = 0;
    for (const auto& entry : itsSessions)
        connected += entry.second->getConnection() != nullptr ? 1 : 0;
    return connected;
}

std::shared_ptr<xmlSession> xmlSessionManager::findSession(const std::string& inSessionID) {
    std::shared_lock lock(itsSessionsLock);
    const auto it = itsSessions.find(inSessionID);
    return it == itsSessions.end() ? nullptr : it->second;
}

bool xmlSessionManager::isSessionAlive(const std::string& inSessionID) {
    const std::shared_ptr<xmlSession> session = findSession(inSessionID);
    if (!session || !session->getConnection() || isIdleExpired(*session))
        return false;
    session->touch();
    return true;
}

void xmlSessionManager::removeSession(const std::string& inSessionID) {
    std::shared_ptr<xmlSession> removed;
    {
        std::unique_lock lock(itsSessionsLock);
        const auto it = itsSessions.find(inSessionID);
        if (it == itsSessions.end())
            return;
        removed = std::move(it->second);
        itsSessions.erase(it);
    }
}

bool xmlSessionManager::sendOnSession(const std::string& inSessionID, ztNetRequest& ioRequest) {
    const std::shared_ptr<xmlSession> session = findSession(inSessionID);
    if (!session || !session->getConnection() || isIdleExpired(*session))
        return false;
    session->touch();
    // Two new logins of this thread's own at most. A failure on a connection that another
    // thread has replaced meanwhile costs none: the request simply goes again on the new
    // connection, so threads sharing a session do not use up each other's attempts. The
    // overall bound keeps a server that drops everything from holding the caller forever.
    constexpr int kOwnLogins = 2;
    constexpr int kMaxTries = 8;
    bool succeeded = false;
    int ownLogins = 0;
    for (int tries = 0; tries < kMaxTries; ++tries) {
        const std::shared_ptr<ztNetObjectHandler> connection = session->getConnection();
        if (!connection)
            break;
        if (connection->isConnected()) {
            try {
                connection->performRequest(ioRequest);
                succeeded = true;
                break;
            } catch (const ztException& inException) {
                session->touch();
                if (!isReconnectError(inException.getErrorValue()))
                    throw;
            }
        }
        // The request goes once more after the last own login.
        if (ownLogins == kOwnLogins)
            break;
        try {
            if (relogin(*session, connection))
                ++ownLogins;
        } catch (const ztException& inException) {
            // A connection that breaks during the new login (the server dropping everything
            // again) is worth the second attempt; a refused login or the last attempt is not.
            ++ownLogins;
            if (ownLogins == kOwnLogins || !isReloginRetryError(inException.getErrorValue()))
                throw;
        }
        ioRequest.reset();
    }
    session->touch();
    return succeeded;
}

bool xmlSessionManager::relogin(xmlSession& ioSession,
                                const std::shared_ptr<ztNetObjectHandler>& inBroken) {
    std::lock_guard lock(ioSession.reloginMutex());
    // Another thread that found the same connection broken may have logged in already.
    if (ioSession.getConnection() != inBroken)
        return false;
    ioSession.touch();
    halNReqLogin login(ioSession.getLoginName(), ioSession.decipherPassword(), kLoginKind,
                       ioSession.isSingleSignon());
    std::string reference;
    std::shared_ptr<ztNetObjectHandler> connection =
        connectAndSend(ioSession.getServer(), ioSession.getPort(), login, reference, false);
    if (connection)
        connection->setAuthority(true);
    ioSession.replaceConnection(std::move(connection));
    loadWSDLIfNeeded(ioSession, reference);
    return true;
}

std::shared_ptr<ztNetObjectHandler> xmlSessionManager::connectAndSend(const std::string& inServer,
                                                                      int32_t inPort,
                                                                      ztNetRequest& ioRequest,
                                                                      std::string& outReference,
                                                                      bool inOneShot) {
    outReference.clear();
    ztConnectAnswer answer;
    std::shared_ptr<ztNetObjectHandler> connection =
        connectToAnyServer(inServer, ztIPv6(), static_cast<uint16_t>(inPort), inServer,
                           &ztThread::currentThread().getStopEvent(), 0, nullptr, answer, true);
    if (!connection)
        return nullptr;
    outReference = loginReference(answer);
    connection->setFactory(auNResMessage::typeNumber,
                           [] { return std::make_unique<auNResMessage>(); });
    // On failure the connection ends with the last reference to it, here.
    connection->performRequest(ioRequest);
    if (inOneShot)
        return nullptr;
    return connection;
}

void xmlSessionManager::loadWSDLIfNeeded(xmlSession& ioSession, const std::string& inReference) {
    auto isCurrent = [this, &inReference] {
        std::lock_guard lock(itsWSDLMutex);
        return itsWSDL && !itsWSDLReference.empty() && itsWSDLReference == inReference;
    };
    if (isCurrent())
        return;
    std::lock_guard loadLock(itsWSDLLoadMutex);
    if (isCurrent())
        return;
    const std::shared_ptr<ztNetObjectHandler> connection = ioSession.getConnection();
    if (!connection || isIdleExpired(ioSession))
        return;
    ioSession.touch();
    if (ztLogEnabled(5))
        ztLog(5,
              "xmlSessionManager::loadWSDLIfNeeded - retrieving a new WSDL from server: \"%s\" "
              "with reference \"%s\"",
              ioSession.getServer().c_str(), inReference.c_str());
    try {
        auto wsdl = std::make_shared<ztWSDL>();
        halNReqGetWSDLInstance request(wsdl, 1);
        connection->performRequest(request);
        std::lock_guard lock(itsWSDLMutex);
        itsWSDL = std::move(wsdl);
        itsWSDLReference = inReference;
    } catch (const ztException&) {
        // The old cache stays.
    }
}

std::shared_ptr<const ztWSDL> xmlSessionManager::getCachedWSDL(std::string* outReference) const {
    std::lock_guard lock(itsWSDLMutex);
    if (outReference)
        *outReference = itsWSDLReference;
    return itsWSDL;
}

std::shared_ptr<const ztWSDL> xmlSessionManager::getWSDL(const std::string& inServer) {
    if (std::shared_ptr<const ztWSDL> cached = getCachedWSDL())
        return cached;
    auto wsdl = std::make_shared<ztWSDL>();
    halNReqGetWSDLInstance request(wsdl, 1);
    std::string reference;
    connectAndSend(inServer.empty() ? itsDefaultServer : inServer, centralServerPort, request,
                   reference, true);
    return wsdl;
}

void xmlSessionManager::setRestRouter(std::shared_ptr<const xmlRestRouter> inRouter) {
    std::lock_guard lock(itsSeamMutex);
    itsRestRouter = std::move(inRouter);
}

void xmlSessionManager::setTypedConversion(std::shared_ptr<const xmlTypedConversion> inConversion) {
    std::lock_guard lock(itsSeamMutex);
    itsTypedConversion = std::move(inConversion);
}

std::shared_ptr<const xmlRestRouter> xmlSessionManager::getRestRouter() const {
    std::lock_guard lock(itsSeamMutex);
    return itsRestRouter;
}

std::shared_ptr<const xmlTypedConversion> xmlSessionManager::getTypedConversion() const {
    std::lock_guard lock(itsSeamMutex);
    return itsTypedConversion;
}
