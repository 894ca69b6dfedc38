#pragma once
// Checks a command element against its declaration in the catalog before the command runs:
// every argument known and given at most once (unless it is a list), every required one
// present, nested values shaped as their types declare, and every plain value well formed.
// Also the value rules shared with the commands (booleans, numbers, addresses, references).

#include "ztcentral/catalog/ztCentralCatalog.h"

#include <cstdint>
#include <string>
#include <string_view>

class TiXmlElement;

class ztCentralValidator {
public:
    // An object reference as text: {#type-#id}, {#type-name}, {-#id} or {-name}.
    struct Reference {
        ztObjType type = obj_unknown; // obj_unknown when the text names no type
        bool byId = false;
        uint32_t id = 0;
        std::string name;
    };

    // Throws a ztException with ztErr_invalidArgument naming the first argument at fault.
    // The element "session" is always allowed. Element names ignore ASCII case and any
    // namespace prefix. An empty element of a type other than a string counts as absent.
    static void validate(const TiXmlElement& inCommand, const ztCentralCatalog::Command& inDecl);

    // True when inValue is a valid text of the simple type inType; otherwise false with the
    // reason in outWhy. The empty text is valid for every type.
    static bool isValidValue(std::string_view inType, std::string_view inValue,
                             std::string& outWhy);
    // The stored form of a valid value: booleans "1" or "0", addresses in canonical text.
    static std::string normalized(std::string_view inType, std::string_view inValue);
    // True for the simple types (those whose values are texts).
    static bool isSimpleType(std::string_view inType);

    static bool parseReference(std::string_view inText, Reference& outReference);
    static bool parseBool(std::string_view inText, bool& outValue);
    static bool parseInt(std::string_view inText, int32_t& outValue);
    static bool parseUInt(std::string_view inText, uint32_t& outValue);

    // The element's name after its last ':'.
    static std::string_view localName(const TiXmlElement& inElement);
    // The text of the element's first child when that is text, else empty.
    static std::string textOf(const TiXmlElement& inElement);
    // The first child element called inName (ignoring ASCII case and any namespace prefix),
    // null when there is none; and its text, empty when there is none.
    static const TiXmlElement* child(const TiXmlElement& inElement, std::string_view inName);
    static std::string childText(const TiXmlElement& inElement, std::string_view inName);
};
