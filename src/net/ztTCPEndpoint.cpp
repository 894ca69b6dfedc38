// ztTCPEndpoint: a ztIPEndpoint fixed to the TCP kind.
#include "net/ztTCPEndpoint.h"

ztTCPEndpoint::ztTCPEndpoint(int32_t inTimeoutMs, ztEvent* inInterrupt)
    : ztIPEndpoint(Kind::tcp, inTimeoutMs, inInterrupt) {}

ztTCPEndpoint::~ztTCPEndpoint() = default;

std::unique_ptr<ztNetEndpoint> ztTCPEndpoint::createEndpoint(ztEvent* inInterrupt,
                                                             int32_t inTimeoutMs) {
    auto endpoint = std::make_unique<ztTCPEndpoint>(inTimeoutMs, inInterrupt);
    endpoint->setPreferredFamily(getPreferredFamily());
    return endpoint;
}
