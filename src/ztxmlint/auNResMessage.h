#pragma once
// A message that a central server sends on its own: a text this library has no use for.
// The object reads it and answers with an empty body, so the server sees it delivered.

#include "netobjects/ztNetResponse.h"

class auNResMessage : public ztNetResponse {
public:
    static constexpr uint16_t typeNumber = 8372;

    auNResMessage();
    ~auNResMessage() override;

    uint16_t getType() const override { return typeNumber; }
    const char* getTypeName() const override;
    const char* getName() const override;
    // Reads the message text and drops it. A body without its terminating NUL throws
    // std::out_of_range.
    ztErr readData(ztNetReader& ioReader) override;
};
