#pragma once
// The descriptor budget of a process that holds many connections. A connection holds its
// socket and the wake-up descriptor of its handler thread; the usual soft limit of 1024
// would end a process near 500 connections, so the library and the programs raise the soft
// limit to the hard one before they open or accept connections.

#include <cstdint>

// What one open connection holds: the socket and its handler thread's wake-up descriptor.
inline constexpr uint64_t ztDescriptorsPerConnection = 2;
// Descriptors a process needs besides its connections: standard streams, log file,
// listening sockets, resolver and key files, threads that wait on sockets while connecting.
inline constexpr uint64_t ztDescriptorsSpare = 16;
// The most connections one process is expected to hold: the session manager's cap.
inline constexpr uint64_t ztMaxProcessConnections = 9999;

// The limits seen and set by the first call of ztRaiseDescriptorLimit.
struct ztDescriptorLimitResult {
    uint64_t itsSoftBefore = 0;
    uint64_t itsSoft = 0; // the soft limit in force afterwards
    uint64_t itsHard = 0;
    // Connections the soft limit in force holds, by ztDescriptorsPerConnection each.
    uint64_t itsConnections = 0;
};

// Raises the soft descriptor limit to the hard limit. Only the first call in a process acts
// (later ones return its result at once), so every connect may call it. inWho names the
// caller in the log lines: one at level 4 when the limit was raised, one at level 2 (a
// warning) when the limit cannot hold inConnections connections with the spare above. A
// failed getrlimit or setrlimit is logged at level 2 and leaves the limit as it was. Any
// thread.
ztDescriptorLimitResult ztRaiseDescriptorLimit(const char* inWho,
                                               uint64_t inConnections = ztMaxProcessConnections);
