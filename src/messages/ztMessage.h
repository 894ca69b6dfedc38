#pragma once
// A message template with one-letter $-parameters ("Unable to connect to the server "$s"."),
// filled in only when the text is needed. Plain value type: copy it to hand it over.

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>

class ztMessage {
public:
    ztMessage() = default;
    // A null template is taken as empty.
    explicit ztMessage(const char* inTemplate);
    explicit ztMessage(std::string inTemplate);
    ztMessage(const char* inTemplate, char inCode1, const std::string& inValue1);
    ztMessage(const char* inTemplate, char inCode1, const std::string& inValue1, char inCode2,
              const std::string& inValue2);
    ztMessage(const char* inTemplate, char inCode1, const std::string& inValue1, char inCode2,
              const std::string& inValue2, char inCode3, const std::string& inValue3);
    ztMessage(const ztMessage&) = default;
    ztMessage& operator=(const ztMessage&) = default;
    ztMessage(ztMessage&&) noexcept = default;
    ztMessage& operator=(ztMessage&&) noexcept = default;
    virtual ~ztMessage() = default;

    // Empties the template and removes all parameters.
    virtual void clear();
    // True when the template is empty.
    virtual bool isEmpty() const;
    // The formatted text: every "$c" marker replaced by the value of parameter c.
    virtual std::string getText() const;
    // Writes the formatted text into outText (replacing its content) and returns it.
    virtual std::string& getText(std::string& outText) const;

    // Adds parameter inCode. A code already present keeps its earlier value.
    void addParam(char inCode, const std::string& inValue);
    void addParam(char inCode, const char* inValue);
    void addParam(char inCode, uint32_t inValue);
    bool hasParam(char inCode) const;
    // The value of a present parameter; an absent code gives an empty text.
    const std::string& getParam(char inCode) const;
    size_t getParamCount() const { return itsParams.size(); }
    // Walks the parameters in code order (codes compared as signed chars); false when
    // inIndex is not below the count.
    bool getParamAt(size_t inIndex, char& outCode, std::string& outValue) const;

    void setTemplate(const char* inTemplate);
    void setTemplate(std::string inTemplate) { itsTemplate = std::move(inTemplate); }
    const std::string& getTemplate() const { return itsTemplate; }
    // Compares the template with inText ignoring the case of ASCII letters.
    bool templateEquals(const char* inText) const;

private:
    std::string itsTemplate;
    std::map<signed char, std::string> itsParams;
};
