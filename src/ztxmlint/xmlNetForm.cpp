// The XML net form of request and answer bodies, over the generic XML writers.
#include "ztxmlint/xmlNetForm.h"

#include "netobjects/ztNetReader.h"
#include "util/ztXMLFlatWriter.h"
#include "util/ztXMLNetWriter.h"
#include "util/ztXMLTinyWriter.h"

#include <tinyxml.h>

#include <algorithm>

namespace {

// Removes the children of ioTarget that follow inLastKept (all of them when it is null).
void removeChildrenAfter(TiXmlNode& ioTarget, const TiXmlNode* inLastKept) {
    while (ioTarget.LastChild() != nullptr && ioTarget.LastChild() != inLastKept)
        ioTarget.RemoveChild(ioTarget.LastChild());
}

} // namespace

void writeNetFormXML(ztNetWriter& ioWriter, const TiXmlNode& inTree) {
    ztXMLNetWriter writer(ioWriter);
    writer.writeChildren(inTree);
    writer.finish();
}

void readNetFormXML(ztNetReader& ioReader, TiXmlNode* ioTarget) {
    const TiXmlNode* lastKept = ioTarget ? ioTarget->LastChild() : nullptr;
    ztXMLTinyWriter writer(ioTarget);
    try {
        writer.replay(ioReader);
    } catch (...) {
        if (ioTarget)
            removeChildrenAfter(*ioTarget, lastKept);
        throw;
    }
}

void readNetFormXML(ztNetReader& ioReader, ztXMLFlatTree& ioTree, ztXMLFlatTree::Node inTarget) {
    const ztXMLFlatTree::Node lastKept = ioTree.lastChild(inTarget);
    // Every node takes at least two bytes of the net form (a record of about eight on
    // average in real answers), and every text is shorter than its record: reserving by the
    // body's size builds a large answer without growing the arrays.
    // The node count is capped so that a body of one huge text reserves no more address
    // space than a real answer of that size would use.
    const size_t remaining = ioReader.remaining();
    ioTree.reserve(std::min<size_t>(remaining / 8, size_t{1} << 21), remaining);
    ztXMLFlatWriter writer(ioTree, inTarget);
    try {
        writer.replay(ioReader);
    } catch (...) {
        ioTree.removeChildrenAfter(inTarget, lastKept);
        throw;
    }
}
