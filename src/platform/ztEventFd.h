#pragma once
// A manual-reset event over a Linux eventfd: once set it stays set until reset, and its
// descriptor is readable exactly while it is set, so poll can wait on it together with
// other events and with sockets.

namespace zt::platform {

class EventFd {
public:
    // An object without a descriptor; valid() is false until create() fills it.
    EventFd() = default;
    EventFd(EventFd&& ioOther) noexcept;
    EventFd& operator=(EventFd&& ioOther) noexcept;
    EventFd(const EventFd&) = delete;
    EventFd& operator=(const EventFd&) = delete;
    ~EventFd();

    // Creates a new, not signalled event in outEvent (releasing what outEvent held).
    // Returns 0 or the errno of eventfd (EMFILE, ENFILE, ENOMEM).
    static int create(EventFd& outEvent);

    bool valid() const { return itsFd >= 0; }
    // The descriptor to give to pollFds (wanted: readable); -1 when not valid.
    int fd() const { return itsFd; }

    // Signals the event. Returns 0 or the errno of write. Any thread may call it.
    int set() const;
    // Clears the event. Returns 0 or the errno of read. Any thread may call it.
    int reset() const;
    // Asks the kernel without waiting whether the event is set. Returns 0 and fills outSet,
    // or the errno of poll.
    int isSet(bool& outSet) const;

private:
    explicit EventFd(int inFd) : itsFd(inFd) {}
    void close() noexcept;

    int itsFd = -1;
};

} // namespace zt::platform
