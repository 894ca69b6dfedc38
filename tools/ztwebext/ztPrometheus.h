#pragma once
// A small Prometheus exposition module (text format 0.0.4): counter, gauge and histogram
// families with labels, and the text that /metrics serves. Every family is safe to update
// from any thread; rendering takes each family's lock in turn, so a scrape sees each family
// consistent in itself.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace zt::prometheus {

using LabelValues = std::vector<std::string>;

// Label values escape backslash, double quote and line feed; HELP texts backslash and line
// feed.
std::string escapeLabelValue(std::string_view inValue);
std::string escapeHelp(std::string_view inHelp);
// A sample value: integers without a fraction, "+Inf", "-Inf", "NaN", else shortest form.
std::string formatValue(double inValue);

class Family {
public:
    Family(std::string inName, std::string inHelp, std::vector<std::string> inLabelNames);
    virtual ~Family() = default;
    Family(const Family&) = delete;
    Family& operator=(const Family&) = delete;

    const std::string& name() const { return itsName; }
    // Appends "# HELP", "# TYPE" and every sample.
    virtual void render(std::string& ioText) const = 0;

protected:
    // name{label="value",...} with inExtra (an already formatted pair such as le="0.5")
    // after the family's labels; no braces when there are no labels at all.
    std::string sampleName(const std::string& inSuffix, const LabelValues& inValues,
                           const std::string& inExtra = {}) const;
    void renderHeader(std::string& ioText, const char* inType) const;
    // Throws std::invalid_argument when inValues does not match the label names.
    void checkArity(const LabelValues& inValues) const;

    const std::string itsName;
    const std::string itsHelp;
    const std::vector<std::string> itsLabelNames;
    mutable std::mutex itsMutex;
};

// Its name ends in "_total", as the text format expects of counters.
class Counter : public Family {
public:
    using Family::Family;
    // Adds inAmount (must not be negative: counters only go up).
    void increment(const LabelValues& inValues, double inAmount = 1);
    double value(const LabelValues& inValues) const;
    void render(std::string& ioText) const override;

private:
    std::map<LabelValues, double> itsValues;
};

// A gauge whose samples are set, or read from a callback at each scrape.
class Gauge : public Family {
public:
    using Family::Family;
    void set(const LabelValues& inValues, double inValue);
    void add(const LabelValues& inValues, double inAmount);
    // inRead is called while rendering, outside the family's lock; it returns the sample.
    void setCallback(const LabelValues& inValues, std::function<double()> inRead);
    double value(const LabelValues& inValues) const;
    void render(std::string& ioText) const override;

private:
    std::map<LabelValues, double> itsValues;
    std::map<LabelValues, std::function<double()>> itsCallbacks;
};

class Histogram : public Family {
public:
    // inBounds: the upper bounds of the buckets in increasing order; "+Inf" is implied.
    Histogram(std::string inName, std::string inHelp, std::vector<std::string> inLabelNames,
              std::vector<double> inBounds);
    void observe(const LabelValues& inValues, double inValue);
    void render(std::string& ioText) const override;

private:
    struct Series {
        std::vector<uint64_t> itsCounts; // per bucket, not cumulative
        uint64_t itsCount = 0;
        double itsSum = 0;
    };
    const std::vector<double> itsBounds;
    std::map<LabelValues, Series> itsSeries;
};

// The families of one process, rendered in the order they were made.
class Registry {
public:
    Counter& counter(std::string inName, std::string inHelp,
                     std::vector<std::string> inLabelNames = {});
    Gauge& gauge(std::string inName, std::string inHelp,
                 std::vector<std::string> inLabelNames = {});
    Histogram& histogram(std::string inName, std::string inHelp,
                         std::vector<std::string> inLabelNames, std::vector<double> inBounds);
    std::string render() const;

private:
    mutable std::mutex itsMutex;
    std::vector<std::unique_ptr<Family>> itsFamilies;
};

} // namespace zt::prometheus
