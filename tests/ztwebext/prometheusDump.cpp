// Writes metrics whose label values and help text need escaping, for the test that reads
// them back with the Prometheus client library's own parser.
#include "ztwebext/ztPrometheus.h"

#include <cstdio>

int main() {
    zt::prometheus::Registry registry;
    auto& values = registry.counter("dump_values_total", "help with \\ and \n inside", {"value"});
    const char* labels[] = {"plain",      "a \"quoted\" word", "back\\slash",
                            "two\nlines", "caf\xc3\xa9",       ""};
    for (int i = 0; i < 6; ++i)
        values.increment({labels[i]}, i + 1);
    auto& seconds = registry.histogram("dump_seconds", "a histogram", {}, {0.1, 1});
    for (const double value : {0.05, 0.5, 5.0})
        seconds.observe({}, value);
    registry.gauge("dump_gauge", "a gauge").set({}, -2.5);
    const std::string text = registry.render();
    std::fwrite(text.data(), 1, text.size(), stdout);
    return 0;
}
