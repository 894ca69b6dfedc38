// Text helpers of the HTTP front end.
#include "ztwebext/ztWebText.h"

#include <array>
#include <cstdint>

namespace {

char lowerAscii(char inChar) {
    return inChar >= 'A' && inChar <= 'Z' ? static_cast<char>(inChar - 'A' + 'a') : inChar;
}

int hexValue(char inChar) {
    if (inChar >= '0' && inChar <= '9')
        return inChar - '0';
    if (inChar >= 'a' && inChar <= 'f')
        return inChar - 'a' + 10;
    if (inChar >= 'A' && inChar <= 'F')
        return inChar - 'A' + 10;
    return -1;
}

bool isSecretName(std::string_view inDecodedName) {
    return ztWebEqualsNoCase(inDecodedName, "session") ||
           ztWebEqualsNoCase(inDecodedName, "password") ||
           ztWebEqualsNoCase(inDecodedName, "loginName");
}

} // namespace

bool ztWebEqualsNoCase(std::string_view inLeft, std::string_view inRight) {
    if (inLeft.size() != inRight.size())
        return false;
    for (size_t i = 0; i < inLeft.size(); ++i)
        if (lowerAscii(inLeft[i]) != lowerAscii(inRight[i]))
            return false;
    return true;
}

std::string ztWebLower(std::string_view inText) {
    std::string lower(inText);
    for (char& c : lower)
        c = lowerAscii(c);
    return lower;
}

std::string_view ztWebTrim(std::string_view inText) {
    while (!inText.empty() && (inText.front() == ' ' || inText.front() == '\t'))
        inText.remove_prefix(1);
    while (!inText.empty() && (inText.back() == ' ' || inText.back() == '\t'))
        inText.remove_suffix(1);
    return inText;
}

std::string ztWebDecode(std::string_view inText, bool inPlusIsSpace) {
    std::string decoded;
    decoded.reserve(inText.size());
    for (size_t i = 0; i < inText.size(); ++i) {
        const char c = inText[i];
        if (c == '+' && inPlusIsSpace) {
            decoded += ' ';
            continue;
        }
        if (c == '%' && i + 2 < inText.size() && hexValue(inText[i + 1]) >= 0 &&
            hexValue(inText[i + 2]) >= 0) {
            decoded += static_cast<char>(hexValue(inText[i + 1]) * 16 + hexValue(inText[i + 2]));
            i += 2;
            continue;
        }
        decoded += c;
    }
    return decoded;
}

std::map<std::string, std::string> ztWebParseQuery(std::string_view inQuery) {
    std::map<std::string, std::string> query;
    while (!inQuery.empty()) {
        const size_t amp = inQuery.find('&');
        const std::string_view piece = inQuery.substr(0, amp);
        inQuery = amp == std::string_view::npos ? std::string_view() : inQuery.substr(amp + 1);
        if (piece.empty())
            continue;
        const size_t equals = piece.find('=');
        std::string name = ztWebDecode(piece.substr(0, equals), true);
        std::string value = equals == std::string_view::npos
                                ? std::string()
                                : ztWebDecode(piece.substr(equals + 1), true);
        query[std::move(name)] = std::move(value);
    }
    return query;
}

std::optional<std::string> ztWebBase64Decode(std::string_view inText) {
    while (!inText.empty() && inText.back() == '=')
        inText.remove_suffix(1);
    std::string decoded;
    decoded.reserve(inText.size() * 3 / 4);
    uint32_t bits = 0;
    int count = 0;
    for (const char c : inText) {
        int value = -1;
        if (c >= 'A' && c <= 'Z')
            value = c - 'A';
        else if (c >= 'a' && c <= 'z')
            value = c - 'a' + 26;
        else if (c >= '0' && c <= '9')
            value = c - '0' + 52;
        else if (c == '+')
            value = 62;
        else if (c == '/')
            value = 63;
        if (value < 0)
            return std::nullopt;
        bits = (bits << 6) | static_cast<uint32_t>(value);
        count += 6;
        if (count >= 8) {
            count -= 8;
            decoded += static_cast<char>((bits >> count) & 0xFF);
        }
    }
    // A single character left over cannot stand for a byte.
    if (count >= 6)
        return std::nullopt;
    return decoded;
}

std::string ztWebMaskQuery(std::string_view inQuery) {
    std::string masked;
    masked.reserve(inQuery.size());
    bool first = true;
    while (true) {
        const size_t amp = inQuery.find('&');
        const std::string_view piece = inQuery.substr(0, amp);
        if (!first)
            masked += '&';
        first = false;
        const size_t equals = piece.find('=');
        if (equals != std::string_view::npos &&
            isSecretName(ztWebDecode(piece.substr(0, equals), true)))
            masked.append(piece.substr(0, equals)).append("=***");
        else
            masked.append(piece);
        if (amp == std::string_view::npos)
            break;
        inQuery = inQuery.substr(amp + 1);
    }
    return masked;
}
