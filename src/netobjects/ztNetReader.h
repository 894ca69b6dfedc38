#pragma once
// Reads the wire primitives of the central-server protocol from a received buffer. Every
// read is bounds-checked: a read past the end clears the good flag and throws
// std::out_of_range, which the net object handler reports as unexpected data.

#include <cstddef>
#include <cstdint>
#include <string>

class ztErrorMessage;

class ztNetReader {
public:
    // Reads inSize bytes at inData; the buffer stays owned by the caller and must outlive
    // the reader and every string pointer taken from it.
    ztNetReader(const void* inData, size_t inSize);
    ztNetReader(const ztNetReader&) = delete;
    ztNetReader& operator=(const ztNetReader&) = delete;

    // Copies the next inLength bytes to outData, or skips them when outData is null.
    // Past the end: nothing is consumed, the reader is no longer good, and
    // std::out_of_range("ztNetReader::getData") is thrown.
    void getData(void* outData, size_t inLength);
    uint8_t getUInt8();
    // True for any byte other than 0.
    bool getBool();
    uint16_t getUInt16();
    uint32_t getUInt32();
    // The NUL-terminated string at the cursor, pointing into the buffer; the cursor moves
    // behind its NUL. Without a NUL before the end: nothing is consumed, the reader is no
    // longer good, and std::out_of_range("ztNetReader::getConstString") is thrown.
    const char* getConstString();
    // Reads a serialized error message into ioMessage: the error value read replaces its
    // value (a value beyond 16 bits becomes ztErr_unknown), a template, when one follows,
    // replaces its template, and each parameter is added.
    void getErrorMessage(ztErrorMessage& ioMessage);

    // Bytes consumed so far; after a complete parse it equals size().
    size_t count() const { return itsCurPos; }
    size_t size() const { return itsSize; }
    size_t remaining() const { return itsSize - itsCurPos; }
    bool good() const { return itsGood; }

private:
    const uint8_t* itsBuffer;
    size_t itsCurPos = 0;
    size_t itsSize;
    bool itsGood = true;
};
