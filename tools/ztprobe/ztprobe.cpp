// ztprobe: a diagnostic for operators, in the spirit of curl for the central-server
// protocol. It connects as the library does, prints the Connect answer and what the
// handshake agreed on, and can log in and send one XML command. See --help.
#include "messages/ztException.h"
#include "messages/ztMessageTexts.h"
#include "net/ztSecureTCPEndpoint.h"
#include "netobjects/ztConnectAnswer.h"
#include "netobjects/ztConnectSettings.h"
#include "netobjects/ztDescriptorLimit.h"
#include "netobjects/ztNetObjectHandler.h"
#include "util/ztIPv6.h"
#include "util/ztXMLPrinter.h"
#include "ztprobe/ztProbeLogin.h"
#include "ztprobe/ztProbeOptions.h"
#include "ztprobe/ztProbeXMLCommand.h"

#include <tinyxml.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>

namespace {

constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

const char* onOff(bool inOn) {
    return inOn ? "on" : "off";
}

const char* trueFalse(bool inValue) {
    return inValue ? "true" : "false";
}

void printAnswer(const ztConnectAnswer& inAnswer, const ztNetObjectHandler& inHandler) {
    const auto* endpoint = dynamic_cast<const ztSecureTCPEndpoint*>(inHandler.getNetEndpoint());
    std::cout << "server version: " << inAnswer.itsServerVersion << '\n'
              << "server flag A: " << trueFalse(inAnswer.itsFlagA) << '\n'
              << "server value B: " << unsigned{inAnswer.itsValueB} << '\n'
              << "server text C: " << inAnswer.itsTextC << '\n'
              << "server value D: " << unsigned{inAnswer.itsValueD} << '\n'
              << "server text E: " << inAnswer.itsTextE << '\n'
              << "server flag F: " << trueFalse(inAnswer.itsFlagF) << '\n'
              << "server value G: " << inAnswer.itsValueG << '\n'
              << "server flag H (not ready): " << trueFalse(inAnswer.itsNotReady) << '\n'
              << "server text I: " << inAnswer.itsTextI << '\n'
              << "server flag J: " << trueFalse(inAnswer.itsFlagJ) << '\n'
              << "encryption: " << onOff(endpoint != nullptr && endpoint->isEncrypted()) << '\n'
              << "compression: " << onOff(inHandler.isCompressing()) << '\n';
    std::cout.flush();
}

// The command text, read before connecting so that a bad file costs no connection.
std::string readCommand(const std::string& inFile) {
    if (inFile == "-")
        return std::string(std::istreambuf_iterator<char>(std::cin),
                           std::istreambuf_iterator<char>());
    std::ifstream file(inFile, std::ios::binary);
    if (!file)
        throw ztException(ztErr_invalidArgument, "Cannot read the command file \"$f\".", 'f',
                          inFile);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

// Sends ioRequest and waits at most inTimeoutMs for its answer; throws what went wrong.
void perform(ztNetObjectHandler& ioHandler, ztNetRequest& ioRequest, int32_t inTimeoutMs) {
    ioRequest.send(&ioHandler);
    if (!ioRequest.waitForCompletion(inTimeoutMs)) {
        ioRequest.cancel();
        ioRequest.waitForCompletion(-1);
        throw ztException(ztErr_timeout, "No answer to $n within $t ms.", 'n', ioRequest.getName(),
                          't', std::to_string(inTimeoutMs));
    }
    if (ioRequest.succeeded())
        return;
    if (ioRequest.getError() != ztErr_noError)
        throw ztException(ioRequest.getErrorMessage());
    const ztErrorMessage handlerError = ioHandler.getHandlerError();
    if (handlerError.getErrorValue() != ztErr_noError)
        throw ztException(handlerError);
    throw ztException(ztErr_unknown, ztText::unknownError);
}

void sendCommand(ztNetObjectHandler& ioHandler, const std::string& inText, int32_t inTimeoutMs) {
    TiXmlDocument command;
    command.Parse(inText.c_str(), nullptr, TIXML_ENCODING_UTF8);
    if (command.Error() || command.RootElement() == nullptr)
        throw ztException(ztErr_invalidXML, "The command is not well-formed XML: $e", 'e',
                          command.Error() ? command.ErrorDesc() : "no element");
    ztProbeXMLCommand request(*command.RootElement(), 0);
    perform(ioHandler, request, inTimeoutMs);
    std::string text;
    for (const TiXmlNode* node = request.getAnswer().FirstChild(); node != nullptr;
         node = node->NextSibling())
        printXml(*node, text, false, false, true);
    std::cout << text << '\n';
}

// "ztprobe: error 0x0203: Unable to connect ..." on standard error.
void reportError(ztErr inError, const char* inText) {
    char value[8];
    std::snprintf(value, sizeof value, "0x%04X", inError);
    std::cerr << "ztprobe: error " << value << ": " << inText << '\n';
}

int probe(const ztProbeOptions& inOptions) {
    const std::string command =
        inOptions.itsCommandFile.empty() ? std::string() : readCommand(inOptions.itsCommandFile);
    ztConnectSettings settings;
    settings.itsEncrypt = inOptions.itsEncrypt;
    settings.itsTimeoutMs = inOptions.itsTimeoutMs;
    settings.itsHandshakeTimeoutMs =
        std::min(settings.itsHandshakeTimeoutMs, inOptions.itsTimeoutMs);
    ztConnectAnswer answer;
    const std::unique_ptr<ztNetObjectHandler> handler = ztNetObjectHandler::connectToServer(
        ztIPv6(), inOptions.itsPort, inOptions.itsServer, nullptr, 0, nullptr, answer,
        inOptions.itsCompress, settings);
    printAnswer(answer, *handler);
    if (inOptions.itsLogin) {
        ztProbeLogin login(inOptions.itsUser, inOptions.itsPassword);
        perform(*handler, login, inOptions.itsTimeoutMs);
        std::cout << "login: ok" << std::endl;
    }
    if (!inOptions.itsCommandFile.empty())
        sendCommand(*handler, command, inOptions.itsTimeoutMs);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    ztProbeOptions options;
    const std::string mistake = ztProbeOptions::parse(argc - 1, argv + 1, options);
    if (options.itsHelp) {
        std::cout << ztProbeOptions::usage();
        return 0;
    }
    if (!mistake.empty()) {
        std::cerr << "ztprobe: " << mistake << "\nTry 'ztprobe --help'.\n";
        return kExitUsage;
    }
    // The probe holds one connection: it needs no warning about thousands.
    ztRaiseDescriptorLimit("ztprobe", 1);
    try {
        return probe(options);
    } catch (const ztException& inException) {
        reportError(inException.getErrorValue(), inException.what());
    } catch (const std::exception& inException) {
        reportError(ztErr_internal, inException.what());
    }
    return kExitFailed;
}
