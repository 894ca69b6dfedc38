// Session id generation by rejection sampling: bytes of 240 or more are drawn again, so
// each of the 60 letters is exactly equally likely.
#include "ztxmlint/xmlSessionId.h"

#include "messages/ztException.h"
#include "messages/ztMessageTexts.h"
#include "platform/ztRandom.h"

#include <cstdint>

namespace {
constexpr unsigned kAlphabetSize = 60;
constexpr unsigned kAcceptBelow = 240; // the largest multiple of 60 that fits a byte
} // namespace

std::string generateSessionID() {
    std::string id;
    id.reserve(xmlSessionIdLength);
    uint8_t pool[32];
    while (id.size() < xmlSessionIdLength) {
        if (const int error = zt::platform::randomBytes(pool, sizeof pool); error != 0)
            throw ztException(ztErr_internal, ztText::internalErrorNamed, 'e',
                              "random source failed with errno " + std::to_string(error));
        for (const uint8_t byte : pool) {
            if (byte >= kAcceptBelow)
                continue;
            id += xmlSessionIdAlphabet[byte % kAlphabetSize];
            if (id.size() == xmlSessionIdLength)
                break;
        }
    }
    return id;
}
