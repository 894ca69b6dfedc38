#pragma once
// The result texts handed out by the exported entry points. Each text stays valid and
// unchanged until the caller gives its pointer back through release; lookup is by pointer
// identity, so texts with equal content are distinct entries.

#include "threads/ztMemMutex.h"

#include <map>
#include <memory>
#include <string>

class xmlResultRegistry {
public:
    // The one registry of the process (never destroyed: callers may release results while
    // the process exits).
    static xmlResultRegistry& instance();

    // Takes ownership of inText and returns the pointer to its characters, which stays
    // valid until release. outLength receives the length in bytes without the NUL.
    const char* publish(std::unique_ptr<std::string> inText, int& outLength);
    // Frees the text behind inPointer. A null pointer, or one this registry does not hold
    // (never handed out or already released), is ignored. Any thread may call it.
    void release(const char* inPointer);
    size_t size();

private:
    ztMemMutex itsMutex{"xmlResultRegistry"};
    std::map<const char*, std::unique_ptr<std::string>> itsResults;
};

// Splits the query text of a web request into key/value pairs: every "?" counts as "&",
// pieces are separated by "&", the key runs to the first "=", "%" plus two hexadecimal
// digits is decoded in keys and values (nothing else, "+" stays "+"), a piece with an
// empty key and value is skipped, and a later key replaces an earlier one.
std::map<std::string, std::string> splitQuery(const std::string& inQuery);
