#pragma once
// The commands every object type shares: list, get and add of a kind (the generic actions),
// SetProperties, RemoveObject, object access, history and custom property definitions, and
// the pre-login command. Also the checks an object must pass whenever it is added or changed.

#include "ztcentral/handlers/ztCentralCall.h"

class ztCentralGeneralHandlers {
public:
    using Object = ztCentralStore::Object;

    // Enters the commands implemented here.
    static void addTo(ztCentralHandlerMap& ioHandlers);
    // The implementation of a generic action; null for Action::custom.
    static ztCentralHandler genericHandler(ztCentralCatalog::Action inAction);

    // Checks (and completes) an object about to be stored: the kind's own rules, required
    // fields, mandatory custom properties and unique names. inOld is the stored object when
    // ioObject is a changed copy of it, null for an addition. Throws ztException.
    static void prepare(ztCentralCall& ioCall, const ztCentralCatalog::Kind& inKind,
                        Object& ioObject, const Object* inOld);
    // Removes an object, the objects it owns and every reference to it.
    static void removeWithOwned(ztCentralCall& ioCall, uint32_t inId);
};
