#pragma once
// Prints TinyXML trees as the text that callers receive: this library's own escaping
// (characters of well-formed UTF-8 as they are, markup characters, controls, the backslash
// and every byte of malformed UTF-8 as references), optional replacement of control
// characters, optional omission of attributes and optional indentation.

#include <tinyxml.h>

#include <string>
#include <string_view>

// A TinyXML visitor that appends the text of the nodes it visits to an output string.
// Use print (or printXml) rather than TiXmlNode::Accept: Accept recurses once per level,
// print walks a tree of any depth without recursion.
class simpleXmlPrinter : public TiXmlVisitor {
public:
    // Appends to ioText, which stays owned by the caller and must outlive the printer.
    // inReplaceControl: control bytes other than tab, line feed and carriage return print
    // as "?" instead of as character references. inSkipAttributes: attributes are left
    // out. inIndent: every element starts on a new line, two spaces per level.
    simpleXmlPrinter(std::string& ioText, bool inReplaceControl, bool inSkipAttributes,
                     bool inIndent)
        : itsText(ioText), itsReplaceControl(inReplaceControl), itsSkipAttributes(inSkipAttributes),
          itsIndent(inIndent) {}

    // Visits inNode and its subtree in document order, honouring the visitor's answers as
    // Accept does (false from an enter skips the children, false from a leave skips the
    // remaining siblings).
    void print(const TiXmlNode& inNode);

    bool VisitEnter(const TiXmlDocument& inDocument) override;
    bool VisitExit(const TiXmlDocument& inDocument) override;
    bool VisitEnter(const TiXmlElement& inElement, const TiXmlAttribute* inFirstAttribute) override;
    bool VisitExit(const TiXmlElement& inElement) override;
    bool Visit(const TiXmlDeclaration& inDeclaration) override;
    bool Visit(const TiXmlText& inText) override;
    bool Visit(const TiXmlComment& inComment) override;
    bool Visit(const TiXmlUnknown& inUnknown) override;

private:
    void appendEscaped(std::string_view inText);
    void appendLineStart();

    std::string& itsText; // not owned
    bool itsReplaceControl;
    bool itsSkipAttributes;
    bool itsIndent;
    int itsDepth = 0;
};

// Appends the text of inNode and its subtree to ioText with a simpleXmlPrinter.
void printXml(const TiXmlNode& inNode, std::string& ioText, bool inReplaceControl,
              bool inSkipAttributes, bool inIndent);
