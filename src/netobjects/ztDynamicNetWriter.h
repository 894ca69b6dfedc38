#pragma once
// A wire-primitive writer whose buffer grows by doubling: the body writer of every net
// object. The first buffer is allocated on the first write.

#include "netobjects/ztNetWriter.h"

#include <cstddef>
#include <cstdint>
#include <memory>

class ztDynamicNetWriter : public ztNetWriter {
public:
    // Starts without a buffer; the first write allocates inInitialSize bytes, or more when
    // the write needs it.
    explicit ztDynamicNetWriter(size_t inInitialSize);
    // Starts on the caller's inBuffer of inCapacity bytes (not owned) and moves to a buffer
    // of its own once that is too small.
    ztDynamicNetWriter(uint8_t* inBuffer, size_t inCapacity, size_t inInitialSize);
    ztDynamicNetWriter(ztDynamicNetWriter&& inOther) noexcept;
    ztDynamicNetWriter& operator=(ztDynamicNetWriter&& inOther) noexcept;
    ~ztDynamicNetWriter() override = default;

    // Grows the buffer to hold inSize bytes: from the capacity (or the initial size while
    // there is none) it doubles until inSize fits, copies the bytes written so far and keeps
    // the cursor at the same offset. There is no limit other than memory; when the
    // allocation fails it logs "throwing bad_alloc" at level 6, leaves the writer not good
    // with its bytes intact and throws std::bad_alloc.
    void resizeIfNeeded(size_t inSize) override;

    bool ownsBuffer() const { return itsOwnedBuffer != nullptr; }

private:
    std::unique_ptr<uint8_t[]> itsOwnedBuffer; // set exactly when itsBuffer is ours
    size_t itsInitialSize;
};
