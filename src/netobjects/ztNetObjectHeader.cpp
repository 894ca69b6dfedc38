// Encoding of the object header that starts every packet payload.
#include "netobjects/ztNetObjectHeader.h"

#include "netobjects/ztNetReader.h"
#include "netobjects/ztNetWriter.h"

#include <stdexcept>

uint8_t ztNetObjectHeader::requestDataFlags(bool inFirst, bool inLast) {
    return static_cast<uint8_t>(flagOwn | (inFirst ? flagFirst : 0) | (inLast ? flagLast : 0));
}

uint8_t ztNetObjectHeader::responseDataFlags(bool inLast) {
    return inLast ? flagLast : 0;
}

uint8_t ztNetObjectHeader::errorReportFlags(bool inOwnRequest) {
    return static_cast<uint8_t>(flagLast | (inOwnRequest ? flagOwn : 0));
}

void ztNetObjectHeader::write(ztNetWriter& ioWriter) const {
    const bool extended = itsType >= extendedTypeMarker;
    ioWriter.putUInt16(itsId);
    ioWriter.putUInt8(extended ? extendedTypeMarker : static_cast<uint8_t>(itsType));
    ioWriter.putUInt8(itsFlags);
    ioWriter.putUInt16(itsError);
    if (!extended)
        return;
    ioWriter.putUInt16(itsType);
    ioWriter.putUInt16(0); // reserved
}

uint32_t ztNetObjectHeader::write(uint8_t* outBuffer, uint32_t inCapacity) const {
    ztNetWriter writer(outBuffer, inCapacity);
    write(writer);
    return static_cast<uint32_t>(writer.count());
}

void ztNetObjectHeader::read(ztNetReader& ioReader) {
    const uint16_t id = ioReader.getUInt16();
    uint16_t type = ioReader.getUInt8();
    const uint8_t flags = ioReader.getUInt8();
    const ztErr error = ioReader.getUInt16();
    if (type == extendedTypeMarker) {
        type = ioReader.getUInt16();
        if (ioReader.getUInt16() != 0)
            throw std::out_of_range("ztNetObjectHeader::read");
    }
    // Assigned only once the whole header was read, so a failed read leaves this one as it was.
    *this = ztNetObjectHeader(id, type, flags, error);
}
