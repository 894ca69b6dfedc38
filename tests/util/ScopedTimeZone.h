#pragma once
// Sets the process's TZ for the lifetime of the object, so that local-time results do not
// depend on the machine's zone. POSIX rule strings ("XXX-3", "CET-1CEST,M3.5.0,M10.5.0/3")
// need no zone database.

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

class ScopedTimeZone {
public:
    explicit ScopedTimeZone(const char* inZone) {
        if (const char* old = std::getenv("TZ"))
            itsOldZone = old;
        ::setenv("TZ", inZone, 1);
        ::tzset();
    }
    ~ScopedTimeZone() {
        if (itsOldZone)
            ::setenv("TZ", itsOldZone->c_str(), 1);
        else
            ::unsetenv("TZ");
        ::tzset();
    }
    ScopedTimeZone(const ScopedTimeZone&) = delete;
    ScopedTimeZone& operator=(const ScopedTimeZone&) = delete;

private:
    std::optional<std::string> itsOldZone;
};
