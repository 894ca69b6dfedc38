#pragma once
// Prints XML trees as the text that callers receive: this library's own escaping
// (characters of well-formed UTF-8 as they are, markup characters, controls, the backslash
// and every byte of malformed UTF-8 as references), optional replacement of control
// characters, optional omission of attributes and optional indentation.

#include "util/ztXMLFlatTree.h"

#include <string>

class TiXmlNode;

// Appends the text of inNode of inTree and its subtree to ioText. A document prints its
// children. inReplaceControl: control bytes other than tab, line feed and carriage return
// print as "?" instead of as character references. inSkipAttributes: attributes are left
// out. inIndent: every element starts on a new line, two spaces per level. The walk needs
// no recursion, so a tree of any depth is safe.
void printXml(const ztXMLFlatTree& inTree, ztXMLFlatTree::Node inNode, std::string& ioText,
              bool inReplaceControl, bool inSkipAttributes, bool inIndent);

// The same for a TinyXML tree (copied into a flat one first).
void printXml(const TiXmlNode& inNode, std::string& ioText, bool inReplaceControl,
              bool inSkipAttributes, bool inIndent);
