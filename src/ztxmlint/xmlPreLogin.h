#pragma once
// What a login page needs before anyone is logged in, and the Login envelope of single
// sign-on: the pre-login answer completed with the library's own settings, and the local
// account turned into the identifier that single sign-on sends as its credential.

#include <cstddef>
#include <map>
#include <string>

class TiXmlElement;

// The library's version, reported in every pre-login answer.
inline constexpr const char* xmlLibraryVersion = "10.3.6";

// The session manager's settings that the pre-login answer reports. The manager fills
// them; this library never changes them after creation.
struct xmlPreLoginSettings {
    std::string defaultServer;
    bool centralServerFixed = false;
    bool ssoEnabled = false;
    // "LoginFootnote" (text), "PreferExternalAuthentication" and "HideDefaultLoginForm"
    // (booleans: a decimal number other than 0 is true, any other text false).
    std::map<std::string, std::string> settings;
};

// Completes the answer to "web_getPreLoginInfo" in ioBody, the response body. The server's
// answer, when ioBody holds one, is its first child element: with "HideDefaultLoginForm"
// its "signInOptions" loses "form" unless that is the only option; when
// "PreferExternalAuthentication" is set, the server's "preferExternalAuth" is replaced by
// the library's. Without an answer (the server could not be reached) an answer element
// offering only the form is built. Then "preferExternalAuth" (when preferred),
// "centralServer", "centralServerFixed", "loginFootnote" (when set), "ssoEnabled" and
// "version" are appended to it, booleans as "1"/"0" typed "boolean". One request thread.
void addPreLoginInfo(TiXmlElement& ioBody, const xmlPreLoginSettings& inSettings);

// Looks inAccountName up in the system's account database and gives the account's
// security identifier where the system has them (Windows), else the identifier in the
// well-known form for Unix users, "S-1-22-1-" and the decimal user id, so that the same
// account always gives the same text; outDomain receives the account's domain as the
// system names it, else the host's name (empty when it cannot be read), as a local
// account's domain is its machine. Returns
// false, with both outputs unchanged, when there is no such account, the name holds a NUL,
// or the database fails. The entry is read into a buffer of inInitialBufferSize bytes that
// doubles while the entry does not fit, up to 1 MiB. Any thread.
bool lookupAccountSID(const std::string& inAccountName, std::string& outSID, std::string& outDomain,
                      size_t inInitialBufferSize = 1024);

// The printed SOAP Login envelope with which single sign-on logs inLoginName in to
// inServer: "soap:Envelope"/"soap:Body"/"Login" holding "server", "loginName", "password",
// "authentication" (inAuthenticationName) and "replaceControlCharacters" "1". The password
// is the account identifier of inLoginName (lookupAccountSID), looked up only when both
// names are non-empty; it stays empty when there is no lookup or the lookup fails, and the
// server then refuses the Login. Values are escaped by the printer. Any thread.
std::string buildSsoLoginEnvelope(const std::string& inAuthenticationName,
                                  const std::string& inLoginName, const std::string& inServer);
