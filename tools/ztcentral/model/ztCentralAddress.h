#pragma once
// IP addresses as numbers, for the range arithmetic of the stand-in server: containment,
// sizes, prefixes and the names of ranges. IPv4 addresses are kept IPv4-mapped, so one
// number line orders both families and an IPv4 range never mixes with an IPv6 one.

#include <cstdint>
#include <string>
#include <string_view>

class ztCentralAddress {
public:
    using Value = unsigned __int128;

    // Parses an IPv4 or IPv6 address in its text form (reverse-zone names are not addresses
    // here). False for anything else.
    static bool parse(std::string_view inText, Value& outValue);
    // The text form: dotted for IPv4, compressed hexadecimal for IPv6.
    static std::string format(Value inValue);
    static bool isIPv4(Value inValue);

    // Parses "address/length" whose host bits are zero into its first and last address.
    static bool parsePrefix(std::string_view inText, Value& outFrom, Value& outTo);
    // Parses a range name: a prefix, or two addresses of one family joined by "-" in order.
    static bool parseRange(std::string_view inText, Value& outFrom, Value& outTo);
    // The name of the range: its prefix when it is one, otherwise "from-to".
    static std::string rangeName(Value inFrom, Value inTo);

    // Number of addresses from inFrom to inTo, capped at the largest 32-bit value.
    static uint32_t count(Value inFrom, Value inTo);
    // The prefix length of the range when it is exactly one prefix, else -1 (IPv4 lengths
    // count from the IPv4 address, 0 to 32).
    static int prefixLength(Value inFrom, Value inTo);
};
