#pragma once
// The server's answer to the Connect exchange that opens every connection. Only the version
// (checked against the version a caller expects) and the not-ready flag (a server that
// answers with it is not taken by the multi-server connector) mean something to the
// protocol; the other fields are handed to the caller as they came.

#include <cstdint>
#include <string>

class ztNetReader;
class ztNetWriter;

struct ztConnectAnswer {
    // Always present.
    uint16_t itsServerVersion = 0;
    bool itsFlagA = false;
    uint8_t itsValueB = 0;
    std::string itsTextC;
    uint8_t itsValueD = 0;
    // Present only while bytes remain; a field that is absent keeps the value shown, and so
    // does every field after it.
    std::string itsTextE;
    bool itsFlagF = true;
    uint32_t itsValueG = 0;
    bool itsNotReady = false; // server flag H
    std::string itsTextI;
    bool itsFlagJ = false;

    // Reads the answer at ioReader's cursor: the five fields that are always there, then
    // each further field as long as bytes remain (the later ones keep their defaults).
    // Bytes after the last field are left unread. A field cut short throws
    // std::out_of_range from the reader and leaves this record unchanged.
    void readFrom(ztNetReader& ioReader);
    // Writes all eleven fields, as a server of this protocol version answers.
    void writeTo(ztNetWriter& ioWriter) const;

    bool operator==(const ztConnectAnswer&) const = default;
};
