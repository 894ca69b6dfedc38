// The nesting pre-scan: a tokenizer that agrees with TinyXML on what starts and ends an
// element, and errs towards rejecting where it cannot be sure.
#include "util/ztXMLDepthGuard.h"

#include <cctype>

namespace {

class Scanner {
public:
    explicit Scanner(std::string_view inText) : itsText(inText) {}

    bool within(size_t inMaxDepth) {
        size_t depth = 0;
        while (skipTo('<')) {
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
        return true;
    }

private:
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
            if (end == std::string_view::npos)
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
};

} // namespace

bool ztXMLDepthWithin(std::string_view inText, size_t inMaxDepth) {
    return Scanner(inText).within(inMaxDepth);
}
