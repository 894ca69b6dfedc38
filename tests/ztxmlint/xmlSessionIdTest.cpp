// Session ids are credentials: always 20 letters of the 60-letter alphabet, never w or W,
// and not predictable from one another.
#include "ztxmlint/xmlSessionId.h"

#include <gtest/gtest.h>

#include <array>
#include <set>
#include <string>

namespace {

TEST(generateSessionID, TwentyLettersOfTheAlphabetWithoutRepeats) {
    const std::string alphabet = xmlSessionIdAlphabet;
    ASSERT_EQ(alphabet.size(), 60u);
    ASSERT_EQ(alphabet.find_first_of("wW"), std::string::npos);
    std::set<std::string> seen;
    std::array<int, 256> counts{};
    constexpr int kIds = 6000;
    for (int i = 0; i < kIds; ++i) {
        const std::string id = generateSessionID();
        ASSERT_EQ(id.size(), xmlSessionIdLength);
        for (const char c : id) {
            ASSERT_NE(alphabet.find(c), std::string::npos) << id;
            ++counts[static_cast<unsigned char>(c)];
        }
        EXPECT_TRUE(seen.insert(id).second);
    }
    // 120000 letters: each of the 60 is expected 2000 times. The chi-square statistic of an
    // unbiased source (59 degrees of freedom) exceeds 160 about once in 10^11 runs; a modulo
    // bias towards the first 16 letters (256 % 60) would give about 1300.
    double chiSquare = 0;
    for (const char c : alphabet) {
        const double deviation = counts[static_cast<unsigned char>(c)] - 2000.0;
        chiSquare += deviation * deviation / 2000.0;
    }
    EXPECT_LT(chiSquare, 160.0);
}

} // namespace
