// The six exported entry points. They attach the calling thread to the runtime, run the
// request through the session manager and publish the answer in the result registry. No
// exception leaves them: whatever escapes becomes a fault in the request's dialect, or,
// when even that cannot be built, an empty answer.
#include "ztxmlint/ztXMLInt.h"

#include "messages/ztException.h"
#include "messages/ztInfoLog.h"
#include "platform/ztSocketStart.h"
#include "threads/ztThread.h"
#include "ztxmlint/xmlPreLogin.h"
#include "ztxmlint/xmlRequestContext.h"
#include "ztxmlint/xmlResultRegistry.h"
#include "ztxmlint/xmlSessionManager.h"
#include "ztxmlint/xmlWSDLPublisher.h"

#include <atomic>
#include <map>
#include <memory>
#include <string>

namespace {

// The counted start of the socket layer (Windows Sockets 2.0; nothing to start on Linux).
// The system is asked only while the count is 0; a failed start leaves the count as it was,
// and the socket layer of the platform tries once more when it opens its first socket.
std::atomic<bool> gSocketsStarted{false};
std::atomic<uint32_t> gSocketStarts{0};

void startSocketsCounted() {
    if (gSocketStarts.load() == 0 && zt::platform::startSockets() != 0)
        return;
    gSocketStarts.fetch_add(1);
}

void prologue() {
    if (!gSocketsStarted.exchange(true))
        startSocketsCounted();
    ztThread::enterFromOutside();
}

const char* publish(std::unique_ptr<std::string> inText, int32_t* outLength) {
    int length = 0;
    const char* text = xmlResultRegistry::instance().publish(std::move(inText), length);
    if (outLength != nullptr)
        *outLength = length;
    return text;
}

// Runs inRequest like xmlRequest does, with the given context.
void runRequest(const char* inRequest, xmlRequestContext& ioContext, std::string& outText) {
    int status = 200;
    std::map<std::string, std::string> headers;
    xmlSessionManager::getInstance().doRequest(inRequest, 5, std::string(), {}, 0, ioContext,
                                               outText, status, headers);
}

template <typename Body>
int32_t guarded(const char** outResult, int32_t* outLength, Body inBody) noexcept {
    std::unique_ptr<std::string> text;
    try {
        prologue();
        text = std::make_unique<std::string>();
        inBody(*text);
    } catch (const std::exception& inException) {
        ztLog(0, "ztXMLInt: request failed outside the dispatcher: %s", inException.what());
        if (text)
            text->clear();
    } catch (...) {
        ztLog(0, "ztXMLInt: request failed outside the dispatcher");
        if (text)
            text->clear();
    }
    try {
        if (!text)
            text = std::make_unique<std::string>();
        const char* published = publish(std::move(text), outLength);
        if (outResult != nullptr)
            *outResult = published;
    } catch (...) {
        // Not even an empty text could be published: the caller gets a static empty text,
        // which releaseResult ignores.
        if (outResult != nullptr)
            *outResult = "";
        if (outLength != nullptr)
            *outLength = 0;
    }
    return 0;
}

} // namespace

extern "C" {

int32_t xmlRequest(const char* inRequest, const char** outResult, int32_t* outLength) {
    return guarded(outResult, outLength, [inRequest](std::string& outText) {
        xmlRequestContext context;
        runRequest(inRequest ? inRequest : "", context, outText);
    });
}

int32_t ssoRequest(const char* inAuthName, const char* inLoginName, const char* inServer,
                   const char** outResult, int32_t* outLength) {
    return guarded(outResult, outLength, [=](std::string& outText) {
        const std::string authName = inAuthName ? inAuthName : "";
        const std::string loginName = inLoginName ? inLoginName : "";
        const std::string server = inServer ? inServer : "";
        std::string credential;
        std::string domain;
        if (!authName.empty() && !loginName.empty())
            lookupAccountSID(loginName, credential, domain);
        const std::string envelope = buildSsoLoginEnvelope(authName, loginName, server);
        xmlRequestContext context;
        context.itsLoginName = loginName;
        context.itsPassword = credential;
        context.itsAuthentication = 2;
        context.itsSingleSignon = true;
        runRequest(envelope.c_str(), context, outText);
    });
}

int32_t wsdlRequest(const char* inQuery, const char* inServiceAddress, const char** outResult,
                    int32_t* outLength) {
    return guarded(outResult, outLength, [=](std::string& outText) {
        publishWsdl(xmlSessionManager::getInstance(), inServiceAddress ? inServiceAddress : "",
                    splitQuery(inQuery ? inQuery : ""), outText);
    });
}

int32_t wsdlDocRequest(const char* inQuery, const char* /*inUnused*/, const char** outResult,
                       int32_t* outLength) {
    return guarded(outResult, outLength, [=](std::string& outText) {
        publishWsdlDoc(xmlSessionManager::getInstance(), splitQuery(inQuery ? inQuery : ""),
                       outText);
    });
}

int32_t setSessionTimeout(int32_t inSeconds) {
    try {
        return xmlSessionManager::getInstance().setSessionTimeout(inSeconds);
    } catch (...) {
        return 1;
    }
}

void releaseResult(const char* inResult) {
    try {
        xmlResultRegistry::instance().release(inResult);
    } catch (...) {
        // Nothing to report to: the caller gave the text back.
    }
}

} // extern "C"
