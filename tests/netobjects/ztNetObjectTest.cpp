// What every net object does: collecting a body from packets and parsing it, handing its
// own body out in packet-sized pieces, and the status changes that end its life.
#include "netobjects/ztNetObject.h"

#include "netobjects/ztNetLimits.h"
#include "netobjects/ztNetReader.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

// A body of a string, a 32-bit value and a flag, as application objects write them.
class BodyObject : public ztNetObject {
public:
    uint16_t getType() const override { return 9; }
    bool isRequest() const override { return false; }
    ztErr readData(ztNetReader& ioReader) override {
        ++itsParses;
        itsText = ioReader.getConstString();
        itsValue = ioReader.getUInt32();
        itsFlag = ioReader.getBool();
        return ioReader.remaining() == 0 ? ztErr_noError : ztErr_unexpectedData;
    }
    void completed() override { itsStatusAtCompletion = getStatus(); }

    // Feeds inBody in parts of the given lengths (the rest is the last part), counting
    // each packet first as the handler does; returns the last part's result.
    ztErr receive(const Bytes& inBody, const std::vector<size_t>& inParts) {
        size_t offset = 0;
        for (const size_t length : inParts) {
            countPacket();
            EXPECT_EQ(receiveData(inBody.data() + offset, static_cast<uint32_t>(length), false),
                      ztErr_noError);
            offset += length;
        }
        countPacket();
        return receiveData(inBody.data() + offset, static_cast<uint32_t>(inBody.size() - offset),
                           true);
    }

    int itsParses = 0;
    std::string itsText;
    uint32_t itsValue = 0;
    bool itsFlag = false;
    ztNetStatus itsStatusAtCompletion = ztNetStatus::idle;
};

Bytes answerBody() {
    ztDynamicNetWriter writer(64);
    writer.putString("answer text");
    writer.putUInt32(0xA1B2C3D4);
    writer.putBool(true);
    return Bytes(writer.data(), writer.data() + writer.count());
}

TEST(ztNetObject, parsesTheSameBodyWhateverPacketsItCameIn) {
    const Bytes body = answerBody();
    std::vector<size_t> everyByte(body.size() - 1, 1);
    const struct {
        const char* name;
        std::vector<size_t> parts; // lengths before the last part
    } rows[] = {
        {"one packet", {}},
        {"first byte alone", {1}},
        {"split inside the string", {4, 5}},
        {"split inside the value", {13}},
        {"last byte alone", {body.size() - 1}},
        {"an empty part in between", {3, 0}},
        {"every byte alone", everyByte},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        BodyObject object;
        EXPECT_EQ(object.receive(body, row.parts), ztErr_noError);
        EXPECT_EQ(object.itsParses, 1);
        EXPECT_EQ(object.itsText, "answer text");
        EXPECT_EQ(object.itsValue, 0xA1B2C3D4u);
        EXPECT_TRUE(object.itsFlag);
    }
}

TEST(ztNetObject, dropsTheCollectedPartsWhenParsingFails) {
    const Bytes body = answerBody();
    const Bytes shortBody(body.begin(), body.end() - 1);
    BodyObject object;
    EXPECT_THROW(object.receive(shortBody, {5}), std::out_of_range);

    // The next body starts from nothing; leftovers would shift every field.
    EXPECT_EQ(object.receive(body, {5}), ztErr_noError);
    EXPECT_EQ(object.itsText, "answer text");
    EXPECT_EQ(object.itsValue, 0xA1B2C3D4u);
}

TEST(ztNetObject, returnsWhatReadDataReports) {
    Bytes body = answerBody();
    body.push_back(0); // a field this object does not know
    BodyObject object;
    EXPECT_EQ(object.receive(body, {2}), ztErr_unexpectedData);
}

TEST(ztNetObject, boundsTheBodyCollectedFromPackets) {
    const Bytes part(ztNetMaxPayloadSize / 4);
    BodyObject object;
    for (int i = 0; i < 4; ++i) {
        object.countPacket();
        ASSERT_EQ(object.receiveData(part.data(), static_cast<uint32_t>(part.size()), false),
                  ztErr_noError);
    }
    // Exactly the bound is collected; one byte more is refused and the parts are dropped.
    object.countPacket();
    EXPECT_EQ(object.receiveData(part.data(), 1, true), ztErr_unexpectedData);
    EXPECT_EQ(object.itsParses, 0);
    const Bytes body = answerBody();
    EXPECT_EQ(object.receive(body, {}), ztErr_noError);
}

TEST(ztNetObject, handsTheBodyOutInPiecesOfAtMostTheMaximum) {
    const struct {
        const char* name;
        size_t bodySize;
        uint32_t maximum;
        std::vector<uint32_t> pieces;
    } rows[] = {
        {"empty body is done at once", 0, 10, {0}}, {"body smaller than the maximum", 7, 10, {7}},
        {"body exactly the maximum", 10, 10, {10}}, {"one byte over", 11, 10, {10, 1}},
        {"several pieces", 25, 10, {10, 10, 5}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        BodyObject object;
        Bytes body(row.bodySize);
        for (size_t i = 0; i < body.size(); ++i)
            body[i] = static_cast<uint8_t>(i + 1);
        object.getBodyWriter().putData(body.data(), body.size());
        object.setError(ztErr_timeout);
        object.prepareSend();
        EXPECT_EQ(object.getTransferState(), ztNetStatus::send);

        Bytes sent;
        for (size_t i = 0; i < row.pieces.size(); ++i) {
            Bytes buffer(row.maximum);
            ztErr error = ztErr_noError;
            bool done = false;
            const uint32_t length = object.sendData(buffer.data(), row.maximum, error, done);
            EXPECT_EQ(length, row.pieces[i]);
            EXPECT_EQ(done, i + 1 == row.pieces.size());
            EXPECT_EQ(error, ztErr_timeout);
            sent.insert(sent.end(), buffer.begin(), buffer.begin() + length);
        }
        EXPECT_EQ(sent, body);
    }
}

TEST(ztNetObject, completesOnlyOnAFinalStatus) {
    const struct {
        ztNetStatus status;
        bool final;
    } rows[] = {
        {ztNetStatus::idle, false},       {ztNetStatus::send, false},
        {ztNetStatus::delay, false},      {ztNetStatus::complete, true},
        {ztNetStatus::cancelling, false}, {ztNetStatus::cancelled, true},
        {ztNetStatus::failed, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(static_cast<int>(row.status));
        BodyObject object;
        std::vector<ztNetStatus> calls;
        object.setCompletionCallback(
            [&calls](ztNetObject* inObject) { calls.push_back(inObject->getStatus()); });
        object.setStatus(row.status);
        EXPECT_EQ(object.getStatus(), row.status);
        EXPECT_EQ(calls.size(), row.final ? 1u : 0u);
        if (row.final) {
            // completed() runs before the status is stored, the callback after.
            EXPECT_EQ(object.itsStatusAtCompletion, ztNetStatus::idle);
            EXPECT_EQ(calls.front(), row.status);
        }
    }
}

TEST(ztNetObject, mayBeDeletedByItsCompletionCallback) {
    auto* object = new BodyObject;
    bool deleted = false;
    object->setCompletionCallback([&deleted](ztNetObject* inObject) {
        delete inObject;
        deleted = true;
    });
    object->setStatus(ztNetStatus::failed);
    EXPECT_TRUE(deleted);
}

TEST(ztNetObject, succeedsOnlyWhenCompleteWithoutError) {
    BodyObject object;
    object.setStatus(ztNetStatus::complete);
    EXPECT_TRUE(object.succeeded());
    object.setError(ztErr_unexpectedData);
    EXPECT_FALSE(object.succeeded());
    object.reset();
    EXPECT_EQ(object.getError(), ztErr_noError);
    EXPECT_EQ(object.getStatus(), ztNetStatus::idle);
    EXPECT_FALSE(object.succeeded());
}

} // namespace
