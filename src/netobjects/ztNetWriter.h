#pragma once
// Writes the wire primitives of the central-server protocol into a fixed buffer: big-endian
// integers, one-byte booleans, NUL-terminated strings, raw bytes and serialized error
// messages. No alignment, no padding, no length prefixes.

#include <cstddef>
#include <cstdint>
#include <string>

class ztErrorMessage;

class ztNetWriter {
public:
    // Writes into inBuffer, which holds inCapacity bytes and stays owned by the caller.
    ztNetWriter(uint8_t* inBuffer, size_t inCapacity);
    ztNetWriter(const ztNetWriter&) = delete;
    ztNetWriter& operator=(const ztNetWriter&) = delete;
    virtual ~ztNetWriter() = default;

    // Appends inLength bytes from inData. Room is checked first, even for a zero length.
    // Throws std::out_of_range (fixed buffer) or std::bad_alloc (growable buffer) when the
    // bytes do not fit; nothing is written then and the writer is no longer good.
    void putData(const void* inData, size_t inLength);
    void putUInt8(uint8_t inValue);
    // Written as 0x00 or 0x01.
    void putBool(bool inValue);
    void putUInt16(uint16_t inValue);
    void putUInt32(uint32_t inValue);
    // The characters up to the first NUL, then one NUL. A null pointer writes the empty
    // string (the single NUL).
    void putString(const char* inText);
    // Cut at an embedded NUL like the C string form, so the reader sees the same text.
    void putString(const std::string& inText);
    // An error value, the message template and its $-parameters. The error value field is
    // always 0x0000FFFF: the receiver takes the real value from the object header.
    void putErrorMessage(const ztErrorMessage& inMessage);

    // Makes sure inSize bytes fit. The fixed writer cannot grow: past its capacity it
    // clears the good flag and throws std::out_of_range("ztNetWriter::resizeIfNeeded").
    virtual void resizeIfNeeded(size_t inSize);
    // Forgets the bytes written; the buffer is kept.
    void reset();
    // Replaces this writer's bytes by a copy of inOther's and takes over its good flag.
    void assign(const ztNetWriter& inOther);

    const uint8_t* data() const { return itsBuffer; }
    size_t count() const { return static_cast<size_t>(itsCurPos - itsBuffer); }
    size_t capacity() const { return itsCapacity; }
    bool good() const { return itsGood; }

protected:
    // Takes over inOther's buffer and leaves inOther empty (no buffer, capacity 0).
    ztNetWriter(ztNetWriter&& inOther) noexcept;
    ztNetWriter& operator=(ztNetWriter&& inOther) noexcept;

    uint8_t* itsBuffer;
    uint8_t* itsCurPos;
    size_t itsCapacity;
    bool itsGood = true;
};
