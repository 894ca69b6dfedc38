#pragma once
// The Connect request that opens every connection: its body is a single boolean, and the
// server's answer (its version and a few fields, see ztConnectAnswer) is read into a
// record that the caller owns.

#include "netobjects/ztNetRequest.h"

struct ztConnectAnswer;

class ztNetReqConnect : public ztNetRequest {
public:
    static constexpr uint16_t typeNumber = 2;

    // outAnswer receives the server's answer; it is not owned and must outlive the request.
    explicit ztNetReqConnect(ztConnectAnswer& outAnswer);
    ~ztNetReqConnect() override;

    uint16_t getType() const override { return typeNumber; }
    const char* getTypeName() const override;
    const char* getName() const override;
    // The body: one boolean, always false.
    void writeRequest() override;
    // Reads the answer into the record; an answer cut short throws std::out_of_range (the
    // handler reports it as unexpected data) and leaves the record as it was.
    ztErr readData(ztNetReader& ioReader) override;

private:
    ztConnectAnswer& itsAnswer; // not owned
};
