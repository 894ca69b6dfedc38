#pragma once
// The short-lived thread that resolves one host name for a connect by name, so that the
// connecting thread can wait for the answer with a time limit and an interrupt event.
// A resolver cannot be cancelled; when the connecting thread stops waiting it only drops
// its reference, and the thread, owned by a std::shared_ptr, ends and frees itself once
// the resolver returns. It touches nothing but its own members.

#include "threads/ztThread.h"
#include "util/ztIPv6.h"

#include <atomic>
#include <string>
#include <vector>

class ztConnectLookupThread : public ztThread {
public:
    explicit ztConnectLookupThread(std::string inHostName);
    ~ztConnectLookupThread() override;

    // Read these only after the stopped event: whether the look-up ran to its end (an
    // error is in getErrorMessage()), and the addresses in the resolver's order.
    bool hasCompleted() const { return itsCompleted.load(); }
    const std::vector<ztIPv6>& getResults() const { return itsResults; }
    const std::string& getHostName() const { return itsHostName; }

protected:
    // ztIPEndpoint::getAddressInfo on the name; an exception ends the thread with its error.
    void run() override;

private:
    const std::string itsHostName;
    std::vector<ztIPv6> itsResults;
    std::atomic<bool> itsCompleted{false};
};
