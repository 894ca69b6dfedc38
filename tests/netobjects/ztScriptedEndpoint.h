#pragma once
// An in-memory endpoint for the packet layer's tests: its raw reads replay a script of
// byte chunks and results (time-outs, errors), optionally letting tick-count time pass,
// and its raw writes are recorded. Everything above the raw operations is the real
// buffering of ztNetEndpoint.

#include "net/ztNetEndpoint.h"
#include "platform/ztTickCount.h"

#include <algorithm>
#include <cstring>
#include <deque>
#include <vector>

class ztScriptedEndpoint : public ztNetEndpoint {
public:
    struct Step {
        std::vector<uint8_t> bytes;   // delivered over as many reads as they need
        ztErr result = ztErr_noError; // returned instead when bytes is empty
        uint32_t passMillis = 0;      // tick-count time this read takes
    };

    ztScriptedEndpoint() : ztNetEndpoint(Kind::tcp, noTimeout, nullptr) {}
    ~ztScriptedEndpoint() override { zt::platform::setTickCountOffset(0); }

    void addBytes(std::vector<uint8_t> inBytes, uint32_t inPassMillis = 0) {
        itsScript.push_back({std::move(inBytes), ztErr_noError, inPassMillis});
    }
    // Each byte in a read of its own, each read followed by inBetween (when not 0).
    void addBytesOneByOne(const std::vector<uint8_t>& inBytes, ztErr inBetween) {
        for (const uint8_t byte : inBytes) {
            addBytes({byte});
            if (inBetween != ztErr_noError)
                addResult(inBetween);
        }
    }
    void addResult(ztErr inResult, uint32_t inPassMillis = 0) {
        itsScript.push_back({{}, inResult, inPassMillis});
    }
    void failWritesWith(ztErr inResult) { itsWriteResult = inResult; }

    // The bytes that reached the raw write, the operation time-out each raw read saw and
    // the length each raw read asked for.
    const std::vector<uint8_t>& written() const { return itsWritten; }
    const std::vector<int32_t>& readTimeouts() const { return itsReadTimeouts; }
    const std::vector<uint32_t>& readRequests() const { return itsReadRequests; }
    size_t stepsLeft() const { return itsScript.size(); }

    ztErr rawRead(void* outBuffer, uint32_t& ioLength) override {
        itsReadTimeouts.push_back(getTimeout());
        itsReadRequests.push_back(ioLength);
        if (itsScript.empty()) {
            ioLength = 0;
            return ztErr_timeout; // nothing more arrives
        }
        Step& step = itsScript.front();
        passTime(step.passMillis);
        step.passMillis = 0;
        if (step.bytes.empty()) {
            const ztErr result = step.result;
            itsScript.pop_front();
            ioLength = 0;
            return result;
        }
        const uint32_t count =
            std::min<uint32_t>(ioLength, static_cast<uint32_t>(step.bytes.size()));
        std::memcpy(outBuffer, step.bytes.data(), count);
        step.bytes.erase(step.bytes.begin(), step.bytes.begin() + count);
        if (step.bytes.empty())
            itsScript.pop_front();
        ioLength = count;
        return ztErr_noError;
    }

    ztErr rawWrite(const void* inData, uint32_t inLength) override {
        if (itsWriteResult != ztErr_noError)
            return itsWriteResult;
        const auto* bytes = static_cast<const uint8_t*>(inData);
        itsWritten.insert(itsWritten.end(), bytes, bytes + inLength);
        return ztErr_noError;
    }

    bool isOpen() const override { return itsOpen; }
    void close() override { itsOpen = false; }

    ztErr connect(const ztIPv6&, uint16_t) override { return ztErr_notSupported; }
    ztErr connect(const std::string&, uint16_t) override { return ztErr_notSupported; }
    ztErr startListen(uint16_t, const ztIPv6&) override { return ztErr_notSupported; }
    std::unique_ptr<ztNetEndpoint> accept() override { return nullptr; }
    std::unique_ptr<ztNetEndpoint> createEndpoint(ztEvent*, int32_t) override { return nullptr; }

private:
    void passTime(uint32_t inMillis) {
        if (inMillis == 0)
            return;
        itsTickOffset += inMillis;
        zt::platform::setTickCountOffset(itsTickOffset);
    }

    std::deque<Step> itsScript;
    std::vector<uint8_t> itsWritten;
    std::vector<int32_t> itsReadTimeouts;
    std::vector<uint32_t> itsReadRequests;
    ztErr itsWriteResult = ztErr_noError;
    uint32_t itsTickOffset = 0;
    bool itsOpen = true;
};
