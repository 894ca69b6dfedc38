// The bounds-checked reader of the wire primitives.
#include "netobjects/ztNetReader.h"

#include "messages/ztErrorMessage.h"

#include <cstring>
#include <stdexcept>

namespace {

constexpr uint32_t kTemplateFollows = 0x0000FFFF;

} // namespace

ztNetReader::ztNetReader(const void* inData, size_t inSize)
    : itsBuffer(static_cast<const uint8_t*>(inData)), itsSize(inData ? inSize : 0) {}

void ztNetReader::getData(void* outData, size_t inLength) {
    // Compared against what is left, so a huge length cannot wrap the cursor arithmetic.
    if (inLength > remaining()) {
        itsGood = false;
        throw std::out_of_range("ztNetReader::getData");
    }
    if (inLength == 0)
        return;
    if (outData)
        std::memcpy(outData, itsBuffer + itsCurPos, inLength);
    itsCurPos += inLength;
}

uint8_t ztNetReader::getUInt8() {
    uint8_t value = 0;
    getData(&value, 1);
    return value;
}

bool ztNetReader::getBool() {
    return getUInt8() != 0;
}

uint16_t ztNetReader::getUInt16() {
    uint8_t bytes[2] = {};
    getData(bytes, sizeof bytes);
    return static_cast<uint16_t>((bytes[0] << 8) | bytes[1]);
}

uint32_t ztNetReader::getUInt32() {
    uint8_t bytes[4] = {};
    getData(bytes, sizeof bytes);
    return (uint32_t{bytes[0]} << 24) | (uint32_t{bytes[1]} << 16) | (uint32_t{bytes[2]} << 8) |
           uint32_t{bytes[3]};
}

const char* ztNetReader::getConstString() {
    const size_t left = remaining();
    const void* nul = left ? std::memchr(itsBuffer + itsCurPos, 0, left) : nullptr;
    if (!nul) {
        itsGood = false;
        throw std::out_of_range("ztNetReader::getConstString");
    }
    const char* text = reinterpret_cast<const char*>(itsBuffer + itsCurPos);
    itsCurPos = static_cast<size_t>(static_cast<const uint8_t*>(nul) - itsBuffer) + 1;
    return text;
}

void ztNetReader::getErrorMessage(ztErrorMessage& ioMessage) {
    const uint32_t error = getUInt32();
    // Truncating a wider value could turn a failure into ztErr_noError.
    ioMessage.setErrorValue(error > 0xFFFF ? ztErr_unknown : static_cast<ztErr>(error));
    if (getUInt32() == kTemplateFollows)
        ioMessage.setTemplate(getConstString());
    // Each parameter takes at least two bytes, so a forged count ends at the buffer's end.
    const uint32_t paramCount = getUInt32();
    for (uint32_t i = 0; i < paramCount; ++i) {
        const char code = static_cast<char>(getUInt8());
        ioMessage.addParam(code, getConstString());
    }
}
