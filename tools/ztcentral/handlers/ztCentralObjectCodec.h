#pragma once
// Managed objects as XML: writing an object into an answer (its declared fields in order,
// computed fields filled in, write-only fields left out, its custom properties), reading one
// from an addition, and setting one property by name as SetProperties does.

#include "ztcentral/catalog/ztCentralCatalog.h"
#include "ztcentral/model/ztCentralStore.h"

#include <string>
#include <string_view>

class TiXmlElement;
class TiXmlNode;
class ztCentralCall;

class ztCentralObjectCodec {
public:
    using Object = ztCentralStore::Object;

    // Appends the object as element inElementName to ioParent and returns it.
    static TiXmlElement& write(ztCentralStore& ioStore, const Object& inObject, TiXmlNode& ioParent,
                               const std::string& inElementName);
    // Appends the object as an item of a folder listing: element "object" whose "xsi:type"
    // names the object's folder item type, which extends the base type's ref, objType, name.
    static TiXmlElement& writeFolderItem(ztCentralStore& ioStore, const Object& inObject,
                                         TiXmlNode& ioParent);
    // The value of a field as answered, computed fields included; empty when unset.
    static std::string fieldValue(ztCentralStore& ioStore, const Object& inObject,
                                  std::string_view inField);

    // Reads an object of kind inKind from the (validated) element of an addition: its name,
    // its writable fields (references resolved and stored in canonical form, booleans and
    // addresses normalised) and its custom properties; defaults of custom properties are
    // filled in. Throws ztException for a bad reference or custom value.
    static Object read(ztCentralCall& ioCall, const ztCentralCatalog::Kind& inKind,
                       const TiXmlElement& inElement);
    // Sets property inName of ioObject to inValue as SetProperties does: "name", a writable
    // field or a custom property; an empty value clears a field. Throws ztException for an
    // unknown or read-only property or a bad value.
    static void setProperty(ztCentralCall& ioCall, const ztCentralCatalog::Kind& inKind,
                            Object& ioObject, const std::string& inName,
                            const std::string& inValue);
    // Checks custom properties after a change: mandatory ones must have a value.
    static void checkMandatory(ztCentralStore& ioStore, const Object& inObject);

    // The object type a reference field must name: the kind whose reference argument has
    // that name, the object's own type for "parentRef", else any type.
    static ztObjType referenceType(const ztCentralCatalog::Kind& inKind, std::string_view inField);
};
