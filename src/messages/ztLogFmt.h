#pragma once
// Log lines with "{}" placeholders, formatted by {fmt} only when the level is enabled.

#include "messages/ztInfoLog.h"

#include <fmt/format.h>

#include <utility>

template <typename... Args>
void ztLogFmt(int inLevel, fmt::format_string<Args...> inFormat, Args&&... inArgs) noexcept {
    if (!ztLogEnabled(inLevel))
        return;
    try {
        ztLogText(inLevel, fmt::format(inFormat, std::forward<Args>(inArgs)...));
    } catch (...) {
        // Logging never fails the caller.
    }
}
