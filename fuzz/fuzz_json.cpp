// Fuzzes the JSON reader, which reads JSON-RPC requests, REST bodies and query parameters
// from anyone on the network, and the JSON writer over whatever tree the reader builds.
// Any input must end in a tree or in a clean failure that leaves the target without
// children and with its own attributes; an accepted tree must print as JSON, and as UTF-8
// when the input was UTF-8.
#include "util/ztUTF8.h"
#include "util/ztXMLUtil.h"

#include <tinyxml.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

namespace {

void check(bool inCondition, const char* inWhat) {
    if (inCondition)
        return;
    std::fprintf(stderr, "fuzz_json: %s\n", inWhat);
    std::abort();
}

void readAndWrite(std::string_view inText, bool inArraysAsItems) {
    TiXmlElement params("params");
    params.SetAttribute("own", "1");
    const bool parsed = ztXMLUtil::parseJson(inText, &params, inArraysAsItems);
    const char* own = params.Attribute("own");
    if (!parsed) {
        check(params.FirstChild() == nullptr, "a failed parse left children");
        check(own && std::strcmp(own, "1") == 0 && params.FirstAttribute()->Next() == nullptr,
              "a failed parse changed the attributes");
        return;
    }
    std::string compact;
    ztXMLUtil::writeJson(&params, compact, -1);
    check(!compact.empty(), "an accepted tree printed nothing");
    // Escapes decode to UTF-8 (U+FFFD for a lone surrogate), never to malformed bytes.
    check(!ztIsValidUTF8(inText) || ztIsValidUTF8(compact), "UTF-8 in, malformed UTF-8 out");
    std::string indented;
    ztXMLUtil::writeJson(&params, indented, 0);
    check(indented.size() >= compact.size(), "indenting made the text shorter");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* inData, size_t inSize) {
    const std::string_view text(reinterpret_cast<const char*>(inData), inSize);
    readAndWrite(text, true);
    readAndWrite(text, false);
    return 0;
}
