// ztMutex: the name shared by every mutex class.
#include "threads/ztMutex.h"

#include <string_view>
#include <utility>

ztMutex::ztMutex(std::string inName) : itsName(std::move(inName)) {}

ztMutex::~ztMutex() = default;

std::string ztMutexNameAt(const char* inFile, int inLine) {
    std::string_view file = inFile != nullptr ? inFile : "";
    const size_t slash = file.find_last_of('/');
    if (slash != std::string_view::npos)
        file.remove_prefix(slash + 1);
    std::string name(file);
    name += ':';
    name += std::to_string(inLine);
    return name;
}
