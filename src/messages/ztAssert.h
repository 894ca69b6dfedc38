#pragma once
// Internal consistency checks. The condition is evaluated only when the information log
// admits level 5; a failed check writes one debug line and execution goes on. A check
// never throws and never changes state, so it must not be used for input validation.

#include "messages/ztInfoLog.h"

namespace zt::detail {
void assertionFailed(const char* inFile, int inLine, const char* inExpression) noexcept;
} // namespace zt::detail

#define ztAssert(expr)                                                                             \
    do {                                                                                           \
        if (ztLogEnabled(5) && !(expr))                                                            \
            ::zt::detail::assertionFailed(__FILE__, __LINE__, #expr);                              \
    } while (0)
