#pragma once
// A small JSON value for the documents ztwebext writes itself (the OpenAPI description):
// objects keep their keys in insertion order so that the output reads like the source.

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

class ztWebJson {
public:
    enum class Kind { null, boolean, number, string, array, object };

    ztWebJson() = default;
    ztWebJson(bool inValue) : itsKind(Kind::boolean), itsBool(inValue) {}
    ztWebJson(int64_t inValue) : itsKind(Kind::number), itsNumber(std::to_string(inValue)) {}
    ztWebJson(int inValue) : ztWebJson(static_cast<int64_t>(inValue)) {}
    ztWebJson(const char* inValue) : itsKind(Kind::string), itsText(inValue) {}
    ztWebJson(std::string inValue) : itsKind(Kind::string), itsText(std::move(inValue)) {}

    static ztWebJson object() { return ztWebJson(Kind::object); }
    static ztWebJson array() { return ztWebJson(Kind::array); }

    // The member inKey of an object, made (null) when missing. Turns a null into an object.
    ztWebJson& operator[](const std::string& inKey);
    bool has(const std::string& inKey) const;
    // Appends to an array (a null becomes one).
    ztWebJson& push(ztWebJson inValue);
    bool empty() const { return itsMembers.empty() && itsItems.empty(); }

    std::string dump() const;
    // inText as a JSON string literal, with control characters escaped.
    static std::string quote(const std::string& inText);

private:
    explicit ztWebJson(Kind inKind) : itsKind(inKind) {}
    void dumpTo(std::string& ioText) const;

    Kind itsKind = Kind::null;
    bool itsBool = false;
    std::string itsNumber;
    std::string itsText;
    std::vector<std::pair<std::string, ztWebJson>> itsMembers;
    std::vector<ztWebJson> itsItems;
};
