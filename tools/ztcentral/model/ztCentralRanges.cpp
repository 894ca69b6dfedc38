// Range containment and IPAM records.
#include "ztcentral/model/ztCentralRanges.h"

#include "ztcentral/catalog/ztCentralValidator.h"

#include <algorithm>

bool ztCentralRanges::bounds(const Object& inRange, Value& outFrom, Value& outTo) {
    const std::string* from = ztCentralStore::get(inRange.fields, "from");
    const std::string* to = ztCentralStore::get(inRange.fields, "to");
    return from != nullptr && to != nullptr && ztCentralAddress::parse(*from, outFrom) &&
           ztCentralAddress::parse(*to, outTo);
}

const ztCentralStore::Object* ztCentralRanges::innermost(const ztCentralStore& inStore,
                                                         Value inFrom, Value inTo,
                                                         uint32_t inExcept) {
    const Object* best = nullptr;
    Value bestSize = 0;
    for (const Object* range : inStore.objectsOf(obj_range)) {
        Value from = 0;
        Value to = 0;
        if (range->id == inExcept || !bounds(*range, from, to) || from > inFrom || to < inTo)
            continue;
        if (best == nullptr || to - from < bestSize) {
            best = range;
            bestSize = to - from;
        }
    }
    return best;
}

std::vector<const ztCentralStore::Object*> ztCentralRanges::children(const ztCentralStore& inStore,
                                                                     uint32_t inParent) {
    const std::string parentRef =
        inParent == 0 ? std::string() : ztCentralStore::refOf(obj_range, inParent);
    std::vector<const Object*> result;
    for (const Object* range : inStore.objectsOf(obj_range)) {
        const std::string* ref = ztCentralStore::get(range->fields, "parentRef");
        if ((ref == nullptr ? std::string() : *ref) == parentRef)
            result.push_back(range);
    }
    return result;
}

std::vector<const ztCentralStore::Object*> ztCentralRanges::records(const ztCentralStore& inStore,
                                                                    Value inFrom, Value inTo) {
    std::vector<std::pair<Value, const Object*>> found;
    for (const Object* record : inStore.objectsOf(obj_ipAddress)) {
        Value address = 0;
        if (ztCentralAddress::parse(record->name, address) && address >= inFrom && address <= inTo)
            found.emplace_back(address, record);
    }
    std::sort(found.begin(), found.end(),
              [](const auto& inA, const auto& inB) { return inA.first < inB.first; });
    std::vector<const Object*> result;
    for (const auto& entry : found)
        result.push_back(entry.second);
    return result;
}

bool ztCentralRanges::inUse(const Object& inRecord) {
    const std::string* state = ztCentralStore::get(inRecord.fields, "state");
    return state != nullptr &&
           (ztCentralEqualNoCase(*state, "Assigned") || ztCentralEqualNoCase(*state, "Reserved"));
}

ztCentralStore::Object* ztCentralRanges::record(ztCentralStore& ioStore, Value inAddress) {
    const std::string name = ztCentralAddress::format(inAddress);
    for (ztCentralStore::Object* existing : ioStore.findByName(obj_ipAddress, name))
        return existing;
    if (innermost(ioStore, inAddress, inAddress) == nullptr)
        return nullptr;
    Object fresh;
    fresh.type = obj_ipAddress;
    fresh.name = name;
    ztCentralStore::set(fresh.fields, "state", "Free");
    return &ioStore.add(std::move(fresh), {}, {}, false);
}
