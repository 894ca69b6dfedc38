// The six exported functions of libztXMLInt.so, called as the web-server extension calls
// them: through the shared library, from many threads.
#include "../cryptor/ztTestKeyPair.h"
#include "ztcentral/server/ztCentralServer.h"
#include "ztxmlint/ztXMLInt.h"

#include <gtest/gtest.h>

#include <cstring>
#include <thread>
#include <vector>

namespace {

std::string call(const char* inRequest) {
    const char* result = nullptr;
    int32_t length = -1;
    EXPECT_EQ(xmlRequest(inRequest, &result, &length), 0);
    EXPECT_EQ(static_cast<size_t>(length), std::strlen(result));
    std::string text(result, static_cast<size_t>(length));
    releaseResult(result);
    return text;
}

class ExportsTest : public testing::Test {
protected:
    void startServer(int inHost, ztCentralState::SSOTable inSSO = {}) {
        itsAddress = "127.0.4." + std::to_string(inHost);
        ztCentralServer::Settings settings;
        settings.itsAddress = ztIPv6(itsAddress.c_str());
        settings.itsPrivateKeyText = ztTestPrivateKeyText;
        settings.itsSSOUsers = std::move(inSSO);
        itsServer = std::make_unique<ztCentralServer>(std::move(settings));
        ASSERT_EQ(itsServer->start(), ztErr_noError);
    }
    void TearDown() override {
        if (itsServer)
            itsServer->stop();
    }

    std::string itsAddress;
    std::unique_ptr<ztCentralServer> itsServer;
};

TEST_F(ExportsTest, ResultsAreOwnedUntilReleasedFromAnyThread) {
    releaseResult(nullptr);
    const char unknown[] = "x";
    releaseResult(unknown);
    std::vector<const char*> results(64);
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([&results, t] {
            for (int i = 0; i < 8; ++i) {
                int32_t length = 0;
                xmlRequest(R"({"jsonrpc":"2.0","method":"session","params":{},"id":1})",
                           &results[t * 8 + i], &length);
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    threads.clear();
    // Released on other threads than the ones that received them, and twice.
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([&results, t] {
            for (int i = 0; i < 8; ++i) {
                const char* result = results[(t * 8 + i + 13) % 64];
                EXPECT_STREQ(result, R"({"jsonrpc":"2.0","result":{"session":""},"id":1})");
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    for (const char* result : results)
        releaseResult(result);
    for (const char* result : results)
        releaseResult(result);
}

TEST_F(ExportsTest, EmptyRequestIsAJsonError) {
    EXPECT_EQ(call(""),
              R"({"jsonrpc":"2.0","error":{"code":32700,"message":"Parse error."},"id":null})");
    EXPECT_EQ(setSessionTimeout(0), 1);
    EXPECT_EQ(setSessionTimeout(1200), 1);
}

TEST_F(ExportsTest, LoginCommandAndLogoutThroughTheLibrary) {
    startServer(101);
    const std::string login =
        call((R"({"jsonrpc":"2.0","method":"Login","params":{"server":")" + itsAddress +
              R"(","loginName":"alice","password":"alice"},"id":1})")
                 .c_str());
    const size_t at = login.find("\"session\":\"");
    ASSERT_NE(at, std::string::npos) << login;
    const std::string session = login.substr(at + 11, 20);
    const std::string users =
        call((R"({"jsonrpc":"2.0","method":"GetUsers","params":{"session":")" + session +
              R"("},"id":2})")
                 .c_str());
    EXPECT_NE(users.find("\"result\":{"), std::string::npos) << users;
    const std::string logout = call(
        (R"({"jsonrpc":"2.0","method":"logout","params":{"session":")" + session + R"("},"id":3})")
            .c_str());
    EXPECT_EQ(logout, R"({"jsonrpc":"2.0","result":"","id":3})") << logout;
}

TEST_F(ExportsTest, SingleSignonLogsTheLocalAccountIn) {
    // This process's account: root in the test machines, uid 0.
    startServer(102, {{"S-1-22-1-" + std::to_string(::getuid()), "alice"}});
    const char* result = nullptr;
    int32_t length = 0;
    const std::string user =
        ::getuid() == 0 ? "root" : std::string(std::getenv("USER") ? std::getenv("USER") : "");
    ASSERT_EQ(ssoRequest("Negotiate", user.c_str(), itsAddress.c_str(), &result, &length), 0);
    const std::string answer(result, static_cast<size_t>(length));
    releaseResult(result);
    EXPECT_NE(answer.find("<LoginResponse"), std::string::npos) << answer;
    EXPECT_NE(answer.find("<userName>" + user + "</userName>"), std::string::npos) << answer;

    // Without an authentication name the Login goes out with an empty password.
    ssoRequest("", user.c_str(), itsAddress.c_str(), &result, &length);
    const std::string refused(result, static_cast<size_t>(length));
    releaseResult(result);
    EXPECT_NE(refused.find("<soap:Fault>"), std::string::npos) << refused;
}

TEST_F(ExportsTest, WsdlAndItsPageArePublished) {
    startServer(103);
    const char* result = nullptr;
    int32_t length = 0;
    const std::string query = "wsdl?server=" + itsAddress;
    wsdlRequest(query.c_str(), "https://gateway.example/ws/WSDL", &result, &length);
    const std::string wsdl(result, static_cast<size_t>(length));
    releaseResult(result);
    EXPECT_NE(wsdl.find("<wsdl:definitions"), std::string::npos) << wsdl.substr(0, 300);
    EXPECT_NE(wsdl.find("location=\"https://gateway.example/ws/soap\""), std::string::npos);

    wsdlDocRequest(query.c_str(), nullptr, &result, &length);
    const std::string page(result, static_cast<size_t>(length));
    releaseResult(result);
    EXPECT_EQ(page.rfind("<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01//EN\" "
                         "\"http://www.w3.org/TR/html4/strict.dtd\"><",
                         0),
              0u)
        << page.substr(0, 200);

    wsdlDocRequest("server=127.0.4.251", nullptr, &result, &length);
    const std::string down(result, static_cast<size_t>(length));
    releaseResult(result);
    EXPECT_NE(down.find("\"><?xml version=\"1.0\" encoding=\"utf-8\" ?><soap:Envelope"),
              std::string::npos)
        << down;
    EXPECT_NE(down.find("<soap:Fault>"), std::string::npos);
}

} // namespace
