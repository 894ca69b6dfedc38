// Range and IPAM commands, and the nesting rules of ranges.
#include "ztcentral/handlers/ztCentralIPAMHandlers.h"

#include "ztcentral/model/ztCentralAddress.h"
#include "ztcentral/model/ztCentralErr.h"
#include "ztcentral/handlers/ztCentralObjectCodec.h"
#include "ztcentral/model/ztCentralRanges.h"
#include "ztcentral/catalog/ztCentralValidator.h"

#include "messages/ztException.h"

#include <tinyxml.h>

#include <algorithm>
#include <set>

namespace {

using Object = ztCentralStore::Object;
using Value = ztCentralAddress::Value;

[[noreturn]] void badValue(const std::string& inValue, const std::string& inArgument,
                           const std::string& inWhy) {
    throw ztException(ztErrorMessage(ztErr_invalidArgument, ztCentralText::invalidValue, 'v',
                                     inValue, 'a', inArgument, 'w', inWhy));
}

std::string field(const Object& inObject, std::string_view inName) {
    const std::string* value = ztCentralStore::get(inObject.fields, inName);
    return value == nullptr ? std::string() : *value;
}

struct Bounds {
    Value from = 0;
    Value to = 0;
};

Bounds boundsOf(const Object& inRange) {
    Bounds result;
    ztCentralRanges::bounds(inRange, result.from, result.to);
    return result;
}

// The addresses a range has in use, in order.
std::set<Value> usedAddresses(ztCentralStore& ioStore, const Bounds& inBounds) {
    std::set<Value> result;
    for (const Object* record : ztCentralRanges::records(ioStore, inBounds.from, inBounds.to)) {
        Value address = 0;
        if (ztCentralRanges::inUse(*record) && ztCentralAddress::parse(record->name, address))
            result.insert(address);
    }
    return result;
}

void writeBlock(TiXmlNode& ioParent, Value inFrom, Value inTo) {
    TiXmlElement& block = ztCentralCall::addElement(ioParent, "addressBlock");
    ztCentralCall::addText(block, "from", ztCentralAddress::format(inFrom));
    ztCentralCall::addText(block, "to", ztCentralAddress::format(inTo));
    ztCentralCall::addText(block, "size", std::to_string(ztCentralAddress::count(inFrom, inTo)));
}

// The subranges of a range in address order, and the gaps between them.
struct Layout {
    std::vector<Bounds> used;
    std::vector<Bounds> gaps;
};

Layout layoutOf(ztCentralStore& ioStore, const Object& inRange) {
    const Bounds whole = boundsOf(inRange);
    Layout result;
    for (const Object* child : ztCentralRanges::children(ioStore, inRange.id))
        result.used.push_back(boundsOf(*child));
    std::sort(result.used.begin(), result.used.end(),
              [](const Bounds& inA, const Bounds& inB) { return inA.from < inB.from; });
    Value next = whole.from;
    bool done = false;
    for (const Bounds& child : result.used) {
        if (child.from > next)
            result.gaps.push_back({next, child.from - 1});
        if (child.to == whole.to) {
            done = true;
            break;
        }
        next = child.to + 1;
    }
    if (!done && next <= whole.to)
        result.gaps.push_back({next, whole.to});
    return result;
}

void getSubranges(ztCentralCall& ioCall) {
    const Object& parent = ioCall.object("parentRef", obj_range);
    const ztCentralCall::Paging paging = ioCall.paging();
    std::vector<const Object*> found;
    for (const Object* child : ztCentralRanges::children(ioCall.store(), parent.id))
        if (ioCall.matches(*child, paging.filter))
            found.push_back(child);
    TiXmlElement& list = ztCentralCall::addElement(ioCall.answer(), "ranges");
    for (const Object* child : ztCentralCall::page(found, paging))
        ztCentralObjectCodec::write(ioCall.store(), *child, list, "range");
    ioCall.writeTotal(found.size());
}

void getAddressBlocks(ztCentralCall& ioCall) {
    const Layout layout = layoutOf(ioCall.store(), ioCall.object("rangeRef", obj_range));
    std::vector<Bounds> blocks = layout.used;
    blocks.insert(blocks.end(), layout.gaps.begin(), layout.gaps.end());
    std::sort(blocks.begin(), blocks.end(),
              [](const Bounds& inA, const Bounds& inB) { return inA.from < inB.from; });
    TiXmlElement& list = ztCentralCall::addElement(ioCall.answer(), "addressBlocks");
    for (const Bounds& block : blocks)
        writeBlock(list, block.from, block.to);
}

void getAvailableAddressBlocks(ztCentralCall& ioCall) {
    const Layout layout = layoutOf(ioCall.store(), ioCall.object("rangeRef", obj_range));
    const uint32_t size = ioCall.uintArg("size", 1);
    TiXmlElement& list = ztCentralCall::addElement(ioCall.answer(), "addressBlocks");
    for (const Bounds& gap : layout.gaps)
        if (ztCentralAddress::count(gap.from, gap.to) >= size)
            writeBlock(list, gap.from, gap.to);
}

void getInheritAccess(ztCentralCall& ioCall) {
    const std::string inherit = field(ioCall.object("rangeRef", obj_range), "inheritAccess");
    ztCentralCall::addText(ioCall.answer(), "inheritAccess", inherit.empty() ? "1" : inherit);
}

void getNextFreeAddress(ztCentralCall& ioCall) {
    const Object& range = ioCall.object("rangeRef", obj_range);
    const Bounds bounds = boundsOf(range);
    Value first = bounds.from;
    Value last = bounds.to;
    // The network and broadcast addresses of an IPv4 subnet are never handed out.
    const int length = ztCentralAddress::prefixLength(bounds.from, bounds.to);
    if (ztCentralAddress::isIPv4(bounds.from) && length >= 0 && length <= 30) {
        ++first;
        --last;
    }
    if (ioCall.has("startAddress")) {
        Value start = 0;
        ztCentralAddress::parse(ioCall.text("startAddress"), start);
        if (start < bounds.from || start > bounds.to)
            badValue(ioCall.text("startAddress"), "startAddress", "it lies outside the range.");
        first = std::max(first, start);
    }
    const std::set<Value> used = usedAddresses(ioCall.store(), bounds);
    // Each step passes one used address, so the walk ends after at most used.size() steps.
    for (Value candidate = first; candidate <= last; ++candidate) {
        if (used.count(candidate) == 0) {
            ztCentralCall::addText(ioCall.answer(), "address", ztCentralAddress::format(candidate));
            return;
        }
        if (candidate == last)
            break;
    }
    throw ztException(ztCentralErr_objectNotFound, ztCentralText::noFreeAddress, 'r', range.name);
}

void getRangeStatistics(ztCentralCall& ioCall) {
    const Object& range = ioCall.object("rangeRef", obj_range);
    const Bounds bounds = boundsOf(range);
    uint32_t assigned = 0;
    uint32_t reserved = 0;
    for (const Object* record : ztCentralRanges::records(ioCall.store(), bounds.from, bounds.to)) {
        const std::string state = field(*record, "state");
        assigned += ztCentralEqualNoCase(state, "Assigned") ? 1 : 0;
        reserved += ztCentralEqualNoCase(state, "Reserved") ? 1 : 0;
    }
    const uint32_t total = ztCentralAddress::count(bounds.from, bounds.to);
    TiXmlElement& statistics = ztCentralCall::addElement(ioCall.answer(), "rangeStatistics");
    ztCentralCall::addText(statistics, "total", std::to_string(total));
    ztCentralCall::addText(statistics, "assigned", std::to_string(assigned));
    ztCentralCall::addText(statistics, "reserved", std::to_string(reserved));
    ztCentralCall::addText(statistics, "free", std::to_string(total - assigned - reserved));
    ztCentralCall::addText(
        statistics, "utilizationPercentage",
        ztCentralObjectCodec::fieldValue(ioCall.store(), range, "utilizationPercentage"));
}

void getRangeByIPAddress(ztCentralCall& ioCall) {
    const Object& record = ioCall.object("addrRef", obj_ipAddress);
    Value address = 0;
    ztCentralAddress::parse(record.name, address);
    const Object* range = ztCentralRanges::innermost(ioCall.store(), address, address);
    if (range == nullptr)
        throw ztException(ztCentralErr_objectNotFound, ztCentralText::noRangeForAddress, 'r',
                          record.name);
    ztCentralObjectCodec::write(ioCall.store(), *range, ioCall.answer(), "range");
}

void ping(ztCentralCall& ioCall) {
    const Object& record = ioCall.object("addrRef", obj_ipAddress);
    ztCentralCall::addText(ioCall.answer(), "address", record.name);
    ztCentralCall::addText(ioCall.answer(), "reachable",
                           ztCentralEqualNoCase(field(record, "state"), "Assigned") ? "1" : "0");
}

} // namespace

void ztCentralIPAMHandlers::addTo(ztCentralHandlerMap& ioHandlers) {
    ioHandlers["GetSubranges"] = getSubranges;
    ioHandlers["GetAddressBlocks"] = getAddressBlocks;
    ioHandlers["GetAvailableAddressBlocks"] = getAvailableAddressBlocks;
    ioHandlers["GetInheritAccess"] = getInheritAccess;
    ioHandlers["GetNextFreeAddress"] = getNextFreeAddress;
    ioHandlers["GetRangeStatistics"] = getRangeStatistics;
    ioHandlers["GetRangeByIPAddress"] = getRangeByIPAddress;
    ioHandlers["Ping"] = ping;
}

void ztCentralIPAMHandlers::prepareRange(ztCentralCall& ioCall, Object& ioRange,
                                         const Object* inOld) {
    // A stored range keeps its bounds (SetProperties refuses them), so only additions are
    // placed here.
    if (inOld != nullptr)
        return;
    Bounds bounds;
    const std::string from = field(ioRange, "from");
    const std::string to = field(ioRange, "to");
    if (!from.empty() || !to.empty()) {
        if (from.empty() || to.empty())
            throw ztException(ztErr_invalidArgument, ztCentralText::missingElement, 'e',
                              from.empty() ? "from" : "to", 'a', "range");
        ztCentralAddress::parse(from, bounds.from);
        ztCentralAddress::parse(to, bounds.to);
        if (ztCentralAddress::isIPv4(bounds.from) != ztCentralAddress::isIPv4(bounds.to) ||
            bounds.from > bounds.to)
            badValue(from + "-" + to, "range", "first and last address of one family, in order.");
        Bounds named;
        if (!ioRange.name.empty() &&
            (!ztCentralAddress::parseRange(ioRange.name, named.from, named.to) ||
             named.from != bounds.from || named.to != bounds.to))
            badValue(ioRange.name, "range/name", "it does not match from and to.");
    } else if (!ztCentralAddress::parseRange(ioRange.name, bounds.from, bounds.to)) {
        badValue(ioRange.name, "range/name", "a prefix or two addresses joined by - is expected.");
    }
    ioRange.name = ztCentralAddress::rangeName(bounds.from, bounds.to);
    ztCentralStore::set(ioRange.fields, "from", ztCentralAddress::format(bounds.from));
    ztCentralStore::set(ioRange.fields, "to", ztCentralAddress::format(bounds.to));
    if (ztCentralStore::get(ioRange.fields, "subnet") == nullptr)
        ztCentralStore::set(ioRange.fields, "subnet",
                            ztCentralAddress::prefixLength(bounds.from, bounds.to) >= 0 ? "1"
                                                                                        : "0");

    const Object* parent = ztCentralRanges::innermost(ioCall.store(), bounds.from, bounds.to);
    // The same range twice is an existing item; the unique-name check reports it.
    if (parent != nullptr && parent->name == ioRange.name)
        return;
    if (parent == nullptr)
        ztCentralStore::erase(ioRange.fields, "parentRef");
    else
        ztCentralStore::set(ioRange.fields, "parentRef", ztCentralStore::refOf(*parent));
    for (const Object* sibling :
         ztCentralRanges::children(ioCall.store(), parent == nullptr ? 0 : parent->id)) {
        const Bounds other = boundsOf(*sibling);
        const bool overlaps = !(other.to < bounds.from || other.from > bounds.to);
        const bool inside = other.from >= bounds.from && other.to <= bounds.to;
        if (overlaps && !inside)
            badValue(ioRange.name, "range", "it overlaps the range " + sibling->name + ".");
    }
}

void ztCentralIPAMHandlers::rangeAdded(ztCentralCall& ioCall, const Object& inRange) {
    const Bounds bounds = boundsOf(inRange);
    const std::string parent = field(inRange, "parentRef");
    ztCentralValidator::Reference parentRef;
    uint32_t parentId = 0;
    if (ztCentralValidator::parseReference(parent, parentRef))
        parentId = parentRef.id;
    for (const Object* sibling : ztCentralRanges::children(ioCall.store(), parentId)) {
        const Bounds other = boundsOf(*sibling);
        if (sibling->id != inRange.id && other.from >= bounds.from && other.to <= bounds.to)
            ztCentralStore::set(ioCall.store().find(sibling->id)->fields, "parentRef",
                                ztCentralStore::refOf(inRange));
    }
}

void ztCentralIPAMHandlers::prepareScope(ztCentralCall& ioCall, Object& ioScope) {
    (void)ioCall;
    Bounds bounds;
    if (!ioScope.name.empty()) {
        if (!ztCentralAddress::parsePrefix(ioScope.name, bounds.from, bounds.to))
            badValue(ioScope.name, "dhcpScope/name", "a subnet in prefix notation is expected.");
        ioScope.name = ztCentralAddress::rangeName(bounds.from, bounds.to);
    }
    if (ztCentralStore::get(ioScope.fields, "enabled") == nullptr)
        ztCentralStore::set(ioScope.fields, "enabled", "1");
}

void ztCentralIPAMHandlers::listRecords(ztCentralCall& ioCall) {
    const Object& range = ioCall.object("rangeRef", obj_range);
    const Bounds bounds = boundsOf(range);
    const ztCentralCall::Paging paging = ioCall.paging();
    std::vector<const Object*> found;
    for (const Object* record : ztCentralRanges::records(ioCall.store(), bounds.from, bounds.to))
        if (ioCall.matches(*record, paging.filter))
            found.push_back(record);
    TiXmlElement& list = ztCentralCall::addElement(ioCall.answer(), "ipamRecords");
    for (const Object* record : ztCentralCall::page(found, paging))
        ztCentralObjectCodec::write(ioCall.store(), *record, list, "ipamRecord");
    ioCall.writeTotal(found.size());
}
