#pragma once
// The seam between the dispatcher and the WSDL-typed conversion of JSON and REST arguments
// and answers, so that a manager can run without typing (tests, a server without a WSDL).

#include "util/ztXMLFlatTree.h"
#include "ztxmlint/xmlDialect.h"

class TiXmlElement;
class ztWSDL;

class xmlTypedConversion {
public:
    virtual ~xmlTypedConversion() = default;
    // Rewrites the command element ioCommand of a request in inDialect in place, walking it
    // beside its input declaration inDeclaration (null: nothing happens). Never fails; data
    // that matches no declaration stays as it is. Any request thread; inWSDL is only read.
    virtual void convertRequest(const ztWSDL& inWSDL, const TiXmlElement* inDeclaration,
                                TiXmlElement& ioCommand, xmlDialect inDialect) const = 0;
    // Rewrites and marks the answer element inAnswer of ioTree beside its output declaration
    // inDeclaration (null: nothing happens), for rendering in inDialect. Never fails but for
    // std::bad_alloc.
    virtual void convertResponse(const ztWSDL& inWSDL, const TiXmlElement* inDeclaration,
                                 ztXMLFlatTree& ioTree, ztXMLFlatTree::Node inAnswer,
                                 xmlDialect inDialect) const = 0;
};
