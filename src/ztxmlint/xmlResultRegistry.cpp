// The result registry and the query splitting of the entry points.
#include "ztxmlint/xmlResultRegistry.h"

#include "threads/ztStMutex.h"
#include "util/ztHexDigit.h"

namespace {

std::string percentDecode(std::string_view inText) {
    std::string out;
    out.reserve(inText.size());
    for (size_t i = 0; i < inText.size(); ++i) {
        if (inText[i] == '%' && i + 2 < inText.size()) {
            const int high = ztHexDigitValue(inText[i + 1]);
            const int low = ztHexDigitValue(inText[i + 2]);
            if (high >= 0 && low >= 0) {
                out += static_cast<char>(high * 16 + low);
                i += 2;
                continue;
            }
        }
        out += inText[i];
    }
    return out;
}

} // namespace

xmlResultRegistry& xmlResultRegistry::instance() {
    static xmlResultRegistry* theRegistry = new xmlResultRegistry;
    return *theRegistry;
}

const char* xmlResultRegistry::publish(std::unique_ptr<std::string> inText, int& outLength) {
    outLength = static_cast<int>(inText->size());
    const char* pointer = inText->c_str();
    ztStMutex lock(&itsMutex);
    itsResults[pointer] = std::move(inText);
    return pointer;
}

void xmlResultRegistry::release(const char* inPointer) {
    if (inPointer == nullptr)
        return;
    std::unique_ptr<std::string> text;
    {
        ztStMutex lock(&itsMutex);
        const auto it = itsResults.find(inPointer);
        if (it == itsResults.end())
            return;
        text = std::move(it->second);
        itsResults.erase(it);
    }
    // The text is freed outside the lock.
}

size_t xmlResultRegistry::size() {
    ztStMutex lock(&itsMutex);
    return itsResults.size();
}

std::map<std::string, std::string> splitQuery(const std::string& inQuery) {
    std::map<std::string, std::string> result;
    std::string query = inQuery;
    for (char& c : query) {
        if (c == '?')
            c = '&';
    }
    size_t start = 0;
    while (start <= query.size()) {
        size_t end = query.find('&', start);
        if (end == std::string::npos)
            end = query.size();
        const std::string_view piece(query.data() + start, end - start);
        const size_t equals = piece.find('=');
        std::string key = percentDecode(piece.substr(0, equals));
        std::string value = equals == std::string_view::npos
                                ? std::string()
                                : percentDecode(piece.substr(equals + 1));
        if (!key.empty() || !value.empty())
            result[std::move(key)] = std::move(value);
        start = end + 1;
    }
    return result;
}
