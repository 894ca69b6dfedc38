// The information log: filtering, cutting, malformed formats, the log-once cache, the file
// layout and internal checks.
#include "messages/ztInfoLog.h"

#include "messages/ztAssert.h"
#include "messages/ztLogFmt.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <regex>
#include <sstream>
#include <unistd.h>

namespace {

using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

// Restores the fixed configuration after a test that changes it.
class ztInfoLogTest : public testing::Test {
protected:
    void TearDown() override { ztLogSetConfig(ztLogConfig{}); }
};

std::vector<std::string> lines(const std::string& inText) {
    std::vector<std::string> out;
    std::istringstream in(inText);
    for (std::string line; std::getline(in, line);)
        out.push_back(line);
    return out;
}

TEST_F(ztInfoLogTest, WritesLevelsUpToThreeOnly) {
    EXPECT_TRUE(ztLogEnabled(0));
    EXPECT_TRUE(ztLogEnabled(3));
    EXPECT_TRUE(ztLogEnabled(3 | ztLogOnce));
    EXPECT_FALSE(ztLogEnabled(4));
    EXPECT_FALSE(ztLogEnabled(5));

    CaptureStderr();
    ztLog(4, "hidden %d", 4);
    ztLog(3, "shown %d", 3);
    const auto out = lines(GetCapturedStderr());
    ASSERT_EQ(out.size(), 1u);
    EXPECT_TRUE(std::regex_match(out[0], std::regex(R"(\d\d:\d\d:\d\d shown 3)"))) << out[0];
}

TEST_F(ztInfoLogTest, SecondThresholdAdmitsSevereLevels) {
    ztLogConfig config;
    config.threshold = 0;
    config.secondThreshold = 2;
    ztLogSetConfig(config);
    EXPECT_TRUE(ztLogEnabled(2));
    EXPECT_FALSE(ztLogEnabled(3));
}

TEST_F(ztInfoLogTest, CutsLongTextsAt2047Characters) {
    const std::string longText(3000, 'x');
    CaptureStderr();
    ztLog(0, "%s", longText.c_str());
    const auto out = lines(GetCapturedStderr());
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].substr(9), std::string(2047, 'x'));
}

TEST_F(ztInfoLogTest, MalformedFormatIsLoggedAsItsTemplate) {
    // A wide character that the C locale cannot encode makes vsnprintf fail.
    const char* format = "bad %lc";
    CaptureStderr();
    ztLog(0, format, static_cast<wint_t>(0x20AC));
    const auto out = lines(GetCapturedStderr());
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].substr(9), "Failing to log a message because it was malformed. Message "
                                "template was (bad %lc)");
}

TEST_F(ztInfoLogTest, LogOnceWritesATextOnceUntilTheCacheIsCleared) {
    CaptureStderr();
    ztLogText(1 | ztLogOnce, "once-first");
    ztLogText(1 | ztLogOnce, "once-first");
    EXPECT_EQ(lines(GetCapturedStderr()).size(), 1u);

    // Fill the cache past its 5000 entries: the 5001st distinct text clears it.
    CaptureStderr();
    for (int i = 1; i < 5000; ++i)
        ztLogText(1 | ztLogOnce, "once-" + std::to_string(i));
    const std::string beforeClear = GetCapturedStderr();
    EXPECT_EQ(beforeClear.find("Clearing all messages"), std::string::npos);

    CaptureStderr();
    ztLogText(1 | ztLogOnce, "once-5000");
    ztLogText(1 | ztLogOnce, "once-first");
    const auto out = lines(GetCapturedStderr());
    ASSERT_EQ(out.size(), 3u);
    EXPECT_EQ(out[0].substr(9), "Clearing all messages from the log_once cache as the maximum "
                                "size of cache has been reached.");
    EXPECT_EQ(out[1].substr(9), "once-5000");
    EXPECT_EQ(out[2].substr(9), "once-first");
}

TEST_F(ztInfoLogTest, FmtLinesAreFormattedOnlyWhenEnabled) {
    CaptureStderr();
    ztLogFmt(6, "hidden {}", 1);
    ztLogFmt(2, "threadId = {} threadName = \"{}\"", 42, "worker");
    const auto out = lines(GetCapturedStderr());
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].substr(9), "threadId = 42 threadName = \"worker\"");
}

TEST_F(ztInfoLogTest, FileLinesCarryDateAndLevelWord) {
    char path[] = "/tmp/ztInfoLogTestXXXXXX";
    const int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    close(fd);
    ztLogConfig config;
    config.destination = ztLogToFile;
    config.fileName = path;
    config.prefix = "web";
    ztLogSetConfig(config);
    ztLog(2, "to the file");
    ztLog(0, "second");
    ztLogSetConfig(ztLogConfig{});

    std::ifstream in(path);
    std::stringstream content;
    content << in.rdbuf();
    std::remove(path);
    const auto out = lines(content.str());
    ASSERT_EQ(out.size(), 2u);
    const std::regex shape(R"([A-Z][a-z]{2} \d{1,2} \d\d:\d\d:\d\d warning web:  to the file)");
    EXPECT_TRUE(std::regex_match(out[0], shape)) << out[0];
    EXPECT_NE(out[1].find(" error web:  second"), std::string::npos) << out[1];
}

TEST_F(ztInfoLogTest, ThreadPartAppearsAboveThresholdFour) {
    ztLogConfig config;
    config.threshold = 5;
    ztLogSetConfig(config);
    CaptureStderr();
    ztLog(5, "detail");
    const auto out = lines(GetCapturedStderr());
    ASSERT_EQ(out.size(), 1u);
    EXPECT_TRUE(std::regex_match(out[0], std::regex(R"(\d\d:\d\d:\d\d \[\d+.*\]  detail)")))
        << out[0];
}

TEST_F(ztInfoLogTest, AssertionsAreSkippedAtTheFixedThreshold) {
    int evaluated = 0;
    CaptureStderr();
    ztAssert(++evaluated == 0);
    EXPECT_EQ(GetCapturedStderr(), "");
    EXPECT_EQ(evaluated, 0);
}

TEST_F(ztInfoLogTest, FailedAssertionIsLoggedAndExecutionGoesOn) {
    ztLogConfig config;
    config.threshold = 5;
    ztLogSetConfig(config);
    int evaluated = 0;
    CaptureStderr();
    ztAssert(++evaluated == 0);
    ztAssert(evaluated == 1);
    const auto out = lines(GetCapturedStderr());
    EXPECT_EQ(evaluated, 1);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_NE(out[0].find("Assertion failed.  File: "), std::string::npos);
    EXPECT_NE(out[0].find(", line: "), std::string::npos);
    EXPECT_NE(out[0].find(".  Offending command: \"++evaluated == 0\"."), std::string::npos);
}

} // namespace
