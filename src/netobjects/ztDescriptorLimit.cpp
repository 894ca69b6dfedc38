// ztRaiseDescriptorLimit: one raise per process, and the warning when the hard limit is too
// low for the connections wanted.
#include "netobjects/ztDescriptorLimit.h"

#include "messages/ztInfoLog.h"
#include "platform/ztResourceLimits.h"
#include "platform/ztSocket.h"

#include <mutex>

namespace {

unsigned long long printable(uint64_t inValue) {
    return static_cast<unsigned long long>(inValue);
}

uint64_t connectionsWithin(uint64_t inLimit) {
    return inLimit > ztDescriptorsSpare
               ? (inLimit - ztDescriptorsSpare) / ztDescriptorsPerConnection
               : 0;
}

ztDescriptorLimitResult raise(const char* inWho, uint64_t inConnections) {
    ztDescriptorLimitResult result;
    int error = zt::platform::openFileLimit(result.itsSoftBefore, result.itsHard);
    if (error != 0) {
        ztLog(2, "%s: cannot read the descriptor limit (%s)", inWho,
              zt::platform::errorText(error).c_str());
        return result;
    }
    result.itsSoft = result.itsSoftBefore;
    if (result.itsSoft < result.itsHard) {
        error = zt::platform::setOpenFileLimit(result.itsHard, result.itsHard);
        if (error == 0) {
            result.itsSoft = result.itsHard;
            ztLog(4, "%s: descriptor limit raised from %llu to %llu", inWho,
                  printable(result.itsSoftBefore), printable(result.itsHard));
        } else {
            ztLog(2, "%s: cannot raise the descriptor limit from %llu to %llu (%s)", inWho,
                  printable(result.itsSoftBefore), printable(result.itsHard),
                  zt::platform::errorText(error).c_str());
        }
    }
    result.itsConnections = connectionsWithin(result.itsSoft);
    if (result.itsConnections < inConnections)
        ztLog(2,
              "%s: the descriptor limit of %llu holds about %llu connections, fewer than %llu; "
              "raise the hard limit (nofile) to %llu",
              inWho, printable(result.itsSoft), printable(result.itsConnections),
              printable(inConnections),
              printable(inConnections * ztDescriptorsPerConnection + ztDescriptorsSpare));
    return result;
}

} // namespace

ztDescriptorLimitResult ztRaiseDescriptorLimit(const char* inWho, uint64_t inConnections) {
    static std::once_flag once;
    static ztDescriptorLimitResult result;
    std::call_once(once, [&] { result = raise(inWho, inConnections); });
    return result;
}
