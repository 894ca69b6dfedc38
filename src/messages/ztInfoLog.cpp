// The information log: filtering, formatting, the log-once cache and the two line layouts.
#include "messages/ztInfoLog.h"

#include "messages/ztAssert.h"
#include "platform/ztClock.h"
#include "platform/ztOutput.h"
#include "platform/ztThreadId.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <mutex>
#include <unordered_set>

namespace {

// The cache of texts logged once is bounded; past this many entries it starts afresh.
constexpr size_t kLogOnceLimit = 5000;
// vsnprintf writes at most this many bytes including the terminator.
constexpr size_t kLineBuffer = 2048;

struct LogState {
    // Recursive: the cache-clearing warning is logged while the lock is held.
    std::recursive_mutex mutex;
    ztLogConfig config;
    std::unordered_set<std::string> once;
};

LogState& state() {
    // Never destroyed: threads may still log while static objects are torn down at exit.
    static LogState* theState = new LogState;
    return *theState;
}

std::atomic<int> gThreshold{3};
std::atomic<int> gSecondThreshold{0};
std::atomic<ztLogThreadLabelFn> gLabelProvider{nullptr};

const char* levelWord(int inLevel) {
    switch (inLevel) {
    case 0:
        return "error";
    case 1:
        return "notice";
    case 2:
        return "warning";
    case 3:
    case 4:
        return "info";
    case 5:
    case 6:
    case 7:
        return "debug";
    default:
        return "";
    }
}

std::string threadLabel() {
    if (const ztLogThreadLabelFn provider = gLabelProvider.load())
        return provider();
    return std::to_string(zt::platform::currentThreadId());
}

void appendTwoDigits(std::string& ioLine, int inValue) {
    ioLine += static_cast<char>('0' + inValue / 10 % 10);
    ioLine += static_cast<char>('0' + inValue % 10);
}

void appendTimeOfDay(std::string& ioLine, const zt::platform::CivilTime& inNow) {
    appendTwoDigits(ioLine, inNow.hour);
    ioLine += ':';
    appendTwoDigits(ioLine, inNow.minute);
    ioLine += ':';
    appendTwoDigits(ioLine, inNow.second);
}

std::string buildLine(int inLevel, std::string_view inText, const ztLogConfig& inConfig) {
    static constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                              "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    zt::platform::CivilTime now;
    zt::platform::toLocal(zt::platform::secondsSinceEpoch(), now);

    std::string line;
    line.reserve(inText.size() + 64);
    const bool toFile = inConfig.destination == ztLogToFile;
    if (toFile) {
        line += kMonths[(now.month - 1) % 12];
        line += ' ';
        line += std::to_string(now.day);
        line += ' ';
    }
    appendTimeOfDay(line, now);
    if (toFile) {
        line += ' ';
        line += levelWord(inLevel);
        line += ' ';
        if (!inConfig.prefix.empty()) {
            line += inConfig.prefix;
            line += ": ";
        }
    }
    if (inConfig.threshold > 4) {
        line += " [";
        line += threadLabel();
        line += "] ";
    }
    line += ' ';
    line += inText;
    line += '\n';
    return line;
}

} // namespace

bool ztLogEnabled(int inLevel) noexcept {
    const int level = inLevel & 0x7F;
    return level <= gThreshold.load(std::memory_order_relaxed) ||
           level <= gSecondThreshold.load(std::memory_order_relaxed);
}

void ztLog(int inLevel, const char* inFormat, ...) noexcept {
    if (!ztLogEnabled(inLevel) || inFormat == nullptr)
        return;
    try {
        char buffer[kLineBuffer];
        va_list args;
        va_start(args, inFormat);
        const int n = std::vsnprintf(buffer, sizeof buffer, inFormat, args);
        va_end(args);
        if (n < 0) {
            std::string text = "Failing to log a message because it was malformed. Message "
                               "template was (";
            text += inFormat;
            text += ')';
            ztLogText(inLevel, text);
            return;
        }
        // An over-long text has been cut to the buffer by vsnprintf; log what fitted.
        ztLogText(inLevel, std::string_view(buffer, std::min<size_t>(n, kLineBuffer - 1)));
    } catch (...) {
        // Logging never fails the caller.
    }
}

void ztLogText(int inLevel, std::string_view inText) noexcept {
    if (!ztLogEnabled(inLevel))
        return;
    try {
        LogState& log = state();
        std::lock_guard lock(log.mutex);
        if (inLevel & ztLogOnce) {
            if (!log.once.emplace(inText).second)
                return;
            if (log.once.size() > kLogOnceLimit) {
                ztLogText(2, "Clearing all messages from the log_once cache as the maximum size "
                             "of cache has been reached.");
                log.once.clear();
            }
        }
        const int level = inLevel & 0x7F;
        const std::string line = buildLine(level, inText, log.config);
        if (log.config.destination == ztLogToFile)
            zt::platform::appendToFile(log.config.fileName.c_str(), line);
        else
            zt::platform::writeStdErr(line);
    } catch (...) {
        // Output errors are ignored.
    }
}

ztLogConfig ztLogGetConfig() {
    LogState& log = state();
    std::lock_guard lock(log.mutex);
    return log.config;
}

void ztLogSetConfig(const ztLogConfig& inConfig) {
    LogState& log = state();
    std::lock_guard lock(log.mutex);
    log.config = inConfig;
    gThreshold.store(inConfig.threshold);
    gSecondThreshold.store(inConfig.secondThreshold);
}

void ztLogSetThreadLabelProvider(ztLogThreadLabelFn inProvider) noexcept {
    gLabelProvider.store(inProvider);
}

void zt::detail::assertionFailed(const char* inFile, int inLine,
                                 const char* inExpression) noexcept {
    ztLog(5, "Assertion failed.  File: %s, line: %d.  Offending command: \"%s\".", inFile, inLine,
          inExpression);
}
