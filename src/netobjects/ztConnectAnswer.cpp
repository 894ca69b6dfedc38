// The Connect answer on the wire: five fixed fields and six that older servers leave out.
#include "netobjects/ztConnectAnswer.h"

#include "netobjects/ztNetReader.h"
#include "netobjects/ztNetWriter.h"

#include <utility>

namespace {

// The fields after the fifth, each read only while bytes remain.
void readOptionalFields(ztNetReader& ioReader, ztConnectAnswer& ioAnswer) {
    if (ioReader.remaining() == 0)
        return;
    ioAnswer.itsTextE = ioReader.getConstString();
    if (ioReader.remaining() == 0)
        return;
    ioAnswer.itsFlagF = ioReader.getBool();
    if (ioReader.remaining() == 0)
        return;
    ioAnswer.itsValueG = ioReader.getUInt32();
    if (ioReader.remaining() == 0)
        return;
    ioAnswer.itsNotReady = ioReader.getBool();
    if (ioReader.remaining() == 0)
        return;
    ioAnswer.itsTextI = ioReader.getConstString();
    if (ioReader.remaining() == 0)
        return;
    ioAnswer.itsFlagJ = ioReader.getBool();
}

} // namespace

void ztConnectAnswer::readFrom(ztNetReader& ioReader) {
    // Read aside, so that an answer cut short leaves this record as it was.
    ztConnectAnswer answer;
    answer.itsServerVersion = ioReader.getUInt16();
    answer.itsFlagA = ioReader.getBool();
    answer.itsValueB = ioReader.getUInt8();
    answer.itsTextC = ioReader.getConstString();
    answer.itsValueD = ioReader.getUInt8();
    // Servers added fields over time; an answer simply stops after the last one it knows.
    readOptionalFields(ioReader, answer);
    *this = std::move(answer);
}

void ztConnectAnswer::writeTo(ztNetWriter& ioWriter) const {
    ioWriter.putUInt16(itsServerVersion);
    ioWriter.putBool(itsFlagA);
    ioWriter.putUInt8(itsValueB);
    ioWriter.putString(itsTextC);
    ioWriter.putUInt8(itsValueD);
    ioWriter.putString(itsTextE);
    ioWriter.putBool(itsFlagF);
    ioWriter.putUInt32(itsValueG);
    ioWriter.putBool(itsNotReady);
    ioWriter.putString(itsTextI);
    ioWriter.putBool(itsFlagJ);
}
