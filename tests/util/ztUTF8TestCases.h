#pragma once
// UTF-8 texts shared by the tests of everything that prints or reads text: characters of
// every length with the boundaries between lengths, and one row for each way bytes fail
// to be UTF-8.

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace zt::test {

struct UTF8Row {
    const char* name;
    std::string bytes;
    char32_t codePoint; // of a single well-formed character
};

// Well-formed characters: what an off-by-one in a length or range check would break.
inline const std::vector<UTF8Row>& wellFormedCharacters() {
    static const std::vector<UTF8Row> rows = {
        {"U+0080, the first of two bytes", "\xC2\x80", 0x80},
        {"U+00E9, e acute", "\xC3\xA9", 0xE9},
        {"U+07FF, the last of two bytes", "\xDF\xBF", 0x7FF},
        {"U+0800, the first of three bytes", "\xE0\xA0\x80", 0x800},
        {"U+4E2D, a CJK character", "\xE4\xB8\xAD", 0x4E2D},
        {"U+D7FF, just below the surrogates", "\xED\x9F\xBF", 0xD7FF},
        {"U+E000, just above the surrogates", "\xEE\x80\x80", 0xE000},
        {"U+FFFD, the replacement character", "\xEF\xBF\xBD", 0xFFFD},
        {"U+10000, the first of four bytes", "\xF0\x90\x80\x80", 0x10000},
        {"U+1F600, an emoji", "\xF0\x9F\x98\x80", 0x1F600},
        {"U+10FFFF, the last code point", "\xF4\x8F\xBF\xBF", 0x10FFFF},
    };
    return rows;
}

// Byte runs that are no UTF-8 at all (codePoint unused).
inline const std::vector<UTF8Row>& malformedBytes() {
    static const std::vector<UTF8Row> rows = {
        {"stray continuation 80", "\x80", 0},
        {"stray continuation BF", "\xBF", 0},
        {"lead C0 (overlong only)", "\xC0\xAF", 0},
        {"lead C1 (overlong only)", "\xC1\xBF", 0},
        {"overlong three bytes", "\xE0\x80\xAF", 0},
        {"overlong U+07FF in three bytes", "\xE0\x9F\xBF", 0},
        {"overlong four bytes", "\xF0\x80\x80\xAF", 0},
        {"overlong U+FFFF in four bytes", "\xF0\x8F\xBF\xBF", 0},
        {"high surrogate U+D800", "\xED\xA0\x80", 0},
        {"low surrogate U+DFFF", "\xED\xBF\xBF", 0},
        {"U+110000, past the last code point", "\xF4\x90\x80\x80", 0},
        {"lead F5", "\xF5\x80\x80\x80", 0},
        {"bytes FE and FF", "\xFE\xFF", 0},
        {"two-byte lead at the end", "\xC3", 0},
        {"two-byte lead before ASCII",
         "\xC3"
         "A",
         0},
        {"three bytes cut after two", "\xE4\xB8", 0},
        {"four bytes cut after three", "\xF0\x9F\x98", 0},
        {"four bytes cut by ASCII",
         "\xF0\x9F"
         "A",
         0},
        {"latin-1 text", "caf\xE9", 0},
    };
    return rows;
}

// inBytes with every byte from 0x80 up written by inFormat (a printf format taking the byte),
// the rest unchanged: how a printer writes bytes that are no UTF-8.
inline std::string escapeHighBytes(const std::string& inBytes, const char* inFormat) {
    std::string result;
    for (const char c : inBytes) {
        const auto byte = static_cast<uint8_t>(c);
        if (byte < 0x80) {
            result += c;
            continue;
        }
        char escaped[16];
        std::snprintf(escaped, sizeof escaped, inFormat, static_cast<unsigned>(byte));
        result += escaped;
    }
    return result;
}

} // namespace zt::test
