#pragma once
// Reads one HTTP/1.1 request from the bytes of a connection, under the limits of the server:
// the request line and header fields together at most inMaxHeader bytes (else 431), a body
// at most inMaxBody bytes, refused as soon as its announced length is known (413), and
// anything else that is not HTTP/1.x a 400. Feeds Beast's parser; the connection owns the
// bytes and the reader says how many it used, so that a pipelined request stays in the
// connection's buffer.

#include "ztwebext/ztWebMessage.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

class ztWebRequestReader {
public:
    enum class State {
        reading,  // more bytes are needed
        complete, // take() the request
        refused,  // refusalStatus() and refusalText() say why; the stream is not trusted
    };

    ztWebRequestReader(uint32_t inMaxHeader, uint64_t inMaxBody);
    ~ztWebRequestReader();
    ztWebRequestReader(const ztWebRequestReader&) = delete;
    ztWebRequestReader& operator=(const ztWebRequestReader&) = delete;

    // Begins the next request.
    void reset();
    // Parses from inData and returns how many bytes belong to the request read so far; the
    // caller drops them and passes the rest (and more) in the next call. Bytes of a header
    // still incomplete are not used until it is complete.
    size_t feed(const char* inData, size_t inSize);
    State state() const { return itsState; }
    // True once the header is complete and the client waits for "100 Continue" before it
    // sends its body; asks once per request (the next call returns false).
    bool takeContinue();
    int refusalStatus() const { return itsRefusalStatus; }
    const std::string& refusalText() const { return itsRefusalText; }
    // The method and target once the header is complete (for the log of a refusal).
    bool headerDone() const;
    std::string method() const;
    std::string target() const;
    // The complete request, moved out. outKeepAlive: the connection may carry another one.
    ztWebRequest take(bool& outKeepAlive);

    // Splits a target at its first "?" into the request's path and query.
    static void splitTarget(const std::string& inTarget, ztWebRequest& outRequest);

private:
    struct Parser;
    void refuse(int inStatus, std::string inText);

    const uint32_t itsMaxHeader;
    const uint64_t itsMaxBody;
    std::unique_ptr<Parser> itsParser;
    State itsState = State::reading;
    bool itsHeaderChecked = false;
    bool itsContinue = false;
    int itsRefusalStatus = 0;
    std::string itsRefusalText;
};
