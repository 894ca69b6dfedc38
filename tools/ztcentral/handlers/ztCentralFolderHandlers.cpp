// Folders: the place of objects in folders, and a folder's content.
#include "ztcentral/handlers/ztCentralFolderHandlers.h"

#include "ztcentral/model/ztCentralErr.h"
#include "ztcentral/handlers/ztCentralGeneralHandlers.h"
#include "ztcentral/handlers/ztCentralObjectCodec.h"
#include "ztcentral/catalog/ztCentralValidator.h"

#include "messages/ztException.h"

#include <tinyxml.h>

namespace {

using Object = ztCentralStore::Object;

[[noreturn]] void badValue(const std::string& inValue, const std::string& inArgument,
                           const std::string& inWhy) {
    throw ztException(ztErrorMessage(ztErr_invalidArgument, ztCentralText::invalidValue, 'v',
                                     inValue, 'a', inArgument, 'w', inWhy));
}

// The folder an object lies in: a folder's parent, any other object's place; 0 for none.
uint32_t folderOf(const ztCentralStore& inStore, const Object& inObject) {
    if (inObject.type != obj_folder)
        return inStore.folderOf(inObject.id).value_or(0);
    const std::string* parent = ztCentralStore::get(inObject.fields, "parentRef");
    ztCentralValidator::Reference reference;
    if (parent == nullptr || !ztCentralValidator::parseReference(*parent, reference))
        return 0;
    return reference.id;
}

// True when inFolder is inAncestor or lies somewhere below it.
bool isWithin(const ztCentralStore& inStore, uint32_t inFolder, uint32_t inAncestor) {
    // Folder chains are acyclic (prepareFolder keeps them so); the bound guards anyway.
    for (size_t steps = 0; inFolder != 0 && steps < 100000; ++steps) {
        if (inFolder == inAncestor)
            return true;
        const Object* folder = inStore.find(inFolder);
        inFolder = folder == nullptr ? 0 : folderOf(inStore, *folder);
    }
    return false;
}

std::vector<Object*> objectsArg(ztCentralCall& ioCall) {
    std::vector<Object*> result;
    for (const TiXmlElement* ref = ioCall.arg("objRefs")->FirstChildElement(); ref != nullptr;
         ref = ref->NextSiblingElement())
        result.push_back(&ioCall.resolve(ztCentralValidator::textOf(*ref), "objRefs", obj_unknown));
    return result;
}

// Moves a folder below another (or to the top for 0) through the checks of a change.
void moveFolder(ztCentralCall& ioCall, Object& ioFolder, uint32_t inTarget) {
    const ztCentralCatalog::Kind& kind = *ztCentralCatalog::instance().findKind(obj_folder);
    Object changed = ioFolder;
    if (inTarget == 0)
        ztCentralStore::erase(changed.fields, "parentRef");
    else
        ztCentralStore::set(changed.fields, "parentRef",
                            ztCentralStore::refOf(obj_folder, inTarget));
    ztCentralGeneralHandlers::prepare(ioCall, kind, changed, &ioFolder);
    ioFolder = std::move(changed);
}

void getFolderForObject(ztCentralCall& ioCall) {
    const Object& object = ioCall.object("ref");
    const uint32_t folder = folderOf(ioCall.store(), object);
    const Object* found = ioCall.store().find(folder);
    if (found != nullptr)
        ztCentralObjectCodec::write(ioCall.store(), *found, ioCall.answer(), "folder");
}

void placeInFolder(ztCentralCall& ioCall) {
    Object& folder = ioCall.object("folderRef", obj_folder);
    for (Object* object : objectsArg(ioCall)) {
        if (object->type == obj_folder)
            moveFolder(ioCall, *object, folder.id);
        else
            ioCall.store().placeInFolder(object->id, folder.id);
        ioCall.store().modified(*object, ioCall.user(),
                                "Placed in folder \"" + folder.name + "\".");
    }
}

void removeFromFolder(ztCentralCall& ioCall) {
    const Object* named = ioCall.optionalObject("folderRef", obj_folder);
    const std::vector<Object*> objects = objectsArg(ioCall);
    // Checked for all objects before any moves.
    for (const Object* object : objects)
        if (named != nullptr && folderOf(ioCall.store(), *object) != named->id)
            badValue(ztCentralStore::refOf(*object), "objRefs",
                     "the object is not in folder \"" + named->name + "\".");
    for (Object* object : objects) {
        if (folderOf(ioCall.store(), *object) == 0)
            continue;
        if (object->type == obj_folder)
            moveFolder(ioCall, *object, 0);
        else
            ioCall.store().removeFromFolder(object->id);
        ioCall.store().modified(*object, ioCall.user(), "Removed from its folder.");
    }
}

void getObjectsInFolder(ztCentralCall& ioCall) {
    const Object& folder = ioCall.object("folderRef", obj_folder);
    const ztCentralCall::Paging paging = ioCall.paging();
    std::vector<const Object*> found;
    for (const Object* child : ioCall.store().objectsOf(obj_folder))
        if (folderOf(ioCall.store(), *child) == folder.id && ioCall.matches(*child, paging.filter))
            found.push_back(child);
    for (uint32_t id : ioCall.store().objectsInFolder(folder.id)) {
        const Object* object = ioCall.store().find(id);
        if (object != nullptr && ioCall.matches(*object, paging.filter))
            found.push_back(object);
    }
    TiXmlElement& list = ztCentralCall::addElement(ioCall.answer(), "objects");
    for (const Object* object : ztCentralCall::page(found, paging))
        ztCentralObjectCodec::writeFolderItem(ioCall.store(), *object, list);
    ioCall.writeTotal(found.size());
}

} // namespace

void ztCentralFolderHandlers::addTo(ztCentralHandlerMap& ioHandlers) {
    ioHandlers["GetFolderForObject"] = getFolderForObject;
    ioHandlers["PlaceInFolder"] = placeInFolder;
    ioHandlers["RemoveFromFolder"] = removeFromFolder;
    ioHandlers["GetObjectsInFolder"] = getObjectsInFolder;
}

void ztCentralFolderHandlers::prepareFolder(ztCentralCall& ioCall, Object& ioFolder,
                                            const Object* inOld) {
    if (inOld == nullptr)
        return;
    const uint32_t parent = folderOf(ioCall.store(), ioFolder);
    if (parent != 0 && isWithin(ioCall.store(), parent, inOld->id))
        badValue(ztCentralStore::refOf(obj_folder, parent), "parentRef",
                 "a folder cannot lie inside itself.");
}
