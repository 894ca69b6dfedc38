// Telling well-formed UTF-8 from stray bytes, and writing code points, at every boundary
// between sequence lengths and for every way bytes fail to be UTF-8.
#include "util/ztUTF8.h"

#include "ztUTF8TestCases.h"

#include <gtest/gtest.h>

namespace {

using zt::test::malformedBytes;
using zt::test::wellFormedCharacters;

TEST(ztUTF8, WellFormedCharactersDecodeAndEncodeAlike) {
    for (const auto& row : wellFormedCharacters()) {
        SCOPED_TRACE(row.name);
        char32_t codePoint = 0;
        EXPECT_EQ(ztUTF8SequenceLength(row.bytes, 0, codePoint), row.bytes.size());
        EXPECT_EQ(codePoint, row.codePoint);
        EXPECT_TRUE(ztIsValidUTF8("a" + row.bytes + "z"));
        std::string written;
        ztAppendUTF8(written, row.codePoint);
        EXPECT_EQ(written, row.bytes);
        // One byte short is never a character.
        EXPECT_EQ(ztUTF8SequenceLength(row.bytes.substr(0, row.bytes.size() - 1), 0, codePoint),
                  0u);
    }
}

TEST(ztUTF8, MalformedBytesAreNoCharacter) {
    for (const auto& row : malformedBytes()) {
        SCOPED_TRACE(row.name);
        EXPECT_FALSE(ztIsValidUTF8(row.bytes));
        EXPECT_FALSE(ztIsValidUTF8("ok " + row.bytes + " ok"));
    }
    char32_t codePoint = 0;
    EXPECT_EQ(ztUTF8SequenceLength("\x7F", 0, codePoint), 1u);
    EXPECT_EQ(codePoint, 0x7Fu);
    EXPECT_TRUE(ztIsValidUTF8(""));
}

TEST(ztUTF8, CodePointsWithoutUTF8BecomeTheReplacementCharacter) {
    for (const char32_t codePoint : {char32_t{0xD800}, char32_t{0xDFFF}, char32_t{0x110000}}) {
        SCOPED_TRACE(static_cast<unsigned>(codePoint));
        std::string written;
        ztAppendUTF8(written, codePoint);
        EXPECT_EQ(written, "\xEF\xBF\xBD");
    }
    std::string nul;
    ztAppendUTF8(nul, 0);
    EXPECT_EQ(nul, std::string(1, '\0'));
}

} // namespace
