// Owned byte blocks whose allocation failure either throws or is reported as false.
#include "util/ztAlloc.h"

#include "messages/ztAssert.h"
#include "messages/ztInfoLog.h"

#include <atomic>
#include <cstring>
#include <new>
#include <utility>

namespace {

std::atomic<uint32_t> gFailingAllocations{0};

bool injectedFailure() {
    uint32_t pending = gFailingAllocations.load();
    while (pending > 0) {
        if (gFailingAllocations.compare_exchange_weak(pending, pending - 1))
            return true;
    }
    return false;
}

// A zero-filled block of inSize bytes, or null when memory is exhausted; with inThrow the
// exhaustion is logged and thrown instead.
std::unique_ptr<uint8_t[]> newBlock(uint32_t inSize, bool inThrow) {
    uint8_t* block = injectedFailure() ? nullptr : new (std::nothrow) uint8_t[inSize]();
    if (block != nullptr || !inThrow)
        return std::unique_ptr<uint8_t[]>(block);
    if (ztLogEnabled(6))
        ztLog(6, "throwing bad_alloc");
    throw std::bad_alloc();
}

} // namespace

ztAlloc::ztAlloc(uint32_t inSize, bool inThrow) {
    allocate(inSize, inThrow);
}

ztAlloc::ztAlloc(ztAlloc&& ioOther) noexcept
    : itsBlock(std::move(ioOther.itsBlock)), itsSize(std::exchange(ioOther.itsSize, 0)) {}

ztAlloc& ztAlloc::operator=(ztAlloc&& ioOther) noexcept {
    itsBlock = std::move(ioOther.itsBlock);
    itsSize = std::exchange(ioOther.itsSize, 0);
    return *this;
}

bool ztAlloc::allocate(uint32_t inSize, bool inThrow) {
    ztAssert(inSize);
    free();
    if (inSize == 0)
        return true;
    // The size is stored only with a block, so a failure never leaves a size without memory.
    itsBlock = newBlock(inSize, inThrow);
    if (!itsBlock)
        return false;
    itsSize = inSize;
    return true;
}

bool ztAlloc::resize(uint32_t inSize, bool inThrow) {
    if (itsSize >= inSize)
        return true;
    std::unique_ptr<uint8_t[]> grown = newBlock(inSize, inThrow);
    if (!grown)
        return false;
    if (itsSize > 0)
        std::memcpy(grown.get(), itsBlock.get(), itsSize);
    itsBlock = std::move(grown);
    itsSize = inSize;
    return true;
}

void ztAlloc::free() {
    itsBlock.reset();
    itsSize = 0;
}

void ztAlloc::failNextAllocations(uint32_t inCount) {
    gFailingAllocations.store(inCount);
}
