// Hexadecimal text: the upper-case form that is written, and the strict reading that refuses
// damaged text instead of skipping over it.
#include "cryptor/ztHex.h"

#include <gtest/gtest.h>

using zt::cryptor::hexDecode;
using zt::cryptor::hexEncode;

TEST(ztHex, encodesUpperCaseWithoutSeparators) {
    const uint8_t bytes[] = {0x00, 0x0F, 0xA5, 0xFF, 0x10};
    EXPECT_EQ(hexEncode(bytes, sizeof bytes), "000FA5FF10");
    EXPECT_EQ(hexEncode(bytes, 0), "");
}

TEST(ztHex, decodesEitherCaseAndRefusesEverythingElse) {
    struct Row {
        const char* name;
        const char* text;
        bool ok;
        std::vector<uint8_t> bytes;
    };
    const Row rows[] = {
        {"empty", "", true, {}},
        {"upper", "00FFA5", true, {0x00, 0xFF, 0xA5}},
        {"lower", "00ffa5", true, {0x00, 0xFF, 0xA5}},
        {"odd length", "ABC", false, {}},
        {"letter past F", "0G", false, {}},
        {"space between", "AB CD", false, {}},
        {"separator", "AB-CD", false, {}},
        {"trailing newline", "ABCD\n", false, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::vector<uint8_t> bytes{0x55};
        EXPECT_EQ(hexDecode(row.text, bytes), row.ok);
        EXPECT_EQ(bytes, row.bytes);
    }
}
