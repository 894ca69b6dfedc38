#pragma once
// An owned, zero-filled byte block with a 32-bit size that can grow while keeping its
// contents. Move-only: exactly one owner frees the block.

#include <cstdint>
#include <memory>

class ztAlloc {
public:
    // No block, size 0.
    ztAlloc() = default;
    // Allocates inSize bytes as allocate() does; without inThrow a failure leaves the object
    // empty (getData() null, size 0).
    explicit ztAlloc(uint32_t inSize, bool inThrow = true);
    ztAlloc(ztAlloc&& ioOther) noexcept;
    ztAlloc& operator=(ztAlloc&& ioOther) noexcept;
    ztAlloc(const ztAlloc&) = delete;
    ztAlloc& operator=(const ztAlloc&) = delete;
    ~ztAlloc() = default;

    // Frees the current block and allocates a zero-filled one of inSize bytes (none for 0).
    // When memory is exhausted: with inThrow, logs "throwing bad_alloc" at level 6 and throws
    // std::bad_alloc; without it, returns false. Either way the object is then empty.
    bool allocate(uint32_t inSize, bool inThrow = true);
    // Grows the block to inSize bytes, keeping the old contents and zero-filling the rest.
    // A size that is not larger than the current one changes nothing and succeeds. When
    // memory is exhausted the old block stays as it was: with inThrow std::bad_alloc is
    // thrown (after the log line), without it the result is false.
    bool resize(uint32_t inSize, bool inThrow = true);
    // Releases the block; the object is empty afterwards.
    void free();

    uint8_t* getData() { return itsBlock.get(); }
    const uint8_t* getData() const { return itsBlock.get(); }
    uint32_t getSize() const { return itsSize; }

    // Test hook: the next inCount allocations of any ztAlloc fail as if memory were
    // exhausted. Not for production code.
    static void failNextAllocations(uint32_t inCount);

private:
    std::unique_ptr<uint8_t[]> itsBlock;
    uint32_t itsSize = 0;
};
