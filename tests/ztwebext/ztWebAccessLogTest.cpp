// The access log line: fields, masking, and characters that could forge a line.
#include "ztwebext/ztWebAccessLog.h"

#include <gtest/gtest.h>

TEST(WebAccessLog, WritesOneMaskedLine) {
    struct Row {
        const char* name;
        std::string path;
        std::string query;
        bool hasQuery;
        std::string line;
    } rows[] = {
        {"plain", "/healthz", "", false, "T 1.2.3.4:5 GET /healthz 200 3 1.5ms"},
        {"masked", "/rest/x", "session=abc&limit=1", true,
         "T 1.2.3.4:5 GET /rest/x?session=***&limit=1 200 3 1.5ms"},
        {"empty query", "/a", "", true, "T 1.2.3.4:5 GET /a? 200 3 1.5ms"},
        {"line feed", "/a\nforged 200", "", false, "T 1.2.3.4:5 GET /a%0Aforged%20200 200 3 1.5ms"},
        {"no path", "", "", false, "T 1.2.3.4:5 GET - 200 3 1.5ms"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(ztWebAccessLog::format("T", "1.2.3.4:5", "GET", row.path, row.query, row.hasQuery,
                                         200, 3, 1.54),
                  row.line);
    }
}
