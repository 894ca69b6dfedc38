#pragma once
// The command line of the program ztcentral: the server's settings, the log level and the
// help text.

#include "ztcentral/server/ztCentralServer.h"

#include <string>

struct ztCentralOptions {
    bool itsHelp = false;
    // -v raises the log threshold to 4, so every connection and command is logged.
    bool itsVerbose = false;
    // A file with the RSA private key text; empty generates a key pair at start.
    std::string itsKeyFile;
    ztCentralServer::Settings itsSettings;

    // Reads the arguments after the program name. Returns an empty text, or what is wrong
    // with them (outOptions is then incomplete). "--help" anywhere only sets itsHelp.
    static std::string parse(int inCount, const char* const* inArguments,
                             ztCentralOptions& outOptions);
    // The text --help prints.
    static std::string usage();
};
