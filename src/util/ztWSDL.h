#pragma once
// One central server's service description: the WSDL document as an XML tree, an index of
// its named schema declarations and the list of its commands with their input and output
// declarations. The dispatcher asks it for the server's spelling of a command name, and the
// typed JSON conversion walks the declarations it hands out.

#include <cstdint>
#include <forward_list>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>

class TiXmlDocument;
class TiXmlElement;
class ztNetReader;

class ztWSDL {
public:
    // The kind of a schema declaration. Single bits, so that callers can test a set of kinds
    // with one mask.
    enum ElementKind : uint32_t {
        type_unknown = 0,
        type_string = 1,       // "s:string"
        type_hexStr = 2,       // "tns:HexStr"
        type_ipOrHostname = 4, // "tns:IPOrHostname"
        type_ipAddress = 8,    // "tns:IPAddress"
        type_int = 16,         // "s:int"
        type_unsignedInt = 32, // "s:unsignedInt"
        type_boolean = 64,     // "s:boolean"
        type_dateTime = 128,   // "tns:DateTime"
        type_array = 512,      // a sequence whose only child may repeat without bound
        type_struct = 1024,    // any other complex type
    };

    // A command the server offers. The elements point into the model's own document and are
    // null when the schema lacks the declaration.
    struct Command {
        std::string itsName;
        std::string itsInfo; // sent by the server with each command; stored, never read here
        const TiXmlElement* itsInput = nullptr;  // declared as "tns:" + name
        const TiXmlElement* itsOutput = nullptr; // declared as "tns:" + name + "Response"
    };

    // Orders names with ASCII letters folded to upper case and no other folding.
    struct NoCaseLess {
        using is_transparent = void;
        bool operator()(std::string_view inLeft, std::string_view inRight) const;
    };

    // "tns:" + declared name -> declaring element; byte-wise keys.
    using TypeLookup = std::map<std::string, const TiXmlElement*>;
    // Command name, exactly as the server spells it -> command.
    using CommandMap = std::map<std::string, Command>;
    using CommandNameSet = std::set<std::string, NoCaseLess>;

    // A model holding only the document skeleton (definitions, types, schema) and the
    // library's four simple types "HexStr", "IPOrHostname", "IPAddress" and "DateTime".
    ztWSDL();
    // Element pointers handed out stay valid across a move: the document lives on the heap.
    ztWSDL(ztWSDL&& inOther) noexcept;
    ztWSDL& operator=(ztWSDL&& inOther) noexcept;
    ztWSDL(const ztWSDL&) = delete;
    ztWSDL& operator=(const ztWSDL&) = delete;
    ~ztWSDL();

    // Replaces the whole model by the body of a GetWSDLInstance answer: the document in the
    // XML net form, then a big-endian 32-bit command count and per command its name and info
    // string. Only what the server sent remains afterwards. The reader's exceptions
    // (std::out_of_range on truncated input) and the replay's ztException pass through; the
    // model is then unchanged. Runs on the one thread that loads the model before it is
    // shared.
    void readFrom(ztNetReader& ioReader);

    // Appends an "s:simpleType" restricting typeName(inKind) to ioParent, or to the schema
    // when ioParent is null, and returns its new "s:restriction" element (owned by the
    // document). A named type is indexed as "tns:" + inName unless that key is taken, and
    // keeps inDocumentation beside the element (not in the XML; see documentationOf).
    // Null when there is no parent and no schema to append to.
    TiXmlElement* addSimpleType(const std::string& inName, uint32_t inKind,
                                std::string_view inDocumentation, TiXmlElement* ioParent);
    // Registers command inName with the declarations "tns:" + inName and "tns:" + inName +
    // "Response"; a missing one is registered as null. An existing command stays unchanged.
    void addCommand(const std::string& inName, const std::string& inInfo);

    // The element declaring a type, or null. inAddPrefix puts "tns:" in front of inName;
    // otherwise inName must already carry it. The lookup is exact.
    const TiXmlElement* findType(const std::string& inName, bool inAddPrefix) const;
    // The input or output declaration of a command, looked up exactly (case-sensitive);
    // null for an unknown command or a missing declaration.
    const TiXmlElement* getInputElement(const std::string& inCommandName) const;
    const TiXmlElement* getOutputElement(const std::string& inCommandName) const;
    // Finds inName among the command names ignoring ASCII case; on success writes the
    // server's spelling into outCanonical and returns true, otherwise leaves it alone.
    bool getCommandName(const std::string& inName, std::string& outCanonical) const;

    // The XML type name of a simple kind ("s:string" ... "tns:DateTime"); "" for any other
    // value, including type_array and type_struct.
    static const char* typeName(uint32_t inKind);
    // The simple kind of an XML type name, ignoring ASCII case; type_unknown for null or a
    // name outside the eight simple types.
    static ElementKind typeFromName(const char* inName);
    // The documentation addSimpleType kept for inElement, or null when it kept none.
    const std::string* documentationOf(const TiXmlElement& inElement) const;

    const TiXmlDocument& document() const { return *itsDocument; }
    // "wsdl:definitions", and "s:schema" below "wsdl:types"; null when a server's document
    // lacks them.
    const TiXmlElement* definitions() const { return itsWSDLDefinitions; }
    const TiXmlElement* types() const { return itsWSDLTypes; }
    const CommandMap& commands() const { return itsWSDLCommands; }

private:
    TypeLookup itsWSDLTypeLookup;
    CommandMap itsWSDLCommands;
    CommandNameSet itsWSDLCommandNames;
    std::unique_ptr<TiXmlDocument> itsDocument;
    TiXmlElement* itsWSDLDefinitions = nullptr; // in itsDocument
    TiXmlElement* itsWSDLTypes = nullptr;       // in itsDocument
    // The texts that simple types point at through their user data; a list, so that the
    // addresses stay put while more are added.
    std::forward_list<std::string> itsDocumentation;
};
