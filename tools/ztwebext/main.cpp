// ztwebext: the HTTP/1.1 front end of ztXMLInt. See --help.
#include "ztwebext/ztWebAccessLog.h"
#include "ztwebext/ztWebDemo.h"
#include "ztwebext/ztWebMetrics.h"
#include "ztwebext/ztWebOpenApi.h"
#include "ztwebext/ztWebOptions.h"
#include "ztwebext/ztWebRouter.h"
#include "ztwebext/ztWebServer.h"
#include "ztwebext/ztWebTableRoutes.h"
#include "ztwebext/ztWebWorkers.h"

#include "messages/ztInfoLog.h"
#include "netobjects/ztDescriptorLimit.h"
#include "platform/ztNativeThread.h"
#include "platform/ztSignals.h"
#include "ztxmlint/xmlSessionManager.h"
#include "ztxmlint/ztXMLInt.h"

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <thread>

namespace {

constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
// Every thread of the process gets this stack: the library's XML nesting bound was
// measured for 1 MiB, and the workers run the library.
constexpr size_t kThreadStackSize = 2 * 1024 * 1024;

int fail(const std::string& inReason) {
    std::fprintf(stderr, "ztwebext: %s\n", inReason.c_str());
    return kExitFailed;
}

} // namespace

int main(int argc, char** argv) {
    // Before any thread exists, so that only the wait below receives the signals.
    zt::platform::blockTerminationSignals();
    ztWebOptions options;
    if (const std::string error = ztWebOptions::parse(argc - 1, argv + 1, options);
        !error.empty()) {
        std::fprintf(stderr, "ztwebext: %s (see --help)\n", error.c_str());
        return kExitUsage;
    }
    if (options.itsHelp) {
        std::cout << ztWebOptions::usage();
        return 0;
    }
    zt::platform::NativeThread::setStackSize(kThreadStackSize);
    if (options.itsLogLevel >= 0) {
        ztLogConfig config = ztLogGetConfig();
        config.threshold = options.itsLogLevel;
        ztLogSetConfig(config);
    }

    xmlSessionManager& manager = xmlSessionManager::getInstance();
    manager.setDefaultServer(options.itsDemo ? options.itsDemoAddress : options.itsCentral);
    manager.setCentralServerFixed(options.itsCentralFixed);
    if (options.itsSessionTimeout > 0)
        setSessionTimeout(options.itsSessionTimeout);

    ztWebDemo demo;
    if (options.itsDemo) {
        std::fprintf(stderr, "ztwebext: starting the stand-in central server\n");
        if (const std::string error = demo.start(options.itsDemoAddress); !error.empty())
            return fail(error);
    }

    ztWebMetrics metrics;
    ztWebTableRoutes routes;
    ztWebRouter router(metrics, routes);
    ztWebAccessLog log;
    ztWebWorkers::Settings pool;
    pool.itsThreads = options.itsWorkers;
    pool.itsMaxQueued = options.itsMaxQueued;
    pool.itsFlowing = ztWebWorkers::flowingFor(std::thread::hardware_concurrency());
    ztWebWorkers workers(pool);
    if (const int error = workers.start())
        return fail("cannot start the worker threads (error " + std::to_string(error) + ")");
    ztWebServer::Settings settings;
    settings.itsHost = options.itsListenHost;
    settings.itsPort = options.itsListenPort;
    settings.itsTlsCert = options.itsTlsCert;
    settings.itsTlsKey = options.itsTlsKey;
    settings.itsReadTimeoutMs = options.itsReadTimeoutMs;
    settings.itsIdleTimeoutMs = options.itsIdleTimeoutMs;
    settings.itsWriteTimeoutMs = options.itsWriteTimeoutMs;
    settings.itsMaxConnections = options.itsMaxConnections;
    ztWebServer server(settings, router, workers, metrics, log);
    if (const std::string error = server.start(); !error.empty())
        return fail(error);
    // Raised now rather than on the first login, so that a limit too low for the session cap
    // is said once at start, where an operator reads it.
    ztRaiseDescriptorLimit("ztwebext");

    const std::string baseUrl =
        std::string(options.itsTlsCert.empty() ? "http" : "https") + "://" + server.localAddress();
    if (options.itsDemo)
        std::printf("%s", ztWebDemo::banner(baseUrl, options.itsDemoAddress).c_str());
    // Tests and scripts wait for this line before they connect.
    std::printf("ztwebext: serving on %s\n", baseUrl.c_str());
    std::fflush(stdout);

    int signal = 0;
    while (zt::platform::waitForTerminationSignal(-1, signal) != 0) {
    }
    std::fprintf(stderr, "ztwebext: signal %d, finishing the requests in flight\n", signal);
    if (!server.stop(options.itsDrainTimeoutMs)) {
        // Requests still wait for a central server: their workers cannot be joined in
        // time, and tearing the library down under them is not safe. Leave at once.
        std::fprintf(stderr, "ztwebext: requests still running after %u ms, exiting\n",
                     options.itsDrainTimeoutMs);
        std::fflush(stdout);
        std::fflush(stderr);
        std::_Exit(0);
    }
    workers.stop();
    demo.stop();
    return 0;
}
