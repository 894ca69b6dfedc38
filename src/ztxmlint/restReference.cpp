// Reference text and REST references, read with the stream lexer. Both conversions hand
// back what they cannot read whole, so a value never reaches the server half converted.
#include "ztxmlint/restReference.h"

#include "messages/ztException.h"
#include "util/ztIPv6.h"
#include "util/ztStreamLexer.h"

#include <algorithm>

namespace {

bool isDecimal(std::string_view inText) {
    return !inText.empty() &&
           std::all_of(inText.begin(), inText.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// A lexer whose only token characters are inTokens. Names may hold blanks ("DNS Admins")
// and any quote: white space and quoting are both off, and so are escapes, so every other
// byte stays part of a word as written.
void configure(ztStreamLexer& ioLexer, std::string_view inTokens) {
    ioLexer.setCharClass(' ', 0);
    ioLexer.setCharClass('\t', 0);
    ioLexer.addCharClass(inTokens, ztCustomStreamLexer::classSingleChar);
    ioLexer.setEscapes(false);
    // A NUL never reaches a word's inside, so it never opens a quote.
    ioLexer.setQuoteChar('\0');
}

// "10.0.0.1", or an address, "/" and a decimal prefix length.
bool isAddressOrPrefix(std::string_view inText) {
    const size_t slash = inText.find('/');
    if (slash != std::string_view::npos && !isDecimal(inText.substr(slash + 1)))
        return false;
    const std::string_view address = inText.substr(0, slash);
    return !address.empty() && ztIPv6().fromString(address);
}

std::string typePart(ztObjType inType) {
    if (inType == obj_unknown)
        return {};
    std::string part(1, '#');
    part += std::to_string(inType);
    return part;
}

// restToRef over the lexer; empty when the text cannot be read whole.
std::string readRestReference(std::string_view inText) {
    ztStreamLexer lexer;
    configure(lexer, "/{~");
    lexer.setText(inText);
    int token = lexer.nextToken();
    if (token == '{')
        return std::string(inText);
    std::string result = "{";
    bool tilde = false;
    if (token == '~') {
        tilde = true;
        token = lexer.nextToken();
    }
    if (token == ztCustomStreamLexer::tokenWord) {
        const std::string word(lexer.tokenText());
        ztObjType type = obj_unknown;
        if (objectTypeFromCollection(word, type)) {
            token = lexer.nextToken();
            result += token == '/' ? typePart(type) : word;
        } else {
            if (!tilde && isDecimal(word))
                result += "#";
            else if (ztIPv6().fromString(word) && isAddressOrPrefix(inText))
                return "{-" + std::string(inText) + "}";
            result += word;
            token = lexer.nextToken();
        }
    }
    if (token == '/') {
        result += "-";
        // From here on a slash belongs to the value: "10.0.0.0/24", or a name with slashes.
        lexer.setCharClass('/', 0);
        token = lexer.nextToken();
        const bool named = token == '~';
        if (named)
            token = lexer.nextToken();
        if (token == ztCustomStreamLexer::tokenWord) {
            const std::string_view word = lexer.tokenText();
            if (!named && isDecimal(word))
                result += "#";
            result += word;
            token = lexer.nextToken();
        }
    } else if (result.size() > 1) {
        result.insert(result.begin() + 1, '-');
    }
    if (token != ztCustomStreamLexer::tokenEndOfFile)
        return {};
    return result + "}";
}

} // namespace

std::string makeRef(ztObjType inType, std::string_view inValue) {
    // Built by appending: "{" + a temporary string trips a false -Wrestrict in g++ 12.
    std::string result = "{";
    result += typePart(inType);
    result += '-';
    if (isDecimal(inValue))
        result += '#';
    else if (!inValue.empty() && inValue.front() == '~')
        inValue.remove_prefix(1);
    result += inValue;
    result += '}';
    return result;
}

std::string restToRef(std::string_view inText) {
    if (inText.empty())
        return {};
    try {
        std::string result = readRestReference(inText);
        if (!result.empty())
            return result;
    } catch (const ztException&) {
        // Only a lexer error can land here; the text then goes on as it came.
    }
    return std::string(inText);
}

std::string refToRest(std::string_view inText) {
    if (inText.size() < 2 || inText.front() != '{' || inText.back() != '}')
        return std::string(inText);
    try {
        ztStreamLexer lexer;
        configure(lexer, "#-}");
        lexer.setText(inText.substr(1));
        if (lexer.nextToken() != '#' || lexer.nextToken() != ztCustomStreamLexer::tokenWord ||
            !isDecimal(lexer.tokenText()))
            return std::string(inText);
        // Saturates, so a long run of digits cannot wrap into a valid type.
        const int64_t number = lexer.tokenAsInt();
        // Type 15 is unassigned: its collection "Unknown" would read back as type 0.
        if (number >= kObjectTypeCount || number == 15)
            return std::string(inText);
        const auto type = static_cast<ztObjType>(number);
        if (lexer.nextToken() != '-')
            return std::string(inText);
        int token = lexer.nextToken();
        const bool isId = token == '#';
        if (isId)
            token = lexer.nextToken();
        if (token != ztCustomStreamLexer::tokenWord)
            return std::string(inText);
        const std::string word(lexer.tokenText());
        if (lexer.nextToken() != '}' || lexer.nextToken() != ztCustomStreamLexer::tokenEndOfFile)
            return std::string(inText);
        // A name of digits keeps its tilde, or it would read back as an id.
        const bool needsTilde = !isId && isDecimal(word);
        std::string rest =
            std::string(objectTypeCollection(type)) + "/" + (needsTilde ? "~" : "") + word;
        // Only a form that reads back as this very reference is handed out: an id that is
        // no number, or a name that begins with "~" or holds "{", has none.
        if (restToRef(rest) != inText)
            return std::string(inText);
        return rest;
    } catch (const ztException&) {
        return std::string(inText);
    }
}
