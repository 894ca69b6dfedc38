// Exceptions and the conversion of foreign exceptions into error messages.
#include "messages/ztException.h"

#include "messages/ztMessageTexts.h"

#include <new>

ztException::ztException(const ztErrorMessage& inMessage)
    : errorMessage(inMessage), itsText(errorMessage.getText()) {}

ztException::ztException(ztErr inError) : ztException(ztErrorMessage(inError, "")) {}

ztException::ztException(ztErr inError, const char* inTemplate)
    : ztException(ztErrorMessage(inError, inTemplate)) {}

ztException::ztException(ztErr inError, const char* inTemplate, char inCode,
                         const std::string& inValue)
    : ztException(ztErrorMessage(inError, inTemplate, inCode, inValue)) {}

ztException::ztException(ztErr inError, const char* inTemplate, char inCode1,
                         const std::string& inValue1, char inCode2, const std::string& inValue2)
    : ztException(ztErrorMessage(inError, inTemplate, inCode1, inValue1, inCode2, inValue2)) {}

zt::ex::InvalidArgument::InvalidArgument(const std::string& inText)
    : ztException(ztErr_invalidArgument, inText.c_str()) {}

ztErrorMessage errorMessageFromException(const std::exception& inException) {
    if (const auto* ex = dynamic_cast<const ztException*>(&inException)) {
        ztErrorMessage message = ex->errorMessage;
        if (message.templateEquals(ztText::unspecifiedError) && !message.hasParam('e'))
            message.addParam('e', static_cast<uint32_t>(message.getErrorValue()));
        return message;
    }
    if (dynamic_cast<const std::bad_alloc*>(&inException))
        return ztErrorMessage(ztErr_noMemory, ztText::noMemory);
    return ztErrorMessage(ztErr_internal, ztText::unexpectedException, 'e', inException.what());
}
