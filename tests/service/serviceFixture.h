#pragma once
// A stand-in central server on its own loopback address and a session manager talking to
// it: the end-to-end setting of the request service tests. Every test passes its own
// address (itsNetwork + N, 127.0.4.N unless a fixture picks another network) so that tests
// may run in parallel.

#include "../cryptor/ztTestKeyPair.h"
#include "netobjects/ztNetObjectHandler.h"
#include "ztcentral/server/ztCentralServer.h"
#include "ztxmlint/xmlRequestContext.h"
#include "ztxmlint/xmlSessionManager.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>

struct Answer {
    std::string text;
    int status = 200;
    std::map<std::string, std::string> headers;

    bool has(const std::string& inPart) const { return text.find(inPart) != std::string::npos; }
};

class ServiceTest : public testing::Test {
protected:
    // Starts the server on itsNetwork + inHost with the seed users and an optional tweak of
    // the settings.
    void startServer(int inHost,
                     const std::function<void(ztCentralServer::Settings&)>& inTweak = {}) {
        startServerAt(itsNetwork + std::to_string(inHost), inTweak);
    }

    // The same on any loopback address.
    void startServerAt(const std::string& inAddress,
                       const std::function<void(ztCentralServer::Settings&)>& inTweak = {}) {
        itsAddress = inAddress;
        ztCentralServer::Settings settings;
        settings.itsAddress = ztIPv6(itsAddress.c_str());
        settings.itsPrivateKeyText = ztTestPrivateKeyText;
        settings.itsHandshakeTimeoutMs = 5000;
        if (inTweak)
            inTweak(settings);
        itsServer = std::make_unique<ztCentralServer>(std::move(settings));
        ASSERT_EQ(itsServer->start(), ztErr_noError);
        itsManager.setDefaultServer(itsAddress);
    }

    void TearDown() override {
        if (itsServer)
            itsServer->stop();
    }

    Answer run(const std::string& inRequest, xmlRequestContext& ioContext,
               const std::map<std::string, std::string>& inQuery = {}) {
        Answer answer;
        itsManager.doRequest(inRequest.c_str(), 5, std::string(), inQuery, 0, ioContext,
                             answer.text, answer.status, answer.headers);
        return answer;
    }

    // A REST request on inPath (POST) through the dispatcher's REST interface.
    Answer runRest(const std::string& inBody, const std::string& inPath,
                   xmlRequestContext& ioContext, int inXmlWanted = 0,
                   const std::map<std::string, std::string>& inQuery = {}) {
        Answer answer;
        itsManager.doRequest(inBody.c_str(), 5, inPath, inQuery, inXmlWanted, ioContext,
                             answer.text, answer.status, answer.headers);
        return answer;
    }

    Answer run(const std::string& inRequest) {
        xmlRequestContext context;
        return run(inRequest, context);
    }

    std::string jsonLogin(const std::string& inUser = "administrator",
                          const std::string& inPassword = "demo", const std::string& inMore = "") {
        return R"({"jsonrpc":"2.0","method":"Login","params":{"server":")" + itsAddress +
               R"(","loginName":")" + inUser + R"(","password":")" + inPassword + "\"" + inMore +
               R"(},"id":1})";
    }

    std::string soapLogin(const std::string& inUser = "administrator",
                          const std::string& inPassword = "demo") {
        return soap("<Login><server>" + itsAddress + "</server><loginName>" + inUser +
                    "</loginName><password>" + inPassword + "</password></Login>");
    }

    static std::string soap(const std::string& inBody, const std::string& inPrefix = "soap") {
        return "<?xml version=\"1.0\" encoding=\"utf-8\"?><" + inPrefix +
               ":Envelope xmlns:" + inPrefix + "=\"http://schemas.xmlsoap.org/soap/envelope/\"><" +
               inPrefix + ":Body>" + inBody + "</" + inPrefix + ":Body></" + inPrefix +
               ":Envelope>";
    }

    static std::string json(const std::string& inMethod, const std::string& inParams,
                            const std::string& inId = "7") {
        return R"({"jsonrpc":"2.0","method":")" + inMethod + R"(","params":)" + inParams +
               R"(,"id":)" + inId + "}";
    }

    // The session id of a Login answer (SOAP or JSON).
    static std::string sessionOf(const std::string& inAnswer) {
        for (const char* marker : {"<session>", "\"session\":\""}) {
            const size_t start = inAnswer.find(marker);
            if (start == std::string::npos)
                continue;
            const size_t from = start + std::strlen(marker);
            const size_t end = inAnswer.find_first_of("<\"", from);
            return inAnswer.substr(from, end - from);
        }
        return {};
    }

    std::string login() {
        const Answer answer = run(jsonLogin());
        EXPECT_EQ(answer.status, 200) << answer.text;
        return sessionOf(answer.text);
    }

    std::string itsNetwork = "127.0.4.";
    std::string itsAddress;
    std::unique_ptr<ztCentralServer> itsServer;
    xmlSessionManager itsManager;
};
