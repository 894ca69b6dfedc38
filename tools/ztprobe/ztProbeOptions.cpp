// Parsing the command line of ztprobe, and its help text.
#include "ztprobe/ztProbeOptions.h"

#include "common/ztCommandLine.h"

#include <string_view>

namespace {

// SERVER[:PORT], where an IPv6 literal with a port is written in brackets ("[::1]:1231");
// a bare IPv6 literal (two colons or more) has no port.
std::string parseServer(std::string_view inText, ztProbeOptions& outOptions) {
    std::string_view host;
    std::string_view port;
    if (std::string error = ztSplitHostPort(inText, host, port); !error.empty())
        return error;
    if (host.empty())
        return "no server in \"" + std::string(inText) + "\"";
    outOptions.itsServer = std::string(host);
    if (port.empty() && inText.ends_with(':'))
        return "no port after ':' in \"" + std::string(inText) + "\"";
    if (port.empty())
        return {};
    uint64_t value = 0;
    if (!ztParseDecimal(port, 65535, value) || value == 0)
        return "bad port \"" + std::string(port) + "\"";
    outOptions.itsPort = static_cast<uint16_t>(value);
    return {};
}

} // namespace

std::string ztProbeOptions::parse(int inCount, const char* const* inArguments,
                                  ztProbeOptions& outOptions) {
    bool haveServer = false;
    bool havePassword = false;
    for (int i = 0; i < inCount; ++i) {
        const std::string_view argument = inArguments[i];
        // Options that take a value read it from the next argument.
        const auto value = [&](std::string& outValue) -> std::string {
            if (i + 1 >= inCount)
                return std::string(argument) + " needs a value";
            outValue = inArguments[++i];
            return {};
        };
        if (argument == "--help" || argument == "-h") {
            outOptions.itsHelp = true;
            return {};
        }
        std::string error;
        if (argument == "--no-encrypt") {
            outOptions.itsEncrypt = false;
        } else if (argument == "--no-compress") {
            outOptions.itsCompress = false;
        } else if (argument == "--timeout") {
            std::string text;
            uint64_t millis = 0;
            error = value(text);
            if (error.empty() && (!ztParseDecimal(text, 0x7FFFFFFF, millis) || millis == 0))
                error = "bad time-out \"" + text + "\" (milliseconds, at least 1)";
            outOptions.itsTimeoutMs = static_cast<int32_t>(millis);
        } else if (argument == "--user") {
            error = value(outOptions.itsUser);
            outOptions.itsLogin = true;
        } else if (argument == "--password") {
            error = value(outOptions.itsPassword);
            havePassword = true;
        } else if (argument == "--command") {
            error = value(outOptions.itsCommandFile);
        } else if (argument.starts_with("-") && argument != "-") {
            error = "unknown option " + std::string(argument);
        } else if (haveServer) {
            error = "more than one server given";
        } else {
            error = parseServer(argument, outOptions);
            haveServer = true;
        }
        if (!error.empty())
            return error;
    }
    if (!haveServer)
        return "no server given";
    if (havePassword && !outOptions.itsLogin)
        return "--password needs --user";
    return {};
}

std::string ztProbeOptions::usage() {
    return R"(Usage: ztprobe [OPTIONS] SERVER[:PORT]

Connects to a central server the way the library does: TCP to SERVER (a name or an
address; port 1231 unless given, "[v6 address]:port" for IPv6 with a port), the secure
handshake, and the Connect exchange. Prints the server's Connect answer as "name: value"
lines, with the encryption and compression that were agreed on.

Options:
  --no-encrypt          ask for a plain connection (the server decides; without
                        encryption everything travels readable)
  --no-compress         do not ask for packet compression
  --timeout MS          give up on connecting, and on each answer, after MS
                        milliseconds (default 60000)
  --user NAME           log in as NAME after the Connect exchange (a Login object);
  --password PW         with password PW (default empty)
  --command FILE        send the XML command in FILE ("-" reads standard input) as
                        an XMLCommand object and print the server's answer as XML on
                        standard output; most commands need --user
  -h, --help            print this text

Output (standard output):
  server version: 7
  server flag A ... server flag J: the other fields of the Connect answer
  server flag H (not ready) is set while the server takes no work
  encryption: on|off
  compression: on|off
  login: ok                    (with --user)
  followed by the answer XML   (with --command)

Exit status: 0 on success; 1 when the server could not be reached or refused, with
"ztprobe: error 0xNNNN: message" on standard error (the error value in hexadecimal and
its message); 2 for a mistake on the command line.
)";
}
