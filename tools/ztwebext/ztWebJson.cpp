// Writing the small JSON values.
#include "ztwebext/ztWebJson.h"

#include <cstdio>

ztWebJson& ztWebJson::operator[](const std::string& inKey) {
    if (itsKind == Kind::null)
        itsKind = Kind::object;
    for (auto& [key, value] : itsMembers)
        if (key == inKey)
            return value;
    itsMembers.emplace_back(inKey, ztWebJson());
    return itsMembers.back().second;
}

bool ztWebJson::has(const std::string& inKey) const {
    for (const auto& member : itsMembers)
        if (member.first == inKey)
            return true;
    return false;
}

ztWebJson& ztWebJson::push(ztWebJson inValue) {
    if (itsKind == Kind::null)
        itsKind = Kind::array;
    itsItems.push_back(std::move(inValue));
    return itsItems.back();
}

std::string ztWebJson::quote(const std::string& inText) {
    std::string text = "\"";
    for (const char c : inText) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            text += '\\';
            text += c;
        } else if (c == '\n') {
            text += "\\n";
        } else if (c == '\r') {
            text += "\\r";
        } else if (c == '\t') {
            text += "\\t";
        } else if (byte < 0x20) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", byte);
            text += escape;
        } else {
            text += c;
        }
    }
    return text + '"';
}

std::string ztWebJson::dump() const {
    std::string text;
    dumpTo(text);
    return text;
}

void ztWebJson::dumpTo(std::string& ioText) const {
    switch (itsKind) {
    case Kind::null:
        ioText += "null";
        return;
    case Kind::boolean:
        ioText += itsBool ? "true" : "false";
        return;
    case Kind::number:
        ioText += itsNumber;
        return;
    case Kind::string:
        ioText += quote(itsText);
        return;
    case Kind::array:
        ioText += '[';
        for (size_t i = 0; i < itsItems.size(); ++i) {
            if (i > 0)
                ioText += ',';
            itsItems[i].dumpTo(ioText);
        }
        ioText += ']';
        return;
    case Kind::object:
        ioText += '{';
        for (size_t i = 0; i < itsMembers.size(); ++i) {
            if (i > 0)
                ioText += ',';
            ioText += quote(itsMembers[i].first) + ':';
            itsMembers[i].second.dumpTo(ioText);
        }
        ioText += '}';
        return;
    }
}
