#pragma once
// Raw output of finished log lines: standard error and appending to a file.

#include <string_view>

namespace zt::platform {

// Writes all of inText to standard error, retrying short writes; errors are ignored.
void writeStdErr(std::string_view inText);

// Opens inPath for appending (creating it, readable and writable by other processes),
// writes inText and closes it. Returns false when the file could not be opened or written.
bool appendToFile(const char* inPath, std::string_view inText);

} // namespace zt::platform
