// Parsing the command line of ztcentral, and its help text.
#include "ztcentral/server/ztCentralOptions.h"

#include "common/ztCommandLine.h"
#include "platform/ztAccounts.h"

#include <cerrno>
#include <string_view>

namespace {

// Account entries are small; the look-up is repeated with a larger buffer when not.
constexpr size_t kAccountBufferSize = 4096;

// ADDR[:PORT], where an IPv6 address with a port is written in brackets ("[::1]:1231").
std::string parseListen(std::string_view inText, ztCentralServer::Settings& outSettings) {
    std::string_view host;
    std::string_view port;
    if (std::string error = ztSplitHostPort(inText, host, port); !error.empty())
        return error;
    ztIPv6 address;
    if (host.empty() || !address.fromString(host))
        return "bad address \"" + std::string(host) + "\"";
    outSettings.itsAddress = address;
    if (port.empty() && !inText.ends_with(':'))
        return {};
    uint64_t value = 0;
    if (!ztParseDecimal(port, 65535, value) || value == 0)
        return "bad port \"" + std::string(port) + "\"";
    outSettings.itsPort = static_cast<uint16_t>(value);
    return {};
}

// NAME<inSeparator>VALUE with a non-empty name.
bool splitPair(std::string_view inText, char inSeparator, std::string& outName,
               std::string& outValue) {
    const size_t at = inText.find(inSeparator);
    if (at == 0 || at == std::string_view::npos)
        return false;
    outName = std::string(inText.substr(0, at));
    outValue = std::string(inText.substr(at + 1));
    return true;
}

// The identifier single sign-on sends for a local account: "S-1-22-1-" and the user id.
std::string accountIdentifier(const std::string& inName) {
    zt::platform::UserAccount account;
    size_t size = kAccountBufferSize;
    int error = zt::platform::findUserByName(inName.c_str(), size, account);
    if (error == ERANGE)
        error = zt::platform::findUserByName(inName.c_str(), size * 16, account);
    if (error != 0)
        return {};
    return "S-1-22-1-" + std::to_string(account.userId);
}

} // namespace

std::string ztCentralOptions::parse(int inCount, const char* const* inArguments,
                                    ztCentralOptions& outOptions) {
    ztCentralServer::Settings& settings = outOptions.itsSettings;
    // Loopback unless told otherwise: a stand-in has no business on other networks.
    settings.itsAddress = ztIPv6("127.0.0.1");
    for (int i = 0; i < inCount; ++i) {
        const std::string_view argument = inArguments[i];
        if (argument == "--help" || argument == "-h") {
            outOptions.itsHelp = true;
            return {};
        }
    }
    for (int i = 0; i < inCount; ++i) {
        const std::string_view option = inArguments[i];
        // Switches without a value.
        if (option == "-v" || option == "--verbose") {
            outOptions.itsVerbose = true;
            continue;
        }
        if (option == "--no-encrypt" || option == "--no-compress" || option == "--not-ready" ||
            option == "--refuse-logins" || option == "--silent") {
            settings.itsEncrypt = settings.itsEncrypt && option != "--no-encrypt";
            settings.itsCompress = settings.itsCompress && option != "--no-compress";
            settings.itsNotReady = settings.itsNotReady || option == "--not-ready";
            settings.itsRefuseLogins = settings.itsRefuseLogins || option == "--refuse-logins";
            settings.itsSilent = settings.itsSilent || option == "--silent";
            continue;
        }
        if (i + 1 >= inCount)
            return "unknown option or missing value: " + std::string(option);
        const std::string_view value = inArguments[++i];
        uint64_t number = 0;
        std::string name;
        std::string text;
        if (option == "--listen") {
            if (std::string error = parseListen(value, settings); !error.empty())
                return error;
        } else if (option == "--key-file") {
            outOptions.itsKeyFile = std::string(value);
        } else if (option == "--server-version") {
            if (!ztParseDecimal(value, 65535, number))
                return "bad server version \"" + std::string(value) + "\"";
            settings.itsIdentity.version = static_cast<uint16_t>(number);
        } else if (option == "--text-c") {
            settings.itsIdentity.textC = std::string(value);
        } else if (option == "--text-i") {
            settings.itsIdentity.textI = std::string(value);
        } else if (option == "--user") {
            if (!splitPair(value, ':', name, text))
                return "--user needs NAME:PASSWORD, not \"" + std::string(value) + "\"";
            settings.itsUsers[name] = text;
        } else if (option == "--sso-user") {
            if (!splitPair(value, ':', name, text)) {
                name = std::string(value);
                text = accountIdentifier(name);
                if (name.empty() || text.empty())
                    return "--sso-user: no local account \"" + std::string(value) + "\"";
            }
            settings.itsSSOUsers[text] = name;
        } else if (option == "--max-connections" || option == "--delay" ||
                   option == "--drop-after-packets" || option == "--drop-after-ms" ||
                   option == "--message-every") {
            if (!ztParseDecimal(value, UINT32_MAX, number))
                return "bad number \"" + std::string(value) + "\" for " + std::string(option);
            const auto count = static_cast<uint32_t>(number);
            if (option == "--max-connections")
                settings.itsMaxConnections = count;
            else if (option == "--delay")
                settings.itsDelayMs = count;
            else if (option == "--drop-after-packets")
                settings.itsDropAfterPackets = count;
            else if (option == "--drop-after-ms")
                settings.itsDropAfterMs = count;
            else
                settings.itsMessageEveryMs = count;
        } else if (option == "--delay-for") {
            if (!splitPair(value, '=', name, text) || !ztParseDecimal(text, UINT32_MAX, number))
                return "--delay-for needs NAME=MS, not \"" + std::string(value) + "\"";
            settings.itsDelays[name] = static_cast<uint32_t>(number);
        } else if (option == "--message-text") {
            settings.itsMessageText = std::string(value);
        } else {
            return "unknown option: " + std::string(option);
        }
    }
    return {};
}

std::string ztCentralOptions::usage() {
    return R"(Usage: ztcentral [OPTIONS]
The stand-in central server: accepts the library's secure connections, logs users in and
runs XML commands, serves the WSDL, its documentation page and report files from a seeded
demo model, and misbehaves on demand for tests. Stops cleanly on SIGINT and SIGTERM.

Listening:
  --listen ADDR[:PORT]     address to listen on (default 127.0.0.1, port 1231); an IPv6
                           address with a port in brackets: [::1]:1231; :: for all
  --key-file FILE          RSA private key text (hex DER); default: generate one at start
  --no-encrypt             refuse encryption when a client asks for it
  --no-compress            refuse packet compression when a client asks for it
  --max-connections N      refuse connections beyond N at Connect with 0x406 (default: no cap)

Connect answer (the library's WSDL reference is "I - C - version"):
  --server-version N       server version (default 1036)
  --text-c TEXT            server text C (default "ztcentral")
  --text-i TEXT            server text I (default "demo")
  --not-ready              answer with the not-ready flag H set

Users:
  --user NAME:PASSWORD     a user who may log in (repeatable); without any, the demo
                           users administrator:demo and alice:alice
  --sso-user NAME[:SID]    a user who may log in by single sign-on with the account
                           identifier SID (repeatable); without SID, the identifier of the
                           local account NAME ("S-1-22-1-<uid>")

Faults:
  --delay MS               hold every answer after the Connect exchange back MS ms
  --delay-for NAME=MS      hold answers to one XML command or net object (Login,
                           GetWSDLInstance, Connect, ...) back MS ms (repeatable)
  --drop-after-packets N   drop a connection when it receives its Nth object packet
                           (Connect and Login count)
  --drop-after-ms MS       drop each connection MS ms after it was accepted
  --refuse-logins          refuse every Login (16396)
  --silent                 read objects but never answer them (for time-outs)

Messages:
  --message-every MS       send a Message object to every logged-in client every MS ms
  --message-text TEXT      its text (default "Message from ztcentral")

Other:
  -v, --verbose            log every connection and command (log level 4)
  -h, --help               this text

Login refusals: 16394 unknown user or wrong password, 16395 unknown single sign-on
identifier, 16396 logins refused, 16397 a session command before a Login.
)";
}
