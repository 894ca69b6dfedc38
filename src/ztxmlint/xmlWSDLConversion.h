#pragma once
// The WSDL-typed conversion: walks a JSON-RPC or REST request beside the command's input
// declaration and gives it the shapes the server expects (array items named as declared,
// property lists as name/value pairs, REST references and collection names in the server's
// forms), and walks the answer beside the output declaration, marking each element with the
// JSON type it is to be written as ("type" attribute, read by ztXMLUtil::writeJson).

#include "util/ztXMLFlatTree.h"
#include "ztxmlint/xmlTypedConversion.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>

class xmlWSDLConversion : public xmlTypedConversion {
public:
    // Child element name (case-sensitive) to its "s:element" declaration.
    using DeclarationMap = std::map<std::string, const TiXmlElement*, std::less<>>;
    // Turns one spelling of an object reference into the other; must not throw.
    using ReferenceConversion = std::function<std::string(std::string_view)>;

    // inRestToRef turns a REST reference of a request into the server's reference text,
    // inRefToRest a reference of an answer into its REST form. An empty one leaves references
    // as they are in that direction.
    explicit xmlWSDLConversion(ReferenceConversion inRestToRef = {},
                               ReferenceConversion inRefToRest = {});

    // The kind (ztWSDL::ElementKind) of the value that inDeclaration declares, and in
    // outChildDeclarations (emptied first) the declarations of its children when it is a
    // struct or an array. type_unknown when the declaration is null or names a type the WSDL
    // does not declare.
    static uint32_t getElementType(const ztWSDL& inWSDL, const TiXmlElement* inDeclaration,
                                   DeclarationMap& outChildDeclarations);

    void convertRequest(const ztWSDL& inWSDL, const TiXmlElement* inDeclaration,
                        TiXmlElement& ioCommand, xmlDialect inDialect) const override;
    void convertResponse(const ztWSDL& inWSDL, const TiXmlElement* inDeclaration,
                         ztXMLFlatTree& ioTree, ztXMLFlatTree::Node inAnswer,
                         xmlDialect inDialect) const override;

private:
    struct Walk;
    void requestElement(Walk& ioWalk, const TiXmlElement& inDeclaration, TiXmlElement& ioElement,
                        size_t inDepth) const;
    void responseElement(Walk& ioWalk, const TiXmlElement& inDeclaration, ztXMLFlatTree& ioTree,
                         ztXMLFlatTree::Node inElement, size_t inDepth) const;

    ReferenceConversion itsRestToRef;
    ReferenceConversion itsRefToRest;
};
