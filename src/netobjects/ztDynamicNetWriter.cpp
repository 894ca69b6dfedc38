// The growable writer of the wire primitives.
#include "netobjects/ztDynamicNetWriter.h"

#include "messages/ztInfoLog.h"

#include <cstring>
#include <new>

namespace {

// Doubling from inStart until inSize fits; a start of 0 would never grow and a doubling
// that wraps would never end, so both give way to inSize itself.
size_t grownCapacity(size_t inStart, size_t inSize) {
    size_t capacity = inStart == 0 ? 1 : inStart;
    while (capacity < inSize) {
        if (capacity > SIZE_MAX / 2)
            return inSize;
        capacity *= 2;
    }
    return capacity;
}

} // namespace

ztDynamicNetWriter::ztDynamicNetWriter(size_t inInitialSize)
    : ztNetWriter(nullptr, 0), itsInitialSize(inInitialSize) {}

ztDynamicNetWriter::ztDynamicNetWriter(uint8_t* inBuffer, size_t inCapacity, size_t inInitialSize)
    : ztNetWriter(inBuffer, inCapacity), itsInitialSize(inInitialSize) {}

ztDynamicNetWriter::ztDynamicNetWriter(ztDynamicNetWriter&& inOther) noexcept
    : ztNetWriter(std::move(inOther)), itsOwnedBuffer(std::move(inOther.itsOwnedBuffer)),
      itsInitialSize(inOther.itsInitialSize) {}

ztDynamicNetWriter& ztDynamicNetWriter::operator=(ztDynamicNetWriter&& inOther) noexcept {
    if (this == &inOther)
        return *this;
    ztNetWriter::operator=(std::move(inOther));
    itsOwnedBuffer = std::move(inOther.itsOwnedBuffer);
    itsInitialSize = inOther.itsInitialSize;
    return *this;
}

void ztDynamicNetWriter::resizeIfNeeded(size_t inSize) {
    if (inSize <= itsCapacity)
        return;
    const size_t newCapacity =
        grownCapacity(itsCapacity == 0 ? itsInitialSize : itsCapacity, inSize);
    itsGood = false;
    std::unique_ptr<uint8_t[]> newBuffer(new (std::nothrow) uint8_t[newCapacity]);
    if (!newBuffer) {
        ztLog(6, "throwing bad_alloc");
        throw std::bad_alloc();
    }
    const size_t written = count();
    if (written > 0)
        std::memcpy(newBuffer.get(), itsBuffer, written);
    itsOwnedBuffer = std::move(newBuffer);
    itsBuffer = itsOwnedBuffer.get();
    itsCurPos = itsBuffer + written;
    itsCapacity = newCapacity;
    itsGood = true;
}
