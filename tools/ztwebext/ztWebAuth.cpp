// Reading the Authorization and Accept headers.
#include "ztwebext/ztWebAuth.h"

#include "ztwebext/ztWebText.h"

#include <algorithm>
#include <cstdlib>
#include <string_view>

namespace {

// The scheme token and what follows it, separated by blanks.
bool splitScheme(std::string_view inHeader, std::string_view& outScheme,
                 std::string_view& outRest) {
    inHeader = ztWebTrim(inHeader);
    const size_t space = inHeader.find_first_of(" \t");
    if (space == std::string_view::npos)
        return false;
    outScheme = inHeader.substr(0, space);
    outRest = ztWebTrim(inHeader.substr(space + 1));
    return !outRest.empty();
}

// The q parameter of one media range; 1 when absent, 0 for a malformed one.
double qualityOf(std::string_view inParameters) {
    while (!inParameters.empty()) {
        const size_t semicolon = inParameters.find(';');
        const std::string_view parameter = ztWebTrim(inParameters.substr(0, semicolon));
        inParameters = semicolon == std::string_view::npos ? std::string_view()
                                                           : inParameters.substr(semicolon + 1);
        if (parameter.size() >= 2 && (parameter[0] == 'q' || parameter[0] == 'Q') &&
            parameter[1] == '=') {
            const std::string value(parameter.substr(2));
            char* end = nullptr;
            const double q = std::strtod(value.c_str(), &end);
            return end != value.c_str() && *end == '\0' && q >= 0 && q <= 1 ? q : 0;
        }
    }
    return 1;
}

} // namespace

bool ztWebReadAuthorization(const std::string& inHeader, ztWebCredentials& outCredentials,
                            std::string& outError) {
    outCredentials = {};
    if (ztWebTrim(inHeader).empty())
        return true;
    std::string_view scheme;
    std::string_view rest;
    if (!splitScheme(inHeader, scheme, rest)) {
        outError = "unreadable Authorization header";
        return false;
    }
    if (ztWebEqualsNoCase(scheme, "Bearer")) {
        outCredentials.itsSession = std::string(rest);
        return true;
    }
    if (!ztWebEqualsNoCase(scheme, "Basic")) {
        outError = "Authorization scheme must be Basic or Bearer";
        return false;
    }
    const std::optional<std::string> decoded = ztWebBase64Decode(rest);
    const size_t colon = decoded ? decoded->find(':') : std::string::npos;
    if (!decoded || colon == std::string::npos || colon == 0) {
        outError = "Basic credentials must be base64 of NAME:PASSWORD";
        return false;
    }
    outCredentials.itsBasic = true;
    outCredentials.itsLoginName = decoded->substr(0, colon);
    outCredentials.itsPassword = decoded->substr(colon + 1);
    return true;
}

bool ztWebPrefersXml(const std::string& inAccept) {
    double xml = 0;
    double json = 0;
    std::string_view ranges = inAccept;
    while (!ranges.empty()) {
        const size_t comma = ranges.find(',');
        const std::string_view range = ranges.substr(0, comma);
        ranges = comma == std::string_view::npos ? std::string_view() : ranges.substr(comma + 1);
        const size_t semicolon = range.find(';');
        const std::string type = ztWebLower(ztWebTrim(range.substr(0, semicolon)));
        const double q =
            semicolon == std::string_view::npos ? 1 : qualityOf(range.substr(semicolon + 1));
        if (type == "application/xml" || type == "text/xml")
            xml = std::max(xml, q);
        else if (type == "application/json")
            json = std::max(json, q);
    }
    return xml > 0 && xml > json;
}
