#pragma once
// The stand-in central server on the network: it listens for secure connections, answers
// the Connect exchange, logs users in and serves XML commands, the WSDL, its documentation
// page and report files from the stand-in model, and can send Message objects to its
// clients. Faults can be switched on while it runs (delays, silence, dropped connections,
// refused logins, not-ready, a changed WSDL reference), so that tests and demonstrations
// can make it misbehave on demand. The program ztcentral is a command line around it.

#include "ztcentral/model/ztCentralFaults.h"
#include "ztcentral/server/ztCentralState.h"

#include "messages/ztErr.h"
#include "netobjects/ztConnectAnswer.h"
#include "netobjects/ztNetObjectHandler.h"
#include "util/ztIPv6.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>

class ztNetServer;

class ztCentralServer {
public:
    struct Settings {
        // Where to listen; an address that is not set listens on every address.
        ztIPv6 itsAddress;
        uint16_t itsPort = 1231;
        // The RSA key pair as ztRSACryptor's private key text; empty generates one, which
        // takes a moment.
        std::string itsPrivateKeyText;
        // Granted when a client asks for them.
        bool itsEncrypt = true;
        bool itsCompress = true;
        // The Connect answer: the identity makes the library's WSDL reference
        // ("I - C - version"); the other fields as given in itsAnswer.
        ztCentralFaults::Identity itsIdentity;
        ztConnectAnswer itsAnswer;
        bool itsNotReady = false;
        // Who may log in; empty takes the model's users (ztCentralSeed). Single sign-on
        // maps account identifiers to login names.
        ztCentralState::UserTable itsUsers;
        ztCentralState::SSOTable itsSSOUsers;
        // Connections beyond this many are refused at Connect (0: no cap).
        uint32_t itsMaxConnections = 0;
        // Faults from the start; each can be changed while the server runs.
        uint32_t itsDelayMs = 0;
        std::map<std::string, uint32_t> itsDelays; // by command or object name
        uint32_t itsDropAfterPackets = 0;
        uint32_t itsDropAfterMs = 0; // each connection, counted from its accept
        bool itsRefuseLogins = false;
        bool itsSilent = false;
        // Sends itsMessageText to every logged-in client this often (0: never).
        uint32_t itsMessageEveryMs = 0;
        std::string itsMessageText = "Message from ztcentral";
        // Handshake time-out and the timings of new connections (a Login replaces the
        // last two with the client's).
        int32_t itsHandshakeTimeoutMs = 15000;
        uint32_t itsKeepAliveInterval = ztNetObjectHandler::defaultKeepAliveInterval;
        uint32_t itsDeadPeerLimit = ztNetObjectHandler::defaultDeadPeerLimit;
    };

    explicit ztCentralServer(Settings inSettings);
    ztCentralServer(const ztCentralServer&) = delete;
    ztCentralServer& operator=(const ztCentralServer&) = delete;
    // stop().
    ~ztCentralServer();

    // Listens and starts accepting. Returns 0, or the endpoint's error (the address is in
    // use, no key pair could be made). Call once, from the owner's thread.
    ztErr start();
    // Stops accepting, ends every connection and waits for their threads. Owner's thread.
    void stop();

    // The model, commands and fault switches (delays, silence, refused logins, not-ready,
    // connection cap, drop after packets). Any thread.
    ztCentralState& state() { return *itsState; }
    // Changes the Connect answer's version and texts C and I (so the library's WSDL
    // reference) for the connections that follow. Any thread.
    void setIdentity(const ztCentralFaults::Identity& inIdentity);
    // Ends every open connection now, as a server does that goes away. Any thread.
    void dropConnections();
    // Sends inText in a Message object to every logged-in client and waits at most
    // inTimeoutMs in all for the answers. Returns how many clients answered. Any thread
    // but a connection's.
    size_t sendMessage(const std::string& inText, int32_t inTimeoutMs);

    size_t connectionCount() const { return itsState->connectionCount(); }
    size_t loggedInCount() const { return itsState->loggedInCount(); }
    // Connections accepted since start.
    uint32_t acceptedCount() const;

private:
    class Housekeeper;

    void adopt(ztNetObjectHandler& ioHandler);
    // One round of the time-driven faults: drops connections that are due, sends the
    // periodic message when it is due.
    void dropExpired();

    const Settings itsSettings;
    const std::shared_ptr<ztCentralState> itsState;
    std::unique_ptr<ztNetServer> itsNetServer;
    std::unique_ptr<Housekeeper> itsHousekeeper;
};
