// Requests of this side: handing themselves to a handler, the answer completing them, and
// the completion event that callers on other threads wait on.
#include "netobjects/ztNetRequest.h"

#include "messages/ztException.h"
#include "messages/ztMessageTexts.h"
#include "netobjects/ztNetObjectHandler.h"
#include "netobjects/ztNetReader.h"
#include "threads/ztSingleEvent.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

// Stands in for the handler thread: it records what the request asks of it and gives ids.
class FakeHandler : public ztNetObjectHandler {
public:
    void registerObject(ztNetRequest* inRequest) override {
        itsRegistered.push_back(inRequest);
        if (itsRefuse) {
            inRequest->setStatus(ztNetStatus::cancelled);
            throw ztException(ztErr_handlerNotRunning, ztText::handlerNotRunning);
        }
        inRequest->setRefId(++itsLastId);
        inRequest->resetPacketCount();
    }
    void cancel(ztNetObject* inObject) override { itsCancelled.push_back(inObject); }
    void requeue(ztNetObject* inObject) override { itsRequeued.push_back(inObject); }

    // What the handler does when it finishes an object.
    static void finish(ztNetObject& ioObject, ztNetStatus inStatus) {
        ioObject.setRefId(0);
        ioObject.setStatus(inStatus);
    }

    bool itsRefuse = false;
    uint16_t itsLastId = 0;
    std::vector<ztNetRequest*> itsRegistered;
    std::vector<ztNetObject*> itsCancelled;
    std::vector<ztNetObject*> itsRequeued;
};

class QueryRequest : public ztNetRequest {
public:
    ~QueryRequest() override { setRefId(0); } // tests drop requests without a handler thread

    uint16_t getType() const override { return 42; }
    void writeRequest() override {
        ++itsWrites;
        getBodyWriter().reset();
        getBodyWriter().putString("query");
    }
    ztErr readData(ztNetReader& ioReader) override {
        itsAnswer = ioReader.getConstString();
        return ztErr_noError;
    }
    uint32_t writePrefix(uint8_t* outBuffer, uint32_t inMaximum, ztErr& outError) override {
        outError = itsPrefixError;
        if (!itsWithPrefix || inMaximum < 2)
            return 0;
        outBuffer[0] = 'P';
        outBuffer[1] = 'Q';
        return 2;
    }

    int itsWrites = 0;
    bool itsWithPrefix = false;
    ztErr itsPrefixError = ztErr_noError;
    std::string itsAnswer;
};

Bytes sendAll(ztNetRequest& ioRequest, uint32_t inMaximum, std::vector<uint32_t>& outPieces) {
    Bytes sent;
    bool done = false;
    while (!done) {
        Bytes buffer(inMaximum);
        ztErr error = ztErr_noError;
        const uint32_t length = ioRequest.sendData(buffer.data(), inMaximum, error, done);
        EXPECT_EQ(error, ztErr_noError);
        outPieces.push_back(length);
        sent.insert(sent.end(), buffer.begin(), buffer.begin() + length);
        if (!done) {
            EXPECT_EQ(ioRequest.getTransferState(), ztNetStatus::send);
        }
    }
    return sent;
}

TEST(ztNetRequest, sendWritesTheBodyAndRegistersWithTheHandler) {
    FakeHandler handler;
    QueryRequest request;
    request.send(&handler);
    EXPECT_EQ(request.itsWrites, 1);
    ASSERT_EQ(handler.itsRegistered, std::vector<ztNetRequest*>{&request});
    EXPECT_EQ(request.getRefId(), 1);
    EXPECT_EQ(request.getNetObjectHandler(), &handler);
    EXPECT_EQ(request.getStatus(), ztNetStatus::send);

    std::vector<uint32_t> pieces;
    EXPECT_EQ(sendAll(request, 100, pieces), (Bytes{'q', 'u', 'e', 'r', 'y', 0}));
    EXPECT_EQ(request.getTransferState(), ztNetStatus::idle); // waits for the answer
}

TEST(ztNetRequest, putsItsPrefixInFrontOfEveryPiece) {
    FakeHandler handler;
    QueryRequest request;
    request.itsWithPrefix = true;
    request.send(&handler);
    std::vector<uint32_t> pieces;
    EXPECT_EQ(sendAll(request, 5, pieces), (Bytes{'P', 'Q', 'q', 'u', 'e', 'P', 'Q', 'r', 'y', 0}));
    EXPECT_EQ(pieces, (std::vector<uint32_t>{5, 5}));
}

TEST(ztNetRequest, stopsAtAPrefixError) {
    FakeHandler handler;
    QueryRequest request;
    request.itsPrefixError = ztErr_internal;
    request.send(&handler);
    uint8_t buffer[16] = {};
    ztErr error = ztErr_noError;
    bool done = true;
    EXPECT_EQ(request.sendData(buffer, sizeof buffer, error, done), 0u);
    EXPECT_EQ(error, ztErr_internal);
    EXPECT_FALSE(done);
}

TEST(ztNetRequest, refusesANullHandler) {
    QueryRequest request;
    EXPECT_THROW(request.send(nullptr), zt::ex::InvalidArgument);
    EXPECT_EQ(request.itsWrites, 0);
}

TEST(ztNetRequest, passesTheHandlersRefusalOn) {
    FakeHandler handler;
    handler.itsRefuse = true;
    QueryRequest request;
    try {
        request.send(&handler);
        FAIL() << "no exception";
    } catch (const ztException& inException) {
        EXPECT_EQ(inException.getErrorValue(), ztErr_handlerNotRunning);
    }
    EXPECT_EQ(request.getStatus(), ztNetStatus::cancelled);
    EXPECT_TRUE(request.waitForCompletion(0));
}

TEST(ztNetRequest, theLastAnswerPartCompletesTheTransfer) {
    FakeHandler handler;
    QueryRequest request;
    request.send(&handler);
    const Bytes answer = {'o', 'k', 0};
    request.countPacket();
    EXPECT_EQ(request.receiveData(answer.data(), 1, false), ztErr_noError);
    EXPECT_NE(request.getTransferState(), ztNetStatus::complete);
    request.countPacket();
    EXPECT_EQ(request.receiveData(answer.data() + 1, 2, true), ztErr_noError);
    EXPECT_EQ(request.getTransferState(), ztNetStatus::complete);
    EXPECT_EQ(request.itsAnswer, "ok");
}

TEST(ztNetRequest, cancelGoesToTheHandlerItWasSentTo) {
    QueryRequest unsent;
    unsent.cancel(); // no handler, nothing to do

    FakeHandler handler;
    QueryRequest request;
    request.send(&handler);
    request.cancel();
    EXPECT_EQ(handler.itsCancelled, std::vector<ztNetObject*>{&request});
}

TEST(ztNetRequest, completionEventIsSetByEveryFinalStatus) {
    for (const ztNetStatus status :
         {ztNetStatus::complete, ztNetStatus::cancelled, ztNetStatus::failed}) {
        SCOPED_TRACE(static_cast<int>(status));
        FakeHandler handler;
        QueryRequest request;
        request.send(&handler);
        const std::shared_ptr<ztSingleEvent> event = request.getCompletionEvent();
        request.setStatus(ztNetStatus::cancelling);
        EXPECT_FALSE(event->isSet());
        FakeHandler::finish(request, status);
        EXPECT_TRUE(event->isSet());
        EXPECT_TRUE(request.waitForCompletion(-1));
    }
}

TEST(ztNetRequest, eventCreatedAfterCompletionIsSetAtOnce) {
    QueryRequest request;
    request.setStatus(ztNetStatus::complete);
    EXPECT_TRUE(request.getCompletionEvent()->isSet());
}

TEST(ztNetRequest, callbackRunsBeforeWaitersWake) {
    // A waiter may destroy the request as soon as the event is set, so the callback must
    // have run by then.
    QueryRequest request;
    const std::shared_ptr<ztSingleEvent> event = request.getCompletionEvent();
    bool eventSetInCallback = true;
    request.setCompletionCallback([&](ztNetObject*) { eventSetInCallback = event->isSet(); });
    request.setStatus(ztNetStatus::complete);
    EXPECT_FALSE(eventSetInCallback);
    EXPECT_TRUE(event->isSet());
}

TEST(ztNetRequest, eventOutlivesTheRequest) {
    std::shared_ptr<ztSingleEvent> event;
    {
        QueryRequest request;
        event = request.getCompletionEvent();
        request.setStatus(ztNetStatus::failed);
    }
    EXPECT_TRUE(event->isSet());
}

TEST(ztNetRequest, sendingAgainForgetsThePreviousCompletion) {
    FakeHandler handler;
    QueryRequest request;
    request.send(&handler);
    FakeHandler::finish(request, ztNetStatus::complete);
    ASSERT_TRUE(request.waitForCompletion(0));

    request.send(&handler);
    EXPECT_EQ(request.getRefId(), 2);
    EXPECT_FALSE(request.getCompletionEvent()->isSet());
    EXPECT_FALSE(request.waitForCompletion(0));

    request.reset();
    EXPECT_FALSE(request.getCompletionEvent()->isSet());
}

TEST(ztNetRequest, waitEndsWhenAnotherThreadCompletesTheRequest) {
    FakeHandler handler;
    QueryRequest request;
    request.send(&handler);
    std::thread handlerThread([&request] { FakeHandler::finish(request, ztNetStatus::complete); });
    EXPECT_TRUE(request.waitForCompletion(-1));
    handlerThread.join();
    EXPECT_TRUE(request.succeeded());
}

TEST(ztNetRequest, waitEndsOnTheCancelEventOrTheTimeOut) {
    FakeHandler handler;
    QueryRequest request;
    request.send(&handler);

    EXPECT_FALSE(request.waitForCompletion(0));
    EXPECT_FALSE(request.waitForCompletion(20));

    ztSingleEvent cancel;
    std::thread canceller([&cancel] { cancel.set(); });
    EXPECT_FALSE(request.waitForCompletion(-1, &cancel));
    canceller.join();

    FakeHandler::finish(request, ztNetStatus::complete);
    EXPECT_TRUE(request.waitForCompletion(-1, &cancel)); // final wins over a set cancel event
}

} // namespace
