#pragma once
// The accepting side of the protocol, built from the same parts as the client: a listener
// thread that accepts connections, runs each one's key exchange on a thread that does
// nothing else meanwhile (a silent client holds up nobody else; threads are kept a while for
// the next connections) and then one net object handler per connection,
// with a factory table of the objects clients may start. It answers the Connect exchange
// itself (with fields that can be changed while it runs) unless the table serves that type.
// Tests run it in process as the peer of the library; a stand-in central server is built
// on it.

#include "netobjects/ztConnectAnswer.h"
#include "netobjects/ztNetObjectHandler.h"
#include "netobjects/ztResourceShortage.h"
#include "threads/ztMemMutex.h"
#include "threads/ztThread.h"
#include "util/ztIPv6.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

class ztSecureTCPEndpoint;

class ztNetServer : public ztThread {
public:
    struct Settings {
        // Where to listen; an address that is not set listens on every address.
        ztIPv6 itsAddress;
        uint16_t itsPort = 1231;
        // The RSA key pair as ztRSACryptor's private key text; empty generates one (slow).
        std::string itsPrivateKeyText;
        // What the server grants when a client asks for it.
        bool itsEncrypt = true;
        bool itsCompress = true;
        // A client that does not complete its handshake in this time is dropped.
        int32_t itsHandshakeTimeoutMs = 15000;
        // Handshakes that may run at once; connections beyond are closed at once, so that
        // clients that never finish cannot pile up threads.
        size_t itsMaxPendingHandshakes = 256;
        // Whether objects that require authority are served on every connection.
        bool itsAuthority = true;
        uint32_t itsKeepAliveInterval = ztNetObjectHandler::defaultKeepAliveInterval;
        uint32_t itsDeadPeerLimit = ztNetObjectHandler::defaultDeadPeerLimit;
        // The answer to Connect, and a refusal value that replaces it (0: none).
        ztConnectAnswer itsAnswer;
        ztErr itsConnectRefusal = ztErr_noError;
        // The objects clients may start, by type number.
        std::map<uint16_t, ztNetObjectHandler::Factory> itsFactories;
    };
    // Called with each new connection once its handshake completed, before it starts, on
    // the thread that ran the handshake and under the server's lock: it may not call the
    // server.
    using ConnectionCallback = std::function<void(ztNetObjectHandler&)>;

    explicit ztNetServer(Settings inSettings);
    // Stops listening and ends every connection.
    ~ztNetServer() override;

    // Creates the listening socket; call before start(). 0, or the endpoint's error
    // (ztErr_encryptionSetup when no key pair could be made).
    ztErr listen();

    // Changes the Connect answer for the exchanges that follow. Any thread.
    void setAnswer(const ztConnectAnswer& inAnswer);
    ztConnectAnswer getAnswer() const;
    void setConnectionCallback(ConnectionCallback inCallback);
    // The connections that are still running. Each one ends when the server lets it go
    // and no caller holds it any more. Any thread.
    std::vector<std::shared_ptr<ztNetObjectHandler>> getConnections() const;
    // Connections that completed their handshake so far, and Connect exchanges answered.
    uint32_t getAcceptedCount() const;
    uint32_t getConnectCount() const;
    // Ends every connection at once, as a server does that goes away. Any thread.
    void closeConnections();

protected:
    // Accepts connections until stopped.
    void run() override;

private:
    // The Connect answer, shared with the factories of the connections, which may outlive
    // the server when a caller holds on to one.
    struct ConnectState;
    class Handshake;

    // inAccepted: the connection's number from itsShortage.accepted(), carried to adopt.
    void startHandshake(std::unique_ptr<ztNetEndpoint> inEndpoint, uint64_t inAccepted);
    void adopt(std::unique_ptr<ztNetEndpoint> inEndpoint, uint64_t inAccepted);
    // How many handshake threads wait for a connection; under itsMutex.
    size_t idleHandshakes() const;
    // A connection could not be had or served for lack of descriptors, memory or threads
    // (inWhy, a sentence, says which); logged on the first of a series. inAccepted as for
    // ztResourceShortage::failed. Any thread.
    void noteShortage(const std::string& inWhy, uint64_t inAccepted);
    // The connection numbered inAccepted runs: ends a series of shortages that began before
    // it was accepted, with a log line.
    void noteRecovered(uint64_t inAccepted);
    void dropStopped();
    void endHandshakes();

    const Settings itsSettings;
    const std::shared_ptr<ConnectState> itsConnectState;
    std::unique_ptr<ztSecureTCPEndpoint> itsListener;
    mutable ztMemMutex itsMutex{"ztNetServer"};
    ConnectionCallback itsConnectionCallback;
    std::vector<std::shared_ptr<ztNetObjectHandler>> itsConnections;
    // Between a shortage and the next connection accepted after it that runs.
    ztResourceShortage itsShortage;
    // The handshake threads, running one or waiting for the next connection (idle).
    std::vector<std::unique_ptr<Handshake>> itsHandshakes;
    uint32_t itsAcceptedCount = 0;
};
