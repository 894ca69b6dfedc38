// The Connect exchange byte for byte: the request's one-byte body and the answer with its
// optional tail, read from exactly the bytes a server sends.
#include "netobjects/ztConnectAnswer.h"

#include "handler/ztHandlerTestSupport.h"
#include "netobjects/ztDynamicNetWriter.h"
#include "netobjects/ztNetReqConnect.h"
#include "netobjects/ztNetResConnect.h"

#include <gtest/gtest.h>

using namespace zt::handlertest;

namespace {

// The five fields every server sends: version 7, flag A set, value B 5, text C "c", value D 9.
const Bytes kFixed{0x00, 0x07, 0x01, 0x05, 'c', 0x00, 0x09};

Bytes operator+(Bytes inLeft, const Bytes& inRight) {
    inLeft.insert(inLeft.end(), inRight.begin(), inRight.end());
    return inLeft;
}

ztConnectAnswer fixedFields() {
    ztConnectAnswer answer;
    answer.itsServerVersion = 7;
    answer.itsFlagA = true;
    answer.itsValueB = 5;
    answer.itsTextC = "c";
    answer.itsValueD = 9;
    return answer;
}

} // namespace

TEST(ztConnectAnswer, readsAsManyOptionalFieldsAsTheServerSent) {
    struct Row {
        const char* name;
        Bytes bytes;
        ztConnectAnswer expected;
    };
    ztConnectAnswer withE = fixedFields();
    withE.itsTextE = "e";
    ztConnectAnswer toG = withE;
    toG.itsFlagF = false;
    toG.itsValueG = 0x01020304;
    ztConnectAnswer all = toG;
    all.itsNotReady = true;
    all.itsTextI = "i";
    all.itsFlagJ = true;
    const Bytes tail = Bytes{'e', 0x00, 0x00, 0x01, 0x02, 0x03, 0x04};
    const Row rows[] = {
        {"the fixed five only (the rest keep their defaults)", kFixed, fixedFields()},
        {"up to text E", kFixed + Bytes{'e', 0x00}, withE},
        {"up to value G", kFixed + tail, toG},
        {"all eleven", kFixed + tail + Bytes{0x01, 'i', 0x00, 0x01}, all},
        {"bytes after the last field are left alone",
         kFixed + tail + Bytes{0x01, 'i', 0x00, 0x01, 0xEE}, all},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ztNetReader reader(row.bytes.data(), row.bytes.size());
        ztConnectAnswer answer;
        answer.readFrom(reader);
        EXPECT_EQ(answer, row.expected);
    }
}

TEST(ztConnectAnswer, answerCutShortThrowsAndLeavesTheRecordAlone) {
    const Bytes rows[] = {
        {},
        {0x00},
        Bytes(kFixed.begin(), kFixed.end() - 1),     // value D missing
        kFixed + Bytes{'e', 0x00, 0x01, 0x00, 0x00}, // value G cut after two bytes
        kFixed + Bytes{'e'},                         // text E without its NUL
    };
    for (const Bytes& bytes : rows) {
        SCOPED_TRACE(bytes.size());
        ztConnectAnswer answer;
        answer.itsTextC = "untouched";
        ztNetReader reader(bytes.data(), bytes.size());
        EXPECT_THROW(answer.readFrom(reader), std::out_of_range);
        EXPECT_EQ(answer.itsTextC, "untouched");
    }
}

TEST(ztConnectAnswer, writtenAnswerIsByteExactAndReadsBack) {
    ztConnectAnswer answer{513,   true,       2,    "text C", 3,   "text E",
                           false, 0xA0B0C0D0, true, "text I", true};
    ztDynamicNetWriter writer(64);
    answer.writeTo(writer);
    const Bytes expected = Bytes{0x02, 0x01, 0x01, 0x02} + Bytes{'t', 'e', 'x', 't', ' ', 'C', 0} +
                           Bytes{0x03} + Bytes{'t', 'e', 'x', 't', ' ', 'E', 0} +
                           Bytes{0x00, 0xA0, 0xB0, 0xC0, 0xD0, 0x01} +
                           Bytes{'t', 'e', 'x', 't', ' ', 'I', 0} + Bytes{0x01};
    EXPECT_EQ(Bytes(writer.data(), writer.data() + writer.count()), expected);
    ztNetReader reader(writer.data(), writer.count());
    ztConnectAnswer read;
    read.readFrom(reader);
    EXPECT_EQ(read, answer);
}

TEST(ztNetReqConnect, bodyIsOneFalseByteAndTheAnswerLandsInTheCallersRecord) {
    ztConnectAnswer answer;
    ztNetReqConnect request(answer);
    EXPECT_EQ(request.getType(), 2);
    EXPECT_STREQ(request.getTypeName(), "ztNOT_Connect");
    EXPECT_STREQ(request.getName(), "Connect");
    request.writeRequest();
    EXPECT_EQ(Bytes(request.getBodyWriter().data(),
                    request.getBodyWriter().data() + request.getBodyWriter().count()),
              Bytes{0x00});
    ztNetReader reader(kFixed.data(), kFixed.size());
    EXPECT_EQ(request.readData(reader), ztErr_noError);
    EXPECT_EQ(answer, fixedFields());
}

TEST(ztNetResConnect, answersWithItsRecordOrRefuses) {
    ztConnectAnswer answer = fixedFields();
    ztNetResConnect accepting(answer);
    EXPECT_FALSE(accepting.requiresAuthority());
    const Bytes body{0x00};
    ztNetReader reader(body.data(), body.size());
    EXPECT_EQ(accepting.readData(reader), ztErr_noError);
    ztNetReader written(accepting.getBodyWriter().data(), accepting.getBodyWriter().count());
    ztConnectAnswer read;
    read.readFrom(written);
    EXPECT_EQ(read, answer);

    ztNetResConnect refusing(answer, ztErr_tooManyConnections);
    ztNetReader again(body.data(), body.size());
    EXPECT_EQ(refusing.readData(again), ztErr_tooManyConnections);
}
