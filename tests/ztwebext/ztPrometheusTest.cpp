// The exposition module: escaping, value formatting, histogram buckets and misuse.
#include "ztwebext/ztPrometheus.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <stdexcept>

namespace zp = zt::prometheus;

TEST(PrometheusText, EscapesLabelValuesAndHelp) {
    struct Row {
        const char* name;
        std::string in;
        std::string label;
        std::string help;
    } rows[] = {
        {"plain", "abc", "abc", "abc"},
        {"quote", "a\"b", "a\\\"b", "a\"b"},
        {"backslash", "a\\b", "a\\\\b", "a\\\\b"},
        {"line feed", "a\nb", "a\\nb", "a\\nb"},
        {"empty", "", "", ""},
        {"utf-8 kept", "caf\xc3\xa9", "caf\xc3\xa9", "caf\xc3\xa9"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(zp::escapeLabelValue(row.in), row.label);
        EXPECT_EQ(zp::escapeHelp(row.in), row.help);
    }
}

TEST(PrometheusText, FormatsValues) {
    struct Row {
        double in;
        const char* out;
    } rows[] = {
        {0, "0"},
        {3, "3"},
        {-2.5, "-2.5"},
        {0.001, "0.001"},
        {1e20, "1e+20"},
        {std::numeric_limits<double>::infinity(), "+Inf"},
        {-std::numeric_limits<double>::infinity(), "-Inf"},
        {std::nan(""), "NaN"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.out);
        EXPECT_EQ(zp::formatValue(row.in), row.out);
    }
}

TEST(PrometheusFamilies, HistogramBucketsAreCumulativeAndInclusive) {
    zp::Registry registry;
    auto& histogram = registry.histogram("h_seconds", "help", {"route"}, {0.1, 1});
    // Exactly on a bound counts in that bucket ("le").
    for (const double value : {0.1, 0.5, 1.0, 7.0})
        histogram.observe({"x"}, value);
    EXPECT_EQ(registry.render(), "# HELP h_seconds help\n"
                                 "# TYPE h_seconds histogram\n"
                                 "h_seconds_bucket{route=\"x\",le=\"0.1\"} 1\n"
                                 "h_seconds_bucket{route=\"x\",le=\"1\"} 3\n"
                                 "h_seconds_bucket{route=\"x\",le=\"+Inf\"} 4\n"
                                 "h_seconds_sum{route=\"x\"} 8.6\n"
                                 "h_seconds_count{route=\"x\"} 4\n");
}

TEST(PrometheusFamilies, CountersAndGaugesWithAndWithoutLabels) {
    zp::Registry registry;
    auto& counter = registry.counter("c_total", "counted", {"a", "b"});
    registry.counter("idle_total", "never counted");
    auto& gauge = registry.gauge("g", "gauged");
    counter.increment({"1", "x\"y"});
    counter.increment({"1", "x\"y"}, 2);
    gauge.setCallback({}, [] { return 4.0; });
    EXPECT_EQ(counter.value({"1", "x\"y"}), 3);
    EXPECT_EQ(registry.render(), "# HELP c_total counted\n"
                                 "# TYPE c_total counter\n"
                                 "c_total{a=\"1\",b=\"x\\\"y\"} 3\n"
                                 "# HELP idle_total never counted\n"
                                 "# TYPE idle_total counter\n"
                                 "idle_total 0\n"
                                 "# HELP g gauged\n"
                                 "# TYPE g gauge\n"
                                 "g 4\n");
}

TEST(PrometheusFamilies, MisuseIsRefused) {
    zp::Registry registry;
    auto& counter = registry.counter("c_total", "help", {"a"});
    EXPECT_THROW(counter.increment({}), std::invalid_argument);
    EXPECT_THROW(counter.increment({"1", "2"}), std::invalid_argument);
    EXPECT_THROW(counter.increment({"1"}, -1), std::invalid_argument);
    EXPECT_THROW(registry.histogram("h", "help", {}, {1, 1}), std::invalid_argument);
    EXPECT_THROW(registry.histogram("h", "help", {"le"}, {1}), std::invalid_argument);
}
