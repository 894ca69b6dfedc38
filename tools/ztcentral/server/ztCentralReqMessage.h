#pragma once
// A message the stand-in server starts toward a client (type 8372): one text, which the
// library reads and answers with an empty body.

#include "netobjects/ztNetRequest.h"

#include <string>

class ztCentralReqMessage : public ztNetRequest {
public:
    static constexpr uint16_t typeNumber = 8372;

    explicit ztCentralReqMessage(std::string inText);
    ~ztCentralReqMessage() override;

    uint16_t getType() const override { return typeNumber; }
    const char* getTypeName() const override;
    const char* getName() const override;
    // Writes the text as the body.
    void writeRequest() override;

private:
    std::string itsText;
};
