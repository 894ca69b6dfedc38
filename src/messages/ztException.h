#pragma once
// The exception that carries every failure below the request service: an error value and
// its message. Thrown by value, caught by reference.

#include "messages/ztErrorMessage.h"

#include <exception>
#include <string>

class ztException : public std::exception {
public:
    explicit ztException(const ztErrorMessage& inMessage);
    // An empty template: what() is empty, so code that shows the error to a person uses
    // the standard template of the value.
    explicit ztException(ztErr inError);
    ztException(ztErr inError, const char* inTemplate);
    ztException(ztErr inError, const char* inTemplate, char inCode, const std::string& inValue);
    ztException(ztErr inError, const char* inTemplate, char inCode1, const std::string& inValue1,
                char inCode2, const std::string& inValue2);
    ~ztException() override = default;

    const char* what() const noexcept override { return itsText.c_str(); }
    ztErr getErrorValue() const { return errorMessage.getErrorValue(); }

    ztErrorMessage errorMessage;

private:
    std::string itsText; // errorMessage formatted once, at construction
};

namespace zt::ex {

// An invalid argument: always error value ztErr_invalidArgument, the text being the template.
class InvalidArgument : public ztException {
public:
    explicit InvalidArgument(const std::string& inText);
};

} // namespace zt::ex

// Turns any caught standard exception into an error message: a ztException's own message,
// out of memory as ztErr_noMemory, anything else as an unexpected exception (ztErr_internal).
ztErrorMessage errorMessageFromException(const std::exception& inException);
