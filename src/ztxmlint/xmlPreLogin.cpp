// Pre-login information and the single sign-on Login envelope.
#include "ztxmlint/xmlPreLogin.h"

#include "platform/ztAccounts.h"
#include "util/ztXMLPrinter.h"
#include "util/ztXMLTinyWriter.h"
#include "util/ztXMLUtil.h"

#include <tinyxml.h>

#include <algorithm>
#include <cerrno>
#include <charconv>

namespace {

// getpwnam_r does not say how large a buffer the entry needs; doubling finds it in a few
// calls, and the cap stops a broken directory service from draining memory.
constexpr size_t kMaxAccountBuffer = size_t{1} << 20;

// The well-known authority for Unix users mapped into identifiers (S-1-22-1-uid), the form
// other systems use when they show a Unix account as an identifier.
constexpr const char* kUnixUserSIDPrefix = "S-1-22-1-";

const std::string* findSetting(const xmlPreLoginSettings& inSettings, const char* inKey) {
    const auto found = inSettings.settings.find(inKey);
    return found == inSettings.settings.end() ? nullptr : &found->second;
}

// A setting read as a boolean: a leading decimal number other than 0 is true.
bool settingAsBool(const xmlPreLoginSettings& inSettings, const char* inKey, bool inDefault) {
    const std::string* value = findSetting(inSettings, inKey);
    if (value == nullptr)
        return inDefault;
    long number = 0;
    const char* end = value->data() + value->size();
    const auto [next, error] = std::from_chars(value->data(), end, number);
    return error == std::errc() && number != 0;
}

size_t countChildElements(const TiXmlElement& inElement) {
    size_t count = 0;
    for (const TiXmlElement* child = inElement.FirstChildElement(); child;
         child = child->NextSiblingElement())
        ++count;
    return count;
}

void removeChildElements(TiXmlElement& ioElement, const char* inName) {
    while (TiXmlElement* child = ioElement.FirstChildElement(inName))
        ioElement.RemoveChild(child);
}

void addBooleanElement(TiXmlElement& ioParent, const char* inName, bool inValue) {
    TiXmlElement* element = ztXMLUtil::addTextElement(&ioParent, inName, inValue ? "1" : "0");
    element->SetAttribute("type", "boolean");
}

// The answer element offered when the server sent none: the default form is the only way
// in.
TiXmlElement& addLocalAnswer(TiXmlElement& ioBody) {
    auto* answer = new TiXmlElement("web_getPreLoginInfo");
    ioBody.LinkEndChild(answer);
    auto* options = new TiXmlElement("signInOptions");
    answer->LinkEndChild(options);
    ztXMLUtil::addTextElement(options, "form", "");
    return *answer;
}

void addTextChild(ztXMLWriter& ioWriter, const char* inName, const std::string& inText) {
    ioWriter.startElement(inName);
    ioWriter.text(inText.c_str(), false);
    ioWriter.endElement();
}

} // namespace

void addPreLoginInfo(TiXmlElement& ioBody, const xmlPreLoginSettings& inSettings) {
    const std::string* footnoteSetting = findSetting(inSettings, "LoginFootnote");
    const std::string footnote = footnoteSetting ? *footnoteSetting : std::string();
    const bool preferExternalKnown = findSetting(inSettings, "PreferExternalAuthentication");
    const bool preferExternal = settingAsBool(inSettings, "PreferExternalAuthentication", false);
    const bool hideForm = settingAsBool(inSettings, "HideDefaultLoginForm", false);

    TiXmlElement* answer = ioBody.FirstChildElement();
    if (answer != nullptr) {
        TiXmlElement* options = answer->FirstChildElement("signInOptions");
        // The form is hidden only when another way in is left.
        if (hideForm && options && countChildElements(*options) > 1)
            removeChildElements(*options, "form");
        if (preferExternalKnown)
            removeChildElements(*answer, "preferExternalAuth");
    } else {
        answer = &addLocalAnswer(ioBody);
    }

    if (preferExternal)
        addBooleanElement(*answer, "preferExternalAuth", true);
    ztXMLUtil::addTextElement(answer, "centralServer", inSettings.defaultServer);
    addBooleanElement(*answer, "centralServerFixed", inSettings.centralServerFixed);
    if (!footnote.empty())
        ztXMLUtil::addTextElement(answer, "loginFootnote", footnote);
    addBooleanElement(*answer, "ssoEnabled", inSettings.ssoEnabled);
    ztXMLUtil::addTextElement(answer, "version", xmlLibraryVersion);
}

bool lookupAccountSID(const std::string& inAccountName, std::string& outSID, std::string& outDomain,
                      size_t inInitialBufferSize) {
    // The database takes C strings: a name with a NUL would be looked up cut short and could
    // name another account.
    if (inAccountName.find('\0') != std::string::npos)
        return false;
    zt::platform::UserAccount account;
    size_t bufferSize = std::clamp<size_t>(inInitialBufferSize, 1, kMaxAccountBuffer);
    for (;;) {
        const int error = zt::platform::findUserByName(inAccountName.c_str(), bufferSize, account);
        if (error == 0)
            break;
        if (error != ERANGE || bufferSize >= kMaxAccountBuffer)
            return false;
        bufferSize = std::min(bufferSize * 2, kMaxAccountBuffer);
    }
    std::string domain = std::move(account.domain);
    if (domain.empty() && zt::platform::hostName(domain) != 0)
        domain.clear();
    // Where the system has real identifiers, the account's own is the credential.
    outSID = account.securityId.empty() ? kUnixUserSIDPrefix + std::to_string(account.userId)
                                        : std::move(account.securityId);
    outDomain = std::move(domain);
    return true;
}

std::string buildSsoLoginEnvelope(const std::string& inAuthenticationName,
                                  const std::string& inLoginName, const std::string& inServer) {
    std::string credential;
    if (!inAuthenticationName.empty() && !inLoginName.empty()) {
        std::string sid;
        std::string domain;
        if (lookupAccountSID(inLoginName, sid, domain))
            credential = std::move(sid);
    }

    TiXmlDocument document;
    ztXMLTinyWriter writer(&document);
    writer.startElement("soap:Envelope");
    writer.startElement("soap:Body");
    writer.startElement("Login");
    addTextChild(writer, "server", inServer);
    addTextChild(writer, "loginName", inLoginName);
    addTextChild(writer, "password", credential);
    addTextChild(writer, "authentication", inAuthenticationName);
    addTextChild(writer, "replaceControlCharacters", "1");
    writer.endElement();
    writer.endElement();
    writer.endElement();

    std::string text;
    printXml(document, text, false, false, false);
    return text;
}
