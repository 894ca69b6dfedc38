// A test helper run as a child process with a small descriptor limit: it logs in through the
// session manager until a login fails, logs some sessions out, and logs in again, printing
// what happened line by line for ztCentralDescriptorTest to read.
// Usage: ztDescriptorChild SERVER LIMIT
#include "messages/ztException.h"
#include "platform/ztResourceLimits.h"
#include "platform/ztTickCount.h"
#include "ztxmlint/xmlSessionManager.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace {

// More than any small limit can hold, fewer than the per-user cap of the session manager.
constexpr int kMaxLogins = 24;
constexpr int kLogouts = 3;
// Descriptors of ended connections are free once their handler threads have gone, which
// happens just after the logout returns.
constexpr uint64_t kAgainMillis = 10000;

std::string login(xmlSessionManager& ioManager, const std::string& inServer) {
    return ioManager.addSession(inServer, xmlSessionManager::centralServerPort, "administrator",
                                "demo", 3, false, false);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3)
        return 2;
    const std::string server = argv[1];
    const uint64_t limit = std::strtoull(argv[2], nullptr, 10);
    // Soft and hard: the library's own raise finds nothing to raise.
    if (zt::platform::setOpenFileLimit(limit, limit) != 0)
        return 2;

    xmlSessionManager manager;
    std::vector<std::string> sessions;
    bool refused = false;
    for (int i = 0; i < kMaxLogins && !refused; ++i) {
        const uint64_t start = zt::platform::monotonicMillis();
        try {
            sessions.push_back(login(manager, server));
        } catch (const ztException& inException) {
            refused = true;
            std::printf("refused 0x%04X in %llu ms: %s\n", inException.getErrorValue(),
                        static_cast<unsigned long long>(zt::platform::monotonicMillis() - start),
                        inException.what());
        }
    }
    std::printf("held %zu\n", sessions.size());
    std::printf("count %zu\n", manager.getSessionCount());

    for (int i = 0; i < kLogouts && !sessions.empty(); ++i) {
        manager.removeSession(sessions.back());
        sessions.pop_back();
    }
    // Bounded: the first login that works ends it.
    const uint64_t end = zt::platform::monotonicMillis() + kAgainMillis;
    std::string lastError;
    bool again = false;
    while (!again && zt::platform::monotonicMillis() < end) {
        try {
            sessions.push_back(login(manager, server));
            again = true;
        } catch (const ztException& inException) {
            lastError = inException.what();
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }
    if (again)
        std::printf("again ok\n");
    else
        std::printf("again failed: %s\n", lastError.c_str());
    std::printf("count %zu\n", manager.getSessionCount());
    std::fflush(stdout);
    return 0;
}
