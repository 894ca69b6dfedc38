// Parsing and printing of IP address values: IPv6 text with its "::" gap and embedded
// IPv4, IPv4 text, and the ".ip6.arpa." reverse-zone names.
#include "util/ztIPv6.h"

#include "messages/ztAssert.h"
#include "util/ztHexDigit.h"

#include <algorithm>
#include <cstdio>
#include <optional>

namespace {

using Bytes = ztIPv6::Bytes;

constexpr std::string_view kIp6ArpaSuffix = ".ip6.arpa.";
// 32 nibbles, each followed by a full stop, and "ip6.arpa.".
constexpr size_t kIp6ArpaLength = 32 * 2 + kIp6ArpaSuffix.size() - 1;
constexpr size_t kMappedPrefixLength = 12;

bool isZero(const Bytes& inBytes, size_t inCount) {
    return std::all_of(inBytes.begin(), inBytes.begin() + inCount,
                       [](uint8_t inByte) { return inByte == 0; });
}


char lowerAscii(char inChar) {
    return (inChar >= 'A' && inChar <= 'Z') ? static_cast<char>(inChar - 'A' + 'a') : inChar;
}

bool endsWithIgnoringCase(std::string_view inText, std::string_view inSuffix) {
    if (inText.size() < inSuffix.size())
        return false;
    const std::string_view tail = inText.substr(inText.size() - inSuffix.size());
    return std::equal(tail.begin(), tail.end(), inSuffix.begin(),
                      [](char inLeft, char inRight) { return lowerAscii(inLeft) == inRight; });
}

// Reads the 32 nibble pairs of a 73-character ".ip6.arpa." name; the first pair is the low
// nibble of the last byte.
bool parseIp6Arpa(std::string_view inText, Bytes& outBytes) {
    for (size_t pair = 0; pair < 32; ++pair) {
        const int nibble = ztHexDigitValue(inText[2 * pair]);
        if (nibble < 0 || inText[2 * pair + 1] != '.')
            return false;
        uint8_t& byte = outBytes[15 - pair / 2];
        byte = static_cast<uint8_t>(pair % 2 == 0 ? (byte & 0xF0) | nibble
                                                  : (byte & 0x0F) | (nibble << 4));
    }
    return true;
}

// Parses IPv6 text: hexadecimal groups of at most 0xFFFF separated by ":", at most one
// "::" gap, optionally ending in a dotted IPv4 address.
bool parseIPv6Text(std::string_view inText, Bytes& outBytes) {
    Bytes bytes{};
    size_t filled = 0;
    std::optional<size_t> gapAt; // bytes filled before the gap
    size_t pos = 0;
    if (!inText.empty() && inText[0] == ':') {
        if (inText.size() < 2 || inText[1] != ':')
            return false;
        gapAt = 0;
        pos = 2;
    }
    while (pos < inText.size()) {
        const size_t groupStart = pos;
        uint32_t value = 0;
        while (pos < inText.size() && ztHexDigitValue(inText[pos]) >= 0) {
            value = value * 16 + static_cast<uint32_t>(ztHexDigitValue(inText[pos++]));
            if (value > 0xFFFF)
                return false;
        }
        if (pos < inText.size() && inText[pos] == '.') {
            // The rest of the text, from the start of this group, is a dotted IPv4 address.
            ztIPv4 embedded;
            if (filled + 4 > bytes.size() || !embedded.fromDottedString(inText.substr(groupStart)))
                return false;
            std::copy(embedded.getBytes().begin(), embedded.getBytes().end(),
                      bytes.begin() + static_cast<std::ptrdiff_t>(filled));
            filled += 4;
            break;
        }
        if (pos == groupStart || filled + 2 > bytes.size())
            return false;
        bytes[filled++] = static_cast<uint8_t>(value >> 8);
        bytes[filled++] = static_cast<uint8_t>(value);
        if (pos == inText.size())
            break;
        if (inText[pos] != ':')
            return false;
        // A colon may not end the text after a group.
        if (++pos == inText.size())
            return false;
        if (inText[pos] == ':') {
            if (gapAt)
                return false;
            gapAt = filled;
            ++pos;
        }
    }

    if (!gapAt) {
        if (filled != bytes.size())
            return false;
        outBytes = bytes;
        return true;
    }
    // The gap stands for at least one zero group.
    if (filled == bytes.size())
        return false;
    const auto gap = static_cast<std::ptrdiff_t>(*gapAt);
    const auto end = static_cast<std::ptrdiff_t>(filled);
    std::copy_backward(bytes.begin() + gap, bytes.begin() + end, bytes.end());
    std::fill(bytes.begin() + gap, bytes.end() - (end - gap), uint8_t{0});
    outBytes = bytes;
    return true;
}

// The groups [outStart, outEnd] of the rightmost run of at least two zero groups among
// groups 0 to 6; false when there is none.
bool findCompressedRun(const std::array<unsigned, 8>& inGroups, int& outStart, int& outEnd) {
    for (int end = 6; end >= 1; --end) {
        if (inGroups[static_cast<size_t>(end)] != 0)
            continue;
        int start = end;
        while (start > 0 && inGroups[static_cast<size_t>(start - 1)] == 0)
            --start;
        if (end > start) {
            outStart = start;
            outEnd = end;
            return true;
        }
        end = start;
    }
    return false;
}

void appendGroups(std::string& ioText, const std::array<unsigned, 8>& inGroups, int inFirst,
                  int inLast) {
    for (int i = inFirst; i <= inLast; ++i) {
        char buffer[8];
        const int length =
            std::snprintf(buffer, sizeof buffer, "%x", inGroups[static_cast<size_t>(i)]);
        if (i > inFirst)
            ioText += ':';
        ioText.append(buffer, static_cast<size_t>(length));
    }
}

} // namespace

ztIPv6::ztIPv6(const uint8_t* inBytes) {
    std::copy(inBytes, inBytes + 16, itsAddress.begin());
}

ztIPv6::ztIPv6(const ztIPv4& inAddress) {
    itsAddress[10] = 0xFF;
    itsAddress[11] = 0xFF;
    std::copy(inAddress.getBytes().begin(), inAddress.getBytes().end(),
              itsAddress.begin() + kMappedPrefixLength);
}

bool ztIPv6::fromString(const char* inText) {
    if (inText == nullptr) {
        itsAddress = Bytes{};
        return true;
    }
    return fromString(std::string_view(inText));
}

bool ztIPv6::fromString(std::string_view inText) {
    itsAddress = Bytes{};
    Bytes bytes{};
    if (endsWithIgnoringCase(inText, kIp6ArpaSuffix)) {
        // A shorter or longer name is a zone, not an address.
        if (inText.size() != kIp6ArpaLength || !parseIp6Arpa(inText, bytes))
            return false;
        itsAddress = bytes;
        return true;
    }
    if (inText.find(':') != std::string_view::npos) {
        if (!parseIPv6Text(inText, bytes))
            return false;
        itsAddress = bytes;
        return true;
    }
    ztIPv4 address;
    if (!address.fromString(inText))
        return false;
    *this = ztIPv6(address);
    return true;
}

bool ztIPv6::isIPv4() const {
    return isZero(itsAddress, 10) && itsAddress[10] == 0xFF && itsAddress[11] == 0xFF;
}

bool ztIPv6::isSet() const {
    if (isIPv4())
        return !getIPv4().isZero();
    return !isZero(itsAddress, 16);
}

ztIPv4 ztIPv6::getIPv4() const {
    ztAssert(isIPv4() || isZero(itsAddress, 16));
    return ztIPv4(itsAddress[12], itsAddress[13], itsAddress[14], itsAddress[15]);
}

std::string ztIPv6::format(bool inCompress) const {
    if (isIPv4())
        return getIPv4().format();

    std::array<unsigned, 8> groups{};
    for (size_t i = 0; i < groups.size(); ++i)
        groups[i] = static_cast<unsigned>(itsAddress[2 * i] << 8 | itsAddress[2 * i + 1]);

    std::string text;
    int runStart = 0;
    int runEnd = 0;
    if (!inCompress || !findCompressedRun(groups, runStart, runEnd)) {
        appendGroups(text, groups, 0, 7);
        return text;
    }
    appendGroups(text, groups, 0, runStart - 1);
    text += "::";
    appendGroups(text, groups, runEnd + 1, 7);
    return text;
}

std::string ztIPv6::arpaFormat() const {
    if (isIPv4())
        return getIPv4().arpaFormat();

    static constexpr char kHex[] = "0123456789abcdef";
    std::string text;
    text.reserve(kIp6ArpaLength);
    for (size_t i = itsAddress.size(); i-- > 0;) {
        text += kHex[itsAddress[i] & 0x0F];
        text += '.';
        text += kHex[itsAddress[i] >> 4];
        text += '.';
    }
    text += kIp6ArpaSuffix.substr(1);
    return text;
}
