// xmlSessionManager::doRequest: one request from its text to its answer. The request is
// brought into one form (a command element inside an envelope), its session is settled,
// the library's own commands are answered here and every other command goes to the central
// server; the answer, or a fault, is rendered in the request's dialect.
#include "ztxmlint/xmlSessionManager.h"

#include "messages/ztException.h"
#include "messages/ztInfoLog.h"
#include "messages/ztLogFmt.h"
#include "messages/ztMessageTexts.h"
#include "netobjects/ztNetObjectHandler.h"
#include "util/ztServiceNamespace.h"
#include "util/ztTimer.h"
#include "util/ztWSDL.h"
#include "util/ztXMLUtil.h"
#include "ztxmlint/halNReqGetReportFile.h"
#include "ztxmlint/halNReqXMLCommand.h"
#include "ztxmlint/xmlJsonFrontEnd.h"
#include "ztxmlint/xmlPreLogin.h"
#include "ztxmlint/xmlRequestContext.h"
#include "ztxmlint/xmlSession.h"
#include "ztxmlint/xmlSoapEnvelope.h"

#include <tinyxml.h>

#include <algorithm>
#include <cctype>
#include <set>
#include <strings.h>

namespace {

constexpr int kMethodPost = 5;
constexpr const char* kPreLoginCommand = "web_getPreLoginInfo";
constexpr const char* kCommandPathPrefix = "command/";

bool isBlank(char inChar) {
    return inChar == ' ' || inChar == '\t' || inChar == '\n' || inChar == '\r';
}

bool equalsNoCase(const std::string& inA, const char* inB) {
    return ::strcasecmp(inA.c_str(), inB) == 0;
}

bool startsWithNoCase(const std::string& inText, const char* inPrefix) {
    const size_t length = std::strlen(inPrefix);
    return inText.size() >= length && ::strncasecmp(inText.c_str(), inPrefix, length) == 0;
}

// "pretty" and similar switches: a leading digit reads as a decimal number (true unless 0),
// otherwise y, yes, t and true in any case are true.
bool parseSwitch(const std::string& inText) {
    if (!inText.empty() && std::isdigit(static_cast<unsigned char>(inText[0])))
        return std::strtol(inText.c_str(), nullptr, 10) != 0;
    return equalsNoCase(inText, "y") || equalsNoCase(inText, "yes") || equalsNoCase(inText, "t") ||
           equalsNoCase(inText, "true");
}

bool hasKeyNoCase(const std::map<std::string, std::string>& inMap, const std::string& inKey) {
    return std::any_of(inMap.begin(), inMap.end(), [&inKey](const auto& inEntry) {
        return equalsNoCase(inEntry.first, inKey.c_str());
    });
}

std::string queryValue(const std::map<std::string, std::string>& inQuery, const char* inKey,
                       const std::string& inDefault = {}) {
    const auto it = inQuery.find(inKey);
    return it == inQuery.end() ? inDefault : it->second;
}

// Cuts a trailing "?" followed only by digits, blanks and tabs: some clients append a
// cache-busting counter to the envelope.
std::string_view cutCounterTail(std::string_view inText) {
    size_t end = inText.size();
    while (end > 0) {
        const char c = inText[end - 1];
        if (!std::isdigit(static_cast<unsigned char>(c)) && c != ' ' && c != '\t')
            break;
        --end;
    }
    if (end > 0 && inText[end - 1] == '?')
        return inText.substr(0, end - 1);
    return inText;
}

// Strips namespace prefixes from inRoot and every element below it, without recursion.
void stripPrefixes(TiXmlElement& ioRoot) {
    TiXmlElement* element = &ioRoot;
    while (element != nullptr) {
        const std::string name = element->ValueStr();
        const size_t colon = name.rfind(':');
        if (colon != std::string::npos)
            element->SetValue(name.substr(colon + 1));
        if (TiXmlElement* child = element->FirstChildElement()) {
            element = child;
            continue;
        }
        while (element != nullptr && element != &ioRoot && element->NextSiblingElement() == nullptr)
            element = element->Parent() ? element->Parent()->ToElement() : nullptr;
        if (element == nullptr || element == &ioRoot)
            break;
        element = element->NextSiblingElement();
    }
}

TiXmlElement* bodyOf(TiXmlDocument& ioDocument, const std::string& inPrefix) {
    TiXmlElement* envelope = ioDocument.FirstChildElement(inPrefix + ":Envelope");
    return envelope ? envelope->FirstChildElement(inPrefix + ":Body") : nullptr;
}

// The element's boolean child: absent gives inDefault, the rest as getBool reads it.
bool boolChild(const TiXmlElement& inCommand, const char* inName, bool inDefault) {
    return ztXMLUtil::getBool(inCommand.FirstChildElement(inName), inDefault);
}

// The text of inCommand's child inName when the child is there and starts with a text.
bool childText(const TiXmlElement& inCommand, const char* inName, std::string& outText) {
    const TiXmlElement* child = inCommand.FirstChildElement(inName);
    if (child == nullptr || child->FirstChild() == nullptr ||
        child->FirstChild()->ToText() == nullptr)
        return false;
    outText = child->FirstChild()->ToText()->ValueStr();
    return true;
}

// One run of doRequest with its per-request state.
class xmlRequestRun {
public:
    xmlRequestRun(xmlSessionManager& ioManager, const char* inRequest, int inMethod,
                  const std::string& inRestPath, const std::map<std::string, std::string>& inQuery,
                  int inXmlWanted, xmlRequestContext& ioContext, std::string& outResult,
                  int& ioStatus, std::map<std::string, std::string>& outHeaders)
        : itsManager(ioManager), itsRequest(inRequest ? inRequest : ""), itsMethod(inMethod),
          itsRestPath(inRestPath), itsQuery(inQuery), itsXmlWanted(inXmlWanted),
          itsContext(ioContext), itsResult(outResult), itsStatus(ioStatus), itsHeaders(outHeaders),
          itsTimer(true) {}

    void run() {
        try {
            process();
        } catch (const ztException& inException) {
            fault(inException.errorMessage);
        } catch (const std::exception& inException) {
            // Not the request's fault: nothing but a ztException is expected here.
            ztLog(0, "xmlSessionManager::doRequest - unexpected exception: %s", inException.what());
            itsStatus = 500;
            fault(errorMessageFromException(inException));
        } catch (...) {
            ztLog(0, "xmlSessionManager::doRequest - unexpected exception of unknown type");
            itsStatus = 500;
            fault(ztErrorMessage(ztErr_internal, ztText::internalErrorNamed, 'e', "unknown"));
        }
        if (!itsSkipRender)
            render();
        logRequest();
        if (itsDialect == xmlDialect_soap)
            itsStatus = 200;
    }

private:
    void process() {
        keepXmlWhiteSpace();
        chooseDialect();
        if (itsDialect == xmlDialect_soap)
            parseSoap();
        writeEnvelope(itsResponse, itsPrefix, xmlSoapEnvelopeNamespace, itsDialect);
        itsBody = bodyOf(itsResponse, itsPrefix);
        findCommand();
        readOptions();
        settleSession();
        dispatch();
        if (!itsDone)
            finishBody();
    }

    void chooseDialect() {
        size_t start = 0;
        while (start < itsRequest.size() && isBlank(itsRequest[start]))
            ++start;
        itsText = itsRequest.substr(start);
        const bool jsonLike = itsText.empty() || itsText[0] == '{';
        if (itsRestPath.empty()) {
            itsDialect = jsonLike ? xmlDialect_jsonRpc : xmlDialect_soap;
            return;
        }
        if (itsText.empty() && itsXmlWanted == 1)
            itsDialect = xmlDialect_restXml;
        else
            itsDialect = jsonLike ? xmlDialect_restJson : xmlDialect_restXml;
    }

    void parseSoap() {
        parseRequestXml(cutCounterTail(itsText), itsRequestDoc);
        resolveMultiRefs(itsRequestDoc);
        if (const TiXmlElement* root = itsRequestDoc.RootElement())
            itsPrefix = soapPrefixOf(root->Value());
    }

    void findCommand() {
        if (itsDialect == xmlDialect_soap) {
            TiXmlElement* body = bodyOf(itsRequestDoc, itsPrefix);
            itsCommand = body ? body->FirstChildElement() : nullptr;
            if (itsCommand == nullptr)
                throw ztException(ztErr_invalidCommand, "Invalid command.");
            if (itsCommand->ValueStr().find(':') != std::string::npos)
                stripPrefixes(*itsCommand);
        } else if (itsDialect == xmlDialect_jsonRpc) {
            itsCommand = parseJsonRpcRequest(itsText, itsRequestDoc, itsRestPath, itsJsonRpcId);
        } else {
            itsCommand =
                parseRestRequest(itsText, itsDialect, itsRequestDoc, itsRestPath, itsJsonRpcId);
        }
        itsMethodName = itsCommand->ValueStr();
    }

    void readOptions() {
        if (!itsRestPath.empty() && startsWithNoCase(itsMethodName, kCommandPathPrefix)) {
            itsCommandPath = true;
            const std::string rest = itsMethodName.substr(std::strlen(kCommandPathPrefix));
            for (const char* own : {"login", "logout", "hello", "session", kPreLoginCommand}) {
                if (equalsNoCase(rest, own))
                    itsMethodName = rest;
            }
        }
        itsPretty = parseSwitch(queryValue(itsQuery, "pretty", "0"));
    }

    void settleSession() {
        std::string sessionID = queryValue(itsQuery, "session");
        childText(*itsCommand, "session", sessionID);
        if (!sessionID.empty() && sessionID != itsContext.itsSessionID) {
            if (!isMethod("session") && !itsManager.isSessionAlive(sessionID))
                throw ztException(ztErr_invalidSession, "Invalid or expired session specified.");
            itsContext.releaseSession(itsManager);
            itsContext.itsSessionID = sessionID;
        }
        itsNeedsLogin = itsContext.itsSessionID.empty();
        replaceFromQuery("server", itsContext.itsServer);
        replaceFromQuery("loginName", itsContext.itsLoginName);
        replaceFromQuery("password", itsContext.itsPassword);
        if (!itsNeedsLogin) {
            itsNeedsLogin = !itsManager.isSessionAlive(itsContext.itsSessionID);
            if (!itsNeedsLogin && itsContext.itsLoginName.empty()) {
                if (const auto session = itsManager.findSession(itsContext.itsSessionID))
                    itsContext.itsLoginName = session->getLoginName();
            }
        }
        if (!itsNeedsLogin)
            return;
        itsContext.releaseSession(itsManager);
        const bool canLogIn =
            itsContext.itsAuthentication == 1 || itsContext.itsAuthentication == 2;
        if (isMethod("login") || isMethod("session") || itsContext.itsLoginName.empty() ||
            itsContext.itsPassword.empty() || !canLogIn)
            return;
        itsContext.itsSessionID =
            itsManager.addSession(serverOrDefault(), xmlSessionManager::centralServerPort,
                                  itsContext.itsLoginName, itsContext.itsPassword,
                                  itsContext.itsAuthentication, itsContext.itsSingleSignon, false);
        itsContext.itsKeepSession = false;
        itsNeedsLogin = false;
    }

    void replaceFromQuery(const char* inKey, std::string& ioValue) {
        const auto it = itsQuery.find(inKey);
        if (it == itsQuery.end() || it->second == ioValue)
            return;
        ioValue = it->second;
        itsNeedsLogin = true;
    }

    std::string serverOrDefault() const {
        return itsContext.itsServer.empty() ? itsManager.getDefaultServer() : itsContext.itsServer;
    }

    bool isMethod(const char* inName) const { return equalsNoCase(itsMethodName, inName); }

    void dispatch() {
        itsPreLogin = isMethod(kPreLoginCommand);
        if (isMethod("login")) {
            login();
            return;
        }
        if (isMethod("session")) {
            if (!itsManager.isSessionAlive(itsContext.itsSessionID))
                itsContext.itsSessionID.clear();
            auto* answer = new TiXmlElement("SessionResponse");
            ztXMLUtil::addTextElement(answer, "session", itsContext.itsSessionID);
            itsBody->LinkEndChild(answer);
            return;
        }
        if (!itsPreLogin)
            requireSession();
        if (isMethod("logout")) {
            itsManager.removeSession(itsContext.itsSessionID);
            itsContext.itsSessionID.clear();
            itsBody->LinkEndChild(new TiXmlElement("LogoutResponse"));
            return;
        }
        if (isMethod("hello")) {
            itsManager.isSessionAlive(itsContext.itsSessionID);
            return;
        }
        runCommand();
    }

    void requireSession() {
        if (itsContext.itsSessionID.empty()) {
            itsStatus = 401;
            throw ztException(ztErr_missingSession, "Missing Session ID");
        }
        if (itsNeedsLogin) {
            itsContext.itsSessionID.clear();
            itsStatus = 401;
            throw ztException(ztErr_invalidSession, "Invalid or expired session.");
        }
        TiXmlElement* session = itsCommand->FirstChildElement("session");
        if (session == nullptr)
            session = itsCommand->LinkEndChild(new TiXmlElement("session"))->ToElement();
        ztXMLUtil::setText(session, itsContext.itsSessionID);
        if (const auto found = itsManager.findSession(itsContext.itsSessionID))
            itsReplaceControl = found->replacesControlCharacters();
    }

    void login() {
        itsReplaceControl = boolChild(*itsCommand, "replaceControlCharacters", false);
        childText(*itsCommand, "server", itsContext.itsServer);
        if (!boolChild(*itsCommand, "singleSignon", false)) {
            childText(*itsCommand, "loginName", itsContext.itsLoginName);
            childText(*itsCommand, "password", itsContext.itsPassword);
            itsUnauthorizedAsForbidden = boolChild(*itsCommand, "unauthorizedAsForbidden", false);
        } else if (!(itsContext.itsAuthentication == 2 && itsContext.itsSingleSignon)) {
            itsStatus = 401;
            throw ztException(ztErr_authenticationNeeded, "Authentication needed.");
        }
        itsContext.releaseSession(itsManager);
        itsContext.itsSessionID = itsManager.addSession(
            serverOrDefault(), xmlSessionManager::centralServerPort, itsContext.itsLoginName,
            itsContext.itsPassword, itsContext.itsAuthentication, itsContext.itsSingleSignon,
            itsReplaceControl);
        auto* answer = new TiXmlElement("LoginResponse");
        ztXMLUtil::addTextElement(answer, "session", itsContext.itsSessionID);
        if (itsContext.itsSingleSignon)
            ztXMLUtil::addTextElement(answer, "userName", itsContext.itsLoginName);
        itsBody->LinkEndChild(answer);
    }

    // The WSDL to type JSON and REST values with, or null. A WSDL that cannot be had leaves
    // the values untyped rather than failing the request.
    std::shared_ptr<const ztWSDL> wsdl() {
        if (!itsWSDLLooked) {
            itsWSDLLooked = true;
            std::string server;
            if (const auto session = itsManager.findSession(itsContext.itsSessionID))
                server = session->getServer();
            try {
                itsWSDL = itsManager.getWSDL(server);
            } catch (const ztException& inException) {
                ztLog(2, "xmlSessionManager::doRequest - no WSDL to type the request with: %s",
                      inException.what());
            }
        }
        return itsWSDL;
    }

    void runCommand() {
        std::map<std::string, std::string> parameters = itsQuery;
        for (const char* key : {"pretty", "server", "loginName", "password", "session"})
            parameters.erase(key);
        std::set<std::string> pathKeys;
        if (!itsRestPath.empty())
            routeRest(parameters, pathKeys);
        if (!parameters.empty())
            placeRestArguments(*itsCommand, parameters, pathKeys, itsDialect);
        const bool typed = itsDialect != xmlDialect_soap && !itsPreLogin;
        const auto conversion = typed ? itsManager.getTypedConversion() : nullptr;
        // Declarations are found by the WSDL's own spelling: a client writing "getdnszones"
        // reaches the same command and should get the same typed answer.
        std::string declared = itsMethodName;
        if (conversion && wsdl())
            itsWSDL->getCommandName(itsMethodName, declared);
        if (conversion && itsWSDL)
            conversion->convertRequest(*itsWSDL, itsWSDL->getInputElement(declared), *itsCommand,
                                       itsDialect);
        ztLog(6, "xmlSessionManager::doRequest - Starting xmlrequest");
        send();
        if (itsDone)
            return;
        ztLog(6, "xmlSessionManager::doRequest - xmlrequest done");
        const ztXMLFlatTree::Node answer = itsFlat.firstChildElement(itsFlatBody);
        if (conversion && answer != 0 && itsWSDL)
            conversion->convertResponse(*itsWSDL, itsWSDL->getOutputElement(declared), itsFlat,
                                        answer, itsDialect);
    }

    // Names the command after the route of the REST path ("command/NAME" included, which
    // the route look-up answers itself) and merges the path's arguments into ioParameters,
    // where a query parameter of the same name, in any case, keeps its value.
    void routeRest(std::map<std::string, std::string>& ioParameters,
                   std::set<std::string>& outPathKeys) {
        const auto router = itsManager.getRestRouter();
        std::string command;
        std::map<std::string, std::string> pathArguments;
        if (!router || !router->lookup(itsRestPath, itsMethod, command, pathArguments))
            throw ztException(ztErr_invalidCommand, "Invalid REST command.");
        nameCommand(command);
        for (auto& [key, value] : pathArguments) {
            if (hasKeyNoCase(ioParameters, key))
                continue;
            outPathKeys.insert(key);
            ioParameters.emplace(key, value);
        }
    }

    // Gives the command element and the method the command's name, in the WSDL's spelling
    // when the WSDL knows it.
    void nameCommand(std::string inCommand) {
        if (const auto model = wsdl()) {
            std::string canonical;
            if (model->getCommandName(inCommand, canonical))
                inCommand = canonical;
        }
        itsCommand->SetValue(inCommand);
        itsMethodName = inCommand;
    }

    void send() {
        TiXmlNode& tree = *itsCommand->Parent();
        if (isMethod("GetReportFile")) {
            std::map<std::string, std::string> headers;
            std::string content;
            halNReqGetReportFile request(tree, &headers, &content);
            if (!itsManager.sendOnSession(itsContext.itsSessionID, request))
                sessionFailed();
            itsHeaders = std::move(headers);
            itsResult = std::move(content);
            itsDone = true;
            itsSkipRender = true;
            itsSkipLog = true;
            return;
        }
        if (itsPreLogin && itsNeedsLogin) {
            sendPreLogin(tree);
            return;
        }
        // The answer goes straight into the flat form it is typed and printed from: a
        // TinyXML tree of a large answer costs many times its decryption and inflation.
        copyResponse();
        halNReqXMLCommand request(tree, itsFlat, itsFlatBody, itsContext.itsCommandFlags);
        if (!itsManager.sendOnSession(itsContext.itsSessionID, request))
            sessionFailed();
    }

    // The response document as it stands, as the flat tree that the rest of the request
    // works on.
    void copyResponse() {
        itsFlat = ztXMLFlatTree();
        itsFlat.appendCopy(ztXMLFlatTree::document, itsResponse);
        const auto envelope =
            itsFlat.firstChildElement(ztXMLFlatTree::document, itsPrefix + ":Envelope");
        itsFlatBody = envelope ? itsFlat.firstChildElement(envelope, itsPrefix + ":Body") : 0;
        itsFlatCopied = itsFlatBody != 0;
    }

    void sendPreLogin(const TiXmlNode& inTree) {
        std::string server = itsManager.getDefaultServer();
        const auto given = itsQuery.find("server");
        if (given != itsQuery.end() && !itsManager.isCentralServerFixed())
            server = given->second;
        try {
            halNReqXMLCommandWithoutSession request(inTree, itsBody, itsContext.itsCommandFlags);
            std::string reference;
            itsManager.connectAndSend(server, xmlSessionManager::centralServerPort, request,
                                      reference, true);
        } catch (const ztException& inException) {
            ztLog(2, "Failed to fetch pre-login info from \"%s\": %s", server.c_str(),
                  inException.what());
        }
        addPreLoginInfo(*itsBody, preLoginSettings());
    }

    xmlPreLoginSettings preLoginSettings() const {
        xmlPreLoginSettings settings;
        settings.defaultServer = itsManager.getDefaultServer();
        settings.centralServerFixed = itsManager.isCentralServerFixed();
        settings.ssoEnabled = itsManager.isSSOEnabled();
        settings.settings = itsManager.getSettings();
        return settings;
    }

    [[noreturn]] void sessionFailed() {
        itsManager.removeSession(itsContext.itsSessionID);
        itsContext.itsSessionID.clear();
        itsStatus = 401;
        throw ztException(ztErr_invalidSession, "Invalid or expired session.");
    }

    void finishBody() {
        if (!itsFlatCopied)
            copyResponse();
        if (!itsFlatCopied)
            return;
        const ztXMLFlatTree::Node body = itsFlatBody;
        if (itsDialect == xmlDialect_soap) {
            for (auto child = itsFlat.firstChildElement(body); child != 0;
                 child = itsFlat.nextSiblingElement(child))
                itsFlat.setAttribute(child, "xmlns", xmlServiceNamespace);
        } else {
            itsFlat.setValue(body, "response");
            if (const auto first = itsFlat.firstChildElement(body))
                itsFlat.setValue(first, "result");
        }
        if (itsRestPath.empty())
            return;
        if (!itsCommandPath && itsStatus == 200 && itsMethod == kMethodPost)
            itsStatus = 201;
        const auto first = itsFlat.firstChildElement(body);
        if (itsFlat.noChildren(body) || (first != 0 && itsFlat.noChildren(first))) {
            if (itsStatus == 200)
                itsStatus = 204;
            itsSkipRender = true;
        }
    }

    void fault(ztErrorMessage inMessage) {
        itsSucceeded = false;
        itsFlatCopied = false; // the fault prints from itsResponse, without the answer read so far
        itsSkipRender = false;
        itsDone = true;
        if (inMessage.getErrorValue() == ztErr_handlerNotRunning)
            inMessage = ztErrorMessage(ztErr_netReadWrite, ztText::netBroken);
        if (itsDialect != xmlDialect_soap && inMessage.getErrorValue() == ztErr_internal &&
            inMessage.getTemplate() == ztText::internalErrorNamed && inMessage.hasParam('e') &&
            inMessage.getParam('e').rfind("Unknown WSDL ", 0) == 0) {
            std::string text = inMessage.getParam('e');
            for (size_t pos = text.find(" WSDL"); pos != std::string::npos;
                 pos = text.find(" WSDL"))
                text.erase(pos, 5);
            inMessage = ztErrorMessage(ztErr_internal, text.c_str());
        }
        itsBody = bodyOf(itsResponse, itsPrefix);
        if (itsBody == nullptr) {
            itsResponse.Clear();
            writeEnvelope(itsResponse, itsPrefix, xmlSoapEnvelopeNamespace, itsDialect);
            itsBody = bodyOf(itsResponse, itsPrefix);
        }
        // A half-read answer must not travel with the fault.
        if (itsBody != nullptr)
            itsBody->Clear();
        writeFault(itsResponse, inMessage, itsPrefix, itsDialect);
        if (itsStatus == 200) {
            const ztErr error = inMessage.getErrorValue();
            if (error >= 16394 && error <= 16397)
                itsStatus = itsUnauthorizedAsForbidden ? 403 : 401;
            else
                itsStatus = 400;
        }
    }

    void render() {
        itsResult.clear();
        if (!itsFlatCopied)
            copyResponse();
        if (!itsFlatCopied)
            return;
        try {
            renderAnswer(itsFlat, itsFlatBody, itsDialect, itsJsonRpcId, itsPretty,
                         itsReplaceControl, itsResult);
        } catch (const std::exception& inException) {
            ztLog(0, "xmlSessionManager::doRequest - rendering failed: %s", inException.what());
            itsResult.clear();
            itsStatus = 500;
        }
    }

    void logRequest() {
        if (itsSkipLog || !ztLogEnabled(4))
            return;
        ztLogFmt(4, "Request({}) from [{}:{}] executed in {} msec. Response size {} bytes.",
                 itsMethodName.empty() ? std::string("unknown") : itsMethodName,
                 itsContext.itsLoginName, itsContext.itsOrigin, itsTimer.elapsed(),
                 itsResult.size());
    }

    xmlSessionManager& itsManager;
    std::string_view itsRequest;
    int itsMethod;
    const std::string& itsRestPath;
    const std::map<std::string, std::string>& itsQuery;
    int itsXmlWanted;
    xmlRequestContext& itsContext;
    std::string& itsResult;
    int& itsStatus;
    std::map<std::string, std::string>& itsHeaders;
    ztTimer itsTimer;

    xmlDialect itsDialect = xmlDialect_soap;
    std::string_view itsText;
    std::string itsPrefix = xmlDefaultSoapPrefix;
    TiXmlDocument itsRequestDoc;
    TiXmlDocument itsResponse;
    TiXmlElement* itsBody = nullptr;
    // The response as it is finished and printed, copied from itsResponse when the answer is
    // about to arrive or the body is complete; a fault writes itsResponse again.
    ztXMLFlatTree itsFlat;
    ztXMLFlatTree::Node itsFlatBody = 0;
    bool itsFlatCopied = false;
    TiXmlElement* itsCommand = nullptr;
    std::string itsMethodName;
    std::string itsJsonRpcId;
    bool itsPretty = false;
    bool itsReplaceControl = false;
    bool itsNeedsLogin = false;
    bool itsPreLogin = false;
    bool itsCommandPath = false;
    bool itsUnauthorizedAsForbidden = false;
    bool itsSucceeded = true;
    bool itsDone = false;
    bool itsSkipRender = false;
    bool itsSkipLog = false;
    bool itsWSDLLooked = false;
    std::shared_ptr<const ztWSDL> itsWSDL;
};

} // namespace

bool xmlSessionManager::doRequest(const char* inRequest, int inMethod,
                                  const std::string& inRestPath,
                                  const std::map<std::string, std::string>& inQuery,
                                  int inXmlWanted, xmlRequestContext& ioContext,
                                  std::string& outResult, int& ioStatus,
                                  std::map<std::string, std::string>& outHeaders) {
    outResult.clear();
    xmlRequestRun(*this, inRequest, inMethod, inRestPath, inQuery, inXmlWanted, ioContext,
                  outResult, ioStatus, outHeaders)
        .run();
    return true;
}
