// Header look-ups of the plain request and answer.
#include "ztwebext/ztWebMessage.h"

#include "ztwebext/ztWebText.h"

const std::string& ztWebRequest::header(const std::string& inLowerName) const {
    static const std::string empty;
    for (const auto& [name, value] : itsHeaders)
        if (name == inLowerName)
            return value;
    return empty;
}

bool ztWebRequest::hasHeader(const std::string& inLowerName) const {
    for (const auto& header : itsHeaders)
        if (header.first == inLowerName)
            return true;
    return false;
}

void ztWebResponse::setHeader(const std::string& inName, const std::string& inValue) {
    for (auto& header : itsHeaders) {
        if (ztWebEqualsNoCase(header.first, inName)) {
            header.second = inValue;
            return;
        }
    }
    itsHeaders.emplace_back(inName, inValue);
}

const std::string* ztWebResponse::findHeader(const std::string& inName) const {
    for (const auto& header : itsHeaders)
        if (ztWebEqualsNoCase(header.first, inName))
            return &header.second;
    return nullptr;
}
