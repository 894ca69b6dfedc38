// Parsing and printing of IPv4 addresses in dotted and reverse-zone form.
#include "util/ztIPv4.h"

#include <cstdio>

namespace {

constexpr std::string_view kReverseZone = "in-addr.arpa.";

bool isDigit(char inChar) {
    return inChar >= '0' && inChar <= '9';
}

char lowerAscii(char inChar) {
    return (inChar >= 'A' && inChar <= 'Z') ? static_cast<char>(inChar - 'A' + 'a') : inChar;
}

bool equalsIgnoringCase(std::string_view inLeft, std::string_view inRight) {
    if (inLeft.size() != inRight.size())
        return false;
    for (size_t i = 0; i < inLeft.size(); ++i) {
        if (lowerAscii(inLeft[i]) != lowerAscii(inRight[i]))
            return false;
    }
    return true;
}

// Reads one decimal part (0 to 255, no leading zero) at ioPos and advances past it.
bool readOctet(std::string_view inText, size_t& ioPos, uint8_t& outOctet) {
    if (ioPos >= inText.size() || !isDigit(inText[ioPos]))
        return false;
    const size_t start = ioPos;
    unsigned value = 0;
    while (ioPos < inText.size() && isDigit(inText[ioPos])) {
        value = value * 10 + static_cast<unsigned>(inText[ioPos] - '0');
        if (value > 255)
            return false;
        ++ioPos;
    }
    // "0" is a part, "03" is not.
    if (inText[start] == '0' && ioPos - start > 1)
        return false;
    outOctet = static_cast<uint8_t>(value);
    return true;
}

// Reads four parts, separated by full stops, starting at ioPos.
bool readFourOctets(std::string_view inText, size_t& ioPos, ztIPv4::Bytes& outBytes) {
    for (size_t i = 0; i < outBytes.size(); ++i) {
        if (i > 0) {
            if (ioPos >= inText.size() || inText[ioPos] != '.')
                return false;
            ++ioPos;
        }
        if (!readOctet(inText, ioPos, outBytes[i]))
            return false;
    }
    return true;
}

std::string printed(const char* inFormat, const ztIPv4::Bytes& inBytes, bool inReversed) {
    const auto octet = [&](size_t inIndex) {
        return static_cast<int>(inBytes[inReversed ? 3 - inIndex : inIndex]);
    };
    char buffer[40];
    const int length =
        std::snprintf(buffer, sizeof buffer, inFormat, octet(0), octet(1), octet(2), octet(3));
    return std::string(buffer, length > 0 ? static_cast<size_t>(length) : 0);
}

} // namespace

bool ztIPv4::fromDottedString(std::string_view inText) {
    itsAddress = Bytes{};
    Bytes bytes{};
    size_t pos = 0;
    if (!readFourOctets(inText, pos, bytes) || pos != inText.size())
        return false;
    itsAddress = bytes;
    return true;
}

bool ztIPv4::fromString(std::string_view inText) {
    itsAddress = Bytes{};
    Bytes bytes{};
    size_t pos = 0;
    if (!readFourOctets(inText, pos, bytes))
        return false;
    if (pos == inText.size()) {
        itsAddress = bytes;
        return true;
    }
    // Reverse form: a full stop after the fourth part, then exactly the zone suffix.
    if (inText[pos] != '.' || !equalsIgnoringCase(inText.substr(pos + 1), kReverseZone))
        return false;
    itsAddress = Bytes{bytes[3], bytes[2], bytes[1], bytes[0]};
    return true;
}

std::string ztIPv4::format() const {
    return printed("%d.%d.%d.%d", itsAddress, false);
}

std::string ztIPv4::arpaFormat() const {
    return printed("%d.%d.%d.%d.in-addr.arpa.", itsAddress, true);
}
