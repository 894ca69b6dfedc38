// A long run under churn: THREADS client threads (64 by default) send JSON-RPC requests
// through xmlRequest, each on a session of its own, for SECONDS seconds (60 by default)
// against the stand-in server in this process, which drops every connection every DROP
// milliseconds (3000 by default). Each request carries an id of its own and asks for one
// page of users whose size depends on the id; an answer counts as matched when it carries
// that id and that many users. A thread whose session was lost with a dropped connection
// logs in again. Every ten seconds and at the end it prints the counts and the process's
// resident memory; it fails (exit status 1) when an answer did not match its request or a
// call returned nothing. Usage: bench_soak [SECONDS [THREADS [DROP [ADDRESS]]]].
#include "cryptor/ztTestKeyPair.h"
#include "platform/ztTickCount.h"
#include "ztcentral/server/ztCentralServer.h"
#include "ztxmlint/ztXMLInt.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

uint64_t residentKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.starts_with("VmRSS:"))
            return std::strtoull(line.c_str() + 6, nullptr, 10);
    }
    return 0;
}

struct Counts {
    std::atomic<uint64_t> matched{0};
    std::atomic<uint64_t> faults{0};     // answered with an error (a dropped connection)
    std::atomic<uint64_t> mismatched{0}; // an answer that is not the request's
    std::atomic<uint64_t> empty{0};      // a call that returned no text
    std::atomic<uint64_t> logins{0};
    std::atomic<uint64_t> loginFaults{0};
};

std::string call(const std::string& inRequest, Counts& ioCounts) {
    const char* result = nullptr;
    int32_t length = 0;
    xmlRequest(inRequest.c_str(), &result, &length);
    if (result == nullptr || length <= 0) {
        ++ioCounts.empty;
        if (result != nullptr)
            releaseResult(result);
        return {};
    }
    std::string text(result, static_cast<size_t>(length));
    releaseResult(result);
    return text;
}

// The first answer that did not match, shown once for diagnosis.
void showMismatch(const std::string& inRequest, const std::string& inAnswer) {
    static std::once_flag theOnce;
    std::call_once(theOnce, [&] {
        std::printf("not matched:\n  request %s\n  answer %.600s\n", inRequest.c_str(),
                    inAnswer.c_str());
    });
}

// The first answers of a kind that is counted, not matched: what went wrong shows once
// without flooding the figures.
void showFirst(std::atomic<int>& ioShown, const char* inWhat, const std::string& inAnswer) {
    if (ioShown.fetch_add(1) < 3)
        std::printf("%s: %.400s\n", inWhat, inAnswer.c_str());
}

size_t countOf(const std::string& inText, const std::string& inNeedle) {
    size_t count = 0;
    for (size_t at = inText.find(inNeedle); at != std::string::npos;
         at = inText.find(inNeedle, at + inNeedle.size()))
        ++count;
    return count;
}

// Waits up to inMillis or until the run ends.
class Stopper {
public:
    void stop() {
        std::lock_guard lock(itsMutex);
        itsStopped = true;
        itsCondition.notify_all();
    }
    bool stopped() {
        std::lock_guard lock(itsMutex);
        return itsStopped;
    }
    bool waitFor(uint32_t inMillis) {
        std::unique_lock lock(itsMutex);
        return itsCondition.wait_for(lock, std::chrono::milliseconds(inMillis),
                                     [this] { return itsStopped; });
    }

private:
    std::mutex itsMutex;
    std::condition_variable itsCondition;
    bool itsStopped = false;
};

void client(int inIndex, const std::string& inAddress, Counts& ioCounts, Stopper& ioStopper) {
    const std::string login = R"({"jsonrpc":"2.0","method":"Login","params":{"server":")" +
                              inAddress + R"(","loginName":"alice","password":"alice"},"id":0})";
    std::string session;
    uint64_t serial = 0;
    while (!ioStopper.stopped()) {
        if (session.empty()) {
            const std::string answer = call(login, ioCounts);
            const size_t at = answer.find("\"session\":\"");
            if (at == std::string::npos) {
                static std::atomic<int> shown{0};
                showFirst(shown, "login failed", answer);
                ++ioCounts.loginFaults;
                ioStopper.waitFor(50); // the server is between drops; try again soon
                continue;
            }
            ++ioCounts.logins;
            session = answer.substr(at + 11, 20);
        }
        const uint64_t id = static_cast<uint64_t>(inIndex) * 1000000000ULL + ++serial;
        const int limit = 1 + static_cast<int>(id % 2);
        const std::string request =
            R"({"jsonrpc":"2.0","method":"GetUsers","params":{"session":")" + session +
            R"(","limit":)" + std::to_string(limit) + R"(},"id":)" + std::to_string(id) + "}";
        const std::string answer = call(request, ioCounts);
        if (answer.empty())
            continue;
        const bool ownId = answer.find("\"id\":" + std::to_string(id) + "}") != std::string::npos;
        if (answer.find("\"error\":") != std::string::npos) {
            if (!ownId) {
                ++ioCounts.mismatched;
                showMismatch(request, answer);
            }
            static std::atomic<int> shown{0};
            showFirst(shown, "fault", answer);
            ++ioCounts.faults;
            // A session outlives its connection (the library logs in again on the next
            // request); only one the server no longer knows needs a new login, which would
            // otherwise count against the user's sessions beside the old one.
            if (answer.find("\"code\":5003") != std::string::npos)
                session.clear();
            continue;
        }
        if (!ownId || countOf(answer, "{\"ref\":\"{#14-") != static_cast<size_t>(limit)) {
            ++ioCounts.mismatched;
            showMismatch(request, answer);
        } else
            ++ioCounts.matched;
    }
}

} // namespace

int main(int inArgc, char** inArgv) {
    const uint32_t seconds = inArgc > 1 ? static_cast<uint32_t>(std::atoi(inArgv[1])) : 60;
    const int threads = inArgc > 2 ? std::atoi(inArgv[2]) : 64;
    const uint32_t dropEvery = inArgc > 3 ? static_cast<uint32_t>(std::atoi(inArgv[3])) : 3000;
    const std::string address = inArgc > 4 ? inArgv[4] : "127.0.26.20";

    ztCentralServer::Settings settings;
    settings.itsAddress = ztIPv6(address.c_str());
    settings.itsPrivateKeyText = ztTestPrivateKeyText;
    ztCentralServer server(std::move(settings));
    if (server.start() != ztErr_noError) {
        std::fprintf(stderr, "bench_soak: cannot listen on %s:1231\n", address.c_str());
        return 2;
    }

    Counts counts;
    Stopper stopper;
    uint64_t drops = 0;
    std::thread dropper([&] {
        while (!stopper.waitFor(dropEvery)) {
            server.dropConnections();
            ++drops;
        }
    });
    std::vector<std::thread> clients;
    for (int i = 0; i < threads; ++i)
        clients.emplace_back(client, i, std::cref(address), std::ref(counts), std::ref(stopper));

    const uint64_t start = zt::platform::monotonicMillis();
    // Resident memory once the first quarter (at least ten seconds) has warmed up, and its
    // largest value afterwards.
    const uint64_t warmUp = std::max<uint64_t>(10000, seconds * 250ULL);
    uint64_t warmRss = 0;
    uint64_t peakRss = 0;
    uint64_t lastReport = start;
    const auto report = [&](const char* inWhat, uint64_t inNow) {
        std::printf(
            "%s %6.1f s: matched %llu, faults %llu, mismatched %llu, empty %llu, "
            "logins %llu (failed %llu), drops %llu, connections accepted %u, RSS %llu KiB\n",
            inWhat, static_cast<double>(inNow - start) / 1000.0,
            static_cast<unsigned long long>(counts.matched.load()),
            static_cast<unsigned long long>(counts.faults.load()),
            static_cast<unsigned long long>(counts.mismatched.load()),
            static_cast<unsigned long long>(counts.empty.load()),
            static_cast<unsigned long long>(counts.logins.load()),
            static_cast<unsigned long long>(counts.loginFaults.load()),
            static_cast<unsigned long long>(drops), server.acceptedCount(),
            static_cast<unsigned long long>(residentKiB()));
        std::fflush(stdout);
    };
    for (;;) {
        stopper.waitFor(250); // the sampling period
        const uint64_t now = zt::platform::monotonicMillis();
        const uint64_t rss = residentKiB();
        if (now - start >= warmUp) {
            if (warmRss == 0)
                warmRss = rss;
            peakRss = std::max(peakRss, rss);
        }
        if (now - lastReport >= 10000) {
            report("soak", now);
            lastReport = now;
        }
        if (now - start >= seconds * 1000ULL)
            break;
    }
    stopper.stop();
    for (std::thread& thread : clients)
        thread.join();
    dropper.join();
    const uint64_t end = zt::platform::monotonicMillis();
    report("done", end);
    const double elapsed = static_cast<double>(end - start) / 1000.0;
    std::printf("requests per second %.0f (matched), RSS after warm-up %llu KiB, largest "
                "afterwards %llu KiB (%+.1f%%)\n",
                static_cast<double>(counts.matched.load()) / elapsed,
                static_cast<unsigned long long>(warmRss), static_cast<unsigned long long>(peakRss),
                warmRss ? 100.0 * (static_cast<double>(peakRss) - static_cast<double>(warmRss)) /
                              static_cast<double>(warmRss)
                        : 0.0);
    server.stop();
    const bool sound = counts.mismatched == 0 && counts.empty == 0 && counts.matched > 0;
    std::printf("%s\n", sound ? "every answer matched its request"
                              : "FAILED: answers lost or not matched to their requests");
    return sound ? 0 : 1;
}
