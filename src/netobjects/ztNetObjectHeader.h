#pragma once
// The object header in front of every packet payload: which object the packet belongs to,
// its type, what kind of packet it is, and the error value it carries. Six bytes, or ten
// when the type number does not fit in one byte.

#include "messages/ztErr.h"

#include <cstdint>

class ztNetReader;
class ztNetWriter;

class ztNetObjectHeader {
public:
    // Flag bits. Own: the object was started by the sender of the packet (clear: by its
    // receiver). First: first packet of a request. Control: a cancel or its
    // acknowledgement, no object data. Last: last packet of the object, or one that ends it.
    static constexpr uint8_t flagOwn = 0x01;
    static constexpr uint8_t flagFirst = 0x02;
    static constexpr uint8_t flagControl = 0x04;
    static constexpr uint8_t flagLast = 0x08;

    // Type byte that announces an extended type word (and a zero reserved word) behind the
    // error field; every type from 255 up travels that way.
    static constexpr uint8_t extendedTypeMarker = 255;
    static constexpr uint32_t shortSize = 6;
    static constexpr uint32_t extendedSize = 10;
    // The largest header; a payload shorter than the header it claims is unexpected data.
    static constexpr uint32_t un32DataHeaderSize = extendedSize;

    // The keep-alive header (id 0, type 0, last, no error) and the type that marks it.
    static constexpr uint16_t keepAliveType = 0;

    ztNetObjectHeader() = default;
    ztNetObjectHeader(uint16_t inId, uint16_t inType, uint8_t inFlags, ztErr inError)
        : itsId(inId), itsType(inType), itsFlags(inFlags), itsError(inError) {}

    // Flags of a data packet of a request started here: first and last 0x0B, first 0x03,
    // middle 0x01, last 0x09.
    static uint8_t requestDataFlags(bool inFirst, bool inLast);
    // Flags of a data packet of an object the peer started: 0x08 when last, else 0x00.
    static uint8_t responseDataFlags(bool inLast);
    // Flags of an error report about an object: 0x08, plus 0x01 for a request of this side.
    static uint8_t errorReportFlags(bool inOwnRequest);
    // Cancel of a request of this side, and the acknowledgement of the peer's cancel.
    static constexpr uint8_t cancelFlags = flagOwn | flagControl | flagLast;
    static constexpr uint8_t cancelAckFlags = flagControl | flagLast;
    static ztNetObjectHeader keepAlive() { return {0, keepAliveType, flagLast, ztErr_noError}; }

    // Bytes this header takes on the wire: 6, or 10 for a type of 255 or more.
    uint32_t size() const { return itsType >= extendedTypeMarker ? extendedSize : shortSize; }

    // Appends the header to ioWriter; the writer's overflow exception passes on.
    void write(ztNetWriter& ioWriter) const;
    // Writes the header at the start of outBuffer, which holds inCapacity bytes; returns
    // the bytes written. Throws std::out_of_range when they do not fit.
    uint32_t write(uint8_t* outBuffer, uint32_t inCapacity) const;
    // Replaces this header by the one at ioReader's cursor. A short buffer throws
    // std::out_of_range from the reader, and so does an extended header whose reserved word
    // is not 0 ("ztNetObjectHeader::read"): that packet was not framed by this protocol.
    void read(ztNetReader& ioReader);

    uint16_t getId() const { return itsId; }
    void setId(uint16_t inId) { itsId = inId; }
    uint16_t getType() const { return itsType; }
    void setType(uint16_t inType) { itsType = inType; }
    uint8_t getFlags() const { return itsFlags; }
    void setFlags(uint8_t inFlags) { itsFlags = inFlags; }
    ztErr getError() const { return itsError; }
    void setError(ztErr inError) { itsError = inError; }

    bool isOwn() const { return (itsFlags & flagOwn) != 0; }
    bool isFirst() const { return (itsFlags & flagFirst) != 0; }
    bool isControl() const { return (itsFlags & flagControl) != 0; }
    bool isLast() const { return (itsFlags & flagLast) != 0; }
    bool isKeepAlive() const { return itsType == keepAliveType; }

    bool operator==(const ztNetObjectHeader&) const = default;

private:
    uint16_t itsId = 0;
    uint16_t itsType = 0; // the real type number, extended or not
    uint8_t itsFlags = 0;
    ztErr itsError = ztErr_noError;
};
