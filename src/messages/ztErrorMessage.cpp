// Error messages: templates that always read as a finished sentence.
#include "messages/ztErrorMessage.h"

ztErrorMessage::ztErrorMessage(ztErr inError, const char* inTemplate)
    : ztMessage(inTemplate), itsError(inError) {}

ztErrorMessage::ztErrorMessage(ztErr inError, const char* inTemplate, char inCode1,
                               const std::string& inValue1)
    : ztMessage(inTemplate, inCode1, inValue1), itsError(inError) {}

ztErrorMessage::ztErrorMessage(ztErr inError, const char* inTemplate, char inCode1,
                               const std::string& inValue1, char inCode2,
                               const std::string& inValue2)
    : ztMessage(inTemplate, inCode1, inValue1, inCode2, inValue2), itsError(inError) {}

ztErrorMessage::ztErrorMessage(ztErr inError, const char* inTemplate, char inCode1,
                               const std::string& inValue1, char inCode2,
                               const std::string& inValue2, char inCode3,
                               const std::string& inValue3)
    : ztMessage(inTemplate, inCode1, inValue1, inCode2, inValue2, inCode3, inValue3),
      itsError(inError) {}

void ztErrorMessage::clear() {
    ztMessage::clear();
    itsError = ztErr_noError;
}

bool ztErrorMessage::isEmpty() const {
    return itsError == ztErr_noError || ztMessage::isEmpty();
}

std::string& ztErrorMessage::getText(std::string& outText) const {
    ztMessage::getText(outText);
    const size_t end = outText.find_last_not_of(' ');
    outText.erase(end == std::string::npos ? 0 : end + 1);
    if (outText.empty())
        return outText;
    const char last = outText.back();
    if (last == '.' || last == '?' || last == '!')
        return outText;
    // A sentence that ends inside a quotation ("... the server "x.".") is finished too.
    if (outText.size() >= 2 && last == '"' && outText[outText.size() - 2] == '.')
        return outText;
    outText += '.';
    return outText;
}
