#pragma once
// The symmetric cipher set of a secure connection: one AES block cipher and, on it, a CFB
// encryptor for the bytes this side sends and a CFB decryptor for the bytes it receives.
// Both start from the same IV and keep their own feedback register, so each direction is
// one continuous stream however its bytes are split into calls. The feedback is the full
// 16-byte block (CFB-128), which is what the peer uses.

#include <cstddef>
#include <cstdint>
#include <memory>

class ztCipherSet {
public:
    static constexpr size_t blockSize = 16;

    // inKey holds inKeyLength bytes (16, 24 or 32: AES-128, -192 or -256), inIV 16 bytes.
    // Throws zt::ex::InvalidArgument for another key length and std::bad_alloc when the
    // cipher objects cannot be allocated.
    ztCipherSet(const uint8_t* inKey, size_t inKeyLength, const uint8_t* inIV);
    ztCipherSet(ztCipherSet&& ioOther) noexcept;
    ztCipherSet& operator=(ztCipherSet&& ioOther) noexcept;
    ztCipherSet(const ztCipherSet&) = delete;
    ztCipherSet& operator=(const ztCipherSet&) = delete;
    ~ztCipherSet();

    // Encrypts inLength bytes of the outgoing stream; outCipher may equal inPlain.
    void encrypt(const uint8_t* inPlain, uint8_t* outCipher, size_t inLength);
    // Decrypts inLength bytes of the incoming stream; outPlain may equal inCipher.
    void decrypt(const uint8_t* inCipher, uint8_t* outPlain, size_t inLength);

    // Remembers the encryptor's position in its stream, and goes back to it. A sender that
    // encrypted bytes it then could not send at all rewinds, so that the stream stays in
    // step with what the peer received.
    void saveEncryptState();
    void restoreEncryptState();

private:
    struct Ciphers;
    std::unique_ptr<Ciphers> itsCiphers;
};
