// Fuzzes the replay of the XML net form, the bytes a central server sends inside XML
// answers. Any input must end in a tree or a clean exception; whatever tree results (also
// the part built before a failure) must print, and must come back unchanged when written
// into the net form and replayed once more.
#include "messages/ztException.h"
#include "netobjects/ztDynamicNetWriter.h"
#include "netobjects/ztNetReader.h"
#include "util/ztXMLNetWriter.h"
#include "util/ztXMLPrinter.h"
#include "util/ztXMLTinyWriter.h"

#include <tinyxml.h>

#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>

namespace {

// Replays inSize bytes into ioDocument; false when the replay failed part way.
bool replayInto(TiXmlDocument& ioDocument, const uint8_t* inData, size_t inSize) {
    ztNetReader reader(inData, inSize);
    ztXMLTinyWriter writer(&ioDocument);
    try {
        writer.replay(reader);
    } catch (const std::out_of_range&) {
        return false;
    } catch (const ztException&) {
        return false;
    }
    if (!reader.good() || reader.count() > reader.size())
        std::abort();
    return true;
}

std::string printed(const TiXmlDocument& inDocument, bool inOptions) {
    std::string text;
    printXml(inDocument, text, inOptions, inOptions, inOptions);
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* inData, size_t inSize) {
    TiXmlDocument received;
    replayInto(received, inData, inSize);
    const std::string text = printed(received, false);
    const std::string optionsText = printed(received, true);

    ztDynamicNetWriter buffer(256);
    {
        ztXMLNetWriter writer(buffer);
        writer.writeChildren(received);
        writer.finish();
    }
    TiXmlDocument again;
    if (!replayInto(again, buffer.data(), buffer.count())) {
        std::fprintf(stderr, "the net form written from a received tree does not replay\n");
        std::abort();
    }
    if (printed(again, false) != text || printed(again, true) != optionsText) {
        std::fprintf(stderr, "round trip changed the tree:\n%s\n%s\n", text.c_str(),
                     printed(again, false).c_str());
        std::abort();
    }
    return 0;
}
