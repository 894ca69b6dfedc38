// Result texts live until released, by pointer identity, from any thread; the query
// splitting of the WSDL entry points.
#include "ztxmlint/xmlResultRegistry.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace {

TEST(xmlResultRegistry, TextsLiveUntilReleasedOnce) {
    xmlResultRegistry& registry = xmlResultRegistry::instance();
    const size_t before = registry.size();
    int length = -1;
    const char* a = registry.publish(std::make_unique<std::string>("same"), length);
    EXPECT_EQ(length, 4);
    const char* b = registry.publish(std::make_unique<std::string>("same"), length);
    EXPECT_NE(a, b);
    EXPECT_STREQ(a, "same");
    EXPECT_EQ(registry.size(), before + 2);
    registry.release(a);
    registry.release(a); // a second release of the same pointer does nothing
    registry.release(nullptr);
    const char unknown[] = "never handed out";
    registry.release(unknown);
    EXPECT_EQ(registry.size(), before + 1);
    EXPECT_STREQ(b, "same");
    registry.release(b);
    EXPECT_EQ(registry.size(), before);
}

TEST(xmlResultRegistry, ManyThreadsPublishAndRelease) {
    xmlResultRegistry& registry = xmlResultRegistry::instance();
    const size_t before = registry.size();
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([&registry, t] {
            for (int i = 0; i < 2000; ++i) {
                int length = 0;
                const std::string text = std::to_string(t) + ":" + std::to_string(i);
                const char* p = registry.publish(std::make_unique<std::string>(text), length);
                ASSERT_EQ(std::string(p, static_cast<size_t>(length)), text);
                registry.release(p);
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(registry.size(), before);
}

TEST(splitQuery, SplitsOnQuestionMarksAndAmpersandsAndDecodesPercent) {
    using Map = std::map<std::string, std::string>;
    struct Row {
        const char* query;
        Map expected;
    };
    const Row rows[] = {
        {"wsdl?x=%41", {{"wsdl", ""}, {"x", "A"}}},
        {"a=1&b=2&a=3", {{"a", "3"}, {"b", "2"}}},
        {"a=b=c", {{"a", "b=c"}}},
        {"&&=&", {}},
        {"=v", {{"", "v"}}},
        {"p=a+b%2", {{"p", "a+b%2"}}},
        {"%6E%53=x%2cy", {{"nS", "x,y"}}},
        {"bad=%zz", {{"bad", "%zz"}}},
        {"", {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.query);
        EXPECT_EQ(splitQuery(row.query), row.expected);
    }
}

} // namespace
