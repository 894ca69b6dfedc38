// Report sources, reports made from report definitions, and report files.
#include "ztcentral/handlers/ztCentralReportHandlers.h"

#include "ztcentral/model/ztCentralErr.h"
#include "ztcentral/handlers/ztCentralObjectCodec.h"
#include "ztcentral/catalog/ztCentralValidator.h"

#include "messages/ztException.h"

#include <tinyxml.h>

#include <array>

namespace {

using Object = ztCentralStore::Object;

// What reports can list: the objects of these collections.
constexpr std::array<const char*, 7> kSources = {"DNSZones", "DNSRecords", "Ranges", "IPAMRecords",
                                                 "Users",    "Groups",     "Folders"};
constexpr std::array<const char*, 3> kFormats = {"csv", "txt", "json"};

[[noreturn]] void badValue(const std::string& inValue, const std::string& inArgument,
                           const std::string& inWhy) {
    throw ztException(ztErrorMessage(ztErr_invalidArgument, ztCentralText::invalidValue, 'v',
                                     inValue, 'a', inArgument, 'w', inWhy));
}

std::string field(const Object& inObject, std::string_view inName) {
    const std::string* value = ztCentralStore::get(inObject.fields, inName);
    return value == nullptr ? std::string() : *value;
}

const char* sourceNamed(std::string_view inName) {
    for (const char* source : kSources)
        if (ztCentralEqualNoCase(source, inName))
            return source;
    return nullptr;
}

const ztCentralCatalog::Kind& kindOfSource(const char* inSource) {
    ztObjType type = obj_unknown;
    objectTypeFromCollection(inSource, type);
    return *ztCentralCatalog::instance().findKind(type);
}

std::vector<std::string> columnsOf(const char* inSource) {
    std::vector<std::string> columns = {"ref", "name"};
    for (const ztCentralCatalog::Field& column : kindOfSource(inSource).fields)
        if (column.access != ztCentralCatalog::Access::writeOnly)
            columns.push_back(column.name);
    return columns;
}

void writeSource(TiXmlNode& ioParent, const char* inSource) {
    TiXmlElement& source = ztCentralCall::addElement(ioParent, "reportSource");
    ztCentralCall::addText(source, "name", inSource);
    ztCentralCall::addText(source, "description",
                           std::string("Every ") +
                               kObjectType[kindOfSource(inSource).type][kObjectTypeDisplayColumn] +
                               " object.");
    TiXmlElement& columns = ztCentralCall::addElement(source, "columns");
    for (const std::string& column : columnsOf(inSource))
        ztCentralCall::addText(columns, "item", column);
}

std::string csvCell(const std::string& inValue) {
    if (inValue.find_first_of(",\"\r\n") == std::string::npos)
        return inValue;
    std::string result = "\"";
    for (char c : inValue)
        result += c == '"' ? std::string("\"\"") : std::string(1, c);
    return result + "\"";
}

std::string jsonText(const std::string& inValue) {
    std::string result = "\"";
    for (char c : inValue) {
        if (c == '"' || c == '\\') {
            result += '\\';
            result += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            static const char* const kHex = "0123456789abcdef";
            result += "\\u00";
            result += kHex[(c >> 4) & 0xF];
            result += kHex[c & 0xF];
        } else {
            result += c;
        }
    }
    return result + "\"";
}

// A text cell: tabs and line breaks would split the row, so they become blanks.
std::string textCell(std::string inValue) {
    for (char& c : inValue)
        if (c == '\t' || c == '\r' || c == '\n')
            c = ' ';
    return inValue;
}

std::string makeFile(ztCentralStore& ioStore, const char* inSource, const std::string& inFormat) {
    const std::vector<std::string> columns = columnsOf(inSource);
    std::vector<std::vector<std::string>> rows;
    for (const Object* object : ioStore.objectsOf(kindOfSource(inSource).type)) {
        std::vector<std::string> row = {ztCentralStore::refOf(*object), object->name};
        for (size_t i = 2; i < columns.size(); ++i)
            row.push_back(ztCentralObjectCodec::fieldValue(ioStore, *object, columns[i]));
        rows.push_back(std::move(row));
    }
    std::string file;
    if (inFormat == "json") {
        file = "[";
        for (size_t r = 0; r < rows.size(); ++r) {
            file += r == 0 ? "{" : ",{";
            for (size_t c = 0; c < columns.size(); ++c) {
                if (c != 0)
                    file += ',';
                file += jsonText(columns[c]);
                file += ':';
                file += jsonText(rows[r][c]);
            }
            file += "}";
        }
        return file + "]";
    }
    const bool csv = inFormat == "csv";
    // CSV rows end in CR LF as RFC 4180 has them; text rows in LF.
    const char* lineEnd = csv ? "\r\n" : "\n";
    rows.insert(rows.begin(), columns);
    for (const std::vector<std::string>& row : rows) {
        for (size_t c = 0; c < row.size(); ++c) {
            if (c != 0)
                file += csv ? "," : "\t";
            file += csv ? csvCell(row[c]) : textCell(row[c]);
        }
        file += lineEnd;
    }
    return file;
}

// A file name that is safe inside a quoted header parameter and on any file system.
std::string safeFileName(const std::string& inName) {
    std::string result;
    for (char c : inName) {
        const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                        (c >= '0' && c <= '9') || c == '.' || c == '-' || c == '_';
        result += ok ? c : '_';
    }
    return result.empty() ? std::string("report") : result;
}

const char* contentType(const std::string& inFormat) {
    if (inFormat == "json")
        return "application/json";
    if (inFormat == "txt")
        return "text/plain; charset=utf-8";
    return "text/csv; charset=utf-8";
}

void getReportSources(ztCentralCall& ioCall) {
    TiXmlElement& list = ztCentralCall::addElement(ioCall.answer(), "reportSources");
    for (const char* source : kSources)
        writeSource(list, source);
}

void getReportSource(ztCentralCall& ioCall) {
    const char* source = sourceNamed(ioCall.text("name"));
    if (source == nullptr)
        throw ztException(ztCentralErr_objectNotFound, ztCentralText::reportSourceNotFound, 'n',
                          ioCall.text("name"));
    writeSource(ioCall.answer(), source);
}

void runReport(ztCentralCall& ioCall) {
    const Object& definition = ioCall.object("reportDefinitionRef", obj_reportDefinition);
    const std::string format = field(definition, "format");
    Object report;
    report.type = obj_report;
    const std::string created = ztCentralStore::formatTime(ioCall.store().now());
    report.name = definition.name + " " + created;
    ztCentralStore::set(report.fields, "reportDefinitionRef", ztCentralStore::refOf(definition));
    ztCentralStore::set(report.fields, "created", created);
    ztCentralStore::set(report.fields, "format", format);
    ztCentralStore::set(report.fields, "fileName", safeFileName(definition.name) + "." + format);
    const std::string file =
        makeFile(ioCall.store(), sourceNamed(field(definition, "reportSource")), format);
    const Object& stored = ioCall.store().add(std::move(report), ioCall.user(), {});
    ioCall.store().setReportFile(stored.id, file);
    ztCentralCall::addText(ioCall.answer(), "ref", ztCentralStore::refOf(stored));
}

void getReportFileAsXML(ztCentralCall& ioCall) {
    std::map<std::string, std::string> headers;
    std::string content;
    ztCentralReportHandlers::reportFile(ioCall, headers, content);
    const Object& report = ioCall.object("ref", obj_report);
    ztCentralCall::addText(ioCall.answer(), "fileName", field(report, "fileName"));
    ztCentralCall::addText(ioCall.answer(), "contentType", headers["Content-Type"]);
    ztCentralCall::addText(ioCall.answer(), "content", content);
}

} // namespace

void ztCentralReportHandlers::addTo(ztCentralHandlerMap& ioHandlers) {
    ioHandlers["GetReportSources"] = getReportSources;
    ioHandlers["GetReportSource"] = getReportSource;
    ioHandlers["RunReport"] = runReport;
    ioHandlers["GetReportFile"] = getReportFileAsXML;
}

void ztCentralReportHandlers::prepareDefinition(ztCentralCall& ioCall, Object& ioDefinition) {
    (void)ioCall;
    const std::string source = field(ioDefinition, "reportSource");
    if (!source.empty()) {
        const char* known = sourceNamed(source);
        if (known == nullptr)
            badValue(source, "reportDefinition/reportSource", "no report source has that name.");
        ztCentralStore::set(ioDefinition.fields, "reportSource", known);
    }
    const std::string format = field(ioDefinition, "format");
    for (const char* known : kFormats) {
        if (format.empty() || ztCentralEqualNoCase(known, format)) {
            ztCentralStore::set(ioDefinition.fields, "format", known);
            return;
        }
    }
    badValue(format, "reportDefinition/format", "csv, txt or json is expected.");
}

void ztCentralReportHandlers::reportFile(ztCentralCall& ioCall,
                                         std::map<std::string, std::string>& outHeaders,
                                         std::string& outContent) {
    const Object& report = ioCall.object("ref", obj_report);
    const std::string* file = ioCall.store().reportFile(report.id);
    if (file == nullptr)
        throw ztException(ztCentralErr_objectNotFound, ztCentralText::objectNotFound, 'r',
                          ioCall.text("ref"));
    outHeaders["Content-Type"] = contentType(field(report, "format"));
    outHeaders["Content-Disposition"] =
        "attachment; filename=\"" + safeFileName(field(report, "fileName")) + "\"";
    outContent = *file;
}
