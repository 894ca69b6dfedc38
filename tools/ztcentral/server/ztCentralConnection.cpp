// Per-connection state of the stand-in server.
#include "ztcentral/server/ztCentralConnection.h"

#include "platform/ztTickCount.h"

#include <utility>

ztCentralConnection::ztCentralConnection(ztNetObjectHandler& inHandler)
    : itsHandler(inHandler), itsAcceptedAt(zt::platform::monotonicMillis()) {}

void ztCentralConnection::logIn(std::string inUser) {
    std::lock_guard<std::mutex> lock(itsMutex);
    itsUser = std::move(inUser);
    itsLoggedIn.store(true);
}

std::string ztCentralConnection::user() const {
    std::lock_guard<std::mutex> lock(itsMutex);
    return itsUser;
}
