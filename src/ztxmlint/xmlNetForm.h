#pragma once
// XML trees in and out of the bodies of the application's net objects: a request writes its
// tree in the XML net form, an answer is replayed below the caller's node.

#include "util/ztXMLFlatTree.h"

class TiXmlNode;
class ztNetReader;
class ztNetWriter;

// Writes every child of inTree (not inTree itself) in the XML net form into ioWriter and
// ends the stream with the end tag. The writer's exceptions pass on (std::bad_alloc from a
// body writer that cannot grow).
void writeNetFormXML(ztNetWriter& ioWriter, const TiXmlNode& inTree);

// Replays the XML net form at ioReader's cursor, up to its end tag, below ioTarget (not
// owned; a null target reads the answer and drops it). A truncated answer throws
// std::out_of_range, a malformed or too deeply nested one a ztException with
// ztErr_unexpectedData; either way the nodes already appended below ioTarget are removed
// again, so a failed answer never leaves half a tree beside the fault that reports it.
void readNetFormXML(ztNetReader& ioReader, TiXmlNode* ioTarget);

// The same below inTarget of a flat tree.
void readNetFormXML(ztNetReader& ioReader, ztXMLFlatTree& ioTree, ztXMLFlatTree::Node inTarget);
