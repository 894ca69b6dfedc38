// The command line of ztcentral.
#include "ztcentral/server/ztCentralOptions.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string parse(const std::vector<const char*>& inArguments, ztCentralOptions& outOptions) {
    return ztCentralOptions::parse(static_cast<int>(inArguments.size()), inArguments.data(),
                                   outOptions);
}

} // namespace

TEST(ztCentralOptions, DefaultsListenOnLoopbackPort1231) {
    ztCentralOptions options;
    ASSERT_EQ(parse({}, options), "");
    EXPECT_EQ(options.itsSettings.itsAddress.format(), "127.0.0.1");
    EXPECT_EQ(options.itsSettings.itsPort, 1231);
    EXPECT_TRUE(options.itsSettings.itsEncrypt);
    EXPECT_TRUE(options.itsSettings.itsCompress);
    EXPECT_TRUE(options.itsSettings.itsUsers.empty());
}

TEST(ztCentralOptions, ReadsEveryOption) {
    ztCentralOptions options;
    ASSERT_EQ(parse({"--listen",
                     "[::1]:4000",
                     "--no-encrypt",
                     "--no-compress",
                     "--server-version",
                     "1040",
                     "--text-c",
                     "C",
                     "--text-i",
                     "I",
                     "--not-ready",
                     "--user",
                     "a:b:c",
                     "--user",
                     "d:",
                     "--sso-user",
                     "e:S-1-22-1-7",
                     "--max-connections",
                     "10",
                     "--delay",
                     "5",
                     "--delay-for",
                     "GetUsers=70",
                     "--drop-after-packets",
                     "4",
                     "--drop-after-ms",
                     "900",
                     "--refuse-logins",
                     "--silent",
                     "--message-every",
                     "1000",
                     "--message-text",
                     "hi",
                     "-v"},
                    options),
              "");
    const ztCentralServer::Settings& settings = options.itsSettings;
    EXPECT_EQ(settings.itsAddress.format(), "::1");
    EXPECT_EQ(settings.itsPort, 4000);
    EXPECT_FALSE(settings.itsEncrypt);
    EXPECT_FALSE(settings.itsCompress);
    EXPECT_EQ(settings.itsIdentity.version, 1040);
    EXPECT_EQ(settings.itsIdentity.textC, "C");
    EXPECT_EQ(settings.itsIdentity.textI, "I");
    EXPECT_TRUE(settings.itsNotReady);
    // The password is everything after the first colon.
    EXPECT_EQ(settings.itsUsers.at("A"), "b:c");
    EXPECT_EQ(settings.itsUsers.at("d"), "");
    EXPECT_EQ(settings.itsSSOUsers.at("S-1-22-1-7"), "e");
    EXPECT_EQ(settings.itsMaxConnections, 10u);
    EXPECT_EQ(settings.itsDelayMs, 5u);
    EXPECT_EQ(settings.itsDelays.at("GetUsers"), 70u);
    EXPECT_EQ(settings.itsDropAfterPackets, 4u);
    EXPECT_EQ(settings.itsDropAfterMs, 900u);
    EXPECT_TRUE(settings.itsRefuseLogins);
    EXPECT_TRUE(settings.itsSilent);
    EXPECT_EQ(settings.itsMessageEveryMs, 1000u);
    EXPECT_EQ(settings.itsMessageText, "hi");
    EXPECT_TRUE(options.itsVerbose);
}

TEST(ztCentralOptions, RefusesMalformedValues) {
    struct Row {
        std::vector<const char*> arguments;
        const char* mentions;
    };
    const Row rows[] = {
        {{"--listen", "127.0.3.1:0"}, "port"},
        {{"--listen", "127.0.3.1:65536"}, "port"},
        {{"--listen", "127.0.3.1:"}, "port"},
        {{"--listen", "not an address"}, "address"},
        {{"--listen", "[::1"}, "]"},
        {{"--server-version", "65536"}, "version"},
        {{"--user", "nopassword"}, "NAME:PASSWORD"},
        {{"--user", ":pw"}, "NAME:PASSWORD"},
        {{"--delay-for", "GetUsers"}, "NAME=MS"},
        {{"--delay", "-1"}, "-1"},
        {{"--max-connections", "4294967296"}, "4294967296"},
        {{"--delay"}, "--delay"},
        {{"--frobnicate", "1"}, "--frobnicate"},
        {{"--sso-user", "no-such-account-here"}, "no-such-account-here"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.arguments.front());
        ztCentralOptions options;
        const std::string error = parse(row.arguments, options);
        EXPECT_NE(error.find(row.mentions), std::string::npos) << error;
    }
    ztCentralOptions help;
    EXPECT_EQ(parse({"--bad", "--help"}, help), "");
    EXPECT_TRUE(help.itsHelp);
}
