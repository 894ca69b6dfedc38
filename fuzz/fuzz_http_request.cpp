// Fuzzes how ztwebext reads requests: the bytes of one connection go through the request
// reader (Beast's parser under the server's limits) in pieces cut where the input says,
// then every complete request through what the router does with its text before the
// library sees it: the query, the credentials, the Accept header and the access-log line.
// Input: one byte giving the piece size (1 to 256), then the connection's bytes.
#include "ztwebext/ztWebAccessLog.h"
#include "ztwebext/ztWebAuth.h"
#include "ztwebext/ztWebRequestReader.h"
#include "ztwebext/ztWebText.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

namespace {

// Small limits, so that the fuzzer reaches them.
constexpr uint32_t kMaxHeader = 2048;
constexpr uint64_t kMaxBody = 4096;

void examine(const ztWebRequest& inRequest) {
    ztWebParseQuery(inRequest.itsQuery);
    ztWebMaskQuery(inRequest.itsQuery);
    ztWebDecode(inRequest.itsPath, false);
    ztWebCredentials credentials;
    std::string error;
    ztWebReadAuthorization(inRequest.header("authorization"), credentials, error);
    ztWebPrefersXml(inRequest.header("accept"));
    ztWebAccessLog::format("T", "client", inRequest.itsMethod, inRequest.itsPath,
                           inRequest.itsQuery, inRequest.itsHasQuery, 200, 0, 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* inData, size_t inSize) {
    if (inSize == 0)
        return 0;
    const size_t piece = size_t{inData[0]} + 1;
    const std::string bytes(reinterpret_cast<const char*>(inData + 1), inSize - 1);
    ztWebRequestReader reader(kMaxHeader, kMaxBody);
    std::string pending;
    size_t offset = 0;
    // Each request consumes at least one byte, so the loop ends.
    while (offset < bytes.size() || !pending.empty()) {
        const size_t take = std::min(piece, bytes.size() - offset);
        pending.append(bytes, offset, take);
        offset += take;
        const size_t used = reader.feed(pending.data(), pending.size());
        pending.erase(0, used);
        if (reader.state() == ztWebRequestReader::State::refused)
            return 0;
        if (reader.state() == ztWebRequestReader::State::complete) {
            bool keepAlive = false;
            const ztWebRequest request = reader.take(keepAlive);
            if (reader.state() == ztWebRequestReader::State::refused)
                return 0;
            examine(request);
            if (!keepAlive)
                return 0;
            reader.reset();
            continue;
        }
        if (take == 0)
            return 0; // the input ended inside a request
    }
    return 0;
}
