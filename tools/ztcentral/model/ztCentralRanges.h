#pragma once
// Ranges and IPAM records over the stand-in server's store: which range holds an address,
// which ranges lie directly inside another, and the record of an address (made on first use
// when the address lies in a range, as a real server answers for any address it manages).

#include "ztcentral/model/ztCentralAddress.h"
#include "ztcentral/model/ztCentralStore.h"

#include <vector>

class ztCentralRanges {
public:
    using Object = ztCentralStore::Object;
    using Value = ztCentralAddress::Value;

    // The first and last address of a range object; false when its fields are unset.
    static bool bounds(const Object& inRange, Value& outFrom, Value& outTo);
    // The smallest range that holds every address from inFrom to inTo, skipping the object
    // inExcept (0 for none); null when no range does.
    static const Object* innermost(const ztCentralStore& inStore, Value inFrom, Value inTo,
                                   uint32_t inExcept = 0);
    // Ranges whose parentRef is the given range (0: top-level ranges), in id order.
    static std::vector<const Object*> children(const ztCentralStore& inStore, uint32_t inParent);
    // Stored IPAM records from inFrom to inTo, in address order.
    static std::vector<const Object*> records(const ztCentralStore& inStore, Value inFrom,
                                              Value inTo);
    // True when the record's address is taken (state Assigned or Reserved).
    static bool inUse(const Object& inRecord);
    // The record of an address: the stored one, or a fresh one with state Free when the
    // address lies in a range (no history is recorded for it). Null outside every range.
    static Object* record(ztCentralStore& ioStore, Value inAddress);
};
