// ztcentral: the stand-in central server as a program. See --help.
#include "ztcentral/server/ztCentralOptions.h"
#include "ztcentral/server/ztCentralServer.h"

#include "messages/ztInfoLog.h"
#include "netobjects/ztDescriptorLimit.h"
#include "platform/ztNativeThread.h"
#include "platform/ztSignals.h"

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

namespace {

constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
// Each connection runs a handler thread; the default 8 MiB of stack per thread would make
// thousands of connections cost gigabytes of address space, and a handler needs little.
constexpr size_t kThreadStackSize = 256 * 1024;

bool readKeyFile(const std::string& inFile, std::string& outKey) {
    std::ifstream file(inFile);
    if (!file)
        return false;
    std::ostringstream text;
    text << file.rdbuf();
    outKey = text.str();
    while (!outKey.empty() &&
           (outKey.back() == '\n' || outKey.back() == '\r' || outKey.back() == ' '))
        outKey.pop_back();
    return !outKey.empty();
}

} // namespace

int main(int argc, char** argv) {
    // Before any thread exists, so that every thread inherits the mask and only the wait
    // below receives the signals.
    zt::platform::blockTerminationSignals();
    ztCentralOptions options;
    const std::string error = ztCentralOptions::parse(argc - 1, argv + 1, options);
    if (!error.empty()) {
        std::cerr << "ztcentral: " << error << "\n\n" << ztCentralOptions::usage();
        return kExitUsage;
    }
    if (options.itsHelp) {
        std::cout << ztCentralOptions::usage();
        return 0;
    }
    if (options.itsVerbose) {
        ztLogConfig config = ztLogGetConfig();
        config.threshold = 4;
        ztLogSetConfig(config);
    }
    if (!options.itsKeyFile.empty() &&
        !readKeyFile(options.itsKeyFile, options.itsSettings.itsPrivateKeyText)) {
        std::cerr << "ztcentral: cannot read the key file \"" << options.itsKeyFile << "\"\n";
        return kExitUsage;
    }
    // Every connection holds its socket and a wake-up descriptor, so the soft limit of 1024
    // would end the server near 500 connections.
    ztRaiseDescriptorLimit("ztcentral");
    zt::platform::NativeThread::setStackSize(kThreadStackSize);

    ztCentralServer server(options.itsSettings);
    if (options.itsSettings.itsPrivateKeyText.empty())
        ztLog(3, "ztcentral: generating the RSA key pair");
    const ztErr started = server.start();
    if (started != ztErr_noError) {
        std::fprintf(stderr, "ztcentral: cannot listen on %s port %u (error 0x%04X)\n",
                     options.itsSettings.itsAddress.format().c_str(),
                     unsigned{options.itsSettings.itsPort}, started);
        return kExitFailed;
    }
    // Tests wait for this line before they connect.
    std::printf("ztcentral: ready\n");
    std::fflush(stdout);
    int signal = 0;
    while (zt::platform::waitForTerminationSignal(-1, signal) != 0) {
    }
    ztLog(3, "ztcentral: signal %d, shutting down", signal);
    server.stop();
    return 0;
}
