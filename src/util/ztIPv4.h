#pragma once
// A four-byte IPv4 address value (first octet first) with its dotted and reverse-zone
// ("in-addr.arpa.") text forms. ztIPv6 keeps IPv4 addresses in IPv4-mapped form through it.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

class ztIPv4 {
public:
    using Bytes = std::array<uint8_t, 4>;

    // 0.0.0.0.
    ztIPv4() = default;
    ztIPv4(uint8_t inOctet1, uint8_t inOctet2, uint8_t inOctet3, uint8_t inOctet4)
        : itsAddress{inOctet1, inOctet2, inOctet3, inOctet4} {}
    explicit ztIPv4(const Bytes& inBytes) : itsAddress(inBytes) {}

    // Parses the dotted form ("10.1.2.3") or the reverse-zone form ("3.2.1.10.in-addr.arpa.",
    // final full stop required, letters in any case). Each part is a decimal number from 0
    // to 255 without leading zeros. Returns false and leaves 0.0.0.0 for anything else.
    bool fromString(std::string_view inText);
    // The same for the dotted form alone, as embedded at the end of IPv6 text.
    bool fromDottedString(std::string_view inText);

    // "10.1.2.3".
    std::string format() const;
    // "3.2.1.10.in-addr.arpa.": the octets in reverse order.
    std::string arpaFormat() const;

    bool isZero() const { return itsAddress == Bytes{}; }
    const Bytes& getBytes() const { return itsAddress; }

    friend bool operator==(const ztIPv4&, const ztIPv4&) = default;

private:
    Bytes itsAddress{};
};
