#pragma once
// How a connection to a central server is opened and kept. The defaults are the library's;
// tests and tools shorten or change them.

#include <cstdint>

struct ztConnectSettings {
    // Ask the server for encryption (compression is a separate wish of every connect).
    bool itsEncrypt = true;
    // The endpoint's operation time-out: bounds the TCP connect, the name look-up and the
    // wait for the Connect answer.
    int32_t itsTimeoutMs = 60000;
    // The handshake's time-out per operation.
    int32_t itsHandshakeTimeoutMs = 15000;
    // Milliseconds of silence after which a keep-alive goes out, and without anything
    // received after which the peer counts as dead.
    uint32_t itsKeepAliveInterval = 30000;
    uint32_t itsDeadPeerLimit = 240000;
    // connectToAnyServer: a new attempt on every address without a connection after each
    // round, and no new attempt after the total time.
    uint32_t itsRoundMs = 5000;
    uint32_t itsTotalMs = 60000;
};
