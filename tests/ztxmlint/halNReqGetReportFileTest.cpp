// The GetReportFile request: the command tree out without flags, and the answer's headers
// and file content read into the caller's targets, or nothing at all when it is cut short.
#include "ztxmlint/halNReqGetReportFile.h"

#include "halTestSupport.h"
#include "messages/ztException.h"
#include "netobjects/ztNetReader.h"

#include <gtest/gtest.h>

#include <optional>

namespace {

using halTest::Bytes;
using halTest::bytes;
using halTest::operator+;
using Headers = halNReqGetReportFile::HeaderMap;

class halNReqGetReportFileAnswer : public ::testing::Test {
protected:
    halNReqGetReportFileAnswer() {
        halTest::parseTree("<Envelope><GetReportFile><name>r1</name></GetReportFile></Envelope>",
                           itsRequest);
    }

    // Reads inAnswer into itsHeaders and itsContent; the exception's type name on failure.
    std::optional<std::string> read(const Bytes& inAnswer) {
        halNReqGetReportFile request(*itsRequest.RootElement(), &itsHeaders, &itsContent);
        ztNetReader reader(inAnswer.data(), inAnswer.size());
        try {
            EXPECT_EQ(request.readData(reader), ztErr_noError);
        } catch (const std::out_of_range&) {
            return "out_of_range";
        }
        return std::nullopt;
    }

    TiXmlDocument itsRequest;
    Headers itsHeaders;
    std::string itsContent = "previous";
};

Bytes str(const std::string& inText) {
    return bytes(inText) + Bytes{0};
}

TEST_F(halNReqGetReportFileAnswer, bodyIsTheTreeWithoutFlags) {
    halNReqGetReportFile request(*itsRequest.RootElement(), &itsHeaders, &itsContent);
    const Bytes expected = Bytes{4} + str("GetReportFile") + Bytes{4} + str("name") + Bytes{7, 0} +
                           str("r1") + Bytes{5, 5, 0};
    EXPECT_EQ(halTest::bodyOf(request), expected);
}

TEST_F(halNReqGetReportFileAnswer, nullTargetsAreRefused) {
    EXPECT_THROW(halNReqGetReportFile(*itsRequest.RootElement(), nullptr, &itsContent),
                 zt::ex::InvalidArgument);
    EXPECT_THROW(halNReqGetReportFile(*itsRequest.RootElement(), &itsHeaders, nullptr),
                 zt::ex::InvalidArgument);
}

TEST_F(halNReqGetReportFileAnswer, answersFillHeadersAndContent) {
    const struct {
        const char* name;
        Headers before;
        Bytes answer;
        Headers headers;
        std::string content;
    } rows[] = {
        {"no headers", {}, Bytes{0, 0, 0, 0} + str("a,b\n1,2\n"), {}, "a,b\n1,2\n"},
        {"headers in any order",
         {},
         Bytes{0, 0, 0, 2} + str("Content-Type") + str("text/csv") + str("Content-Disposition") +
             str("attachment") + str("x"),
         {{"Content-Disposition", "attachment"}, {"Content-Type", "text/csv"}},
         "x"},
        {"a repeated key keeps its first value",
         {},
         Bytes{0, 0, 0, 2} + str("K") + str("first") + str("K") + str("second") + str(""),
         {{"K", "first"}},
         ""},
        {"a key the caller had keeps its value",
         {{"K", "mine"}},
         Bytes{0, 0, 0, 1} + str("K") + str("server's") + str("c"),
         {{"K", "mine"}},
         "c"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        itsHeaders = row.before;
        EXPECT_EQ(read(row.answer), std::nullopt);
        EXPECT_EQ(itsHeaders, row.headers);
        EXPECT_EQ(itsContent, row.content);
    }
}

TEST_F(halNReqGetReportFileAnswer, malformedAnswersFailAndChangeNeitherTarget) {
    const struct {
        const char* name;
        Bytes answer;
    } rows[] = {
        {"empty", {}},
        {"count cut short", {0, 0, 0}},
        {"fewer pairs than counted", Bytes{0, 0, 0, 2} + str("K") + str("v") + str("content")},
        {"huge count", Bytes{0xFF, 0xFF, 0xFF, 0xFF} + str("K") + str("v")},
        {"value without its NUL", Bytes{0, 0, 0, 1} + str("K") + bytes("v")},
        {"content missing", Bytes{0, 0, 0, 1} + str("K") + str("v")},
        {"content without its NUL", Bytes{0, 0, 0, 0} + bytes("content")},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        itsHeaders = {{"kept", "1"}};
        EXPECT_EQ(read(row.answer), "out_of_range");
        EXPECT_EQ(itsHeaders, (Headers{{"kept", "1"}}));
        EXPECT_EQ(itsContent, "previous");
    }
}

} // namespace
