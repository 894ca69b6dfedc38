// Argument validation driven by the catalog's declarations.
#include "ztcentral/catalog/ztCentralValidator.h"

#include "ztcentral/model/ztCentralAddress.h"
#include "ztcentral/model/ztCentralErr.h"

#include "messages/ztException.h"

#include <tinyxml.h>

#include <charconv>
#include <vector>

namespace {

using Field = ztCentralCatalog::Field;

[[noreturn]] void fail(const char* inTemplate, char inCode1, const std::string& inValue1,
                       char inCode2 = 0, const std::string& inValue2 = {}, char inCode3 = 0,
                       const std::string& inValue3 = {}) {
    if (inCode3 != 0)
        throw ztException(ztErrorMessage(ztErr_invalidArgument, inTemplate, inCode1, inValue1,
                                         inCode2, inValue2, inCode3, inValue3));
    if (inCode2 != 0)
        throw ztException(ztErrorMessage(ztErr_invalidArgument, inTemplate, inCode1, inValue1,
                                         inCode2, inValue2));
    throw ztException(ztErrorMessage(ztErr_invalidArgument, inTemplate, inCode1, inValue1));
}

bool hasChildElement(const TiXmlElement& inElement) {
    return inElement.FirstChildElement() != nullptr;
}

// An element that carries nothing: no child element and no text.
bool isEmpty(const TiXmlElement& inElement) {
    return !hasChildElement(inElement) && ztCentralValidator::textOf(inElement).empty();
}

bool isStringType(std::string_view inType) {
    return inType == "s:string";
}

// Whether a given element counts as the argument being there.
bool counts(const TiXmlElement& inElement, const Field& inField) {
    if (!ztCentralValidator::isSimpleType(inField.type))
        return true;
    return isStringType(inField.type) || !isEmpty(inElement);
}

const Field* findField(const std::vector<Field>& inFields, std::string_view inName) {
    for (const Field& field : inFields)
        if (ztCentralEqualNoCase(field.name, inName))
            return &field;
    return nullptr;
}

void checkElement(const TiXmlElement& inElement, const Field& inField, const std::string& inPath);

// Children of a complex value against the fields of its type.
void checkChildren(const TiXmlElement& inElement, const std::vector<Field>& inFields,
                   const std::string& inPath) {
    // The items of a list are taken by position whatever they are called: a REST client that
    // sends XML names them as it likes, and the gateway passes such names on.
    const bool isList = inFields.size() == 1 && inFields.front().repeated;
    std::vector<int> seen(inFields.size(), 0);
    for (const TiXmlElement* child = inElement.FirstChildElement(); child != nullptr;
         child = child->NextSiblingElement()) {
        const std::string_view name = ztCentralValidator::localName(*child);
        const Field* field = isList ? &inFields.front() : findField(inFields, name);
        const std::string path = inPath + "/" + std::string(name);
        if (field == nullptr)
            fail(ztCentralText::unknownElement, 'e', std::string(name), 'a', inPath);
        const size_t index = static_cast<size_t>(field - inFields.data());
        if (++seen[index] > 1 && !field->repeated)
            fail(ztCentralText::repeatedArgument, 'a', path);
        checkElement(*child, *field, path);
    }
    for (size_t i = 0; i < inFields.size(); ++i) {
        if (inFields[i].required && seen[i] == 0)
            fail(ztCentralText::missingElement, 'e', inFields[i].name, 'a', inPath);
    }
}

void checkElement(const TiXmlElement& inElement, const Field& inField, const std::string& inPath) {
    if (ztCentralValidator::isSimpleType(inField.type)) {
        if (hasChildElement(inElement))
            fail(ztCentralText::notPlainValue, 'a', inPath);
        const std::string text = ztCentralValidator::textOf(inElement);
        std::string why;
        if (!ztCentralValidator::isValidValue(inField.type, text, why))
            fail(ztCentralText::invalidValue, 'v', text, 'a', inPath, 'w', why);
        return;
    }
    const ztCentralCatalog::Type* type = ztCentralCatalog::instance().findType(inField.type);
    if (type == nullptr)
        return;
    // A complex value given as bare text (an empty JSON object, say) has no fields at all.
    if (!hasChildElement(inElement) && !ztCentralValidator::textOf(inElement).empty())
        fail(ztCentralText::structuredValue, 'a', inPath);
    checkChildren(inElement, type->fields, inPath);
}

bool isHostName(std::string_view inText) {
    if (inText.empty() || inText.size() > 255)
        return false;
    for (char c : inText) {
        const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                        (c >= '0' && c <= '9') || c == '-' || c == '.' || c == '_';
        if (!ok)
            return false;
    }
    return true;
}

bool isHex(std::string_view inText) {
    if (inText.size() % 2 != 0)
        return false;
    for (char c : inText) {
        const bool ok = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
        if (!ok)
            return false;
    }
    return true;
}

bool allDigits(std::string_view inText) {
    if (inText.empty())
        return false;
    for (char c : inText)
        if (c < '0' || c > '9')
            return false;
    return true;
}

} // namespace

std::string_view ztCentralValidator::localName(const TiXmlElement& inElement) {
    std::string_view name = inElement.ValueStr();
    const size_t colon = name.rfind(':');
    return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

std::string ztCentralValidator::textOf(const TiXmlElement& inElement) {
    const TiXmlNode* first = inElement.FirstChild();
    if (first == nullptr || first->ToText() == nullptr)
        return {};
    return first->ValueStr();
}

const TiXmlElement* ztCentralValidator::child(const TiXmlElement& inElement,
                                              std::string_view inName) {
    for (const TiXmlElement* element = inElement.FirstChildElement(); element != nullptr;
         element = element->NextSiblingElement())
        if (ztCentralEqualNoCase(localName(*element), inName))
            return element;
    return nullptr;
}

std::string ztCentralValidator::childText(const TiXmlElement& inElement, std::string_view inName) {
    const TiXmlElement* element = child(inElement, inName);
    return element == nullptr ? std::string() : textOf(*element);
}

bool ztCentralValidator::isSimpleType(std::string_view inType) {
    if (inType.substr(0, 2) == "s:")
        return true;
    const ztCentralCatalog::Type* type = ztCentralCatalog::instance().findType(inType);
    return type != nullptr && type->form == ztCentralCatalog::Type::Form::simple;
}

bool ztCentralValidator::parseBool(std::string_view inText, bool& outValue) {
    if (inText == "1" || ztCentralEqualNoCase(inText, "true")) {
        outValue = true;
        return true;
    }
    if (inText == "0" || ztCentralEqualNoCase(inText, "false")) {
        outValue = false;
        return true;
    }
    return false;
}

bool ztCentralValidator::parseInt(std::string_view inText, int32_t& outValue) {
    if (!inText.empty() && inText.front() == '+')
        inText.remove_prefix(1);
    auto [end, error] = std::from_chars(inText.data(), inText.data() + inText.size(), outValue);
    return !inText.empty() && error == std::errc() && end == inText.data() + inText.size();
}

bool ztCentralValidator::parseUInt(std::string_view inText, uint32_t& outValue) {
    if (!inText.empty() && inText.front() == '+')
        inText.remove_prefix(1);
    if (!allDigits(inText))
        return false;
    auto [end, error] = std::from_chars(inText.data(), inText.data() + inText.size(), outValue);
    return error == std::errc() && end == inText.data() + inText.size();
}

bool ztCentralValidator::parseReference(std::string_view inText, Reference& outReference) {
    if (inText.size() < 3 || inText.front() != '{' || inText.back() != '}')
        return false;
    std::string_view inner = inText.substr(1, inText.size() - 2);
    Reference result;
    if (!inner.empty() && inner.front() == '#') {
        const size_t dash = inner.find('-');
        if (dash == std::string_view::npos)
            return false;
        std::string_view number = inner.substr(1, dash - 1);
        int32_t type = 0;
        if (!allDigits(number) || !parseInt(number, type) || type < 0 || type >= kObjectTypeCount)
            return false;
        result.type = type;
        inner.remove_prefix(dash);
    }
    if (inner.empty() || inner.front() != '-')
        return false;
    inner.remove_prefix(1);
    if (inner.empty())
        return false;
    if (inner.front() == '#' && allDigits(inner.substr(1))) {
        if (!parseUInt(inner.substr(1), result.id))
            return false;
        result.byId = true;
    } else {
        result.name = std::string(inner);
    }
    outReference = std::move(result);
    return true;
}

bool ztCentralValidator::isValidValue(std::string_view inType, std::string_view inValue,
                                      std::string& outWhy) {
    if (inValue.empty())
        return true;
    if (inType == "s:int") {
        int32_t value = 0;
        outWhy = "a 32-bit integer is expected.";
        return parseInt(inValue, value);
    }
    if (inType == "s:unsignedInt") {
        uint32_t value = 0;
        outWhy = "an unsigned 32-bit integer is expected.";
        return parseUInt(inValue, value);
    }
    if (inType == "s:boolean") {
        bool value = false;
        outWhy = "one of 1, 0, true and false is expected.";
        return parseBool(inValue, value);
    }
    if (inType == "tns:IPAddress") {
        ztCentralAddress::Value value = 0;
        outWhy = "an IPv4 or IPv6 address is expected.";
        return ztCentralAddress::parse(inValue, value);
    }
    if (inType == "tns:IPOrHostname") {
        ztCentralAddress::Value value = 0;
        outWhy = "an IP address or a host name is expected.";
        return ztCentralAddress::parse(inValue, value) || isHostName(inValue);
    }
    if (inType == "tns:HexStr") {
        outWhy = "pairs of hexadecimal digits are expected.";
        return isHex(inValue);
    }
    if (inType == "tns:ObjRef") {
        Reference reference;
        outWhy = "an object reference such as {#4-#12} is expected.";
        return parseReference(inValue, reference);
    }
    if (inType == "tns:ObjectType") {
        ztObjType type = obj_unknown;
        outWhy = "the name of an object type is expected.";
        return objectTypeFromName(inValue, type) && type != obj_unknown;
    }
    return true;
}

std::string ztCentralValidator::normalized(std::string_view inType, std::string_view inValue) {
    if (inValue.empty())
        return {};
    if (inType == "s:boolean") {
        bool value = false;
        parseBool(inValue, value);
        return value ? "1" : "0";
    }
    if (inType == "tns:IPAddress") {
        ztCentralAddress::Value value = 0;
        if (ztCentralAddress::parse(inValue, value))
            return ztCentralAddress::format(value);
    }
    if (inType == "tns:ObjectType") {
        ztObjType type = obj_unknown;
        if (objectTypeFromName(inValue, type))
            return objectTypeName(type);
    }
    return std::string(inValue);
}

void ztCentralValidator::validate(const TiXmlElement& inCommand,
                                  const ztCentralCatalog::Command& inDecl) {
    std::vector<Field> fields = inDecl.input;
    fields.insert(fields.end(), inDecl.choice.begin(), inDecl.choice.end());
    std::vector<int> seen(fields.size(), 0);
    bool sessionSeen = false;
    for (const TiXmlElement* child = inCommand.FirstChildElement(); child != nullptr;
         child = child->NextSiblingElement()) {
        const std::string name(localName(*child));
        if (ztCentralEqualNoCase(name, "session")) {
            if (sessionSeen)
                fail(ztCentralText::repeatedArgument, 'a', name);
            sessionSeen = true;
            continue;
        }
        const Field* field = findField(fields, name);
        if (field == nullptr)
            fail(ztCentralText::unknownArgument, 'a', name, 'c', inDecl.name);
        const size_t index = static_cast<size_t>(field - fields.data());
        if (seen[index] > 0 && !field->repeated)
            fail(ztCentralText::repeatedArgument, 'a', name);
        checkElement(*child, *field, field->name);
        if (counts(*child, *field))
            ++seen[index];
    }
    for (size_t i = 0; i < inDecl.input.size(); ++i)
        if (fields[i].required && seen[i] == 0)
            fail(ztCentralText::missingArgument, 'a', fields[i].name, 'c', inDecl.name);
    if (inDecl.choice.empty())
        return;
    int given = 0;
    std::string names;
    for (size_t i = inDecl.input.size(); i < fields.size(); ++i) {
        given += seen[i] > 0 ? 1 : 0;
        names += (names.empty() ? "\"" : ", \"") + fields[i].name + "\"";
    }
    if (given != 1)
        fail(ztCentralText::choiceArgument, 'c', inDecl.name, 'a', names);
}
