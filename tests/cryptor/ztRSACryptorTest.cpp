// The RSA key exchange helper: key texts that survive a round trip, OAEP encryption of a
// session secret, and the refusal of damaged keys and blocks a peer might send.
#include "cryptor/ztRSACryptor.h"

#include "cryptor/ztHex.h"
#include "cryptor/ztTestKeyPair.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <numeric>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr size_t kSecretSize = 64;

class ztRSACryptorTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(itsKeys.setPrivateKeyText(ztTestPrivateKeyText)); }

    std::vector<uint8_t> secret() const {
        std::vector<uint8_t> bytes(kSecretSize);
        std::iota(bytes.begin(), bytes.end(), uint8_t{1});
        return bytes;
    }

    std::vector<uint8_t> encryptedSecret() const {
        const std::vector<uint8_t> plain = secret();
        std::vector<uint8_t> block;
        EXPECT_TRUE(itsKeys.encrypt(plain.data(), plain.size(), block));
        return block;
    }

    ztRSACryptor itsKeys;
};

} // namespace

TEST_F(ztRSACryptorTest, keepsBothKeysAsTheirDerTexts) {
    EXPECT_TRUE(itsKeys.hasPrivateKey());
    EXPECT_TRUE(itsKeys.hasPublicKey());
    EXPECT_EQ(itsKeys.getPrivateKeyText(), ztTestPrivateKeyText);
    EXPECT_EQ(itsKeys.getPublicKeyText(), ztTestPublicKeyText);
    // 2048 bits: 256-byte blocks, 256 - 2 * 20 - 2 bytes of message with SHA-1 OAEP.
    EXPECT_EQ(itsKeys.getCiphertextLength(), 256u);
    EXPECT_EQ(itsKeys.getMaxPlaintextLength(), 214u);

    ztRSACryptor publicOnly;
    ASSERT_TRUE(publicOnly.setPublicKeyText(ztTestPublicKeyText));
    EXPECT_FALSE(publicOnly.hasPrivateKey());
    EXPECT_EQ(publicOnly.getPublicKeyText(), ztTestPublicKeyText);
}

TEST_F(ztRSACryptorTest, decryptsWhatThePublicKeyEncrypted) {
    ztRSACryptor client;
    ASSERT_TRUE(client.setPublicKeyText(itsKeys.getPublicKeyText()));
    const std::vector<uint8_t> plain = secret();
    std::vector<uint8_t> first;
    std::vector<uint8_t> second;
    ASSERT_TRUE(client.encrypt(plain.data(), plain.size(), first));
    ASSERT_TRUE(client.encrypt(plain.data(), plain.size(), second));
    EXPECT_EQ(first.size(), 256u);
    EXPECT_NE(first, second) << "OAEP draws fresh random padding each time";
    for (const std::vector<uint8_t>* block : {&first, &second}) {
        std::vector<uint8_t> decrypted;
        ASSERT_TRUE(itsKeys.decrypt(block->data(), block->size(), decrypted));
        EXPECT_EQ(decrypted, plain);
    }
    EXPECT_FALSE(client.decrypt(first.data(), first.size(), second)) << "no private key";
}

TEST_F(ztRSACryptorTest, copiesOfTheKeysWorkOnTheirOwn) {
    ztRSACryptor pair;
    ASSERT_TRUE(pair.setKeysOf(itsKeys));
    EXPECT_TRUE(pair.hasPrivateKey());
    EXPECT_EQ(pair.getPrivateKeyText(), ztTestPrivateKeyText);
    EXPECT_EQ(pair.getPublicKeyText(), ztTestPublicKeyText);
    const std::vector<uint8_t> block = encryptedSecret();
    std::vector<uint8_t> decrypted;
    ASSERT_TRUE(pair.decrypt(block.data(), block.size(), decrypted));
    EXPECT_EQ(decrypted, secret());

    ztRSACryptor publicOnly;
    ASSERT_TRUE(publicOnly.setPublicKeyText(ztTestPublicKeyText));
    ztRSACryptor client;
    ASSERT_TRUE(client.setKeysOf(publicOnly));
    EXPECT_FALSE(client.hasPrivateKey());
    EXPECT_EQ(client.getCiphertextLength(), 256u);

    // A source without keys leaves none behind, whatever the copy held before.
    const ztRSACryptor empty;
    EXPECT_FALSE(pair.setKeysOf(empty));
    EXPECT_FALSE(pair.hasPublicKey());
    EXPECT_TRUE(pair.getPrivateKeyText().empty());
    EXPECT_TRUE(pair.getPublicKeyText().empty());
}

// A listener's connections take copies of its keys while earlier copies decrypt on their
// own threads (under ThreadSanitizer this shows any state the copies still share).
TEST_F(ztRSACryptorTest, copiesDecryptAtOnceOnSeveralThreads) {
    const std::vector<uint8_t> block = encryptedSecret();
    std::vector<int> good(4, 0);
    std::vector<std::thread> threads;
    for (size_t index = 0; index < good.size(); ++index) {
        threads.emplace_back([&, index] {
            for (int round = 0; round < 3; ++round) {
                ztRSACryptor connection;
                std::vector<uint8_t> decrypted;
                if (connection.setKeysOf(itsKeys) &&
                    connection.decrypt(block.data(), block.size(), decrypted) &&
                    decrypted == secret())
                    ++good[index];
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(good, std::vector<int>(4, 3));
}

// The client side decodes a server key once and takes it from memory on later connections:
// what comes back must be what decoding gives, for each of several servers' keys.
TEST(ztRSACryptor, publicKeysSeenBeforeGiveWhatDecodingGives) {
    ztRSACryptor other;
    ASSERT_TRUE(other.generateKeyPair());
    ztRSACryptor ours;
    ASSERT_TRUE(ours.setPrivateKeyText(ztTestPrivateKeyText));
    std::string lowerCase = ztTestPublicKeyText;
    std::transform(lowerCase.begin(), lowerCase.end(), lowerCase.begin(),
                   [](unsigned char inChar) { return static_cast<char>(std::tolower(inChar)); });
    struct Row {
        const char* name;
        std::string text;
        const ztRSACryptor* server;
    };
    const Row rows[] = {
        {"test key", ztTestPublicKeyText, &ours},
        {"generated key", other.getPublicKeyText(), &other},
        {"test key in lower case", lowerCase, &ours},
    };
    const std::vector<uint8_t> plain(kSecretSize, 0x3C);
    for (int pass = 0; pass < 2; ++pass) {
        for (const Row& row : rows) {
            SCOPED_TRACE(std::string(row.name) + (pass == 0 ? ", first" : ", again"));
            ztRSACryptor client;
            ASSERT_TRUE(client.setPublicKeyText(row.text));
            EXPECT_EQ(client.getPublicKeyText(), row.server->getPublicKeyText());
            std::vector<uint8_t> block;
            std::vector<uint8_t> decrypted;
            ASSERT_TRUE(client.encrypt(plain.data(), plain.size(), block));
            ASSERT_TRUE(row.server->decrypt(block.data(), block.size(), decrypted));
            EXPECT_EQ(decrypted, plain);
        }
    }
    // A text that failed once fails again: only keys that decoded are remembered.
    ztRSACryptor client;
    const std::string truncated = other.getPublicKeyText().substr(0, 300);
    EXPECT_FALSE(client.setPublicKeyText(truncated));
    EXPECT_FALSE(client.setPublicKeyText(truncated));
    EXPECT_FALSE(client.hasPublicKey());
}

TEST_F(ztRSACryptorTest, refusesMessagesLongerThanTheKeyTakes) {
    const std::vector<uint8_t> plain(215, 0x41);
    std::vector<uint8_t> block{1};
    EXPECT_FALSE(itsKeys.encrypt(plain.data(), plain.size(), block));
    EXPECT_TRUE(block.empty());
    EXPECT_TRUE(itsKeys.encrypt(plain.data(), 214, block));
}

TEST_F(ztRSACryptorTest, refusesDamagedOrForeignBlocks) {
    const std::vector<uint8_t> good = encryptedSecret();
    std::vector<uint8_t> flipped = good;
    flipped[100] ^= 0x01;
    std::vector<uint8_t> longer = good;
    longer.push_back(0);
    struct Row {
        const char* name;
        std::vector<uint8_t> block;
    };
    const Row rows[] = {
        {"empty", {}},
        {"ten bytes", std::vector<uint8_t>(good.begin(), good.begin() + 10)},
        {"one byte short", std::vector<uint8_t>(good.begin(), good.end() - 1)},
        {"one byte long", longer},
        {"one bit flipped", flipped},
        {"all zero", std::vector<uint8_t>(256, 0x00)},
        {"above the modulus", std::vector<uint8_t>(256, 0xFF)},
        {"garbage", std::vector<uint8_t>(256, 0x5A)},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::vector<uint8_t> decrypted{1, 2, 3};
        EXPECT_FALSE(itsKeys.decrypt(row.block.data(), row.block.size(), decrypted));
        EXPECT_TRUE(decrypted.empty());
    }
}

TEST(ztRSACryptor, refusesKeyTextsThatAreNoKeys) {
    const std::string publicText = ztTestPublicKeyText;
    const std::string privateText = ztTestPrivateKeyText;
    struct Row {
        const char* name;
        std::string text;
    };
    const Row rows[] = {
        {"empty", ""},
        {"odd length", publicText.substr(1)},
        {"not hexadecimal", "ZZ" + publicText.substr(2)},
        {"truncated", publicText.substr(0, publicText.size() - 20)},
        {"garbage", std::string(588, 'A')},
        {"private key as public", privateText},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ztRSACryptor keys;
        ASSERT_TRUE(keys.setPrivateKeyText(privateText));
        EXPECT_FALSE(keys.setPublicKeyText(row.text));
        EXPECT_FALSE(keys.hasPublicKey()) << "a failed load leaves no key behind";
        EXPECT_TRUE(keys.getPublicKeyText().empty());
        EXPECT_EQ(keys.getMaxPlaintextLength(), 0u);
    }
    ztRSACryptor keys;
    EXPECT_FALSE(keys.setPrivateKeyText(publicText));
    EXPECT_FALSE(keys.setPrivateKeyText(privateText.substr(0, 400)));
    EXPECT_FALSE(keys.hasPrivateKey());
}

TEST(ztRSACryptor, generatesAWorkingKeyPair) {
    ztRSACryptor keys;
    ASSERT_TRUE(keys.generateKeyPair());
    EXPECT_EQ(keys.getCiphertextLength(), 256u);
    EXPECT_NE(keys.getPublicKeyText(), ztTestPublicKeyText);
    // The texts stand for the same pair when loaded elsewhere.
    ztRSACryptor server;
    ztRSACryptor client;
    ASSERT_TRUE(server.setPrivateKeyText(keys.getPrivateKeyText()));
    ASSERT_TRUE(client.setPublicKeyText(keys.getPublicKeyText()));
    EXPECT_EQ(server.getPublicKeyText(), keys.getPublicKeyText());
    const std::vector<uint8_t> plain(kSecretSize, 0xA7);
    std::vector<uint8_t> block;
    std::vector<uint8_t> decrypted;
    ASSERT_TRUE(client.encrypt(plain.data(), plain.size(), block));
    ASSERT_TRUE(server.decrypt(block.data(), block.size(), decrypted));
    EXPECT_EQ(decrypted, plain);
}

TEST(ztRSACryptor, drawsFreshRandomBytes) {
    std::vector<uint8_t> first(32, 0);
    std::vector<uint8_t> second(32, 0);
    ASSERT_TRUE(ztRSACryptor::generateRandom(first.data(), first.size()));
    ASSERT_TRUE(ztRSACryptor::generateRandom(second.data(), second.size()));
    EXPECT_NE(first, second);
    EXPECT_NE(first, std::vector<uint8_t>(32, 0));
}
