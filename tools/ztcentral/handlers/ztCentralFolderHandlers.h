#pragma once
// The stand-in server's commands for folders: placing objects in folders and listing a folder's
// content with derived types.

#include "ztcentral/handlers/ztCentralCall.h"

class ztCentralFolderHandlers {
public:
    using Object = ztCentralStore::Object;

    // Enters the commands implemented here.
    static void addTo(ztCentralHandlerMap& ioHandlers);
    // Refuses a folder that would lie inside itself.
    static void prepareFolder(ztCentralCall& ioCall, Object& ioFolder, const Object* inOld);
};
