#pragma once
// UTF-8 as the request and answer texts carry it: telling a well-formed sequence from stray
// bytes, and writing a code point. Well-formed is RFC 3629: no overlong forms, no
// surrogates, nothing above U+10FFFF.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

inline constexpr char32_t ztMaxCodePoint = 0x10FFFF;
// What a JSON escape that names no character (a lone surrogate) stands for.
inline constexpr char32_t ztReplacementCharacter = 0xFFFD;

constexpr bool ztIsSurrogate(char32_t inCodePoint) {
    return inCodePoint >= 0xD800 && inCodePoint <= 0xDFFF;
}

// The characters an XML text may carry, as they are or as a character reference: all but
// U+0000, the surrogates, U+FFFE, U+FFFF and values above U+10FFFF. Controls count: XML 1.1
// takes them as references, and this library writes control bytes as references.
constexpr bool ztIsXmlCharacter(char32_t inCodePoint) {
    return inCodePoint != 0 && !ztIsSurrogate(inCodePoint) && inCodePoint != 0xFFFE &&
           inCodePoint != 0xFFFF && inCodePoint <= ztMaxCodePoint;
}

// The length (1 to 4) of the well-formed UTF-8 sequence that starts at inPos of inText,
// with its code point in outCodePoint; 0 (outCodePoint untouched) when the bytes there are
// not one: a stray continuation byte, a lead byte that no sequence starts with (C0, C1,
// F5 to FF), an overlong form, an encoded surrogate, a value above U+10FFFF, or a sequence
// cut short by the end of inText or by a byte that does not continue it. inPos must lie
// inside inText.
constexpr size_t ztUTF8SequenceLength(std::string_view inText, size_t inPos,
                                      char32_t& outCodePoint) {
    const auto lead = static_cast<uint8_t>(inText[inPos]);
    if (lead < 0x80) {
        outCodePoint = lead;
        return 1;
    }
    size_t length = 0;
    // The second byte's range narrows for some lead bytes (Unicode table 3-7): that is
    // what rules out overlong forms, surrogates and values above U+10FFFF.
    uint8_t secondLow = 0x80;
    uint8_t secondHigh = 0xBF;
    char32_t value = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        value = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        value = lead & 0x0F;
        if (lead == 0xE0)
            secondLow = 0xA0;
        else if (lead == 0xED)
            secondHigh = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        value = lead & 0x07;
        if (lead == 0xF0)
            secondLow = 0x90;
        else if (lead == 0xF4)
            secondHigh = 0x8F;
    } else {
        return 0;
    }
    if (inText.size() - inPos < length)
        return 0;
    for (size_t i = 1; i < length; ++i) {
        const auto byte = static_cast<uint8_t>(inText[inPos + i]);
        const uint8_t low = i == 1 ? secondLow : 0x80;
        const uint8_t high = i == 1 ? secondHigh : 0xBF;
        if (byte < low || byte > high)
            return 0;
        value = (value << 6) | (byte & 0x3F);
    }
    outCodePoint = value;
    return length;
}

// True when all of inText is well-formed UTF-8.
constexpr bool ztIsValidUTF8(std::string_view inText) {
    char32_t codePoint = 0;
    for (size_t i = 0; i < inText.size();) {
        const size_t length = ztUTF8SequenceLength(inText, i, codePoint);
        if (length == 0)
            return false;
        i += length;
    }
    return true;
}

// Appends the UTF-8 bytes of inCodePoint to ioText. A surrogate or a value above U+10FFFF
// has none: it is written as U+FFFD, so that the text stays well-formed.
inline void ztAppendUTF8(std::string& ioText, char32_t inCodePoint) {
    if (ztIsSurrogate(inCodePoint) || inCodePoint > ztMaxCodePoint)
        inCodePoint = ztReplacementCharacter;
    if (inCodePoint < 0x80) {
        ioText.push_back(static_cast<char>(inCodePoint));
        return;
    }
    if (inCodePoint < 0x800) {
        ioText.push_back(static_cast<char>(0xC0 | (inCodePoint >> 6)));
    } else if (inCodePoint < 0x10000) {
        ioText.push_back(static_cast<char>(0xE0 | (inCodePoint >> 12)));
        ioText.push_back(static_cast<char>(0x80 | ((inCodePoint >> 6) & 0x3F)));
    } else {
        ioText.push_back(static_cast<char>(0xF0 | (inCodePoint >> 18)));
        ioText.push_back(static_cast<char>(0x80 | ((inCodePoint >> 12) & 0x3F)));
        ioText.push_back(static_cast<char>(0x80 | ((inCodePoint >> 6) & 0x3F)));
    }
    ioText.push_back(static_cast<char>(0x80 | (inCodePoint & 0x3F)));
}
