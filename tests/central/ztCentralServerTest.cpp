// The stand-in server on the network, driven by the library's own client side: the Connect
// exchange, logins, commands of every family, WSDL and report requests, server messages and
// each fault on demand.
#include "central/ztCentralServerTestSupport.h"

#include "ztcentral/catalog/ztCentralCatalog.h"
#include "ztcentral/handlers/ztCentralCommands.h"
#include "ztcentral/model/ztCentralErr.h"
#include "ztcentral/server/ztCentralState.h"

#include "net/ztSecureTCPEndpoint.h"
#include "util/ztWSDL.h"
#include "ztxmlint/auNResMessage.h"
#include "ztxmlint/halNReqGetReportFile.h"
#include "ztxmlint/halNReqGetWSDL.h"
#include "ztxmlint/halNReqGetWSDLDoc.h"
#include "ztxmlint/halNReqGetWSDLInstance.h"

#include <gtest/gtest.h>
#include <tinyxml.h>

#include <cstdio>
#include <fstream>
#include <set>
#include <sys/wait.h>
#include <vector>

using namespace zt::centraltest;

namespace {

std::string printed(const TiXmlNode& inNode) {
    TiXmlPrinter printer;
    inNode.Accept(&printer);
    return printer.Str();
}

bool isEncrypted(const ztNetObjectHandler& inHandler) {
    const auto* endpoint = dynamic_cast<const ztSecureTCPEndpoint*>(inHandler.getNetEndpoint());
    return endpoint != nullptr && endpoint->isEncrypted();
}

} // namespace

TEST(ztCentralServer, ConnectAnswerCarriesTheConfiguredFieldsAndGrantsWhatIsAsked) {
    ztCentralServer::Settings settings = serverSettings(1);
    settings.itsIdentity = {1040, "central C", "instance I"};
    settings.itsAnswer.itsValueB = 7;
    const auto server = startServer(settings);
    ASSERT_TRUE(server);
    ztConnectAnswer answer;
    const auto client = connectTo(1, answer);
    EXPECT_EQ(answer.itsServerVersion, 1040);
    EXPECT_EQ(answer.itsTextC, "central C");
    EXPECT_EQ(answer.itsTextI, "instance I");
    EXPECT_EQ(answer.itsValueB, 7);
    EXPECT_FALSE(answer.itsNotReady);
    EXPECT_TRUE(isEncrypted(*client));
    EXPECT_TRUE(client->isCompressing());
    // A client that asks for no compression gets none.
    const auto plainer = connectTo(1, answer, false);
    EXPECT_FALSE(plainer->isCompressing());
}

TEST(ztCentralServer, RefusedEncryptionAndCompressionGiveAPlainConnectionThatWorks) {
    ztCentralServer::Settings settings = serverSettings(2);
    settings.itsEncrypt = false;
    settings.itsCompress = false;
    const auto server = startServer(settings);
    ASSERT_TRUE(server);
    const auto client = connectTo(2);
    EXPECT_FALSE(isEncrypted(*client));
    EXPECT_FALSE(client->isCompressing());
    login(*client);
    EXPECT_EQ(runCommand(*client, "<GetDNSZones/>").error, ztErr_noError);
}

TEST(ztCentralServer, NotReadyAndTheWSDLReferenceChangeWhileRunning) {
    const auto server = startServer(serverSettings(3));
    ASSERT_TRUE(server);
    ztConnectAnswer before;
    const auto first = connectTo(3, before);
    EXPECT_FALSE(before.itsNotReady);
    EXPECT_EQ(server->state().faults().wsdlReference(), "demo - ztcentral - 1036");

    server->state().setNotReady(true);
    server->setIdentity({1037, "changed C", "changed I"});
    ztConnectAnswer after;
    const auto second = connectTo(3, after);
    EXPECT_TRUE(after.itsNotReady);
    EXPECT_EQ(after.itsServerVersion, 1037);
    EXPECT_EQ(after.itsTextC, "changed C");
    EXPECT_EQ(after.itsTextI, "changed I");
    // The connection made before the change goes on working.
    login(*first);
    EXPECT_EQ(runCommand(*first, "<GetUsers/>").error, ztErr_noError);
}

TEST(ztCentralServer, LoginChecksTheUserTableAndSingleSignOn) {
    ztCentralServer::Settings settings = serverSettings(4);
    settings.itsUsers = {{"carol", "secret"}};
    settings.itsSSOUsers = {{"S-1-22-1-4242", "carol"}};
    const auto server = startServer(settings);
    ASSERT_TRUE(server);
    struct Row {
        const char* name;
        std::string login;
        std::string password;
        bool singleSignon;
        ztErr expected;
    };
    const Row rows[] = {
        {"good", "carol", "secret", false, ztErr_noError},
        {"name in another case", "CAROL", "secret", false, ztErr_noError},
        {"wrong password", "carol", "Secret", false, ztCentralErr_loginFailed},
        {"unknown user", "administrator", "demo", false, ztCentralErr_loginFailed},
        {"empty name", "", "", false, ztCentralErr_loginFailed},
        {"single sign-on", "", "S-1-22-1-4242", true, ztErr_noError},
        {"unknown identifier", "carol", "S-1-22-1-4243", true, ztCentralErr_ssoUnknown},
        {"password is no identifier", "carol", "secret", true, ztCentralErr_ssoUnknown},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const auto client = connectTo(4);
        halNReqLogin request(row.login, row.password, 3, row.singleSignon);
        std::string text;
        EXPECT_EQ(errorOf(*client, request, &text), row.expected) << text;
        if (row.expected == ztCentralErr_loginFailed) {
            EXPECT_NE(text.find("\"" + row.login + "\""), std::string::npos) << text;
        }
        // Only a successful login opens the session commands.
        const ztErr command = runCommand(*client, "<GetDNSZones/>").error;
        EXPECT_EQ(command,
                  row.expected == ztErr_noError ? ztErr_noError : ztCentralErr_notLoggedIn);
    }
    EXPECT_TRUE(eventually([&] { return server->loggedInCount() == 0; }));

    server->state().setRefuseLogins(true);
    const auto refused = connectTo(4);
    halNReqLogin request("carol", "secret", 3, false);
    EXPECT_EQ(errorOf(*refused, request), ztCentralErr_loginRefused);
    halNReqLogin sso("", "S-1-22-1-4242", 3, true);
    EXPECT_EQ(errorOf(*refused, sso), ztCentralErr_loginRefused);
    server->state().setRefuseLogins(false);
    halNReqLogin again("carol", "secret", 3, false);
    EXPECT_EQ(errorOf(*refused, again), ztErr_noError);
}

TEST(ztCentralServer, WithoutAUserTableTheDemoUsersLogIn) {
    const auto server = startServer(serverSettings(5));
    ASSERT_TRUE(server);
    const auto client = connectTo(5);
    login(*client, "administrator", "demo");
    login(*client, "alice", "alice");
    halNReqLogin wrong("alice", "demo", 3, false);
    EXPECT_EQ(errorOf(*client, wrong), ztCentralErr_loginFailed);
    EXPECT_EQ(server->loggedInCount(), 1u);
}

TEST(ztCentralServer, ConnectionsBeyondTheCapAreRefusedWithTooManyConnections) {
    ztCentralServer::Settings settings = serverSettings(6);
    settings.itsMaxConnections = 2;
    const auto server = startServer(settings);
    ASSERT_TRUE(server);
    auto first = connectTo(6);
    const auto second = connectTo(6);
    try {
        connectTo(6);
        ADD_FAILURE() << "a third connection was accepted";
    } catch (const ztException& e) {
        EXPECT_EQ(e.getErrorValue(), ztErr_tooManyConnections) << e.what();
    }
    first.reset();
    ASSERT_TRUE(eventually([&] { return server->connectionCount() == 1; }));
    EXPECT_NO_THROW(connectTo(6));
}

TEST(ztCentralServer, SessionCommandsNeedALoginAndThePreLoginCommandDoesNot) {
    const auto server = startServer(serverSettings(7));
    ASSERT_TRUE(server);
    const auto client = connectTo(7);
    CommandResult early = runCommand(*client, "<GetDNSZones/>");
    EXPECT_EQ(early.error, ztCentralErr_notLoggedIn);
    EXPECT_NE(early.text.find("GetDNSZones"), std::string::npos) << early.text;
    EXPECT_EQ(early.answer(), nullptr);

    CommandResult preLogin =
        runCommand<halNReqXMLCommandWithoutSession>(*client, "<web_getPreLoginInfo/>");
    ASSERT_EQ(preLogin.error, ztErr_noError) << preLogin.text;
    ASSERT_NE(preLogin.answer(), nullptr);
    EXPECT_EQ(preLogin.answer()->ValueStr(), "web_getPreLoginInfoResponse");
    // Without a session only the pre-login command runs, logged in or not.
    EXPECT_EQ(runCommand<halNReqXMLCommandWithoutSession>(*client, "<GetDNSZones/>").error,
              ztCentralErr_notLoggedIn);

    login(*client);
    EXPECT_EQ(runCommand(*client, "<GetDNSZones><session>abc</session></GetDNSZones>").error,
              ztErr_noError);
    EXPECT_EQ(runCommand<halNReqXMLCommandWithoutSession>(*client, "<GetDNSZones/>").error,
              ztCentralErr_notLoggedIn);
    // Login is the gateway's, not a command; an unknown command is refused by name.
    EXPECT_EQ(runCommand(*client, "<Login/>").error, ztCentralErr_notACommand);
    EXPECT_EQ(runCommand(*client, "<NoSuchCommand/>").error, ztCentralErr_unknownCommand);
}

TEST(ztCentralServer, RunsACommandOfEveryFamily) {
    const auto server = startServer(serverSettings(8));
    ASSERT_TRUE(server);
    const auto client = connectTo(8);
    login(*client);
    struct Row {
        const char* family;
        const char* command;
        const char* answerChild; // a child every answer of the command has
    };
    const Row rows[] = {
        {"dns", "<GetDNSZones/>", "dnsZones"},
        {"dhcp", "<GetDHCPServers/>", "dhcpServers"},
        {"ipam", "<GetRanges/>", "ranges"},
        {"users", "<GetUsers/>", "users"},
        {"folders", "<GetFolders/>", "folders"},
        {"reports", "<GetReports/>", "reports"},
        {"general", "<GetPropertyDefinitions><objType>Range</objType></GetPropertyDefinitions>",
         nullptr},
    };
    std::set<std::string> covered;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.command);
        CommandResult result = runCommand(*client, row.command);
        ASSERT_EQ(result.error, ztErr_noError) << result.text;
        ASSERT_NE(result.answer(), nullptr);
        EXPECT_TRUE(result.answer()->ValueStr().ends_with("Response"));
        if (row.answerChild != nullptr) {
            EXPECT_NE(result.answer()->FirstChildElement(row.answerChild), nullptr)
                << printed(*result.answer());
        }
        covered.insert(row.family);
    }
    // The model's own refusals travel as the request's error.
    CommandResult missing =
        runCommand(*client, "<GetDNSZone><dnsZoneRef>{#4-no.such.zone.}</dnsZoneRef></GetDNSZone>");
    EXPECT_EQ(missing.error, ztCentralErr_objectNotFound) << missing.text;
    for (const std::string& family : ztCentralCatalog::instance().families()) {
        if (family != "access") {
            EXPECT_TRUE(covered.contains(family)) << "no command of family " << family;
        }
    }
}

TEST(ztCentralServer, LargeAnswersAndRequestsTravelInSeveralPackets) {
    const auto server = startServer(serverSettings(9));
    ASSERT_TRUE(server);
    const auto client = connectTo(9);
    login(*client);
    // A folder list of far more than one packet (30000 bytes of data), made through the
    // network so that the requests are real too.
    const std::string longName(80, 'f');
    for (int i = 0; i < 300; ++i) {
        const CommandResult added =
            runCommand(*client, "<AddFolder><folder><name>" + longName + std::to_string(i) +
                                    "</name></folder></AddFolder>");
        ASSERT_EQ(added.error, ztErr_noError) << added.text;
    }
    CommandResult list = runCommand(*client, "<GetFolders/>");
    ASSERT_EQ(list.error, ztErr_noError) << list.text;
    const std::string text = printed(*list.answer());
    EXPECT_GT(text.size(), 40000u);
    EXPECT_NE(text.find(longName + "299"), std::string::npos);

    // A request of several packets: a filter text of 70000 bytes matches nothing.
    CommandResult filtered = runCommand(*client, "<GetFolders><filter>" + std::string(70000, 'x') +
                                                     "</filter></GetFolders>");
    ASSERT_EQ(filtered.error, ztErr_noError) << filtered.text;
    EXPECT_EQ(filtered.answer()->FirstChildElement("totalResults")->GetText(), std::string("0"));
}

TEST(ztCentralServer, GetWSDLInstanceFillsTheLibrarysModel) {
    const auto server = startServer(serverSettings(10));
    ASSERT_TRUE(server);
    const auto client = connectTo(10);
    login(*client);
    auto wsdl = std::make_shared<ztWSDL>();
    halNReqGetWSDLInstance request(wsdl, 1);
    perform(*client, request);
    std::string canonical;
    EXPECT_TRUE(wsdl->getCommandName("getdnszones", canonical));
    EXPECT_EQ(canonical, "GetDNSZones");
    EXPECT_TRUE(wsdl->getCommandName("web_getPreLoginInfo", canonical));
    EXPECT_NE(wsdl->getInputElement("GetUsers"), nullptr);
}

TEST(ztCentralServer, GetWSDLAndTheDocPageAreFilteredByNamespace) {
    const auto server = startServer(serverSettings(11));
    ASSERT_TRUE(server);
    const auto client = connectTo(11);
    login(*client);

    TiXmlElement dnsOnly("Body");
    halNReqGetWSDL dnsRequest({"DNS"}, &dnsOnly);
    perform(*client, dnsRequest);
    const std::string dnsText = printed(dnsOnly);
    EXPECT_NE(dnsText.find("GetDNSZones"), std::string::npos);
    EXPECT_EQ(dnsText.find("GetUsers"), std::string::npos);
    EXPECT_NE(dnsOnly.FirstChildElement("wsdl:definitions"), nullptr);

    TiXmlElement page("Body");
    halNReqGetWSDLDoc pageRequest({}, &page);
    perform(*client, pageRequest);
    const std::string pageText = printed(page);
    EXPECT_NE(pageText.find("GetDNSZones"), std::string::npos);
    EXPECT_NE(pageText.find("GetUsers"), std::string::npos);
    EXPECT_GT(pageText.size(), 30000u);

    TiXmlElement none("Body");
    halNReqGetWSDL unknown({"nosuchfamily"}, &none);
    std::string text;
    EXPECT_EQ(errorOf(*client, unknown, &text), ztErr_invalidArgument);
    EXPECT_NE(text.find("nosuchfamily"), std::string::npos) << text;
    EXPECT_EQ(none.FirstChild(), nullptr);
}

TEST(ztCentralServer, GetReportFileAnswersHeadersAndContent) {
    const auto server = startServer(serverSettings(12));
    ASSERT_TRUE(server);
    const auto client = connectTo(12);
    TiXmlDocument request;
    request.Parse("<Body><GetReportFile><ref>{#21-1}</ref></GetReportFile></Body>");
    halNReqGetReportFile::HeaderMap headers;
    std::string content;
    halNReqGetReportFile early(*request.RootElement(), &headers, &content);
    EXPECT_EQ(errorOf(*client, early), ztCentralErr_notLoggedIn);

    login(*client);
    CommandResult reports = runCommand(*client, "<GetReports/>");
    ASSERT_EQ(reports.error, ztErr_noError) << reports.text;
    const TiXmlElement* ref = reports.answer()
                                  ->FirstChildElement("reports")
                                  ->FirstChildElement("report")
                                  ->FirstChildElement("ref");
    ASSERT_NE(ref, nullptr);
    TiXmlDocument fileRequest;
    fileRequest.Parse(("<Body><GetReportFile><ref>" + std::string(ref->GetText()) +
                       "</ref></GetReportFile></Body>")
                          .c_str());
    halNReqGetReportFile file(*fileRequest.RootElement(), &headers, &content);
    perform(*client, file);
    EXPECT_EQ(headers["Content-Type"], "text/csv; charset=utf-8");
    EXPECT_EQ(headers["Content-Disposition"], "attachment; filename=\"All_zones.csv\"");
    EXPECT_TRUE(content.starts_with("ref,name,")) << content.substr(0, 80);
    EXPECT_NE(content.find(",corp.example.,"), std::string::npos);
}

TEST(ztCentralServer, MessagesReachLoggedInClientsThatServeThem) {
    const auto server = startServer(serverSettings(13));
    ASSERT_TRUE(server);
    // As the library sets a session's connection up, plus the authority a Message needs.
    const auto listening = connectTo(13);
    listening->setAuthority(true);
    listening->setFactory(auNResMessage::typeNumber,
                          [] { return std::make_unique<auNResMessage>(); });
    login(*listening);
    // Not logged in: no message.
    const auto anonymous = connectTo(13);
    anonymous->setAuthority(true);
    anonymous->setFactory(auNResMessage::typeNumber,
                          [] { return std::make_unique<auNResMessage>(); });

    EXPECT_EQ(server->sendMessage("first", kAnswerTimeoutMs), 1u);
    EXPECT_EQ(server->sendMessage(std::string(40000, 'm'), kAnswerTimeoutMs), 1u);

    // A client that does not serve the type refuses it; the connection stays up.
    const auto deaf = connectTo(13);
    login(*deaf);
    EXPECT_EQ(server->sendMessage("second", kAnswerTimeoutMs), 1u);
    EXPECT_EQ(runCommand(*deaf, "<GetUsers/>").error, ztErr_noError);
    EXPECT_TRUE(deaf->isConnected());
}

TEST(ztCentralServer, MessagesGoOutPeriodicallyWhenConfigured) {
    ztCentralServer::Settings settings = serverSettings(14);
    settings.itsMessageEveryMs = 50;
    const auto server = startServer(settings);
    ASSERT_TRUE(server);
    const auto client = connectTo(14);
    client->setAuthority(true);
    auto received = std::make_shared<std::atomic<int>>(0);
    client->setFactory(auNResMessage::typeNumber, [received] {
        ++*received;
        return std::make_unique<auNResMessage>();
    });
    login(*client);
    EXPECT_TRUE(eventually([&] { return received->load() >= 2; }));
}

TEST(ztCentralServer, DelaysHoldAnswersBackWithoutBlockingTheConnection) {
    const auto server = startServer(serverSettings(15));
    ASSERT_TRUE(server);
    const auto client = connectTo(15);
    login(*client);
    server->state().setDelay("GetDNSZones", 400);

    TiXmlDocument slowTree;
    slowTree.Parse("<Body><GetDNSZones/></Body>");
    TiXmlElement slowAnswer("Body");
    halNReqXMLCommand slow(*slowTree.RootElement(), &slowAnswer, 0);
    const uint64_t start = zt::platform::monotonicMillis();
    slow.send(client.get());
    // Another command on the same connection is answered meanwhile.
    EXPECT_EQ(runCommand(*client, "<GetUsers/>").error, ztErr_noError);
    EXPECT_FALSE(slow.waitForCompletion(0));
    ASSERT_TRUE(slow.waitForCompletion(kAnswerTimeoutMs));
    EXPECT_TRUE(slow.succeeded());
    EXPECT_GE(zt::platform::monotonicMillis() - start, 400u);
    EXPECT_NE(slowAnswer.FirstChildElement("GetDNSZonesResponse"), nullptr);

    // The server-wide delay covers every other answer, Login included.
    server->state().setDelay(200);
    const uint64_t loginStart = zt::platform::monotonicMillis();
    login(*client);
    EXPECT_GE(zt::platform::monotonicMillis() - loginStart, 200u);
}

TEST(ztCentralServer, ASilentServerLetsTheClientTimeOutAndCancel) {
    const auto server = startServer(serverSettings(16));
    ASSERT_TRUE(server);
    const auto client = connectTo(16);
    login(*client);
    server->state().setSilent(true);
    EXPECT_EQ(runCommand(*client, "<GetUsers/>", 200).error, ztErr_timeout);
    server->state().setSilent(false);
    EXPECT_EQ(runCommand(*client, "<GetUsers/>").error, ztErr_noError);
    // A silent Connect runs into the client's operation time-out.
    server->state().setSilent(true);
    ztConnectSettings quick = clientSettings();
    quick.itsTimeoutMs = 300;
    ztConnectAnswer answer;
    EXPECT_THROW(connectTo(16, answer, true, quick), ztException);
}

TEST(ztCentralServer, AConnectionIsDroppedAtItsConfiguredPacket) {
    ztCentralServer::Settings settings = serverSettings(17);
    settings.itsDropAfterPackets = 3; // Connect, Login, then the first command
    const auto server = startServer(settings);
    ASSERT_TRUE(server);
    const auto client = connectTo(17);
    login(*client);
    const CommandResult dropped = runCommand(*client, "<GetUsers/>");
    EXPECT_NE(dropped.error, ztErr_noError);
    EXPECT_NE(dropped.error, ztErr_timeout);
    EXPECT_TRUE(eventually([&] { return !client->isConnected(); }));
    EXPECT_TRUE(eventually([&] { return server->connectionCount() == 0; }));
}

TEST(ztCentralServer, ConnectionsAreDroppedOnDemandAndAfterATime) {
    const auto server = startServer(serverSettings(18));
    ASSERT_TRUE(server);
    const auto first = connectTo(18);
    const auto second = connectTo(18);
    server->dropConnections();
    EXPECT_TRUE(eventually([&] { return !first->isConnected() && !second->isConnected(); }));
    EXPECT_TRUE(eventually([&] { return server->connectionCount() == 0; }));
    // The server itself goes on accepting.
    const auto third = connectTo(18);
    login(*third);

    ztCentralServer::Settings timed = serverSettings(19);
    timed.itsDropAfterMs = 300;
    const auto timedServer = startServer(timed);
    ASSERT_TRUE(timedServer);
    const uint64_t start = zt::platform::monotonicMillis();
    const auto doomed = connectTo(19);
    login(*doomed);
    EXPECT_TRUE(eventually([&] { return !doomed->isConnected(); }));
    EXPECT_GE(zt::platform::monotonicMillis() - start, 300u);
}

TEST(ztCentralServer, HoldsFiftyLoggedInConnections) {
    const auto server = startServer(serverSettings(20));
    ASSERT_TRUE(server);
    std::vector<std::unique_ptr<ztNetObjectHandler>> clients;
    for (int i = 0; i < 50; ++i) {
        clients.push_back(connectTo(20));
        login(*clients.back(), i % 2 == 0 ? "administrator" : "alice",
              i % 2 == 0 ? "demo" : "alice");
    }
    EXPECT_EQ(server->loggedInCount(), 50u);
    for (const auto& client : clients)
        EXPECT_EQ(runCommand(*client, "<GetDNSServers/>").error, ztErr_noError);
    clients.clear();
    EXPECT_TRUE(eventually([&] { return server->connectionCount() == 0; }));
}
