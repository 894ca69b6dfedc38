#pragma once
// The stand-in server on loopback and a client built from the library's own parts: the
// net object handler's connect and the application request objects. Requests are waited
// for with a time-out, so a test against a silent or broken server fails instead of hanging.
//
// Every TEST owns its loopback address 127.0.3.N (ctest runs tests in parallel):
//   ztCentralServerTest 1-99, ztCentralProgramTest 100-119, ztCentralOptionsTest none.

#include "ztcentral/server/ztCentralServer.h"

#include "cryptor/ztTestKeyPair.h"
#include "ztTestWaits.h"
#include "messages/ztException.h"
#include "netobjects/ztConnectAnswer.h"
#include "netobjects/ztConnectSettings.h"
#include "netobjects/ztNetObjectHandler.h"
#include "netobjects/ztNetRequest.h"
#include "platform/ztTickCount.h"
#include "util/ztIPv4.h"
#include "util/ztIPv6.h"
#include "ztxmlint/halNReqLogin.h"
#include "ztxmlint/halNReqXMLCommand.h"

#include <gtest/gtest.h>
#include <tinyxml.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>

namespace zt::centraltest {

inline constexpr uint16_t kPort = 1231;
// Generous for a loaded machine, short against a hang.
inline constexpr int32_t kAnswerTimeoutMs = 10000;

inline ztIPv6 loopback(uint8_t inLast) {
    return ztIPv6(ztIPv4(127, 0, 3, inLast));
}

using zt::test::eventually;

// Server settings for 127.0.3.inLast with the fixed test key (no key generation).
inline ztCentralServer::Settings serverSettings(uint8_t inLast) {
    ztCentralServer::Settings settings;
    settings.itsAddress = loopback(inLast);
    settings.itsPort = kPort;
    settings.itsPrivateKeyText = ztTestPrivateKeyText;
    return settings;
}

inline ztConnectSettings clientSettings() {
    ztConnectSettings settings;
    settings.itsTimeoutMs = kAnswerTimeoutMs;
    settings.itsHandshakeTimeoutMs = kAnswerTimeoutMs;
    return settings;
}

// Connects as the library does; throws the library's connect errors.
inline std::unique_ptr<ztNetObjectHandler>
connectTo(uint8_t inLast, ztConnectAnswer& outAnswer, bool inCompress = true,
          const ztConnectSettings& inSettings = clientSettings()) {
    return ztNetObjectHandler::connectToServer(loopback(inLast), kPort, "ztcentral", nullptr, 0,
                                               nullptr, outAnswer, inCompress, inSettings);
}

inline std::unique_ptr<ztNetObjectHandler> connectTo(uint8_t inLast) {
    ztConnectAnswer answer;
    return connectTo(inLast, answer);
}

// Sends ioRequest and waits at most inTimeoutMs. Throws the request's error message, or
// ztErr_timeout (after cancelling it) when no answer came.
inline void perform(ztNetObjectHandler& ioHandler, ztNetRequest& ioRequest,
                    int32_t inTimeoutMs = kAnswerTimeoutMs) {
    ioRequest.send(&ioHandler);
    if (!ioRequest.waitForCompletion(inTimeoutMs)) {
        ioRequest.cancel();
        ioRequest.waitForCompletion(kAnswerTimeoutMs);
        throw ztException(ztErr_timeout, "no answer");
    }
    if (ioRequest.succeeded())
        return;
    if (ioRequest.getError() != ztErr_noError)
        throw ztException(ioRequest.getErrorMessage());
    throw ztException(ztErr_unknown, "request ended without an answer");
}

// The error value perform throws, 0 when it succeeds.
inline ztErr errorOf(ztNetObjectHandler& ioHandler, ztNetRequest& ioRequest,
                     std::string* outText = nullptr, int32_t inTimeoutMs = kAnswerTimeoutMs) {
    try {
        perform(ioHandler, ioRequest, inTimeoutMs);
    } catch (const ztException& e) {
        if (outText != nullptr)
            *outText = e.what();
        return e.getErrorValue();
    }
    return ztErr_noError;
}

inline void login(ztNetObjectHandler& ioHandler, const std::string& inName = "administrator",
                  const std::string& inPassword = "demo") {
    halNReqLogin request(inName, inPassword, 3, false);
    perform(ioHandler, request);
}

// An XML command as the gateway sends it: the command element below a body element; the
// answer element lands below the result's body.
struct CommandResult {
    ztErr error = ztErr_noError;
    std::string text;
    TiXmlElement body{"Body"};

    const TiXmlElement* answer() const { return body.FirstChildElement(); }
};

template <typename Request = halNReqXMLCommand>
CommandResult runCommand(ztNetObjectHandler& ioHandler, const std::string& inCommandXML,
                         int32_t inTimeoutMs = kAnswerTimeoutMs) {
    TiXmlDocument request;
    request.Parse(("<Body>" + inCommandXML + "</Body>").c_str());
    EXPECT_FALSE(request.Error()) << inCommandXML;
    CommandResult result;
    Request command(*request.RootElement(), &result.body, 0);
    result.error = errorOf(ioHandler, command, &result.text, inTimeoutMs);
    return result;
}

// A running server on 127.0.3.inLast.
inline std::unique_ptr<ztCentralServer> startServer(ztCentralServer::Settings inSettings) {
    auto server = std::make_unique<ztCentralServer>(std::move(inSettings));
    const ztErr error = server->start();
    EXPECT_EQ(error, ztErr_noError);
    return error == ztErr_noError ? std::move(server) : nullptr;
}

} // namespace zt::centraltest
