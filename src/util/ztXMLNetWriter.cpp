// XML events into the XML net form.
#include "util/ztXMLNetWriter.h"

#include "netobjects/ztNetWriter.h"

ztXMLNetWriter::~ztXMLNetWriter() {
    try {
        finish();
    } catch (...) {
        // The net writer is left not good, which its owner checks before sending.
    }
}

void ztXMLNetWriter::putTag(ztXMLNetTag inTag) {
    itsWriter.putUInt8(static_cast<uint8_t>(inTag));
}

void ztXMLNetWriter::declaration(const char* inVersion, const char* inEncoding,
                                 const char* inStandalone) {
    if (itsFinished)
        return;
    putTag(ztXMLNetTag::declaration);
    itsWriter.putString(inVersion);
    itsWriter.putString(inEncoding);
    itsWriter.putString(inStandalone);
}

void ztXMLNetWriter::finish() {
    if (itsFinished)
        return;
    itsFinished = true;
    putTag(ztXMLNetTag::end);
}

void ztXMLNetWriter::startElement(const char* inName) {
    if (itsFinished)
        return;
    putTag(ztXMLNetTag::startElement);
    itsWriter.putString(inName);
}

void ztXMLNetWriter::endElement() {
    if (itsFinished)
        return;
    putTag(ztXMLNetTag::endElement);
}

void ztXMLNetWriter::text(const char* inText, bool inIsCData) {
    if (itsFinished)
        return;
    putTag(ztXMLNetTag::text);
    itsWriter.putBool(inIsCData);
    itsWriter.putString(inText);
}

void ztXMLNetWriter::attribute(const char* inName, const char* inValue) {
    if (itsFinished)
        return;
    putTag(ztXMLNetTag::attribute);
    itsWriter.putString(inName);
    itsWriter.putString(inValue);
}

void ztXMLNetWriter::comment(const char* inText) {
    if (itsFinished)
        return;
    putTag(ztXMLNetTag::comment);
    itsWriter.putString(inText);
}

void ztXMLNetWriter::document(const char* inValue) {
    if (itsFinished)
        return;
    putTag(ztXMLNetTag::document);
    itsWriter.putString(inValue);
}

void ztXMLNetWriter::unknown(const char* inText) {
    if (itsFinished)
        return;
    putTag(ztXMLNetTag::unknown);
    itsWriter.putString(inText);
}
