// The AES-CFB cipher set: the published CFB-128 vectors (which fix full-block feedback),
// streams that come out the same however they are split, and rewinding the encryptor.
#include "cryptor/ztCipherSet.h"

#include "cryptor/ztHex.h"
#include "messages/ztException.h"

#include <gtest/gtest.h>

#include <numeric>
#include <string>
#include <vector>

namespace {

std::vector<uint8_t> fromHex(const std::string& inText) {
    std::vector<uint8_t> bytes;
    EXPECT_TRUE(zt::cryptor::hexDecode(inText, bytes)) << inText;
    return bytes;
}

// NIST SP 800-38A, F.3.13 (CFB128-AES128) and F.3.17 (CFB128-AES256).
const char* const kPlainText = "6BC1BEE22E409F96E93D7E117393172AAE2D8A571E03AC9C9EB76FAC45AF8E51"
                               "30C81C46A35CE411E5FBC1191A0A52EFF69F2445DF4F9B17AD2B417BE66C3710";
const char* const kIV = "000102030405060708090A0B0C0D0E0F";

struct Vector {
    const char* name;
    const char* key;
    const char* cipherText;
};

const Vector kVectors[] = {
    {"AES-128", "2B7E151628AED2A6ABF7158809CF4F3C",
     "3B3FD92EB72DAD20333449F8E83CFB4AC8A64537A0B3A93FCDE3CDAD9F1CE58B"
     "26751F67A3CBB140B1808CF187A4F4DFC04B05357C5D1C0EEAC4C66F9FF7F2E6"},
    {"AES-256", "603DEB1015CA71BE2B73AEF0857D77811F352C073B6108D72D9810A30914DFF4",
     "DC7E84BFDA79164B7ECD8486985D386039FFED143B28B1C832113C6331E5407B"
     "DF10132415E54B92A13ED0A8267AE2F975A385741AB9CEF82031623D55B1E471"},
};

ztCipherSet makeCipherSet(const std::vector<uint8_t>& inKey) {
    const std::vector<uint8_t> iv = fromHex(kIV);
    return ztCipherSet(inKey.data(), inKey.size(), iv.data());
}

std::vector<uint8_t> patternBytes(size_t inLength) {
    std::vector<uint8_t> bytes(inLength);
    std::iota(bytes.begin(), bytes.end(), uint8_t{7});
    return bytes;
}

} // namespace

TEST(ztCipherSet, matchesThePublishedCfb128Vectors) {
    const std::vector<uint8_t> plain = fromHex(kPlainText);
    for (const Vector& vector : kVectors) {
        SCOPED_TRACE(vector.name);
        ztCipherSet cipher = makeCipherSet(fromHex(vector.key));
        std::vector<uint8_t> out(plain.size());
        cipher.encrypt(plain.data(), out.data(), plain.size());
        EXPECT_EQ(zt::cryptor::hexEncode(out.data(), out.size()), vector.cipherText);
        cipher.decrypt(out.data(), out.data(), out.size());
        EXPECT_EQ(out, plain);
    }
}

TEST(ztCipherSet, givesTheSameStreamHoweverTheBytesAreSplit) {
    const std::vector<uint8_t> key = fromHex(kVectors[0].key);
    const std::vector<uint8_t> plain = patternBytes(3000);
    ztCipherSet whole = makeCipherSet(key);
    std::vector<uint8_t> expected(plain.size());
    whole.encrypt(plain.data(), expected.data(), plain.size());

    const std::vector<size_t> pieceSizes[] = {{1}, {15}, {16}, {17}, {1, 31, 2, 1000, 5}};
    for (const std::vector<size_t>& sizes : pieceSizes) {
        SCOPED_TRACE("first piece " + std::to_string(sizes.front()));
        ztCipherSet sender = makeCipherSet(key);
        ztCipherSet receiver = makeCipherSet(key);
        std::vector<uint8_t> cipher(plain.size());
        std::vector<uint8_t> decrypted(plain.size());
        size_t offset = 0;
        for (size_t turn = 0; offset < plain.size(); ++turn) {
            const size_t length = std::min(sizes[turn % sizes.size()], plain.size() - offset);
            sender.encrypt(plain.data() + offset, cipher.data() + offset, length);
            offset += length;
        }
        EXPECT_EQ(cipher, expected);
        // The receiver takes the bytes in other pieces than they were sent in.
        for (size_t done = 0; done < cipher.size(); done += 7) {
            const size_t length = std::min<size_t>(7, cipher.size() - done);
            receiver.decrypt(cipher.data() + done, decrypted.data() + done, length);
        }
        EXPECT_EQ(decrypted, plain);
    }
}

TEST(ztCipherSet, rewindsTheEncryptorToTheSavedPlace) {
    const std::vector<uint8_t> key = fromHex(kVectors[0].key);
    const std::vector<uint8_t> plain = patternBytes(100);
    ztCipherSet reference = makeCipherSet(key);
    std::vector<uint8_t> expected(plain.size());
    reference.encrypt(plain.data(), expected.data(), plain.size());

    // 21 bytes go out, 50 are encrypted but "never sent", then the same 79 follow.
    ztCipherSet sender = makeCipherSet(key);
    std::vector<uint8_t> cipher(plain.size());
    sender.encrypt(plain.data(), cipher.data(), 21);
    for (int attempt = 0; attempt < 2; ++attempt) {
        sender.saveEncryptState();
        std::vector<uint8_t> discarded(50);
        sender.encrypt(plain.data() + 21, discarded.data(), discarded.size());
        sender.restoreEncryptState();
    }
    sender.encrypt(plain.data() + 21, cipher.data() + 21, plain.size() - 21);
    EXPECT_EQ(cipher, expected);
}

TEST(ztCipherSet, refusesKeysOfOtherLengths) {
    const std::vector<uint8_t> key(33, 1);
    const std::vector<uint8_t> iv(16, 2);
    for (const size_t length : {size_t{0}, size_t{15}, size_t{17}, size_t{33}}) {
        SCOPED_TRACE(length);
        EXPECT_THROW(ztCipherSet(key.data(), length, iv.data()), zt::ex::InvalidArgument);
    }
}
