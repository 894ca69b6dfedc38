// The nesting pre-scan: a tokenizer that agrees with TinyXML on what starts and ends an
// element, and errs towards rejecting where it cannot be sure. It also checks and decodes
// the numeric character references wherever TinyXML reads references.
#include "util/ztXMLDepthGuard.h"

#include "util/ztHexDigit.h"
#include "util/ztUTF8.h"

#include <cctype>

namespace {

// Where a run of text lies: TinyXML reads references in the text of elements, in quoted
// attribute values and in the declaration; only the first two carry request data.
enum class Region { text, attributeValue, declaration };

class Scanner {
public:
    // outDecoded, when not null, receives the text with references decoded.
    Scanner(std::string_view inText, std::string* outDecoded)
        : itsText(inText), itsDecoded(outDecoded) {}

    ztXMLScanResult scan(size_t inMaxDepth) {
        if (!within(inMaxDepth))
            return ztXMLScanResult::malformed;
        if (!itsBadReference.empty())
            return ztXMLScanResult::forbiddenReference;
        if (itsDecoded != nullptr)
            itsDecoded->append(itsText.substr(itsCopied));
        return ztXMLScanResult::ok;
    }

    std::string_view badReference() const { return itsBadReference; }

private:
    bool within(size_t inMaxDepth) {
        size_t depth = 0;
        for (;;) {
            const size_t textStart = itsPos;
            const bool found = skipTo('<');
            // Text outside the root is never read by TinyXML.
            if (depth > 0 && !references(textStart, itsPos, Region::text))
                return false;
            if (!found)
                return true;
            const std::string_view rest = itsText.substr(itsPos);
            if (rest.size() < 2)
                return true; // a lone '<' at the end: TinyXML fails, nothing nests
            if (startsWith(rest, "<!--")) {
                if (!skipPast("-->", 4))
                    return false;
            } else if (startsWith(rest, "<![CDATA[")) {
                if (!skipPast("]]>", 9))
                    return false;
            } else if (startsWithNoCase(rest, "<?xml")) {
                // Only a declaration before the root has a clear end; inside an element
                // TinyXML's quote handling would decide it.
                if (depth != 0 || !skipDeclaration())
                    return false;
            } else if (rest[1] == '/') {
                if (!skipPast(">", 2))
                    return false;
                if (depth > 0)
                    --depth;
            } else if (isNameStart(rest[1])) {
                bool selfClosing = false;
                if (!skipStartTag(selfClosing))
                    return false;
                if (!selfClosing && ++depth > inMaxDepth)
                    return false;
            } else {
                // "<!DOCTYPE", "<?pi", "<1": TinyXML reads an unknown node up to the first '>'.
                if (!skipPast(">", 1))
                    return false;
            }
        }
    }

    // Checks the numeric character references in [inBegin, inEnd) and decodes those of text
    // and attribute values from U+0080 up. TinyXML's legacy mode keeps only the lowest byte
    // of a code point, so it is given the UTF-8 bytes instead; those are plain bytes to it
    // and change nothing about where markup lies. A malformed "&#" is refused: TinyXML
    // looks for its ";" anywhere further on and would skip whatever markup lies between,
    // nesting included. The first reference to a character XML does not allow is kept, and
    // the scan goes on: the depth must still be told for ztXMLDepthWithin.
    bool references(size_t inBegin, size_t inEnd, Region inRegion) {
        // Searched within the run only: a search to the end of the text for every run would
        // cost the square of the text's length.
        const std::string_view run = itsText.substr(0, inEnd);
        for (size_t pos = run.find("&#", inBegin); pos != std::string_view::npos;
             pos = run.find("&#", pos)) {
            char32_t codePoint = 0;
            const size_t end = referenceEnd(pos, inEnd, codePoint);
            if (end == 0)
                return false;
            if (!ztIsXmlCharacter(codePoint) && itsBadReference.empty())
                itsBadReference = itsText.substr(pos, end - pos);
            if (itsDecoded != nullptr && codePoint >= 0x80 && inRegion != Region::declaration) {
                itsDecoded->append(itsText.substr(itsCopied, pos - itsCopied));
                ztAppendUTF8(*itsDecoded, codePoint);
                itsCopied = end;
            }
            pos = end;
        }
        return true;
    }

    // The end of the reference "&#" digits ";" (decimal) or "&#x" hex digits ";" that starts
    // at inPos and ends before inLimit, with its value (above U+10FFFF held as 0x110000); 0
    // when there is none. No digits at all is what TinyXML reads as U+0000.
    size_t referenceEnd(size_t inPos, size_t inLimit, char32_t& outCodePoint) const {
        size_t pos = inPos + 2;
        const bool hex = pos < inLimit && itsText[pos] == 'x';
        if (hex)
            ++pos;
        char32_t value = 0;
        for (; pos < inLimit && itsText[pos] != ';'; ++pos) {
            const int digit = hex ? ztHexDigitValue(itsText[pos]) : decimalValue(itsText[pos]);
            if (digit < 0)
                return 0;
            value = value * (hex ? 16 : 10) + static_cast<char32_t>(digit);
            if (value > ztMaxCodePoint)
                value = ztMaxCodePoint + 1;
        }
        if (pos == inLimit)
            return 0;
        outCodePoint = value;
        return pos + 1;
    }

    static int decimalValue(char inChar) {
        return inChar >= '0' && inChar <= '9' ? inChar - '0' : -1;
    }

    static bool startsWith(std::string_view inText, std::string_view inPrefix) {
        return inText.substr(0, inPrefix.size()) == inPrefix;
    }

    static bool startsWithNoCase(std::string_view inText, std::string_view inPrefix) {
        if (inText.size() < inPrefix.size())
            return false;
        for (size_t i = 0; i < inPrefix.size(); ++i) {
            if (std::tolower(static_cast<unsigned char>(inText[i])) != inPrefix[i])
                return false;
        }
        return true;
    }

    // TinyXML takes every byte above 127 as a letter, so UTF-8 names start elements.
    static bool isNameStart(char inChar) {
        const auto c = static_cast<unsigned char>(inChar);
        return c >= 127 || std::isalpha(c) || c == '_';
    }

    static bool isNameChar(char inChar) {
        const auto c = static_cast<unsigned char>(inChar);
        return c >= 127 || std::isalnum(c) || c == '_' || c == '-' || c == '.' || c == ':';
    }

    static bool isSpace(char inChar) {
        return inChar == ' ' || inChar == '\t' || inChar == '\n' || inChar == '\r';
    }

    bool skipTo(char inChar) {
        const size_t pos = itsText.find(inChar, itsPos);
        itsPos = pos == std::string_view::npos ? itsText.size() : pos;
        return pos != std::string_view::npos;
    }

    // Moves behind the first inEnd found at or after itsPos + inSkip.
    bool skipPast(std::string_view inEnd, size_t inSkip) {
        const size_t pos = itsText.find(inEnd, itsPos + inSkip);
        if (pos == std::string_view::npos)
            return false;
        itsPos = pos + inEnd.size();
        return true;
    }

    void skipSpaces() {
        while (itsPos < itsText.size() && isSpace(itsText[itsPos]))
            ++itsPos;
    }

    // "<?xml ...>": ends at the first '>' provided no quoted value holds '<' or '>', so
    // that TinyXML's attribute-aware reading and a plain search agree.
    bool skipDeclaration() {
        const size_t end = itsText.find('>', itsPos);
        if (end == std::string_view::npos)
            return false;
        const std::string_view body = itsText.substr(itsPos, end - itsPos);
        char quote = 0;
        for (const char c : body) {
            if (quote != 0) {
                if (c == quote)
                    quote = 0;
                else if (c == '<')
                    return false;
            } else if (c == '"' || c == '\'') {
                quote = c;
            }
        }
        if (quote != 0)
            return false; // the '>' found lies inside a quoted value
        if (!references(itsPos, end, Region::declaration))
            return false;
        itsPos = end + 1;
        return true;
    }

    // A start tag: the name, then attributes name = "value" | 'value' | bare, then "/>"
    // or ">". Anything else is malformed for TinyXML too.
    bool skipStartTag(bool& outSelfClosing) {
        ++itsPos; // '<'
        if (!skipName())
            return false;
        for (;;) {
            skipSpaces();
            if (itsPos >= itsText.size())
                return false;
            const char c = itsText[itsPos];
            if (c == '>') {
                ++itsPos;
                outSelfClosing = false;
                return true;
            }
            if (c == '/') {
                if (itsPos + 1 >= itsText.size() || itsText[itsPos + 1] != '>')
                    return false;
                itsPos += 2;
                outSelfClosing = true;
                return true;
            }
            if (!skipAttribute())
                return false;
        }
    }

    bool skipName() {
        if (itsPos >= itsText.size() || !isNameStart(itsText[itsPos]))
            return false;
        while (itsPos < itsText.size() && isNameChar(itsText[itsPos]))
            ++itsPos;
        return true;
    }

    bool skipAttribute() {
        if (!skipName())
            return false;
        skipSpaces();
        if (itsPos >= itsText.size() || itsText[itsPos] != '=')
            return false;
        ++itsPos;
        skipSpaces();
        if (itsPos >= itsText.size())
            return false;
        const char quote = itsText[itsPos];
        if (quote == '"' || quote == '\'') {
            const size_t end = itsText.find(quote, itsPos + 1);
            if (end == std::string_view::npos ||
                !references(itsPos + 1, end, Region::attributeValue))
                return false;
            itsPos = end + 1;
            return true;
        }
        while (itsPos < itsText.size()) {
            const char c = itsText[itsPos];
            if (isSpace(c) || c == '/' || c == '>')
                return true;
            if (c == '"' || c == '\'')
                return false;
            ++itsPos;
        }
        return false;
    }

    std::string_view itsText;
    size_t itsPos = 0;
    std::string* itsDecoded; // not owned
    size_t itsCopied = 0;    // how much of itsText itsDecoded holds
    std::string_view itsBadReference; // within itsText
};

} // namespace

bool ztXMLDepthWithin(std::string_view inText, size_t inMaxDepth) {
    return Scanner(inText, nullptr).scan(inMaxDepth) != ztXMLScanResult::malformed;
}

ztXMLScanResult ztXMLPrepare(std::string_view inText, std::string& outText,
                             std::string& outBadReference, size_t inMaxDepth) {
    outText.clear();
    outBadReference.clear();
    Scanner scanner(inText, &outText);
    const ztXMLScanResult result = scanner.scan(inMaxDepth);
    if (result != ztXMLScanResult::ok)
        outText.clear();
    outBadReference.assign(scanner.badReference());
    return result;
}
