// Login on the stand-in server.
#include "ztcentral/server/ztCentralResLogin.h"

#include "ztcentral/server/ztCentralConnection.h"
#include "ztcentral/server/ztCentralState.h"

#include "messages/ztException.h"
#include "messages/ztInfoLog.h"
#include "netobjects/ztNetObjectHandler.h"
#include "netobjects/ztNetReader.h"

#include <string>

namespace {

// The client's timings are taken over, so that both sides agree when a silent peer is
// dead; values this small would only come from a broken client.
constexpr uint32_t kShortestTiming = 100;

} // namespace

ztCentralResLogin::~ztCentralResLogin() = default;

const char* ztCentralResLogin::getTypeName() const {
    return "ztNOT_Login";
}

const char* ztCentralResLogin::getName() const {
    return "Login";
}

ztErr ztCentralResLogin::readData(ztNetReader& ioReader) {
    const std::string name = ioReader.getConstString();
    const std::string password = ioReader.getConstString();
    const uint32_t kind = ioReader.getUInt32();
    const uint32_t keepAlive = ioReader.getUInt32();
    const uint32_t deadPeer = ioReader.getUInt32();
    const bool singleSignon = ioReader.getBool();
    ztNetObjectHandler& handler = connection().handler();
    std::string user;
    try {
        user =
            singleSignon ? state().authenticateSSO(password) : state().authenticate(name, password);
    } catch (const ztException&) {
        ztLog(2, "ztcentral: login of \"%s\" (kind %u%s) refused on %s", name.c_str(), kind,
              singleSignon ? ", single sign-on" : "", handler.getDisplayName().c_str());
        throw;
    }
    if (keepAlive >= kShortestTiming)
        handler.setKeepAliveInterval(keepAlive);
    if (deadPeer >= kShortestTiming)
        handler.setDeadPeerLimit(deadPeer);
    connection().logIn(user);
    ztLog(3, "ztcentral: \"%s\" logged in%s on %s", user.c_str(),
          singleSignon ? " by single sign-on" : "", handler.getDisplayName().c_str());
    getBodyWriter().reset();
    return ztErr_noError;
}
