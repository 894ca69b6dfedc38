// Shared state of the stand-in server: users, fault switches and the connection registry.
#include "ztcentral/server/ztCentralState.h"

#include "ztcentral/server/ztCentralConnection.h"
#include "ztcentral/model/ztCentralErr.h"
#include "ztcentral/model/ztCentralSeed.h"

#include "messages/ztException.h"

#include <utility>

ztCentralState::ztCentralState(UserTable inUsers, SSOTable inSSOUsers,
                               const ztConnectAnswer& inAnswer)
    : itsCommands(itsModel, itsFaults), itsUsers(std::move(inUsers)),
      itsSSOUsers(std::move(inSSOUsers)), itsAnswer(inAnswer) {
    ztCentralSeed::fill(itsModel);
}

ztCentralState::~ztCentralState() = default;

void ztCentralState::checkLoginsAllowed() const {
    if (itsRefuseLogins.load())
        throw ztException(ztCentralErr_loginRefused, ztCentralText::loginRefused);
}

std::string ztCentralState::authenticate(std::string_view inName, std::string_view inPassword) {
    checkLoginsAllowed();
    std::string user;
    if (itsUsers.empty()) {
        user = itsModel.authenticate(inName, inPassword);
    } else {
        const auto found = itsUsers.find(std::string(inName));
        if (found != itsUsers.end() && found->second == inPassword)
            user = found->first;
    }
    if (user.empty())
        throw ztException(ztCentralErr_loginFailed, ztCentralText::loginFailed, 'u',
                          std::string(inName));
    return user;
}

std::string ztCentralState::authenticateSSO(const std::string& inSID) {
    checkLoginsAllowed();
    const auto found = itsSSOUsers.find(inSID);
    if (found == itsSSOUsers.end())
        throw ztException(ztCentralErr_ssoUnknown, ztCentralText::ssoUnknown, 's', inSID);
    return found->second;
}

uint32_t ztCentralState::namedDelay(const std::string& inName) const {
    std::lock_guard<std::mutex> lock(itsMutex);
    const auto found = itsDelays.find(inName);
    return found == itsDelays.end() ? 0 : found->second;
}

ztConnectAnswer ztCentralState::connectAnswer() const {
    ztConnectAnswer answer = itsAnswer;
    const ztCentralFaults::Identity identity = itsFaults.identity();
    answer.itsServerVersion = identity.version;
    answer.itsTextC = identity.textC;
    answer.itsTextI = identity.textI;
    answer.itsNotReady = itsNotReady.load();
    return answer;
}

void ztCentralState::setDelay(const std::string& inName, uint32_t inMillis) {
    std::lock_guard<std::mutex> lock(itsMutex);
    if (inMillis == 0) {
        itsDelays.erase(inName);
        return;
    }
    itsDelays[inName] = inMillis;
}

uint32_t ztCentralState::delayFor(const std::string& inName) const {
    std::lock_guard<std::mutex> lock(itsMutex);
    const auto found = itsDelays.find(inName);
    return found == itsDelays.end() ? itsDelay.load() : found->second;
}

std::shared_ptr<ztCentralConnection> ztCentralState::addConnection(ztNetObjectHandler& inHandler) {
    auto connection = std::make_shared<ztCentralConnection>(inHandler);
    std::lock_guard<std::mutex> lock(itsMutex);
    itsConnections[&inHandler] = connection;
    return connection;
}

void ztCentralState::removeConnection(const ztNetObjectHandler* inHandler) {
    std::shared_ptr<ztCentralConnection> removed;
    std::lock_guard<std::mutex> lock(itsMutex);
    const auto found = itsConnections.find(inHandler);
    if (found == itsConnections.end())
        return;
    removed = std::move(found->second);
    itsConnections.erase(found);
}

std::shared_ptr<ztCentralConnection>
ztCentralState::findConnection(const ztNetObjectHandler* inHandler) const {
    std::lock_guard<std::mutex> lock(itsMutex);
    const auto found = itsConnections.find(inHandler);
    return found == itsConnections.end() ? nullptr : found->second;
}

size_t ztCentralState::connectionCount() const {
    std::lock_guard<std::mutex> lock(itsMutex);
    return itsConnections.size();
}

size_t ztCentralState::loggedInCount() const {
    std::lock_guard<std::mutex> lock(itsMutex);
    size_t count = 0;
    for (const auto& [handler, connection] : itsConnections) {
        if (connection->isLoggedIn())
            ++count;
    }
    return count;
}
