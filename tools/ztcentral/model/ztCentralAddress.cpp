// Address arithmetic over 128-bit numbers.
#include "ztcentral/model/ztCentralAddress.h"

#include "util/ztIPv6.h"

#include <charconv>
#include <limits>

namespace {

using Value = ztCentralAddress::Value;

bool endsWithArpa(std::string_view inText) {
    if (!inText.empty() && inText.back() == '.')
        inText.remove_suffix(1);
    if (inText.size() < 4)
        return false;
    std::string_view tail = inText.substr(inText.size() - 4);
    return (tail[0] | 0x20) == 'a' && (tail[1] | 0x20) == 'r' && (tail[2] | 0x20) == 'p' &&
           (tail[3] | 0x20) == 'a';
}

// Mask of the host part of a prefix of inLength bits out of 128.
Value hostMask(int inLength) {
    if (inLength >= 128)
        return 0;
    if (inLength <= 0)
        return ~static_cast<Value>(0);
    return (static_cast<Value>(1) << (128 - inLength)) - 1;
}

} // namespace

bool ztCentralAddress::parse(std::string_view inText, Value& outValue) {
    if (inText.empty() || endsWithArpa(inText))
        return false;
    ztIPv6 address;
    if (!address.fromString(inText))
        return false;
    Value value = 0;
    for (uint8_t byte : address.getBytes())
        value = (value << 8) | byte;
    outValue = value;
    return true;
}

std::string ztCentralAddress::format(Value inValue) {
    ztIPv6::Bytes bytes{};
    for (int i = 15; i >= 0; --i) {
        bytes[static_cast<size_t>(i)] = static_cast<uint8_t>(inValue & 0xFF);
        inValue >>= 8;
    }
    return ztIPv6(bytes).format();
}

bool ztCentralAddress::isIPv4(Value inValue) {
    return (inValue >> 32) == 0xFFFF;
}

bool ztCentralAddress::parsePrefix(std::string_view inText, Value& outFrom, Value& outTo) {
    const size_t slash = inText.find('/');
    if (slash == std::string_view::npos)
        return false;
    Value base = 0;
    if (!parse(inText.substr(0, slash), base))
        return false;
    std::string_view lengthText = inText.substr(slash + 1);
    int length = -1;
    auto [end, error] =
        std::from_chars(lengthText.data(), lengthText.data() + lengthText.size(), length);
    if (error != std::errc() || end != lengthText.data() + lengthText.size() || lengthText.empty())
        return false;
    const int maxLength = isIPv4(base) ? 32 : 128;
    if (length < 0 || length > maxLength)
        return false;
    const Value mask = hostMask(isIPv4(base) ? length + 96 : length);
    if ((base & mask) != 0)
        return false;
    outFrom = base;
    outTo = base | mask;
    return true;
}

bool ztCentralAddress::parseRange(std::string_view inText, Value& outFrom, Value& outTo) {
    if (parsePrefix(inText, outFrom, outTo))
        return true;
    const size_t dash = inText.find('-');
    if (dash == std::string_view::npos)
        return false;
    Value from = 0;
    Value to = 0;
    if (!parse(inText.substr(0, dash), from) || !parse(inText.substr(dash + 1), to))
        return false;
    if (isIPv4(from) != isIPv4(to) || from > to)
        return false;
    outFrom = from;
    outTo = to;
    return true;
}

int ztCentralAddress::prefixLength(Value inFrom, Value inTo) {
    for (int length = 0; length <= 128; ++length) {
        const Value mask = hostMask(length);
        if ((inFrom & mask) == 0 && (inFrom | mask) == inTo) {
            if (!isIPv4(inFrom))
                return length;
            return length >= 96 ? length - 96 : -1;
        }
    }
    return -1;
}

std::string ztCentralAddress::rangeName(Value inFrom, Value inTo) {
    const int length = prefixLength(inFrom, inTo);
    if (length >= 0)
        return format(inFrom) + "/" + std::to_string(length);
    return format(inFrom) + "-" + format(inTo);
}

uint32_t ztCentralAddress::count(Value inFrom, Value inTo) {
    if (inTo < inFrom)
        return 0;
    const Value difference = inTo - inFrom;
    constexpr uint32_t kMax = std::numeric_limits<uint32_t>::max();
    return difference >= kMax ? kMax : static_cast<uint32_t>(difference + 1);
}
