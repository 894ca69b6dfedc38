// The case-insensitive look-up maps over the object type table, built once on first use.
#include "datastruct/ztObjReference.h"

#include "messages/ztAssert.h"

#include <algorithm>
#include <map>

namespace {

char lowerAscii(char inChar) {
    return (inChar >= 'A' && inChar <= 'Z') ? static_cast<char>(inChar - 'A' + 'a') : inChar;
}

// Orders texts as their ASCII-lower-cased forms; transparent so that a string_view can be
// looked up without building a key.
struct CaseInsensitiveLess {
    using is_transparent = void;
    bool operator()(std::string_view inLeft, std::string_view inRight) const {
        return std::lexicographical_compare(
            inLeft.begin(), inLeft.end(), inRight.begin(), inRight.end(),
            [](char inA, char inB) { return lowerAscii(inA) < lowerAscii(inB); });
    }
};

// Keys point into kObjectType, which lives as long as the program.
using TypeMap = std::map<std::string_view, ztObjType, CaseInsensitiveLess>;

TypeMap buildMap(int inIndex) {
    TypeMap result;
    for (ztObjType i = 0; i < kObjectTypeCount; ++i) {
        // Row 15 is unassigned and repeats "Unknown", which belongs to row 0.
        if (i == 15)
            continue;
        ztAssert(result.find(kObjectType[i][inIndex]) == result.end());
        result.emplace(kObjectType[i][inIndex], i);
    }
    return result;
}

// Built by the first caller while concurrent first callers wait (a function-local static);
// never destroyed, so look-ups from threads still running at exit stay valid.
const TypeMap& nameMap() {
    static const TypeMap* theMap = new TypeMap(buildMap(kObjectTypeNameColumn));
    return *theMap;
}

const TypeMap& collectionMap() {
    static const TypeMap* theMap = new TypeMap(buildMap(kObjectTypeCollectionColumn));
    return *theMap;
}

bool lookUp(const TypeMap& inMap, std::string_view inText, ztObjType& outType) {
    const auto found = inMap.find(inText);
    if (found == inMap.end())
        return false;
    outType = found->second;
    return true;
}

const char* column(ztObjType inType, int inIndex) {
    if (inType < 0 || inType >= kObjectTypeCount)
        return kObjectType[obj_unknown][inIndex];
    return kObjectType[inType][inIndex];
}

} // namespace

bool objectTypeFromName(std::string_view inName, ztObjType& outType) {
    return lookUp(nameMap(), inName, outType);
}

bool objectTypeFromCollection(std::string_view inCollection, ztObjType& outType) {
    return lookUp(collectionMap(), inCollection, outType);
}

const char* objectTypeName(ztObjType inType) {
    return column(inType, kObjectTypeNameColumn);
}

const char* objectTypeCollection(ztObjType inType) {
    return column(inType, kObjectTypeCollectionColumn);
}
