#pragma once
// An error value together with the message template that describes it to a person.

#include "messages/ztErr.h"
#include "messages/ztMessage.h"

class ztErrorMessage : public ztMessage {
public:
    ztErrorMessage() = default;
    ztErrorMessage(ztErr inError, const char* inTemplate);
    ztErrorMessage(ztErr inError, const char* inTemplate, char inCode1,
                   const std::string& inValue1);
    ztErrorMessage(ztErr inError, const char* inTemplate, char inCode1, const std::string& inValue1,
                   char inCode2, const std::string& inValue2);
    ztErrorMessage(ztErr inError, const char* inTemplate, char inCode1, const std::string& inValue1,
                   char inCode2, const std::string& inValue2, char inCode3,
                   const std::string& inValue3);

    // Empties the template and parameters and sets the error value to 0.
    void clear() override;
    // True when the error value is 0 or the template is empty.
    bool isEmpty() const override;
    using ztMessage::getText;
    // The formatted text, ending in a full stop unless it is empty or already ends a
    // sentence (see the .cpp for the exact rule).
    std::string& getText(std::string& outText) const override;

    ztErr getErrorValue() const { return itsError; }
    void setErrorValue(ztErr inError) { itsError = inError; }

private:
    ztErr itsError = ztErr_noError;
};
