#pragma once
// The stand-in server's commands for IP ranges, IPAM records and DHCP scopes: nesting of ranges,
// address blocks, free addresses and statistics.

#include "ztcentral/handlers/ztCentralCall.h"

class ztCentralIPAMHandlers {
public:
    using Object = ztCentralStore::Object;

    // Enters the commands implemented here.
    static void addTo(ztCentralHandlerMap& ioHandlers);
    // Completes an added range (name, bounds, parent) and refuses one that would overlap a
    // sibling or repeat a range.
    static void prepareRange(ztCentralCall& ioCall, Object& ioRange, const Object* inOld);
    // Moves the ranges that lie inside a new range below it.
    static void rangeAdded(ztCentralCall& ioCall, const Object& inRange);
    // Checks that a scope is named by its subnet and enables it by default.
    static void prepareScope(ztCentralCall& ioCall, Object& ioScope);
    // The list command of IPAM records (GetIPAMRecords): the stored records of a range.
    static void listRecords(ztCentralCall& ioCall);
};
