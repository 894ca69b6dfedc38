// Fuzzes the readers that a central server's bytes reach once the packet layer has framed
// them: the object header, the serialized error message, and the body of every answer and
// server-started object this library reads. The first byte picks the reader, the rest is
// the input. Every input must end in a parsed result or a clean error (a reader running
// off the end, or the library's own exception), and the parsed result must be usable.
#include "messages/ztErrorMessage.h"
#include "messages/ztException.h"
#include "netobjects/ztConnectAnswer.h"
#include "netobjects/ztNetObjectHeader.h"
#include "netobjects/ztNetReader.h"
#include "netobjects/ztNetReqConnect.h"
#include "util/ztWSDL.h"
#include "util/ztXMLPrinter.h"
#include "util/ztXMLUtil.h"
#include "ztxmlint/auNResMessage.h"
#include "ztxmlint/halNReqGetReportFile.h"
#include "ztxmlint/halNReqGetWSDL.h"
#include "ztxmlint/halNReqGetWSDLInstance.h"
#include "ztxmlint/halNReqXMLCommand.h"

#include <tinyxml.h>

#include <memory>
#include <set>
#include <stdexcept>
#include <string>

namespace {

enum class Reader : uint8_t {
    header,
    errorMessage,
    connectAnswer,
    commandAnswer,
    wsdlAnswer,
    wsdlInstance,
    reportFile,
    message,
    count,
};

// A tree with one command element, as the dispatcher hands requests over.
TiXmlDocument commandTree() {
    TiXmlDocument tree;
    tree.LinkEndChild(new TiXmlElement("GetUsers"));
    return tree;
}

// The printed forms of an answer element, in every way a dialect prints one.
std::string renderings(const ztXMLFlatTree& inTree, ztXMLFlatTree::Node inAnswer) {
    std::string text;
    printXml(inTree, inAnswer, text, true, false, true);
    printXml(inTree, inAnswer, text, false, true, false);
    ztXMLUtil::writeJson(inTree, inAnswer, text, -1);
    ztXMLUtil::writeJson(inTree, inAnswer, text, 0);
    return text;
}

// An answer is read both into a TinyXML tree and into the flat tree that the dispatcher
// uses: either both readers fail or both trees print the same in every form.
void readCommandAnswer(const uint8_t* inData, size_t inSize) {
    const TiXmlDocument tree = commandTree();
    TiXmlElement target("Answer");
    bool tinyFailed = false;
    try {
        ztNetReader input(inData, inSize);
        halNReqXMLCommand command(tree, &target, 0);
        command.readData(input);
    } catch (const std::out_of_range&) {
        tinyFailed = true;
    } catch (const ztException&) {
        tinyFailed = true;
    }
    ztXMLFlatTree flat;
    const auto answer =
        flat.appendChild(ztXMLFlatTree::document, ztXMLFlatTree::Kind::element, "Answer");
    bool flatFailed = false;
    try {
        ztNetReader input(inData, inSize);
        halNReqXMLCommand command(tree, flat, answer, 0);
        command.readData(input);
    } catch (const std::out_of_range&) {
        flatFailed = true;
    } catch (const ztException&) {
        flatFailed = true;
    }
    if (tinyFailed != flatFailed)
        __builtin_trap();
    ztXMLFlatTree copy;
    const auto copied = copy.appendCopy(ztXMLFlatTree::document, target);
    if (renderings(copy, copied) != renderings(flat, answer))
        __builtin_trap();
}

void read(Reader inReader, ztNetReader& ioInput) {
    switch (inReader) {
    case Reader::header: {
        ztNetObjectHeader header;
        header.read(ioInput);
        (void)header.isKeepAlive();
        return;
    }
    case Reader::errorMessage: {
        ztErrorMessage message;
        ioInput.getErrorMessage(message);
        (void)message.getText().size();
        return;
    }
    case Reader::connectAnswer: {
        ztConnectAnswer answer;
        ztNetReqConnect connect(answer);
        connect.readData(ioInput);
        return;
    }
    case Reader::commandAnswer: // read from its bytes, see below
        return;
    case Reader::wsdlAnswer: {
        TiXmlElement target("WSDL");
        halNReqGetWSDL wsdl(std::set<std::string>{}, &target);
        wsdl.readData(ioInput);
        std::string text;
        printXml(target, text, true, false, true);
        return;
    }
    case Reader::wsdlInstance: {
        auto model = std::make_shared<ztWSDL>();
        halNReqGetWSDLInstance instance(model, 0);
        instance.readData(ioInput);
        std::string canonical;
        for (const auto& [name, info] : model->commands())
            (void)model->getCommandName(name, canonical);
        (void)model->findType("ObjRef", true);
        return;
    }
    case Reader::reportFile: {
        const TiXmlDocument tree = commandTree();
        halNReqGetReportFile::HeaderMap headers;
        std::string content;
        halNReqGetReportFile report(tree, &headers, &content);
        report.readData(ioInput);
        return;
    }
    case Reader::message: {
        auNResMessage message;
        message.readData(ioInput);
        return;
    }
    case Reader::count:
        return;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* inData, size_t inSize) {
    if (inSize == 0)
        return 0;
    const auto reader = static_cast<Reader>(inData[0] % static_cast<uint8_t>(Reader::count));
    if (reader == Reader::commandAnswer) {
        readCommandAnswer(inData + 1, inSize - 1);
        return 0;
    }
    ztNetReader input(inData + 1, inSize - 1);
    try {
        read(reader, input);
    } catch (const std::out_of_range&) {
    } catch (const ztException&) {
    }
    return 0;
}
