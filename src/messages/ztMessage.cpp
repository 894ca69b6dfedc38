// Formatting of message templates.
#include "messages/ztMessage.h"

#include "messages/ztAssert.h"

#include <strings.h>

ztMessage::ztMessage(const char* inTemplate) : itsTemplate(inTemplate ? inTemplate : "") {}

ztMessage::ztMessage(std::string inTemplate) : itsTemplate(std::move(inTemplate)) {}

ztMessage::ztMessage(const char* inTemplate, char inCode1, const std::string& inValue1)
    : ztMessage(inTemplate) {
    addParam(inCode1, inValue1);
}

ztMessage::ztMessage(const char* inTemplate, char inCode1, const std::string& inValue1,
                     char inCode2, const std::string& inValue2)
    : ztMessage(inTemplate, inCode1, inValue1) {
    addParam(inCode2, inValue2);
}

ztMessage::ztMessage(const char* inTemplate, char inCode1, const std::string& inValue1,
                     char inCode2, const std::string& inValue2, char inCode3,
                     const std::string& inValue3)
    : ztMessage(inTemplate, inCode1, inValue1, inCode2, inValue2) {
    addParam(inCode3, inValue3);
}

void ztMessage::clear() {
    itsTemplate.clear();
    itsParams.clear();
}

bool ztMessage::isEmpty() const {
    return itsTemplate.empty();
}

std::string ztMessage::getText() const {
    std::string text;
    getText(text);
    return text;
}

std::string& ztMessage::getText(std::string& outText) const {
    outText = itsTemplate;
    if (outText.empty())
        return outText;
    // Parameters are applied one after the other to the text as it stands, so a value
    // inserted for an earlier code may carry a marker that a later code fills in; the
    // search resumes behind each inserted value, so a value never replaces itself.
    for (const auto& [code, value] : itsParams) {
        const char needle[3] = {'$', static_cast<char>(code), '\0'};
        size_t pos = outText.find(needle, 0, 2);
        while (pos != std::string::npos) {
            outText.replace(pos, 2, value);
            pos = outText.find(needle, pos + value.size(), 2);
        }
    }
    return outText;
}

void ztMessage::addParam(char inCode, const std::string& inValue) {
    itsParams.emplace(static_cast<signed char>(inCode), inValue);
}

void ztMessage::addParam(char inCode, const char* inValue) {
    addParam(inCode, std::string(inValue ? inValue : ""));
}

void ztMessage::addParam(char inCode, uint32_t inValue) {
    addParam(inCode, std::to_string(inValue));
}

bool ztMessage::hasParam(char inCode) const {
    return itsParams.count(static_cast<signed char>(inCode)) != 0;
}

const std::string& ztMessage::getParam(char inParamCode) const {
    static const std::string kEmpty;
    ztAssert(hasParam(inParamCode));
    const auto it = itsParams.find(static_cast<signed char>(inParamCode));
    return it == itsParams.end() ? kEmpty : it->second;
}

bool ztMessage::getParamAt(size_t inIndex, char& outCode, std::string& outValue) const {
    if (inIndex >= itsParams.size())
        return false;
    auto it = itsParams.begin();
    std::advance(it, static_cast<std::ptrdiff_t>(inIndex));
    outCode = static_cast<char>(it->first);
    outValue = it->second;
    return true;
}

void ztMessage::setTemplate(const char* inTemplate) {
    itsTemplate = inTemplate ? inTemplate : "";
}

bool ztMessage::templateEquals(const char* inText) const {
    return ::strcasecmp(itsTemplate.c_str(), inText ? inText : "") == 0;
}
