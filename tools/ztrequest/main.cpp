// ztrequest: runs requests through libztXMLInt.so the way the web-server extension does and
// prints each answer. Every argument is one request: a file name, "-" for standard input,
// or, with -e, the request text itself. The session id of a Login answer is carried into
// later requests that contain the placeholder "$SESSION".
#include "ztxmlint/ztXMLInt.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace {

void usage(std::FILE* inOut) {
    std::fprintf(inOut,
                 "usage: ztrequest [--timeout SECONDS] [-e TEXT | FILE | -]...\n"
                 "\n"
                 "Runs each request (a SOAP envelope or a JSON-RPC object) through the library's\n"
                 "xmlRequest entry point, in order, and prints each answer on its own line.\n"
                 "\n"
                 "  -e TEXT            the request text itself\n"
                 "  FILE               a file holding one request; - reads standard input\n"
                 "  --timeout SECONDS  idle timeout of sessions (setSessionTimeout)\n"
                 "  -h, --help         this text\n"
                 "\n"
                 "A request may contain $SESSION: it is replaced by the session id of the last\n"
                 "Login answer. Exit status: 0 when every answer is free of faults, 1 otherwise,\n"
                 "2 for bad usage.\n");
}

bool readRequest(const std::string& inSource, std::string& outText) {
    if (inSource == "-") {
        outText.assign(std::istreambuf_iterator<char>(std::cin), {});
        return true;
    }
    std::ifstream in(inSource, std::ios::binary);
    if (!in)
        return false;
    std::ostringstream text;
    text << in.rdbuf();
    outText = text.str();
    return true;
}

// The session id in a SOAP or JSON Login answer, if there is one.
std::string sessionOf(const std::string& inAnswer) {
    static const std::regex soap("<session>([^<]+)</session>");
    static const std::regex json("\"session\": ?\"([^\"]+)\"");
    std::smatch match;
    if (std::regex_search(inAnswer, match, soap) || std::regex_search(inAnswer, match, json))
        return match[1];
    return {};
}

bool isFault(const std::string& inAnswer) {
    return inAnswer.find("<soap:Fault>") != std::string::npos ||
           inAnswer.find("\"error\":") != std::string::npos;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> requests;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "-h" || arg == "--help") {
            usage(stdout);
            return 0;
        }
        if (arg == "--timeout" && i + 1 < argc) {
            setSessionTimeout(std::atoi(argv[++i]));
            continue;
        }
        if (arg == "-e" && i + 1 < argc) {
            requests.emplace_back(argv[++i]);
            continue;
        }
        std::string text;
        if (!readRequest(arg, text)) {
            std::fprintf(stderr, "ztrequest: cannot read %s: %s\n", arg.c_str(),
                         std::strerror(errno));
            return 2;
        }
        requests.push_back(std::move(text));
    }
    if (requests.empty()) {
        usage(stderr);
        return 2;
    }
    std::string session;
    bool faults = false;
    for (std::string& request : requests) {
        for (size_t pos = request.find("$SESSION"); pos != std::string::npos;
             pos = request.find("$SESSION", pos + session.size()))
            request.replace(pos, 8, session);
        const char* answer = nullptr;
        int32_t length = 0;
        xmlRequest(request.c_str(), &answer, &length);
        const std::string text(answer, static_cast<size_t>(length));
        releaseResult(answer);
        std::printf("%s\n", text.c_str());
        if (const std::string found = sessionOf(text); !found.empty())
            session = found;
        faults = faults || isFault(text);
    }
    return faults ? 1 : 0;
}
