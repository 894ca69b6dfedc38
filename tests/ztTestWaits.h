#pragma once
// Helpers that tests of threads and connections share: waiting a bounded time for a
// condition, and catching the library's error from a call.

#include "messages/ztErrorMessage.h"
#include "messages/ztException.h"
#include "platform/ztTickCount.h"

#include <chrono>
#include <cstdint>
#include <thread>

namespace zt::test {

// Polls inCondition every few milliseconds for at most inMillis.
template <typename Condition> bool eventually(Condition&& inCondition, uint32_t inMillis = 5000) {
    const uint64_t end = zt::platform::monotonicMillis() + inMillis;
    while (!inCondition()) {
        if (zt::platform::monotonicMillis() >= end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

// The error a call throws, or 0.
template <typename Call> ztErrorMessage thrownBy(Call&& inCall) {
    try {
        inCall();
    } catch (const ztException& inException) {
        return inException.errorMessage;
    }
    return ztErrorMessage();
}

} // namespace zt::test
