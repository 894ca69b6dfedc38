#pragma once
// The program's one IP address value: 16 bytes in network byte order holding an IPv6
// address, or an IPv4 address in IPv4-mapped form (::ffff:a.b.c.d). It parses the text forms
// that users and servers give and prints addresses and their reverse-zone names.

#include "util/ztIPv4.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

class ztIPv6 {
public:
    using Bytes = std::array<uint8_t, 16>;

    // The zero address (all 16 bytes 0), which is also what a failed parse leaves.
    ztIPv6() = default;
    explicit ztIPv6(const Bytes& inBytes) : itsAddress(inBytes) {}
    // 16 raw bytes, most significant first (the layout of an in6_addr).
    explicit ztIPv6(const uint8_t* inBytes);
    // Stored IPv4-mapped.
    explicit ztIPv6(const ztIPv4& inAddress);
    // Parses as fromString(); a text that does not parse gives the zero address.
    explicit ztIPv6(const char* inText) { fromString(inText); }
    explicit ztIPv6(std::string_view inText) { fromString(inText); }

    // Parses IPv6 text ("2001:db8::1", "::ffff:10.1.2.3"), an IPv4 text in dotted or
    // "in-addr.arpa." form (stored IPv4-mapped), or a full 73-character ".ip6.arpa." name.
    // Hexadecimal digits and the zone suffixes may be in either case. Returns true on
    // success; after a failure the address is zero. A null text gives zero and true.
    bool fromString(const char* inText);
    bool fromString(std::string_view inText);

    // True exactly for the IPv4-mapped pattern: ten zero bytes, then 0xFF, 0xFF.
    bool isIPv4() const;
    // An IPv4-mapped address is set when its IPv4 value is not 0.0.0.0; any other address
    // when one of its bytes is not 0.
    bool isSet() const;
    // The last four bytes as an IPv4 value; meant for IPv4-mapped or zero addresses.
    ztIPv4 getIPv4() const;

    // IPv4-mapped addresses print in dotted form. Others print as eight lower-case
    // hexadecimal groups without leading zeros; with inCompress the rightmost run of at
    // least two zero groups that ends before the last group becomes "::" (so zero prints
    // as "::0").
    std::string format(bool inCompress = true) const;
    // The reverse-zone name: "d.c.b.a.in-addr.arpa." for IPv4-mapped addresses, otherwise
    // the 32 nibbles from the last byte's low nibble up, each followed by ".", and then
    // "ip6.arpa." (73 characters). fromString() reads both back to the same address.
    std::string arpaFormat() const;

    const Bytes& getBytes() const { return itsAddress; }

    friend bool operator==(const ztIPv6&, const ztIPv6&) = default;

private:
    Bytes itsAddress{};
};
