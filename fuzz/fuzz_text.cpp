// Fuzzes text through both printers and back through the readers the requests go through:
// any well-formed UTF-8 text printed as XML (element text and attribute value) or as JSON
// reads back as the same text; any bytes at all print as well-formed UTF-8 and read back
// without a crash.
#include "messages/ztException.h"
#include "util/ztUTF8.h"
#include "util/ztXMLPrinter.h"
#include "util/ztXMLUtil.h"
#include "ztxmlint/xmlJsonFrontEnd.h"

#include <tinyxml.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

void check(bool inCondition, const char* inWhat) {
    if (inCondition)
        return;
    std::fprintf(stderr, "fuzz_text: %s\n", inWhat);
    std::abort();
}

// Texts the XML round trip keeps: XML has no NUL, U+FFFE or U+FFFF (their bytes print as
// references to three other characters), and the printer passes hexadecimal references
// already in a text through, which then read back as their characters.
bool xmlCanCarry(std::string_view inText) {
    return ztIsValidUTF8(inText) && inText.find('\0') == std::string_view::npos &&
           inText.find("\xEF\xBF\xBE") == std::string_view::npos &&
           inText.find("\xEF\xBF\xBF") == std::string_view::npos &&
           inText.find("&#x") == std::string_view::npos;
}

void xmlRoundTrip(const std::string& inText, bool inReplaceControl) {
    // The brackets keep a text of blanks from being dropped as white space between elements.
    const std::string text = "[" + inText + "]";
    TiXmlElement root("r");
    auto* element = new TiXmlElement("t");
    root.LinkEndChild(element);
    element->SetAttribute("v", text);
    element->LinkEndChild(new TiXmlText(text));
    std::string printed;
    printXml(root, printed, inReplaceControl, false, false);
    check(ztIsValidUTF8(printed), "XML output is not UTF-8");

    TiXmlDocument parsed;
    try {
        parseRequestXml(printed, parsed);
    } catch (const ztException&) {
        check(!xmlCanCarry(inText), "printed XML does not parse");
        return;
    }
    if (inReplaceControl || !xmlCanCarry(inText))
        return;
    const TiXmlElement* back =
        parsed.RootElement() ? parsed.RootElement()->FirstChildElement("t") : nullptr;
    check(back != nullptr, "printed XML lost its element");
    check(ztXMLUtil::getTextOr(back, "") == text, "XML text changed on the way");
    const char* value = back->Attribute("v");
    check(value != nullptr && value == text, "XML attribute value changed on the way");
}

void jsonRoundTrip(const std::string& inText) {
    TiXmlElement object("o");
    ztXMLUtil::addTextElement(&object, "t", inText);
    std::string printed;
    ztXMLUtil::writeJson(&object, printed, -1);
    check(ztIsValidUTF8(printed), "JSON output is not UTF-8");

    TiXmlElement parsed("p");
    const bool read = ztXMLUtil::parseJson(printed, &parsed, true);
    check(read, "printed JSON does not parse");
    if (!ztIsValidUTF8(inText))
        return;
    check(ztXMLUtil::getTextOr(parsed.FirstChildElement("t"), "?") == inText,
          "JSON text changed on the way");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* inData, size_t inSize) {
    const std::string text(reinterpret_cast<const char*>(inData), inSize);
    xmlRoundTrip(text, false);
    xmlRoundTrip(text, true);
    jsonRoundTrip(text);
    return 0;
}
