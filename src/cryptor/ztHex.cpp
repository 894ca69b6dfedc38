// Hexadecimal encoding and strict decoding.
#include "cryptor/ztHex.h"

namespace zt::cryptor {
namespace {

// The value of one digit, or -1 for any other character.
int digitValue(char inDigit) {
    if (inDigit >= '0' && inDigit <= '9')
        return inDigit - '0';
    if (inDigit >= 'A' && inDigit <= 'F')
        return inDigit - 'A' + 10;
    if (inDigit >= 'a' && inDigit <= 'f')
        return inDigit - 'a' + 10;
    return -1;
}

} // namespace

std::string hexEncode(const uint8_t* inData, size_t inLength) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(inLength * 2);
    for (size_t i = 0; i < inLength; ++i) {
        text.push_back(kDigits[inData[i] >> 4]);
        text.push_back(kDigits[inData[i] & 0x0F]);
    }
    return text;
}

bool hexDecode(std::string_view inText, std::vector<uint8_t>& outBytes) {
    outBytes.clear();
    if (inText.size() % 2 != 0)
        return false;
    outBytes.reserve(inText.size() / 2);
    for (size_t i = 0; i < inText.size(); i += 2) {
        const int high = digitValue(inText[i]);
        const int low = digitValue(inText[i + 1]);
        if (high < 0 || low < 0) {
            outBytes.clear();
            return false;
        }
        outBytes.push_back(static_cast<uint8_t>(high << 4 | low));
    }
    return true;
}

} // namespace zt::cryptor
