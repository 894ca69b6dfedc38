#pragma once
// Runs a command line through the shell for the tests that start the programs themselves.

#include <cstdio>
#include <string>
#include <sys/wait.h>

namespace zt::centraltest {

// Runs inCommand through the shell; returns its exit status (-1 when it did not exit) and
// appends what it wrote to standard output to outOutput.
inline int runShell(const std::string& inCommand, std::string& outOutput) {
    FILE* pipe = ::popen(inCommand.c_str(), "r");
    if (pipe == nullptr)
        return -1;
    char buffer[4096];
    size_t read = 0;
    while ((read = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        outOutput.append(buffer, read);
    const int status = ::pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace zt::centraltest
