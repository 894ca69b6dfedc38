#pragma once
// The command line of ztprobe: what to connect to, how, and what to send.

#include <cstdint>
#include <string>

struct ztProbeOptions {
    // The port a central server listens on unless SERVER:PORT says otherwise.
    static constexpr uint16_t defaultPort = 1231;

    bool itsHelp = false;
    bool itsEncrypt = true;
    bool itsCompress = true;
    // Bounds connecting and each request; the library's own default.
    int32_t itsTimeoutMs = 60000;
    bool itsLogin = false;
    std::string itsUser;
    std::string itsPassword;
    // The file with the XML command, "-" for standard input; empty sends none.
    std::string itsCommandFile;
    std::string itsServer;
    uint16_t itsPort = defaultPort;

    // Reads the arguments after the program name. Returns an empty text, or what is wrong
    // with them (outOptions is then incomplete). "--help" anywhere only sets itsHelp.
    static std::string parse(int inCount, const char* const* inArguments,
                             ztProbeOptions& outOptions);
    // The text --help prints.
    static std::string usage();
};
