#pragma once
// The TCP kind of ztIPEndpoint: the plain byte stream under the secure endpoint.

#include "net/ztIPEndpoint.h"

class ztTCPEndpoint : public ztIPEndpoint {
public:
    // A closed TCP endpoint; inTimeoutMs and inInterrupt as for ztNetEndpoint.
    explicit ztTCPEndpoint(int32_t inTimeoutMs = noTimeout, ztEvent* inInterrupt = nullptr);
    ~ztTCPEndpoint() override;

    // A closed ztTCPEndpoint with the same preferred family.
    std::unique_ptr<ztNetEndpoint> createEndpoint(ztEvent* inInterrupt,
                                                  int32_t inTimeoutMs) override;
};
