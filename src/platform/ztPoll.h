#pragma once
// Waiting for any of several descriptors (events, sockets, pipes) with a time-out: the one
// wait that events and, later, sockets share.

#include <cstdint>
#include <span>

namespace zt::platform {

// Conditions asked for in PollEntry::wanted and reported in PollEntry::ready.
namespace pollFlag {
inline constexpr uint16_t readable = 0x01;
inline constexpr uint16_t writable = 0x02;
// Reported whether asked for or not:
inline constexpr uint16_t error = 0x04;   // an error is pending on the descriptor
inline constexpr uint16_t hangUp = 0x08;  // the peer closed (or the write end of a pipe)
inline constexpr uint16_t invalid = 0x10; // the descriptor is not open
} // namespace pollFlag

struct PollEntry {
    int fd = -1; // a negative descriptor is skipped and never reported
    uint16_t wanted = pollFlag::readable;
    uint16_t ready = 0; // filled by pollFds
};

// No time limit for pollFds.
inline constexpr int64_t pollForever = -1;

// Waits until at least one entry is ready or inTimeoutMs milliseconds have passed
// (pollForever: no limit; 0: just look). Fills every entry's ready field. A signal does not
// end the wait early: the rest of the time is waited again. Returns the number of ready
// entries (> 0), 0 when the time ran out, or -errno when poll failed (EINVAL, ENOMEM).
// Any thread may call it; the entries belong to the caller.
int pollFds(std::span<PollEntry> ioEntries, int64_t inTimeoutMs);

// Whether two threads may wait on one socket at the same time (one to read, the other to
// write). Not on Windows, where a socket is tied to one wait's event at a time.
bool socketWaitsMayOverlap();

} // namespace zt::platform
