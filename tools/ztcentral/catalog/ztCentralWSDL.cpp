// The WSDL document, its documentation page and the WSDL instance, built from the catalog.
#include "ztcentral/catalog/ztCentralWSDL.h"

#include "ztcentral/catalog/ztCentralCatalog.h"
#include "ztcentral/model/ztCentralErr.h"

#include "messages/ztException.h"
#include "netobjects/ztNetWriter.h"
#include "util/ztXMLNetWriter.h"

#include <tinyxml.h>

#include <set>

namespace {

using Field = ztCentralCatalog::Field;
using Type = ztCentralCatalog::Type;
using Command = ztCentralCatalog::Command;

const char* const kPortTypeName = "CentralServiceSoap";

TiXmlElement& add(TiXmlNode& ioParent, const char* inName) {
    return *ioParent.LinkEndChild(new TiXmlElement(inName))->ToElement();
}

TiXmlElement& addText(TiXmlNode& ioParent, const char* inName, const std::string& inText) {
    TiXmlElement& element = add(ioParent, inName);
    if (!inText.empty())
        element.LinkEndChild(new TiXmlText(inText));
    return element;
}

void addDocumentation(TiXmlElement& ioElement, const std::string& inText) {
    if (inText.empty())
        return;
    addText(add(ioElement, "s:annotation"), "s:documentation", inText);
}

// The commands of the families asked for, in catalog order.
std::vector<const Command*> selectCommands(const std::vector<std::string>& inNamespaces) {
    const ztCentralCatalog& catalog = ztCentralCatalog::instance();
    const std::vector<std::string> families = catalog.families();
    for (const std::string& name : inNamespaces) {
        bool known = false;
        for (const std::string& family : families)
            known = known || ztCentralEqualNoCase(family, name);
        if (!known) {
            std::string list;
            for (const std::string& family : families)
                list += (list.empty() ? "" : ", ") + family;
            throw ztException(ztErr_invalidArgument, ztCentralText::unknownNamespace, 'n', name,
                              'l', list);
        }
    }
    std::vector<const Command*> result;
    for (const Command& command : catalog.commands()) {
        bool wanted = inNamespaces.empty();
        for (const std::string& name : inNamespaces)
            wanted = wanted || ztCentralEqualNoCase(command.family, name);
        if (wanted)
            result.push_back(&command);
    }
    return result;
}

void addField(TiXmlElement& ioSequence, const Field& inField, bool inOptional) {
    TiXmlElement& element = add(ioSequence, "s:element");
    element.SetAttribute("minOccurs", inField.required && !inOptional ? "1" : "0");
    element.SetAttribute("maxOccurs", inField.repeated ? "unbounded" : "1");
    element.SetAttribute("name", inField.name);
    element.SetAttribute("type", inField.type);
    addDocumentation(element, inField.doc);
}

void addSequence(TiXmlElement& ioParent, const std::vector<Field>& inFields) {
    TiXmlElement& sequence = add(ioParent, "s:sequence");
    for (const Field& field : inFields)
        addField(sequence, field, false);
}

void addType(TiXmlElement& ioSchema, const Type& inType) {
    if (inType.form == Type::Form::simple) {
        TiXmlElement& simple = add(ioSchema, "s:simpleType");
        simple.SetAttribute("name", inType.name);
        addDocumentation(simple, inType.doc);
        TiXmlElement& restriction = add(simple, "s:restriction");
        restriction.SetAttribute("base", inType.base);
        for (const std::string& choice : inType.choices)
            add(restriction, "s:enumeration").SetAttribute("value", choice);
        return;
    }
    TiXmlElement& complex = add(ioSchema, "s:complexType");
    complex.SetAttribute("name", inType.name);
    addDocumentation(complex, inType.doc);
    if (inType.form == Type::Form::sequence) {
        addSequence(complex, inType.fields);
        return;
    }
    TiXmlElement& extension = add(add(complex, "s:complexContent"), "s:extension");
    extension.SetAttribute("base", inType.base);
    addSequence(extension, inType.fields);
}

// The element of a command's input: the session first (for commands that run in one), the
// arguments, and the alternatives as an s:choice.
void addCommandElements(TiXmlElement& ioSchema, const Command& inCommand) {
    TiXmlElement& input = add(ioSchema, "s:element");
    input.SetAttribute("name", inCommand.name);
    addDocumentation(input, inCommand.info);
    TiXmlElement& sequence = add(add(input, "s:complexType"), "s:sequence");
    if (!inCommand.withoutSession)
        addField(sequence,
                 Field{"session", "s:string", false, false, ztCentralCatalog::Access::readWrite,
                       "The session the command runs in."},
                 true);
    for (const Field& field : inCommand.input)
        addField(sequence, field, false);
    if (!inCommand.choice.empty()) {
        TiXmlElement& choice = add(sequence, "s:choice");
        for (const Field& field : inCommand.choice)
            addField(choice, field, false);
    }
    TiXmlElement& output = add(ioSchema, "s:element");
    output.SetAttribute("name", inCommand.name + "Response");
    addSequence(add(output, "s:complexType"), inCommand.output);
}

void addMessages(TiXmlElement& ioDefinitions, const Command& inCommand) {
    for (const char* direction : {"In", "Out"}) {
        TiXmlElement& message = add(ioDefinitions, "wsdl:message");
        message.SetAttribute("name", inCommand.name + "Soap" + direction);
        TiXmlElement& part = add(message, "wsdl:part");
        part.SetAttribute("name", "parameters");
        part.SetAttribute("element", "tns:" + inCommand.name +
                                         (std::string(direction) == "Out" ? "Response" : ""));
    }
}

void addPortType(TiXmlElement& ioDefinitions, const std::vector<const Command*>& inCommands) {
    TiXmlElement& portType = add(ioDefinitions, "wsdl:portType");
    portType.SetAttribute("name", kPortTypeName);
    for (const Command* command : inCommands) {
        TiXmlElement& operation = add(portType, "wsdl:operation");
        operation.SetAttribute("name", command->name);
        addText(operation, "wsdl:documentation", command->info);
        add(operation, "wsdl:input").SetAttribute("message", "tns:" + command->name + "SoapIn");
        add(operation, "wsdl:output").SetAttribute("message", "tns:" + command->name + "SoapOut");
    }
}

void addBinding(TiXmlElement& ioDefinitions, const std::vector<const Command*>& inCommands) {
    TiXmlElement& binding = add(ioDefinitions, "wsdl:binding");
    binding.SetAttribute("name", kPortTypeName);
    binding.SetAttribute("type", std::string("tns:") + kPortTypeName);
    add(binding, "soap:binding").SetAttribute("transport", "http://schemas.xmlsoap.org/soap/http");
    for (const Command* command : inCommands) {
        TiXmlElement& operation = add(binding, "wsdl:operation");
        operation.SetAttribute("name", command->name);
        TiXmlElement& soapOperation = add(operation, "soap:operation");
        soapOperation.SetAttribute("soapAction",
                                   std::string(ztCentralWSDL::kServiceNamespace) + command->name);
        soapOperation.SetAttribute("style", "document");
        add(add(operation, "wsdl:input"), "soap:body").SetAttribute("use", "literal");
        add(add(operation, "wsdl:output"), "soap:body").SetAttribute("use", "literal");
    }
}

void addService(TiXmlElement& ioDefinitions) {
    TiXmlElement& service = add(ioDefinitions, "wsdl:service");
    service.SetAttribute("name", ztCentralWSDL::kServiceName);
    TiXmlElement& port = add(service, "wsdl:port");
    port.SetAttribute("name", kPortTypeName);
    port.SetAttribute("binding", std::string("tns:") + kPortTypeName);
    add(port, "soap:address").SetAttribute("location", ztCentralWSDL::kDefaultLocation);
}

// --- Documentation page ---

// The catalog types that the commands use, directly or through other types, and the types
// derived from any of those; in catalog order.
std::vector<const Type*> usedTypes(const std::vector<const Command*>& inCommands) {
    const ztCentralCatalog& catalog = ztCentralCatalog::instance();
    std::set<const Type*> used;
    std::vector<const Type*> pending;
    auto note = [&](const std::string& inName) {
        const Type* type = inName.substr(0, 4) == "tns:" ? catalog.findType(inName) : nullptr;
        if (type != nullptr && used.insert(type).second)
            pending.push_back(type);
    };
    for (const Command* command : inCommands)
        for (const auto* fields : {&command->input, &command->choice, &command->output})
            for (const Field& field : *fields)
                note(field.type);
    while (!pending.empty()) {
        const Type* type = pending.back();
        pending.pop_back();
        for (const Field& field : type->fields)
            note(field.type);
        if (type->form == Type::Form::extension)
            note(type->base);
        for (const Type& other : catalog.types())
            if (other.form == Type::Form::extension && other.base == "tns:" + type->name)
                note("tns:" + other.name);
    }
    std::vector<const Type*> result;
    for (const Type& type : catalog.types())
        if (used.count(&type) != 0)
            result.push_back(&type);
    return result;
}

void addTypeCell(TiXmlElement& ioRow, const std::string& inType) {
    TiXmlElement& cell = add(ioRow, "td");
    if (inType.substr(0, 4) != "tns:") {
        cell.LinkEndChild(new TiXmlText(inType));
        return;
    }
    TiXmlElement& link = addText(cell, "a", inType.substr(4));
    link.SetAttribute("href", "#type-" + inType.substr(4));
}

std::string occurs(const Field& inField, bool inRequiredCounts) {
    const bool required = inRequiredCounts && inField.required;
    if (inField.repeated)
        return required ? "1..n" : "0..n";
    return required ? "1" : "0..1";
}

void addFieldTable(TiXmlElement& ioParent, const std::vector<Field>& inFields,
                   bool inRequiredCounts, const char* inNote = nullptr) {
    if (inFields.empty()) {
        addText(ioParent, "p", "None.");
        return;
    }
    TiXmlElement& table = add(ioParent, "table");
    TiXmlElement& head = add(table, "tr");
    for (const char* title : {"Name", "Type", "Occurs", "Description"})
        addText(head, "th", title);
    for (const Field& field : inFields) {
        TiXmlElement& row = add(table, "tr");
        addText(row, "td", field.name);
        addTypeCell(row, field.type);
        addText(row, "td", occurs(field, inRequiredCounts));
        std::string doc = field.doc;
        if (field.access == ztCentralCatalog::Access::readOnly)
            doc += doc.empty() ? "Answered only." : " Answered only.";
        else if (field.access == ztCentralCatalog::Access::writeOnly)
            doc += doc.empty() ? "Never answered." : " Never answered.";
        if (inNote != nullptr)
            doc += doc.empty() ? inNote : std::string(" ") + inNote;
        addText(row, "td", doc);
    }
}

void addCommandSection(TiXmlElement& ioBody, const Command& inCommand) {
    TiXmlElement& section = add(ioBody, "div");
    section.SetAttribute("class", "command");
    section.SetAttribute("id", inCommand.name);
    addText(section, "h3", inCommand.name);
    addText(section, "p", inCommand.info);
    std::string facts = "Namespace: " + inCommand.family + ".";
    if (inCommand.gatewayOnly)
        facts += " Answered by the web service itself.";
    else if (inCommand.withoutSession)
        facts += " Runs without a session.";
    else
        facts += " Runs in a session (argument \"session\").";
    addText(section, "p", facts);
    addText(section, "h4", "Arguments");
    std::vector<Field> arguments = inCommand.input;
    addFieldTable(section, arguments, true);
    if (!inCommand.choice.empty()) {
        addText(section, "p", "Exactly one of:");
        addFieldTable(section, inCommand.choice, false);
    }
    addText(section, "h4", "Answer: " + inCommand.name + "Response");
    addFieldTable(section, inCommand.output, true);
}

void addTypeSection(TiXmlElement& ioBody, const Type& inType) {
    TiXmlElement& section = add(ioBody, "div");
    section.SetAttribute("class", "type");
    section.SetAttribute("id", "type-" + inType.name);
    addText(section, "h3", inType.name);
    if (!inType.doc.empty())
        addText(section, "p", inType.doc);
    switch (inType.form) {
    case Type::Form::simple: {
        std::string text = "Text (" + inType.base + ").";
        if (!inType.choices.empty()) {
            text += " One of:";
            for (const std::string& choice : inType.choices)
                text += " " + choice;
            text += ".";
        }
        addText(section, "p", text);
        break;
    }
    case Type::Form::extension: {
        TiXmlElement& para = add(section, "p");
        para.LinkEndChild(new TiXmlText("Extends "));
        TiXmlElement& link = addText(para, "a", inType.base.substr(4));
        link.SetAttribute("href", "#type-" + inType.base.substr(4));
        para.LinkEndChild(new TiXmlText("; answered with xsi:type=\"" + inType.name + "\"."));
        addFieldTable(section, inType.fields, false);
        break;
    }
    case Type::Form::sequence:
        addFieldTable(section, inType.fields, true);
        break;
    }
}

const char* const kStyle =
    "body{font-family:sans-serif;margin:2em}table{border-collapse:collapse;margin:0.5em 0}"
    "th,td{border:1px solid #999;padding:0.2em 0.5em;text-align:left;vertical-align:top}"
    "div.command,div.type{margin-bottom:1.5em}";

} // namespace

void ztCentralWSDL::buildDocument(const std::vector<std::string>& inNamespaces,
                                  TiXmlDocument& outDocument) {
    const std::vector<const Command*> commands = selectCommands(inNamespaces);
    outDocument.LinkEndChild(new TiXmlDeclaration("1.0", "utf-8", ""));
    TiXmlElement& definitions = add(outDocument, "wsdl:definitions");
    definitions.SetAttribute("xmlns:soap", "http://schemas.xmlsoap.org/wsdl/soap/");
    definitions.SetAttribute("xmlns:s", "http://www.w3.org/2001/XMLSchema");
    definitions.SetAttribute("xmlns:soap12", "http://schemas.xmlsoap.org/wsdl/soap12/");
    definitions.SetAttribute("xmlns:http", "http://schemas.xmlsoap.org/wsdl/http/");
    definitions.SetAttribute("xmlns:wsdl", "http://schemas.xmlsoap.org/wsdl/");
    definitions.SetAttribute("xmlns:tns", kServiceNamespace);
    definitions.SetAttribute("targetNamespace", kServiceNamespace);

    TiXmlElement& schema = add(add(definitions, "wsdl:types"), "s:schema");
    schema.SetAttribute("elementFormDefault", "qualified");
    schema.SetAttribute("targetNamespace", kServiceNamespace);
    // Types first: the gateway indexes names in document order and keeps the first.
    for (const Type& type : ztCentralCatalog::instance().types())
        addType(schema, type);
    for (const Command* command : commands)
        addCommandElements(schema, *command);
    for (const Command* command : commands)
        addMessages(definitions, *command);
    addPortType(definitions, commands);
    addBinding(definitions, commands);
    addService(definitions);
}

void ztCentralWSDL::buildDocPage(const std::vector<std::string>& inNamespaces,
                                 TiXmlDocument& outDocument) {
    const std::vector<const Command*> commands = selectCommands(inNamespaces);
    TiXmlElement& html = add(outDocument, "html");
    html.SetAttribute("xmlns", "http://www.w3.org/1999/xhtml");
    html.SetAttribute("lang", "en");
    TiXmlElement& head = add(html, "head");
    TiXmlElement& meta = add(head, "meta");
    meta.SetAttribute("http-equiv", "Content-Type");
    meta.SetAttribute("content", "text/html; charset=utf-8");
    addText(head, "title", kServiceName);
    addText(head, "style", kStyle).SetAttribute("type", "text/css");

    TiXmlElement& body = add(html, "body");
    addText(body, "h1", kServiceName);
    addText(body, "p", std::string("Target namespace: ") + kServiceNamespace);
    std::string shown;
    for (const std::string& name : inNamespaces)
        shown += (shown.empty() ? "" : ", ") + name;
    addText(body, "p", "Namespaces: " + (shown.empty() ? std::string("all") : shown) + ".");

    addText(body, "h2", "Commands");
    TiXmlElement& index = add(body, "ul");
    for (const Command* command : commands) {
        TiXmlElement& item = add(index, "li");
        addText(item, "a", command->name).SetAttribute("href", "#" + command->name);
        item.LinkEndChild(new TiXmlText(": " + command->info));
    }
    for (const Command* command : commands)
        addCommandSection(body, *command);
    addText(body, "h2", "Types");
    for (const Type* type : usedTypes(commands))
        addTypeSection(body, *type);
}

std::vector<std::pair<std::string, std::string>> ztCentralWSDL::commandList() {
    std::vector<std::pair<std::string, std::string>> result;
    for (const Command& command : ztCentralCatalog::instance().commands())
        result.emplace_back(command.name, command.info);
    return result;
}

void ztCentralWSDL::writeInstance(ztNetWriter& ioWriter) {
    TiXmlDocument document;
    buildDocument({}, document);
    {
        ztXMLNetWriter xml(ioWriter);
        xml.writeNode(document);
        xml.finish();
    }
    const std::vector<std::pair<std::string, std::string>> commands = commandList();
    ioWriter.putUInt32(static_cast<uint32_t>(commands.size()));
    for (const auto& [name, info] : commands) {
        ioWriter.putString(name);
        ioWriter.putString(info);
    }
}
