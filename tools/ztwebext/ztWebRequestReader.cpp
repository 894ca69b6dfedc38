// Reading one request with Beast's parser.
#include "ztwebext/ztWebRequestReader.h"

#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>

#include <cctype>
#include <optional>

namespace beast = boost::beast;
namespace http = beast::http;

struct ztWebRequestReader::Parser {
    std::optional<http::request_parser<http::string_body>> itsParser;
};

ztWebRequestReader::ztWebRequestReader(uint32_t inMaxHeader, uint64_t inMaxBody)
    : itsMaxHeader(inMaxHeader), itsMaxBody(inMaxBody), itsParser(std::make_unique<Parser>()) {
    reset();
}

ztWebRequestReader::~ztWebRequestReader() = default;

void ztWebRequestReader::reset() {
    itsParser->itsParser.emplace();
    itsParser->itsParser->header_limit(itsMaxHeader);
    itsParser->itsParser->body_limit(itsMaxBody);
    // Body bytes that arrived with the header are parsed in the same call.
    itsParser->itsParser->eager(true);
    itsState = State::reading;
    itsHeaderChecked = false;
    itsContinue = false;
    itsRefusalStatus = 0;
    itsRefusalText.clear();
}

void ztWebRequestReader::refuse(int inStatus, std::string inText) {
    itsState = State::refused;
    itsRefusalStatus = inStatus;
    itsRefusalText = std::move(inText);
}

size_t ztWebRequestReader::feed(const char* inData, size_t inSize) {
    auto& parser = *itsParser->itsParser;
    size_t used = 0;
    while (itsState == State::reading && used < inSize) {
        beast::error_code error;
        const size_t step =
            parser.put(boost::asio::const_buffer(inData + used, inSize - used), error);
        used += step;
        if (error == http::error::need_more) {
            // A header still incomplete at the limit never will be.
            if (!parser.is_header_done() && inSize - used > itsMaxHeader)
                refuse(431, "request header fields too large\n");
            break;
        }
        if (error == http::error::header_limit) {
            refuse(431, "request header fields too large\n");
            break;
        }
        if (error == http::error::body_limit) {
            refuse(413, "the body exceeds the limit of " + std::to_string(itsMaxBody) + " bytes\n");
            break;
        }
        if (error) {
            refuse(400, "malformed request: " + error.message() + "\n");
            break;
        }
        if (parser.is_header_done() && !itsHeaderChecked) {
            itsHeaderChecked = true;
            const auto length = parser.content_length();
            if (length && *length > itsMaxBody) {
                refuse(413,
                       "the body exceeds the limit of " + std::to_string(itsMaxBody) + " bytes\n");
                break;
            }
            itsContinue = beast::iequals(parser.get()[http::field::expect], "100-continue") &&
                          !parser.is_done();
        }
        if (parser.is_done())
            itsState = State::complete;
        if (step == 0)
            break;
    }
    return used;
}

bool ztWebRequestReader::takeContinue() {
    const bool wanted = itsContinue && itsState == State::reading;
    itsContinue = false;
    return wanted;
}

bool ztWebRequestReader::headerDone() const {
    return itsParser->itsParser->is_header_done();
}

std::string ztWebRequestReader::method() const {
    return headerDone() ? std::string(itsParser->itsParser->get().method_string()) : std::string();
}

std::string ztWebRequestReader::target() const {
    return headerDone() ? std::string(itsParser->itsParser->get().target()) : std::string();
}

void ztWebRequestReader::splitTarget(const std::string& inTarget, ztWebRequest& outRequest) {
    const size_t question = inTarget.find('?');
    outRequest.itsPath = inTarget.substr(0, question);
    outRequest.itsHasQuery = question != std::string::npos;
    outRequest.itsQuery = outRequest.itsHasQuery ? inTarget.substr(question + 1) : std::string();
}

ztWebRequest ztWebRequestReader::take(bool& outKeepAlive) {
    http::request<http::string_body> message = itsParser->itsParser->release();
    ztWebRequest request;
    request.itsMethod = std::string(message.method_string());
    splitTarget(std::string(message.target()), request);
    for (const auto& field : message) {
        std::string name(field.name_string());
        for (char& c : name)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (!request.hasHeader(name))
            request.itsHeaders.emplace_back(std::move(name), std::string(field.value()));
    }
    request.itsBody = std::move(message.body());
    outKeepAlive = message.keep_alive();
    // HTTP/1.1 requires Host, and only paths (or "*" for OPTIONS) are served.
    if (message.version() >= 11 && !request.hasHeader("host")) {
        refuse(400, "HTTP/1.1 needs a Host header\n");
        return request;
    }
    const bool asterisk = request.itsPath == "*" && request.itsMethod == "OPTIONS";
    if (!asterisk && (request.itsPath.empty() || request.itsPath.front() != '/'))
        refuse(400, "the target must be a path\n");
    return request;
}
