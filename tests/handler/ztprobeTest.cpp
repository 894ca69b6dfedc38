// ztprobe, the built program, against a server running in this process: the Connect
// answer it prints, a login and an XML command answered by the server, and the failures
// an operator sees.
#include "handler/ztHandlerTestSupport.h"
#include "util/ztXMLNetWriter.h"
#include "util/ztXMLPrinter.h"
#include "util/ztXMLTinyWriter.h"

#include <gtest/gtest.h>
#include <tinyxml.h>

#include <cstdio>
#include <fstream>
#include <mutex>
#include <sys/wait.h>

using namespace zt::handlertest;

namespace {

// What the server side saw of the client's Login and command.
struct Seen {
    std::mutex mutex;
    std::string user;
    std::string password;
    uint32_t kind = 0;
    uint32_t keepAlive = 0;
    uint32_t deadPeer = 0;
    bool singleSignon = true;
    std::string command;
    uint16_t flags = 0xFFFF;
};

// The server's side of Login: records the body and answers with nothing.
class LoginResponse : public ztNetResponse {
public:
    explicit LoginResponse(std::shared_ptr<Seen> inSeen) : itsSeen(std::move(inSeen)) {}
    uint16_t getType() const override { return 1; }
    bool requiresAuthority() const override { return false; }
    ztErr readData(ztNetReader& ioReader) override {
        std::lock_guard lock(itsSeen->mutex);
        itsSeen->user = ioReader.getConstString();
        itsSeen->password = ioReader.getConstString();
        itsSeen->kind = ioReader.getUInt32();
        itsSeen->keepAlive = ioReader.getUInt32();
        itsSeen->deadPeer = ioReader.getUInt32();
        itsSeen->singleSignon = ioReader.getBool();
        if (itsSeen->password != "secret") {
            setErrorMessage(
                ztErrorMessage(0x0401, "Invalid password for user \"$u\".", 'u', itsSeen->user));
            return 0x0401;
        }
        return ztErr_noError;
    }

private:
    std::shared_ptr<Seen> itsSeen;
};

// The server's side of XMLCommand: answers with the command's name and flags.
class CommandResponse : public ztNetResponse {
public:
    explicit CommandResponse(std::shared_ptr<Seen> inSeen) : itsSeen(std::move(inSeen)) {}
    uint16_t getType() const override { return 10; }
    ztErr readData(ztNetReader& ioReader) override {
        TiXmlDocument command;
        ztXMLTinyWriter tree(&command);
        tree.replay(ioReader);
        const uint16_t flags = ioReader.getUInt16();
        const TiXmlElement* root = command.RootElement();
        const std::string name = root != nullptr ? root->Value() : "";
        {
            std::lock_guard lock(itsSeen->mutex);
            printXml(command, itsSeen->command, false, false, false);
            itsSeen->flags = flags;
        }
        TiXmlDocument answer;
        TiXmlElement* response = new TiXmlElement((name + "Response").c_str());
        answer.LinkEndChild(response);
        TiXmlElement* result = new TiXmlElement("result");
        result->LinkEndChild(new TiXmlText("done"));
        response->LinkEndChild(result);
        getBodyWriter().reset();
        ztXMLNetWriter writer(getBodyWriter());
        writer.writeChildren(answer);
        writer.finish();
        return ztErr_noError;
    }

private:
    std::shared_ptr<Seen> itsSeen;
};

struct ProbeRun {
    int status = -1;
    std::string output; // standard output and standard error, in that order
};

// Runs ztprobe with inArguments (already quoted where needed) and collects what it prints.
ProbeRun runProbe(const std::string& inArguments, const std::string& inInput = {}) {
    const std::string errorFile =
        ::testing::TempDir() + "ztprobe_stderr_" +
        std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
        ::testing::UnitTest::GetInstance()->current_test_info()->name();
    std::string command = std::string(ZTPROBE_PATH) + " " + inArguments + " 2>" + errorFile;
    if (!inInput.empty()) {
        const std::string inputFile = errorFile + ".in";
        std::ofstream(inputFile) << inInput;
        command += " <" + inputFile;
    }
    ProbeRun run;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr)
        return run;
    char buffer[4096];
    size_t count = 0;
    while ((count = fread(buffer, 1, sizeof buffer, pipe)) > 0)
        run.output.append(buffer, count);
    const int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::ifstream errors(errorFile);
    run.output +=
        std::string(std::istreambuf_iterator<char>(errors), std::istreambuf_iterator<char>());
    return run;
}

std::unique_ptr<ztNetServer> probeServer(uint8_t inLast, std::shared_ptr<Seen> inSeen,
                                         bool inEncrypt = true) {
    ztNetServer::Settings settings = serverSettings(inLast);
    settings.itsEncrypt = inEncrypt;
    settings.itsAnswer.itsNotReady = true;
    settings.itsAnswer.itsValueG = 4242;
    settings.itsFactories[1] = [inSeen] { return std::make_unique<LoginResponse>(inSeen); };
    settings.itsFactories[10] = [inSeen] { return std::make_unique<CommandResponse>(inSeen); };
    return startServer(settings);
}

std::string writeFile(const std::string& inName, const std::string& inText) {
    const std::string path = ::testing::TempDir() + inName;
    std::ofstream(path) << inText;
    return path;
}

} // namespace

TEST(ztprobe, printsTheConnectAnswerAndWhatTheHandshakeAgreedOn) {
    auto seen = std::make_shared<Seen>();
    auto server = probeServer(150, seen);
    ASSERT_TRUE(server);
    const ProbeRun run = runProbe(loopbackText(150));
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(run.output, "server version: 7\n"
                          "server flag A: false\n"
                          "server value B: 0\n"
                          "server text C: central\n"
                          "server value D: 0\n"
                          "server text E: \n"
                          "server flag F: true\n"
                          "server value G: 4242\n"
                          "server flag H (not ready): true\n"
                          "server text I: instance\n"
                          "server flag J: false\n"
                          "encryption: on\n"
                          "compression: on\n");
    const ProbeRun plain =
        runProbe("--no-encrypt --no-compress --timeout 3000 " + loopbackText(150) + ":1231");
    EXPECT_EQ(plain.status, 0) << plain.output;
    EXPECT_NE(plain.output.find("encryption: off\ncompression: off\n"), std::string::npos)
        << plain.output;
}

TEST(ztprobe, logsInAndSendsACommandFromAFileOrStandardInput) {
    auto seen = std::make_shared<Seen>();
    auto server = probeServer(151, seen);
    ASSERT_TRUE(server);
    const std::string file = writeFile(
        "ztprobe_command.xml", "<?xml version=\"1.0\"?>\n<GetVersion><all>1</all></GetVersion>\n");
    const ProbeRun run =
        runProbe("--user admin --password secret --command " + file + " " + loopbackText(151));
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_NE(run.output.find("login: ok\n"), std::string::npos) << run.output;
    EXPECT_NE(
        run.output.find("\n<GetVersionResponse>\n  <result>done</result>\n</GetVersionResponse>\n"),
        std::string::npos)
        << run.output;
    {
        std::lock_guard lock(seen->mutex);
        EXPECT_EQ(seen->user, "admin");
        EXPECT_EQ(seen->password, "secret");
        EXPECT_EQ(seen->kind, 3u);
        EXPECT_EQ(seen->keepAlive, 30000u);
        EXPECT_EQ(seen->deadPeer, 240000u);
        EXPECT_FALSE(seen->singleSignon);
        EXPECT_EQ(seen->command, "<GetVersion><all>1</all></GetVersion>");
        EXPECT_EQ(seen->flags, 0);
    }
    const ProbeRun piped = runProbe("--command - " + loopbackText(151), "<Ping />");
    EXPECT_EQ(piped.status, 0) << piped.output;
    EXPECT_NE(piped.output.find("<PingResponse>"), std::string::npos) << piped.output;
}

TEST(ztprobe, failuresGoToStandardErrorWithTheErrorValue) {
    auto seen = std::make_shared<Seen>();
    auto server = probeServer(152, seen);
    ASSERT_TRUE(server);
    struct Row {
        const char* name;
        std::string arguments;
        int status;
        std::string expected;
    };
    const std::string badXml = writeFile("ztprobe_bad.xml", "<open>");
    const Row rows[] = {
        {"nothing listens", "--timeout 2000 " + loopbackText(153), 1,
         "ztprobe: error 0x0203: Unable to connect to the server \"" + loopbackText(153) + "\".\n"},
        {"wrong password", "--user admin --password guess " + loopbackText(152), 1,
         "ztprobe: error 0x0401: Invalid password for user \"admin\".\n"},
        {"command file missing", "--command /nonexistent/ztprobe.xml " + loopbackText(152), 1,
         "ztprobe: error 0x0125: Cannot read the command file \"/nonexistent/ztprobe.xml\".\n"},
        {"command not XML", "--command " + badXml + " " + loopbackText(152), 1,
         "ztprobe: error 0x0801: The command is not well-formed XML"},
        {"no server", "--no-encrypt", 2, "ztprobe: no server given\n"},
        {"bad port", loopbackText(152) + ":99999", 2, "ztprobe: bad port \"99999\"\n"},
        {"unknown option", "--fast " + loopbackText(152), 2, "ztprobe: unknown option --fast\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const ProbeRun run = runProbe(row.arguments);
        EXPECT_EQ(run.status, row.status) << run.output;
        EXPECT_NE(run.output.find(row.expected), std::string::npos) << run.output;
    }
    const ProbeRun help = runProbe("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.output.find("Usage: ztprobe"), std::string::npos);
    for (const char* option : {"--no-encrypt", "--no-compress", "--timeout", "--user", "--password",
                               "--command", "SERVER[:PORT]"})
        EXPECT_NE(help.output.find(option), std::string::npos) << option;
}
