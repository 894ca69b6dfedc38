#pragma once
// The one declarative table of the stand-in server: every schema type, every kind of managed
// object and every command with its arguments and answer. The WSDL, the documentation page,
// argument validation and dispatch are all derived from it, so they cannot drift apart.

#include "datastruct/ztObjReference.h"

#include <string>
#include <string_view>
#include <vector>

class ztCentralCatalog {
public:
    // Who may see or set a field of an object type.
    enum class Access { readWrite, readOnly, writeOnly };

    // One element of a sequence: a command argument, an answer element or a field of a
    // complex type. Types are qualified ("s:int", "tns:ObjRef", "tns:ArrayOfProperty").
    struct Field {
        std::string name;
        std::string type;
        // Arguments: minOccurs 1. Object fields: must be given when the object is added
        // (object types declare every field optional, as the same type serves both ways).
        bool required = false;
        bool repeated = false; // maxOccurs "unbounded"
        Access access = Access::readWrite;
        std::string doc;
    };

    struct Type {
        enum class Form { simple, sequence, extension };
        std::string name; // without "tns:"
        Form form = Form::sequence;
        std::string base;                 // simple: restriction base; extension: base type
        std::vector<Field> fields;        // sequence or extension fields
        std::vector<std::string> choices; // simple: enumeration values
        std::string doc;
    };

    // What a command does; the generic actions work on the object kind named by `kind`.
    enum class Action { custom, listObjects, getObject, addObject };

    struct Command {
        std::string name;
        std::string info;   // the per-command text sent with the WSDL instance
        std::string family; // namespace of the WSDL filter and unit of refusal
        Action action = Action::custom;
        ztObjType kind = obj_unknown;
        std::vector<Field> input;  // the "session" argument is implied
        std::vector<Field> choice; // exactly one of these must be given (an s:choice)
        std::vector<Field> output;
        bool withoutSession = false; // runs before login (the pre-login command)
        bool gatewayOnly = false;    // declared for clients, answered by the gateway itself
    };

    // A kind of managed object: its type, its element names and its fields after "ref" and
    // "name" (which every object has).
    struct Kind {
        ztObjType type = obj_unknown;
        std::string family;
        std::string item;   // element of one object ("dnsZone")
        std::string list;   // element of a list ("dnsZones")
        std::string refArg; // argument naming one object ("dnsZoneRef")
        std::string listCommand, getCommand, addCommand; // empty: no such command
        std::vector<Field> fields;
        std::string parentField;         // the owner's reference; owned objects go with it
        std::vector<std::string> scopes; // reference arguments that narrow the list command
        bool uniqueNames = true;         // per owner, ignoring ASCII case
        std::string doc;
    };

    // The catalog, built on first use; any thread may call.
    static const ztCentralCatalog& instance();

    const std::vector<Type>& types() const { return itsTypes; }
    const std::vector<Command>& commands() const { return itsCommands; }
    const std::vector<Kind>& kinds() const { return itsKinds; }
    // The family names, sorted, without repeats.
    std::vector<std::string> families() const;

    // Look-ups ignoring ASCII case; null when absent. findType takes the name with or without
    // "tns:" and knows only the catalog's own types.
    const Command* findCommand(std::string_view inName) const;
    const Type* findType(std::string_view inName) const;
    const Kind* findKind(ztObjType inType) const;
    // The schema type of a kind's objects, without "tns:" ("DNSZone", "IPAMRecord").
    static std::string schemaType(const Kind& inKind);
    // The field of a kind by name, ignoring case ("name" and "ref" are not fields).
    static const Field* findField(const Kind& inKind, std::string_view inName);

private:
    ztCentralCatalog();

    std::vector<Type> itsTypes;
    std::vector<Command> itsCommands;
    std::vector<Kind> itsKinds;
};

// True when the texts are equal ignoring the case of ASCII letters.
bool ztCentralEqualNoCase(std::string_view inLeft, std::string_view inRight);
