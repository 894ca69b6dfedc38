#pragma once
// Everything the stand-in server's net objects need, shared between the server and its
// connections (a connection may outlive the server object while a caller holds it): the
// model and its commands, the users who may log in, the switches that make the server
// misbehave on demand, and the registry of open connections. Thread-safe throughout.

#include "ztcentral/handlers/ztCentralCall.h"
#include "ztcentral/handlers/ztCentralCommands.h"
#include "ztcentral/model/ztCentralFaults.h"
#include "ztcentral/model/ztCentralModel.h"

#include "netobjects/ztConnectAnswer.h"

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

class ztCentralConnection;
class ztNetObjectHandler;

class ztCentralState {
public:
    // Login name (any letter case) to password.
    using UserTable = std::map<std::string, std::string, ztCentralNoCaseLess>;
    // Single sign-on account identifier ("S-1-22-1-1000") to login name.
    using SSOTable = std::map<std::string, std::string>;

    // A seeded model. inUsers replaces the model's own users for Login when it is not
    // empty. inAnswer is the Connect answer apart from the identity (version, texts C and I,
    // which ztCentralFaults holds) and the not-ready flag.
    ztCentralState(UserTable inUsers, SSOTable inSSOUsers, const ztConnectAnswer& inAnswer);
    ztCentralState(const ztCentralState&) = delete;
    ztCentralState& operator=(const ztCentralState&) = delete;
    ~ztCentralState();

    ztCentralModel& model() { return itsModel; }
    ztCentralFaults& faults() { return itsFaults; }
    const ztCentralCommands& commands() const { return itsCommands; }

    // The canonical login name for a Login with inName and inPassword; throws the server's
    // refusal (loginRefused, loginFailed) otherwise.
    std::string authenticate(std::string_view inName, std::string_view inPassword);
    // The login name of the user with the single sign-on identifier inSID; throws
    // loginRefused or ssoUnknown.
    std::string authenticateSSO(const std::string& inSID);

    // The Connect answer as it is now.
    ztConnectAnswer connectAnswer() const;
    void setNotReady(bool inNotReady) { itsNotReady.store(inNotReady); }
    // Connections beyond this many are refused at Connect with ztErr_tooManyConnections;
    // 0 takes any number.
    void setMaxConnections(uint32_t inMaximum) { itsMaxConnections.store(inMaximum); }
    uint32_t maxConnections() const { return itsMaxConnections.load(); }
    void setRefuseLogins(bool inRefuse) { itsRefuseLogins.store(inRefuse); }
    // While silent, objects are read but never answered (the client's time-outs run out).
    void setSilent(bool inSilent) { itsSilent.store(inSilent); }
    bool isSilent() const { return itsSilent.load(); }
    // The delay of every answer after the Connect exchange, unless a delay is set for the
    // object's or command's name.
    void setDelay(uint32_t inMillis) { itsDelay.store(inMillis); }
    // A delay for one name: an XML command ("GetDNSServers") or a net object ("Login",
    // "GetWSDLInstance", "Connect"); names ignore ASCII case.
    void setDelay(const std::string& inName, uint32_t inMillis);
    uint32_t delayFor(const std::string& inName) const;
    // The delay set for inName alone; 0 when none.
    uint32_t namedDelay(const std::string& inName) const;
    // A connection is dropped when it receives its inCount-th packet of a net object
    // (Connect and Login included); 0 never.
    void setDropAfterPackets(uint32_t inCount) { itsDropAfterPackets.store(inCount); }
    uint32_t dropAfterPackets() const { return itsDropAfterPackets.load(); }
    // The same for the next connection that reaches its inCount-th packet only (tests of
    // what a client does when one new connection breaks); 0 cancels it.
    void setDropOnceAfterPackets(uint32_t inCount) { itsDropOnceAfterPackets.store(inCount); }
    // Whether the connection at its inPacket-th packet is to be dropped (the one-time drop
    // is used up by the first connection it hits).
    bool takeDrop(uint32_t inPacket) {
        if (inPacket == itsDropAfterPackets.load())
            return true;
        uint32_t once = inPacket;
        return inPacket != 0 && itsDropOnceAfterPackets.compare_exchange_strong(once, 0);
    }

    // The registry of open connections, by handler: added before the handler starts,
    // removed when it has shut down.
    std::shared_ptr<ztCentralConnection> addConnection(ztNetObjectHandler& inHandler);
    void removeConnection(const ztNetObjectHandler* inHandler);
    std::shared_ptr<ztCentralConnection> findConnection(const ztNetObjectHandler* inHandler) const;
    size_t connectionCount() const;
    size_t loggedInCount() const;

private:
    void checkLoginsAllowed() const;

    ztCentralFaults itsFaults;
    ztCentralModel itsModel;
    ztCentralCommands itsCommands;
    const UserTable itsUsers;
    const SSOTable itsSSOUsers;
    const ztConnectAnswer itsAnswer;
    std::atomic<bool> itsNotReady{false};
    std::atomic<uint32_t> itsMaxConnections{0};
    std::atomic<bool> itsRefuseLogins{false};
    std::atomic<bool> itsSilent{false};
    std::atomic<uint32_t> itsDelay{0};
    std::atomic<uint32_t> itsDropAfterPackets{0};
    std::atomic<uint32_t> itsDropOnceAfterPackets{0};
    mutable std::mutex itsMutex;
    std::map<std::string, uint32_t, ztCentralNoCaseLess> itsDelays;
    std::map<const ztNetObjectHandler*, std::shared_ptr<ztCentralConnection>> itsConnections;
};
