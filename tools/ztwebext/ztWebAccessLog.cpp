// Writing the access log.
#include "ztwebext/ztWebAccessLog.h"

#include "ztwebext/ztWebText.h"

#include <chrono>
#include <cstdio>
#include <ctime>

namespace {

// Characters of the target that could forge a line or a field are written as %XX.
std::string printable(const std::string& inText) {
    std::string text;
    text.reserve(inText.size());
    for (const char c : inText) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte <= 0x20 || byte >= 0x7F) {
            char escape[4];
            std::snprintf(escape, sizeof escape, "%%%02X", byte);
            text += escape;
        } else {
            text += c;
        }
    }
    return text;
}

} // namespace

std::string ztWebAccessLog::format(const std::string& inTime, const std::string& inClient,
                                   const std::string& inMethod, const std::string& inPath,
                                   const std::string& inQuery, bool inHasQuery, int inStatus,
                                   uint64_t inBytes, double inMilliseconds) {
    std::string target = printable(inPath);
    if (inHasQuery)
        target += '?' + printable(ztWebMaskQuery(inQuery));
    char numbers[64];
    std::snprintf(numbers, sizeof numbers, " %d %llu %.1fms", inStatus,
                  static_cast<unsigned long long>(inBytes), inMilliseconds);
    return inTime + ' ' + inClient + ' ' + printable(inMethod.empty() ? "-" : inMethod) + ' ' +
           (target.empty() ? "-" : target) + numbers;
}

std::string ztWebAccessLog::now() {
    const auto stamp = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(stamp);
    const auto millis =
        std::chrono::duration_cast<std::chrono::milliseconds>(stamp.time_since_epoch()).count() %
        1000;
    std::tm parts{};
    gmtime_r(&seconds, &parts);
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", parts.tm_year + 1900,
                  parts.tm_mon + 1, parts.tm_mday, parts.tm_hour, parts.tm_min, parts.tm_sec,
                  static_cast<int>(millis));
    return text;
}

void ztWebAccessLog::write(const std::string& inClient, const std::string& inMethod,
                           const std::string& inPath, const std::string& inQuery, bool inHasQuery,
                           int inStatus, uint64_t inBytes, double inMilliseconds) {
    const std::string line = format(now(), inClient, inMethod, inPath, inQuery, inHasQuery,
                                    inStatus, inBytes, inMilliseconds) +
                             '\n';
    std::lock_guard lock(itsMutex);
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fflush(stdout);
}
