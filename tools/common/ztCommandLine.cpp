// Command-line parsing shared by the programs.
#include "common/ztCommandLine.h"

#include <charconv>

bool ztParseDecimal(std::string_view inText, uint64_t inMaximum, uint64_t& outValue) {
    if (inText.empty())
        return false;
    const auto [end, error] =
        std::from_chars(inText.data(), inText.data() + inText.size(), outValue);
    return error == std::errc() && end == inText.data() + inText.size() && outValue <= inMaximum;
}

std::string ztSplitHostPort(std::string_view inText, std::string_view& outHost,
                            std::string_view& outPort) {
    outHost = inText;
    outPort = {};
    if (inText.starts_with('[')) {
        const size_t close = inText.find(']');
        if (close == std::string_view::npos)
            return "missing ']' in \"" + std::string(inText) + "\"";
        const std::string_view rest = inText.substr(close + 1);
        outHost = inText.substr(1, close - 1);
        if (rest.empty())
            return {};
        if (!rest.starts_with(':'))
            return "unexpected text after ']' in \"" + std::string(inText) + "\"";
        outPort = rest.substr(1);
        return {};
    }
    const size_t colon = inText.find(':');
    if (colon != std::string_view::npos && inText.find(':', colon + 1) == std::string_view::npos) {
        outPort = inText.substr(colon + 1);
        outHost = inText.substr(0, colon);
    }
    return {};
}
