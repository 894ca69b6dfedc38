// How many logged-in connections the stand-in server holds, and what each costs: starts the
// program ztcentral, opens N connections (2000 by default) from this process with the
// library's connect and Login, has each answer one more request, and prints both processes'
// descriptors and the server's resident memory before and after, divided by N. Usage:
// bench_central [N [ADDRESS]]; run by hand (see README.md).
#include "cryptor/ztTestKeyPair.h"
#include "messages/ztException.h"
#include "netobjects/ztConnectAnswer.h"
#include "netobjects/ztDescriptorLimit.h"
#include "netobjects/ztNetObjectHandler.h"
#include "netobjects/ztNetReqConnect.h"
#include "platform/ztNativeThread.h"
#include "platform/ztResourceLimits.h"
#include "platform/ztTickCount.h"
#include "util/ztIPv6.h"
#include "ztxmlint/halNReqLogin.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

// As the server: thousands of handler threads need a small stack and many descriptors.
constexpr size_t kThreadStackSize = 256 * 1024;
constexpr int kConnectingThreads = 4;

// VmRSS of process inPid in KiB, 0 when it cannot be read.
uint64_t residentKiB(const std::string& inPid) {
    std::ifstream status("/proc/" + inPid + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.starts_with("VmRSS:"))
            return std::strtoull(line.c_str() + 6, nullptr, 10);
    }
    return 0;
}

uint64_t threadCount(const std::string& inPid) {
    std::ifstream status("/proc/" + inPid + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.starts_with("Threads:"))
            return std::strtoull(line.c_str() + 8, nullptr, 10);
    }
    return 0;
}

// Open descriptors of process inPid (the entries of /proc/<pid>/fd).
uint64_t descriptorCount(const std::string& inPid) {
    std::error_code error;
    uint64_t count = 0;
    for (std::filesystem::directory_iterator it("/proc/" + inPid + "/fd", error), end;
         !error && it != end; it.increment(error))
        ++count;
    return count;
}

// Two descriptors per connection on each side: 9999 connections need a little over 20000,
// which is the usual hard limit. Run as root, the bench lifts the hard limit for itself and
// the server it starts; otherwise it takes what the hard limit allows.
void raiseOpenFileLimit(int inConnections) {
    const uint64_t wanted =
        ztDescriptorsPerConnection * static_cast<uint64_t>(inConnections) + ztDescriptorsSpare;
    uint64_t soft = 0;
    uint64_t hard = 0;
    if (zt::platform::openFileLimit(soft, hard) == 0 && hard < wanted)
        zt::platform::setOpenFileLimit(wanted, wanted);
    ztRaiseDescriptorLimit("bench_central", static_cast<uint64_t>(inConnections));
}

// Runs inWork(i) for every i below inCount on kConnectingThreads threads.
template <typename Work> void onThreads(int inCount, Work inWork) {
    std::atomic<int> next{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kConnectingThreads; ++t) {
        threads.emplace_back([&] {
            for (int i = next++; i < inCount; i = next++)
                inWork(i);
        });
    }
    for (std::thread& thread : threads)
        thread.join();
}

} // namespace

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::atoi(argv[1]) : 2000;
    const std::string address = argc > 2 ? argv[2] : "127.0.3.250";
    raiseOpenFileLimit(count);
    zt::platform::NativeThread::setStackSize(kThreadStackSize);

    const std::string keyFile = "/tmp/bench_central_key.txt";
    std::ofstream(keyFile) << ztTestPrivateKeyText;
    // The shell prints the server's process id first; the server's own output follows on
    // the same pipe, which stays open while the server runs.
    const std::string command = std::string(ZTCENTRAL_PATH) + " --listen " + address +
                                " --key-file " + keyFile + " & echo $!";
    FILE* server = ::popen(command.c_str(), "r");
    if (server == nullptr)
        return 1;
    char line[256];
    std::string pid;
    bool ready = false;
    while (!ready && std::fgets(line, sizeof line, server) != nullptr) {
        const std::string text(line);
        if (pid.empty())
            pid = text.substr(0, text.find('\n'));
        else
            ready = text.starts_with("ztcentral: ready");
    }
    if (!ready) {
        std::cerr << "the server did not start\n";
        return 1;
    }
    const uint64_t before = residentKiB(pid);
    const uint64_t serverFdsBefore = descriptorCount(pid);
    const uint64_t clientFdsBefore = descriptorCount("self");

    std::vector<std::unique_ptr<ztNetObjectHandler>> clients(count);
    std::atomic<int> failed{0};
    std::mutex errorMutex;
    std::string firstError;
    const uint64_t start = zt::platform::monotonicMillis();
    // Each user may hold 25 sessions on the server; the stand-in server does not count, and
    // the library's limits live in the session manager, which this bench goes around.
    onThreads(count, [&](int i) {
        try {
            ztConnectAnswer answer;
            auto client = ztNetObjectHandler::connectToServer(ztIPv6(address), 1231, address,
                                                              nullptr, 0, nullptr, answer, true);
            halNReqLogin login("administrator", "demo", 3, false);
            client->performRequest(login);
            clients[i] = std::move(client);
        } catch (const ztException& e) {
            ++failed;
            std::lock_guard<std::mutex> lock(errorMutex);
            if (firstError.empty())
                firstError = e.what();
        }
    });
    const uint64_t elapsed = zt::platform::monotonicMillis() - start;
    // Let the server settle (its listener lets go of nothing here, but the last handlers
    // may still be starting).
    std::this_thread::sleep_for(std::chrono::seconds(1));
    const uint64_t after = residentKiB(pid);
    const uint64_t threads = threadCount(pid);
    const uint64_t serverFds = descriptorCount(pid);
    const uint64_t clientFds = descriptorCount("self");
    const int held = count - failed.load();
    std::printf("connections: %d logged in, %d failed%s%s\n", held, failed.load(),
                firstError.empty() ? "" : ", first error: ", firstError.c_str());
    std::printf("time to connect and log in: %llu ms (%.2f ms each, %.0f logins/s, %d "
                "connecting threads)\n",
                static_cast<unsigned long long>(elapsed), held > 0 ? double(elapsed) / held : 0.0,
                elapsed > 0 ? held * 1000.0 / double(elapsed) : 0.0, kConnectingThreads);
    std::printf("server threads: %llu\n", static_cast<unsigned long long>(threads));
    std::printf("server RSS: %llu KiB before, %llu KiB after, %.1f KiB per connection\n",
                static_cast<unsigned long long>(before), static_cast<unsigned long long>(after),
                held > 0 ? double(after - before) / held : 0.0);
    std::printf("descriptors: server %llu before, %llu after (%.2f per connection); client "
                "%llu before, %llu after (%.2f per connection)\n",
                static_cast<unsigned long long>(serverFdsBefore),
                static_cast<unsigned long long>(serverFds),
                held > 0 ? double(serverFds - serverFdsBefore) / held : 0.0,
                static_cast<unsigned long long>(clientFdsBefore),
                static_cast<unsigned long long>(clientFds),
                held > 0 ? double(clientFds - clientFdsBefore) / held : 0.0);
    // Every connection still answers: one Connect exchange on each.
    std::atomic<int> answered{0};
    const uint64_t askStart = zt::platform::monotonicMillis();
    onThreads(count, [&](int i) {
        if (!clients[i])
            return;
        ztConnectAnswer answer;
        ztNetReqConnect again(answer);
        again.send(clients[i].get());
        if (again.waitForCompletion(30000) && again.succeeded())
            ++answered;
    });
    const uint64_t askElapsed = zt::platform::monotonicMillis() - askStart;
    std::printf("answered a request afterwards: %d of %d in %llu ms\n", answered.load(), held,
                static_cast<unsigned long long>(askElapsed));
    std::printf("client RSS: %llu KiB\n", static_cast<unsigned long long>(residentKiB("self")));
    std::fflush(stdout);
    clients.clear();
    std::system(("kill -TERM " + pid).c_str());
    ::pclose(server);
    std::remove(keyFile.c_str());
    return failed.load() == 0 && answered.load() == held ? 0 : 1;
}
