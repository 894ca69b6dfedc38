// ztXMLInt.dll as the web-server extension uses it: loaded at run time, its six functions
// found by their plain names, and called from many threads against the stand-in server.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

using RequestFn = int32_t (*)(const char*, const char**, int32_t*);
using SsoFn = int32_t (*)(const char*, const char*, const char*, const char**, int32_t*);
using WsdlFn = int32_t (*)(const char*, const char*, const char**, int32_t*);
using TimeoutFn = int32_t (*)(int32_t);
using ReleaseFn = void (*)(const char*);

struct Library {
    HMODULE module = nullptr;
    RequestFn xmlRequest = nullptr;
    SsoFn ssoRequest = nullptr;
    WsdlFn wsdlRequest = nullptr;
    WsdlFn wsdlDocRequest = nullptr;
    TimeoutFn setSessionTimeout = nullptr;
    ReleaseFn releaseResult = nullptr;
};

template <typename Fn> Fn find(HMODULE inModule, const char* inName) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(inModule, inName)));
}

// Loaded once for the whole program, as a web server keeps its extension's library.
const Library& library() {
    static const Library loaded = [] {
        Library l;
        l.module = ::LoadLibraryA("ztXMLInt.dll");
        if (l.module == nullptr)
            return l;
        l.xmlRequest = find<RequestFn>(l.module, "xmlRequest");
        l.ssoRequest = find<SsoFn>(l.module, "ssoRequest");
        l.wsdlRequest = find<WsdlFn>(l.module, "wsdlRequest");
        l.wsdlDocRequest = find<WsdlFn>(l.module, "wsdlDocRequest");
        l.setSessionTimeout = find<TimeoutFn>(l.module, "setSessionTimeout");
        l.releaseResult = find<ReleaseFn>(l.module, "releaseResult");
        return l;
    }();
    return loaded;
}

std::string environment(const char* inName) {
    const char* value = std::getenv(inName);
    return value == nullptr ? std::string() : std::string(value);
}

std::string call(const std::string& inRequest) {
    const char* result = nullptr;
    int32_t length = -1;
    EXPECT_EQ(library().xmlRequest(inRequest.c_str(), &result, &length), 0);
    if (result == nullptr)
        return std::string();
    EXPECT_EQ(static_cast<size_t>(length), std::strlen(result));
    std::string text(result, static_cast<size_t>(length));
    library().releaseResult(result);
    return text;
}

std::string jsonLogin(const std::string& inServer, int inId) {
    return R"({"jsonrpc":"2.0","method":"Login","params":{"server":")" + inServer +
           R"(","loginName":"alice","password":"alice"},"id":)" + std::to_string(inId) + "}";
}

// The session id of a JSON-RPC Login answer, or empty.
std::string sessionOf(const std::string& inAnswer) {
    const size_t at = inAnswer.find("\"session\":\"");
    return at == std::string::npos ? std::string() : inAnswer.substr(at + 11, 20);
}

std::string jsonCommand(const std::string& inSession, int inId) {
    return R"({"jsonrpc":"2.0","method":"GetUsers","params":{"session":")" + inSession +
           R"("},"id":)" + std::to_string(inId) + "}";
}

class ExportsWinTest : public testing::Test {
protected:
    void SetUp() override {
        const Library& l = library();
        ASSERT_NE(l.module, nullptr) << "ztXMLInt.dll not loaded: " << ::GetLastError();
        ASSERT_TRUE(l.xmlRequest && l.ssoRequest && l.wsdlRequest && l.wsdlDocRequest &&
                    l.setSessionTimeout && l.releaseResult)
            << "an entry point is missing under its plain name";
    }

    // The address of a running stand-in server; the test fails without one, so that a run
    // without servers cannot pass by skipping.
    static std::string server(const char* inVariable) {
        const std::string address = environment(inVariable);
        EXPECT_FALSE(address.empty()) << inVariable << " is not set; run scripts/windows.sh";
        return address;
    }
};

TEST_F(ExportsWinTest, ReleaseResultRulesHoldAcrossThreads) {
    library().releaseResult(nullptr);
    const char unknown[] = "x";
    library().releaseResult(unknown);
    EXPECT_EQ(call(""),
              R"({"jsonrpc":"2.0","error":{"code":32700,"message":"Parse error."},"id":null})");
    EXPECT_EQ(library().setSessionTimeout(0), 1);
    EXPECT_EQ(library().setSessionTimeout(1200), 1);

    std::vector<const char*> results(64);
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([&results, t] {
            for (int i = 0; i < 8; ++i) {
                int32_t length = 0;
                library().xmlRequest(R"({"jsonrpc":"2.0","method":"session","params":{},"id":1})",
                                     &results[t * 8 + i], &length);
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    threads.clear();
    // Read and released on other threads than the ones that received them, then twice.
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
        library().releaseResult(result);
    for (const char* result : results)
        library().releaseResult(result);
}

TEST_F(ExportsWinTest, LoginAndACommandInJsonRpcAndSoap) {
    const std::string address = server("ZT_WIN_CENTRAL");
    ASSERT_FALSE(address.empty());
    const std::string session = sessionOf(call(jsonLogin(address, 1)));
    ASSERT_EQ(session.size(), 20u);
    const std::string users = call(jsonCommand(session, 2));
    EXPECT_NE(users.find("\"result\":{"), std::string::npos) << users;

    const std::string soap =
        call(R"(<?xml version="1.0" encoding="utf-8"?>)"
             R"(<soap:Envelope xmlns:soap="http://schemas.xmlsoap.org/soap/envelope/">)"
             R"(<soap:Body><GetUsers><session>)" +
             session + R"(</session></GetUsers></soap:Body></soap:Envelope>)");
    EXPECT_NE(soap.find("<GetUsersResponse"), std::string::npos) << soap.substr(0, 400);
    EXPECT_EQ(soap.find("<soap:Fault>"), std::string::npos) << soap.substr(0, 400);

    const std::string logout = call(R"({"jsonrpc":"2.0","method":"logout","params":{"session":")" +
                                    session + R"("},"id":3})");
    EXPECT_EQ(logout, R"({"jsonrpc":"2.0","result":"","id":3})");
}

TEST_F(ExportsWinTest, ASessionLogsInAgainAfterTheServerDropsItsConnection) {
    // That server drops every connection 600 ms after accepting it.
    const std::string address = server("ZT_WIN_CENTRAL_DROPPING");
    ASSERT_FALSE(address.empty());
    const std::string session = sessionOf(call(jsonLogin(address, 1)));
    ASSERT_EQ(session.size(), 20u);
    // Long enough for several drops; every command must still be answered.
    const DWORD start = ::GetTickCount();
    int id = 2;
    while (::GetTickCount() - start < 2000 && id < 200) {
        const std::string users = call(jsonCommand(session, id++));
        ASSERT_NE(users.find("\"result\":{"), std::string::npos)
            << "request " << id << ": " << users;
        ::Sleep(100);
    }
}

TEST_F(ExportsWinTest, ManyThreadsShareOneSession) {
    const std::string address = server("ZT_WIN_CENTRAL");
    ASSERT_FALSE(address.empty());
    const std::string session = sessionOf(call(jsonLogin(address, 1)));
    ASSERT_EQ(session.size(), 20u);
    std::atomic<int> answered{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 16; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 8; ++i) {
                const std::string users = call(jsonCommand(session, t * 100 + i));
                if (users.find("\"result\":{") != std::string::npos)
                    ++answered;
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(answered.load(), 16 * 8);
}

TEST_F(ExportsWinTest, AnUnreachableServerIsAFaultInTheCallersDialect) {
    const std::string address = server("ZT_WIN_UNREACHABLE");
    ASSERT_FALSE(address.empty());
    const std::string answer = call(jsonLogin(address, 9));
    EXPECT_NE(answer.find("\"error\":{"), std::string::npos) << answer;
    EXPECT_NE(answer.find("\"id\":9"), std::string::npos) << answer;

    const char* result = nullptr;
    int32_t length = 0;
    const std::string query = "wsdl?server=" + address;
    library().wsdlDocRequest(query.c_str(), nullptr, &result, &length);
    ASSERT_NE(result, nullptr);
    const std::string page(result, static_cast<size_t>(length));
    library().releaseResult(result);
    EXPECT_NE(page.find("<soap:Fault>"), std::string::npos) << page.substr(0, 300);
}

TEST_F(ExportsWinTest, SingleSignOnSendsTheAccountsSecurityIdentifier) {
    // That server knows the running account only by its Windows security identifier.
    const std::string address = server("ZT_WIN_CENTRAL_SSO");
    ASSERT_FALSE(address.empty());
    char name[257] = {};
    DWORD size = sizeof name;
    ASSERT_TRUE(::GetUserNameA(name, &size));
    const std::string user = name;

    const char* result = nullptr;
    int32_t length = 0;
    ASSERT_EQ(library().ssoRequest("Negotiate", user.c_str(), address.c_str(), &result, &length),
              0);
    const std::string answer(result, static_cast<size_t>(length));
    library().releaseResult(result);
    EXPECT_NE(answer.find("<LoginResponse"), std::string::npos) << answer;
    EXPECT_NE(answer.find("<userName>" + user + "</userName>"), std::string::npos) << answer;

    // Without an authentication name there is no look-up and the password stays empty.
    library().ssoRequest("", user.c_str(), address.c_str(), &result, &length);
    const std::string refused(result, static_cast<size_t>(length));
    library().releaseResult(result);
    EXPECT_NE(refused.find("<soap:Fault>"), std::string::npos) << refused;
}

TEST_F(ExportsWinTest, TheWsdlIsPublishedWithTheServiceAddress) {
    const std::string address = server("ZT_WIN_CENTRAL");
    ASSERT_FALSE(address.empty());
    const char* result = nullptr;
    int32_t length = 0;
    const std::string query = "wsdl?server=" + address;
    library().wsdlRequest(query.c_str(), "https://gateway.example/ws/WSDL", &result, &length);
    ASSERT_NE(result, nullptr);
    const std::string wsdl(result, static_cast<size_t>(length));
    library().releaseResult(result);
    EXPECT_NE(wsdl.find("<wsdl:definitions"), std::string::npos) << wsdl.substr(0, 300);
    EXPECT_NE(wsdl.find("location=\"https://gateway.example/ws/soap\""), std::string::npos);
}

} // namespace
