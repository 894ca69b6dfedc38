// The text cipher for stored passwords: padded sizes, round trips under several pass
// phrases, and text that is not what encrypt wrote.
#include "cryptor/ztCryptor.h"

#include <gtest/gtest.h>

#include <string>

TEST(ztCryptor, padsToNineBytesAndThenToMultiplesOfThree) {
    struct Row {
        const char* text;
        size_t digits;
    };
    const Row rows[] = {
        {"", 18},
        {"a", 18},
        {"abc", 18},
        {"abcdefghi", 18},
        {"abcdefghij", 24},
        {"abcdefghijkl", 24},
        {"abcdefghijklm", 30},
    };
    const ztCryptor cryptor("pass phrase");
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        const std::string encrypted = cryptor.encrypt(row.text);
        EXPECT_EQ(encrypted.size(), row.digits);
        EXPECT_EQ(encrypted.find_first_not_of("0123456789ABCDEF"), std::string::npos);
        EXPECT_EQ(cryptor.decrypt(encrypted), row.text);
    }
}

TEST(ztCryptor, roundTripsUnderEveryPassPhrase) {
    const std::string phrases[] = {"", "alice2024-03-01 12:00:00",
                                   "a pass phrase that is longer than thirty-two bytes"};
    const std::string texts[] = {"", "abc", "pass word with spaces", std::string(100, 'x'),
                                 "\xC3\xA9t\xC3\xA9 \xE2\x82\xAC"};
    for (const std::string& phrase : phrases) {
        SCOPED_TRACE(phrase);
        const ztCryptor cryptor(phrase);
        for (const std::string& text : texts) {
            SCOPED_TRACE(text);
            EXPECT_EQ(cryptor.decrypt(cryptor.encrypt(text)), text);
        }
    }
}

TEST(ztCryptor, dependsOnThePassPhrase) {
    const ztCryptor alice("alice");
    const ztCryptor bob("bob");
    const std::string encrypted = alice.encrypt("secret");
    EXPECT_NE(bob.encrypt("secret"), encrypted);
    EXPECT_NE(bob.decrypt(encrypted), "secret");
    EXPECT_EQ(ztCryptor("alice").decrypt(encrypted), "secret") << "the key is rebuilt alike";
    // Only the first 32 bytes of the phrase enter the key.
    const std::string base(32, 'k');
    EXPECT_EQ(ztCryptor(base + "x").encrypt("secret"), ztCryptor(base + "y").encrypt("secret"));
}

TEST(ztCryptor, readsLowerCaseDigitsAndStopsAtTheFirstZeroByte) {
    const ztCryptor cryptor("phrase");
    std::string lower = cryptor.encrypt("abcdef");
    for (char& digit : lower)
        digit = static_cast<char>(std::tolower(static_cast<unsigned char>(digit)));
    EXPECT_EQ(cryptor.decrypt(lower), "abcdef");
    EXPECT_EQ(cryptor.decrypt(cryptor.encrypt(std::string("ab\0cd", 5))), "ab");
}

TEST(ztCryptor, givesEmptyTextForTextThatIsNotHexadecimal) {
    const ztCryptor cryptor("phrase");
    const std::string good = cryptor.encrypt("abc");
    const std::string rows[] = {good.substr(1), good.substr(0, 17) + "G", "12 34 56 78 9A",
                                good + "-"};
    for (const std::string& text : rows) {
        SCOPED_TRACE(text);
        EXPECT_EQ(cryptor.decrypt(text), "");
    }
}
