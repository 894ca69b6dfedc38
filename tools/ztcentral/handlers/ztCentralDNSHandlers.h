#pragma once
// The stand-in server's commands for DNS zones, records and servers: zone and record rules, several
// records at once, related records and zone options.

#include "ztcentral/handlers/ztCentralCall.h"

class ztCentralDNSHandlers {
public:
    using Object = ztCentralStore::Object;

    // Enters the commands implemented here.
    static void addTo(ztCentralHandlerMap& ioHandlers);
    // Completes a zone about to be stored (final dot, type Master by default) and refuses a
    // bad name or type, or a view of another server. Throws ztException.
    static void prepareZone(ztCentralCall& ioCall, Object& ioZone);
    // Refuses a record whose name, type, data or TTL is malformed and enables it by default.
    static void prepareRecord(ztCentralCall& ioCall, Object& ioRecord);
};
