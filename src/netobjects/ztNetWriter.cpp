// The fixed-buffer writer of the wire primitives.
#include "netobjects/ztNetWriter.h"

#include "messages/ztErrorMessage.h"

#include <cstring>
#include <stdexcept>

namespace {

// Tells the receiver that a template string follows; any other value means none does.
constexpr uint32_t kTemplateFollows = 0x0000FFFF;
// Written in place of the error value, which travels in the object header.
constexpr uint32_t kErrorValueInHeader = 0x0000FFFF;

} // namespace

ztNetWriter::ztNetWriter(uint8_t* inBuffer, size_t inCapacity)
    : itsBuffer(inBuffer), itsCurPos(inBuffer), itsCapacity(inBuffer ? inCapacity : 0) {}

ztNetWriter::ztNetWriter(ztNetWriter&& inOther) noexcept
    : itsBuffer(inOther.itsBuffer), itsCurPos(inOther.itsCurPos), itsCapacity(inOther.itsCapacity),
      itsGood(inOther.itsGood) {
    inOther.itsBuffer = inOther.itsCurPos = nullptr;
    inOther.itsCapacity = 0;
    inOther.itsGood = true;
}

ztNetWriter& ztNetWriter::operator=(ztNetWriter&& inOther) noexcept {
    if (this == &inOther)
        return *this;
    itsBuffer = inOther.itsBuffer;
    itsCurPos = inOther.itsCurPos;
    itsCapacity = inOther.itsCapacity;
    itsGood = inOther.itsGood;
    inOther.itsBuffer = inOther.itsCurPos = nullptr;
    inOther.itsCapacity = 0;
    inOther.itsGood = true;
    return *this;
}

void ztNetWriter::putData(const void* inData, size_t inLength) {
    const size_t written = count();
    // A length that wraps the size arithmetic can never fit; let the resize check say so.
    const size_t needed = inLength > SIZE_MAX - written ? SIZE_MAX : written + inLength;
    resizeIfNeeded(needed);
    if (inLength == 0)
        return;
    std::memcpy(itsCurPos, inData, inLength);
    itsCurPos += inLength;
}

void ztNetWriter::putUInt8(uint8_t inValue) {
    putData(&inValue, 1);
}

void ztNetWriter::putBool(bool inValue) {
    putUInt8(inValue ? 1 : 0);
}

void ztNetWriter::putUInt16(uint16_t inValue) {
    const uint8_t bytes[2] = {static_cast<uint8_t>(inValue >> 8), static_cast<uint8_t>(inValue)};
    putData(bytes, sizeof bytes);
}

void ztNetWriter::putUInt32(uint32_t inValue) {
    const uint8_t bytes[4] = {static_cast<uint8_t>(inValue >> 24),
                              static_cast<uint8_t>(inValue >> 16),
                              static_cast<uint8_t>(inValue >> 8), static_cast<uint8_t>(inValue)};
    putData(bytes, sizeof bytes);
}

void ztNetWriter::putString(const char* inText) {
    if (!inText)
        inText = "";
    putData(inText, std::strlen(inText) + 1);
}

void ztNetWriter::putString(const std::string& inText) {
    putString(inText.c_str());
}

void ztNetWriter::putErrorMessage(const ztErrorMessage& inMessage) {
    putUInt32(kErrorValueInHeader);
    putUInt32(kTemplateFollows);
    putString(inMessage.getTemplate());
    const size_t paramCount = inMessage.getParamCount();
    putUInt32(static_cast<uint32_t>(paramCount));
    char code = 0;
    std::string value;
    for (size_t i = 0; inMessage.getParamAt(i, code, value); ++i) {
        putUInt8(static_cast<uint8_t>(code));
        putString(value);
    }
}

void ztNetWriter::resizeIfNeeded(size_t inSize) {
    if (inSize <= itsCapacity)
        return;
    itsGood = false;
    throw std::out_of_range("ztNetWriter::resizeIfNeeded");
}

void ztNetWriter::reset() {
    itsCurPos = itsBuffer;
    itsGood = true;
}

void ztNetWriter::assign(const ztNetWriter& inOther) {
    if (this == &inOther)
        return;
    reset();
    putData(inOther.itsBuffer, inOther.count());
    itsGood = inOther.itsGood;
}
