// Pre-login information completed with the library's settings, the account identifier of
// single sign-on, and the Login envelope built from it.
#include "ztxmlint/xmlPreLogin.h"

#include "halTestSupport.h"
#include "ztxmlint/xmlJsonFrontEnd.h"
#include "ztxmlint/xmlSoapEnvelope.h"

#include <gtest/gtest.h>
#include <tinyxml.h>

#include <string>

namespace {

constexpr const char* kRootSID = "S-1-22-1-0";
constexpr const char* kNoSuchAccount = "zt-no-such-account-4711";

// The local part of every answer with the default settings.
constexpr const char* kLocalTail =
    "<centralServer>localhost</centralServer><centralServerFixed type=\"boolean\">0"
    "</centralServerFixed><ssoEnabled type=\"boolean\">0</ssoEnabled><version>10.3.6</version>";

xmlPreLoginSettings defaults() {
    xmlPreLoginSettings settings;
    settings.defaultServer = "localhost";
    return settings;
}

// ---------------------------------------------------------------------------------------------
// Account identifiers

TEST(xmlPreLogin, rootHasTheUnixUserIdentifierOfUserIdZero) {
    std::string sid;
    std::string domain;
    ASSERT_TRUE(lookupAccountSID("root", sid, domain));
    EXPECT_EQ(sid, kRootSID);
    // The same account always gives the same credential.
    std::string again;
    ASSERT_TRUE(lookupAccountSID("root", again, domain));
    EXPECT_EQ(again, sid);
}

// An entry that does not fit the first buffer is read again with a larger one.
TEST(xmlPreLogin, entryLargerThanTheFirstBufferIsFoundAfterGrowing) {
    for (size_t initial : {size_t{0}, size_t{1}, size_t{7}}) {
        SCOPED_TRACE(initial);
        std::string sid;
        std::string domain;
        ASSERT_TRUE(lookupAccountSID("root", sid, domain, initial));
        EXPECT_EQ(sid, kRootSID);
    }
}

TEST(xmlPreLogin, unknownOrUnusableNamesAreNotFound) {
    const struct {
        const char* name;
        std::string account;
    } rows[] = {
        {"unknown account", kNoSuchAccount},
        {"empty name", ""},
        {"NUL inside the name", std::string("root\0x", 6)},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        std::string sid = "unchanged";
        std::string domain = "unchanged";
        EXPECT_FALSE(lookupAccountSID(row.account, sid, domain));
        EXPECT_EQ(sid, "unchanged");
        EXPECT_EQ(domain, "unchanged");
    }
}

// ---------------------------------------------------------------------------------------------
// The single sign-on Login envelope

TEST(xmlPreLogin, ssoEnvelopeCarriesTheIdentifierOnlyWhenBothNamesAreGiven) {
    const struct {
        const char* name;
        std::string authentication;
        std::string loginName;
        std::string password;
    } rows[] = {
        {"known account", "Negotiate", "root", kRootSID},
        {"no authentication name: no lookup", "", "root", ""},
        {"no login name", "Negotiate", "", ""},
        {"failed lookup", "Negotiate", kNoSuchAccount, ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const auto element = [](const char* inName, const std::string& inText) {
            return inText.empty() ? "<" + std::string(inName) + " />"
                                  : "<" + std::string(inName) + ">" + inText + "</" + inName + ">";
        };
        const std::string expected =
            "<soap:Envelope><soap:Body><Login><server>central.example</server>" +
            element("loginName", row.loginName) + element("password", row.password) +
            element("authentication", row.authentication) +
            "<replaceControlCharacters>1</replaceControlCharacters></Login></soap:Body>"
            "</soap:Envelope>";
        EXPECT_EQ(buildSsoLoginEnvelope(row.authentication, row.loginName, "central.example"),
                  expected);
    }
}

// The names come from the web request: markup in them must stay text.
TEST(xmlPreLogin, ssoEnvelopeEscapesItsValues) {
    const std::string hostile = "a</loginName><password>x</password><b & \"c\"";
    const std::string text = buildSsoLoginEnvelope("", hostile, "s");
    TiXmlDocument document;
    document.Parse(text.c_str(), nullptr, TIXML_ENCODING_LEGACY);
    ASSERT_FALSE(document.Error()) << text;
    const TiXmlElement* login =
        document.RootElement()->FirstChildElement("soap:Body")->FirstChildElement("Login");
    ASSERT_NE(login, nullptr);
    EXPECT_EQ(login->FirstChildElement("loginName")->GetText(), hostile);
    EXPECT_EQ(login->FirstChildElement("password")->FirstChild(), nullptr);
}

// ---------------------------------------------------------------------------------------------
// Pre-login answers

TEST(xmlPreLogin, serverAnswerIsCompletedWithTheLibrarysSettings) {
    const struct {
        const char* name;
        std::map<std::string, std::string> settings;
        const char* serverOptions; // inside the server's answer
        const char* expected;      // the answer element after completion
    } rows[] = {
        {"form kept without the setting",
         {},
         "<signInOptions><form /><saml>idp</saml></signInOptions>",
         "<signInOptions><form /><saml>idp</saml></signInOptions>"},
        {"form removed when another option is left",
         {{"HideDefaultLoginForm", "1"}},
         "<signInOptions><saml>idp</saml><form /></signInOptions>",
         "<signInOptions><saml>idp</saml></signInOptions>"},
        {"the only option stays",
         {{"HideDefaultLoginForm", "1"}},
         "<signInOptions><form /></signInOptions>",
         "<signInOptions><form /></signInOptions>"},
        {"setting 0 keeps the form",
         {{"HideDefaultLoginForm", "0"}},
         "<signInOptions><form /><saml>idp</saml></signInOptions>",
         "<signInOptions><form /><saml>idp</saml></signInOptions>"},
        {"server's preference replaced",
         {{"PreferExternalAuthentication", "1"}},
         "<preferExternalAuth>0</preferExternalAuth><signInOptions><form /></signInOptions>",
         "<signInOptions><form /></signInOptions><preferExternalAuth type=\"boolean\">1"
         "</preferExternalAuth>"},
        {"server's preference removed by a false setting",
         {{"PreferExternalAuthentication", "0"}},
         "<preferExternalAuth>1</preferExternalAuth><signInOptions><form /></signInOptions>",
         "<signInOptions><form /></signInOptions>"},
        {"server's preference kept without the setting",
         {},
         "<preferExternalAuth>1</preferExternalAuth>",
         "<preferExternalAuth>1</preferExternalAuth>"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        TiXmlDocument response;
        const std::string answer = std::string("<soap:Body><web_getPreLoginInfoResponse>") +
                                   row.serverOptions + "</web_getPreLoginInfoResponse></soap:Body>";
        TiXmlElement* body = halTest::parseTree(answer.c_str(), response);
        xmlPreLoginSettings settings = defaults();
        settings.settings = row.settings;
        addPreLoginInfo(*body, settings);
        EXPECT_EQ(halTest::print(*body->FirstChildElement()),
                  std::string("<web_getPreLoginInfoResponse>") + row.expected + kLocalTail +
                      "</web_getPreLoginInfoResponse>");
    }
}

TEST(xmlPreLogin, footnoteAndFlagsFromTheManager) {
    TiXmlDocument response;
    TiXmlElement* body = halTest::parseTree("<soap:Body/>", response);
    xmlPreLoginSettings settings;
    settings.defaultServer = "central.example";
    settings.centralServerFixed = true;
    settings.ssoEnabled = true;
    settings.settings = {{"LoginFootnote", "Call 4711 <now>"},
                         {"PreferExternalAuthentication", "1"}};
    addPreLoginInfo(*body, settings);
    EXPECT_EQ(halTest::print(*body),
              "<soap:Body><web_getPreLoginInfo><signInOptions><form></form></signInOptions>"
              "<preferExternalAuth type=\"boolean\">1</preferExternalAuth>"
              "<centralServer>central.example</centralServer>"
              "<centralServerFixed type=\"boolean\">1</centralServerFixed>"
              "<loginFootnote>Call 4711 &lt;now&gt;</loginFootnote>"
              "<ssoEnabled type=\"boolean\">1</ssoEnabled><version>10.3.6</version>"
              "</web_getPreLoginInfo></soap:Body>");
}

// With the server down the JSON caller still gets the local answer.
TEST(xmlPreLogin, localAnswerRendersAsJson) {
    TiXmlDocument response;
    writeEnvelope(response, "soap", xmlSoapEnvelopeNamespace, xmlDialect_jsonRpc);
    TiXmlElement* body = response.RootElement()->FirstChildElement("soap:Body");
    ASSERT_NE(body, nullptr);
    addPreLoginInfo(*body, defaults());
    // What the dispatcher does with every successful JSON answer.
    body->SetValue("response");
    body->FirstChildElement()->SetValue("result");
    std::string json;
    renderAnswer(*body, xmlDialect_jsonRpc, "1", false, false, json);
    EXPECT_EQ(json, R"({"jsonrpc":"2.0","result":{"signInOptions":{"form":""},)"
                    R"("centralServer":"localhost","centralServerFixed":false,"ssoEnabled":false,)"
                    R"("version":"10.3.6"},"id":1})");
}

} // namespace
