#pragma once
// The process-wide information log: one line per message, filtered by level.
// Levels: 0 "error", 1 "notice", 2 "warning", 3-4 "info", 5-7 "debug"; adding
// ztLogOnce to a level writes a text only the first time it occurs.

#include <cstdint>
#include <string>
#include <string_view>

inline constexpr int ztLogOnce = 0x80;

// True unless the level (low 7 bits) is above both thresholds. Costs two loads, so
// callers test it before building an expensive text.
bool ztLogEnabled(int inLevel) noexcept;

// Formats with printf semantics into at most 2047 characters and writes the line.
// A format the C library rejects is logged as the malformed-format line instead.
// Never throws; any thread may call it.
// mingw-w64 formats with its own C99 printf (__USE_MINGW_ANSI_STDIO), whose checks are
// gnu_printf's; the plain name there means the system's older printf.
#if defined(__MINGW32__)
#define ZT_PRINTF_FORMAT __MINGW_PRINTF_FORMAT
#else
#define ZT_PRINTF_FORMAT printf
#endif
void ztLog(int inLevel, const char* inFormat, ...) noexcept
    __attribute__((format(ZT_PRINTF_FORMAT, 2, 3)));

// Writes an already formatted text (for example one built with {fmt}).
void ztLogText(int inLevel, std::string_view inText) noexcept;

// Destinations of log lines.
inline constexpr int ztLogToStdErr = 2;
inline constexpr int ztLogToFile = 3;

// The log's configuration. The library runs with the defaults below and never changes
// them; only code (a test or an embedding program) can select other values.
struct ztLogConfig {
    int threshold = 3;       // levels above it are dropped ...
    int secondThreshold = 0; // ... unless they are at or below this one
    int destination = ztLogToStdErr;
    std::string fileName = "infoLog.log"; // relative: lies in the current directory
    std::string prefix;                   // written with ": " in file lines when set
};

ztLogConfig ztLogGetConfig();
void ztLogSetConfig(const ztLogConfig& inConfig);

// Names the calling thread ("<id> <name>") for lines written while the threshold is above 4.
// The thread runtime installs it; until then the kernel thread id alone is used.
using ztLogThreadLabelFn = std::string (*)();
void ztLogSetThreadLabelProvider(ztLogThreadLabelFn inProvider) noexcept;
