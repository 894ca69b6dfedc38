// The programs: ztprobe (the operators' client) against the server in this process, and
// ztcentral itself started, used and stopped with SIGTERM as an operator would.
#include "central/ztCentralServerTestSupport.h"
#include "central/ztShellRun.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>

using namespace zt::centraltest;

namespace {

std::string tempPath(const std::string& inName) {
    return ::testing::TempDir() + "ztcentral_" + std::to_string(::getpid()) + "_" + inName;
}

void writeFile(const std::string& inPath, const std::string& inText) {
    std::ofstream file(inPath, std::ios::binary);
    file << inText;
}

} // namespace

TEST(ztCentralProgram, ZtprobeLogsInAndRunsACommand) {
    const auto server = startServer(serverSettings(100));
    ASSERT_TRUE(server);
    const std::string command = tempPath("probe.xml");
    writeFile(command, "<GetDNSServers/>");
    std::string output;
    const int status = runShell(std::string(ZTPROBE_PATH) +
                                    " --timeout 10000 --user alice --password alice --command " +
                                    command + " 127.0.3.100 2>&1",
                                output);
    EXPECT_EQ(status, 0) << output;
    EXPECT_NE(output.find("server text C: ztcentral"), std::string::npos) << output;
    EXPECT_NE(output.find("<GetDNSServersResponse>"), std::string::npos) << output;

    std::string refused;
    EXPECT_NE(runShell(std::string(ZTPROBE_PATH) +
                           " --timeout 10000 --user alice --password wrong 127.0.3.100 2>&1",
                       refused),
              0);
    EXPECT_NE(refused.find("0x400A"), std::string::npos) << refused;
    std::remove(command.c_str());
}

TEST(ztCentralProgram, ServesUntilSIGTERMAndStopsCleanly) {
    const std::string key = tempPath("key.txt");
    const std::string log = tempPath("server.log");
    const std::string command = tempPath("command.xml");
    writeFile(key, ztTestPrivateKeyText);
    writeFile(command, "<GetUsers/>");
    // The shell starts the server, waits for its ready line, runs ztprobe, sends SIGTERM
    // and reports the server's exit status last.
    const std::string script =
        std::string(ZTCENTRAL_PATH) + " --listen 127.0.3.101:1231 --key-file " + key +
        " --text-i program --user bob:builder -v >" + log + " 2>&1 & server=$!; " +
        "for i in $(seq 1 200); do grep -q 'ztcentral: ready' " + log +
        " && break; sleep 0.05; done; " + ZTPROBE_PATH +
        " --timeout 10000 --user bob --password builder --command " + command +
        " 127.0.3.101:1231; kill -TERM $server; wait $server; echo \"exit=$?\"";
    std::string output;
    runShell(script, output);
    EXPECT_NE(output.find("server text I: program"), std::string::npos) << output;
    EXPECT_NE(output.find("<GetUsersResponse>"), std::string::npos) << output;
    EXPECT_NE(output.find("exit=0"), std::string::npos) << output;
    std::ifstream logFile(log);
    std::stringstream logText;
    logText << logFile.rdbuf();
    EXPECT_NE(logText.str().find("\"bob\" logged in"), std::string::npos) << logText.str();
    EXPECT_NE(logText.str().find("GetUsers for \"bob\""), std::string::npos) << logText.str();
    EXPECT_NE(logText.str().find("shutting down"), std::string::npos) << logText.str();
    for (const std::string& file : {key, log, command})
        std::remove(file.c_str());
}

TEST(ztCentralProgram, HelpAndBadOptions) {
    std::string help;
    EXPECT_EQ(runShell(std::string(ZTCENTRAL_PATH) + " --help", help), 0);
    for (const char* option : {"--listen", "--delay-for", "--drop-after-packets", "--drop-after-ms",
                               "--silent", "--refuse-logins", "--not-ready", "--sso-user",
                               "--message-every", "--max-connections", "--no-encrypt"})
        EXPECT_NE(help.find(option), std::string::npos) << option;
    std::string bad;
    EXPECT_EQ(runShell(std::string(ZTCENTRAL_PATH) + " --delay soon 2>&1", bad), 2);
    EXPECT_NE(bad.find("soon"), std::string::npos) << bad;
}
