// The Prometheus text exposition format: escaping, sample lines and the three family kinds.
#include "ztwebext/ztPrometheus.h"

#include <charconv>
#include <cmath>
#include <stdexcept>

namespace zt::prometheus {

std::string escapeLabelValue(std::string_view inValue) {
    std::string escaped;
    escaped.reserve(inValue.size());
    for (const char c : inValue) {
        if (c == '\\')
            escaped += "\\\\";
        else if (c == '"')
            escaped += "\\\"";
        else if (c == '\n')
            escaped += "\\n";
        else
            escaped += c;
    }
    return escaped;
}

std::string escapeHelp(std::string_view inHelp) {
    std::string escaped;
    escaped.reserve(inHelp.size());
    for (const char c : inHelp) {
        if (c == '\\')
            escaped += "\\\\";
        else if (c == '\n')
            escaped += "\\n";
        else
            escaped += c;
    }
    return escaped;
}

std::string formatValue(double inValue) {
    if (std::isnan(inValue))
        return "NaN";
    if (std::isinf(inValue))
        return inValue > 0 ? "+Inf" : "-Inf";
    // Counts stay exact up to 2^53; beyond that the shortest round-trip form is used.
    if (inValue == std::floor(inValue) && std::fabs(inValue) < 9007199254740992.0)
        return std::to_string(static_cast<long long>(inValue));
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, inValue);
    return std::string(buffer, result.ptr);
}

Family::Family(std::string inName, std::string inHelp, std::vector<std::string> inLabelNames)
    : itsName(std::move(inName)), itsHelp(std::move(inHelp)),
      itsLabelNames(std::move(inLabelNames)) {}

std::string Family::sampleName(const std::string& inSuffix, const LabelValues& inValues,
                               const std::string& inExtra) const {
    std::string text = itsName + inSuffix;
    if (itsLabelNames.empty() && inExtra.empty())
        return text;
    text += '{';
    for (size_t i = 0; i < itsLabelNames.size(); ++i) {
        if (i > 0)
            text += ',';
        text += itsLabelNames[i] + "=\"" + escapeLabelValue(inValues[i]) + '"';
    }
    if (!inExtra.empty()) {
        if (!itsLabelNames.empty())
            text += ',';
        text += inExtra;
    }
    text += '}';
    return text;
}

void Family::renderHeader(std::string& ioText, const char* inType) const {
    ioText += "# HELP " + itsName + ' ' + escapeHelp(itsHelp) + '\n';
    ioText += "# TYPE " + itsName + ' ' + inType + '\n';
}

void Family::checkArity(const LabelValues& inValues) const {
    if (inValues.size() != itsLabelNames.size())
        throw std::invalid_argument(itsName + ": " + std::to_string(inValues.size()) +
                                    " label values for " + std::to_string(itsLabelNames.size()) +
                                    " labels");
}

void Counter::increment(const LabelValues& inValues, double inAmount) {
    checkArity(inValues);
    if (!(inAmount >= 0))
        throw std::invalid_argument(itsName + ": a counter cannot go down");
    std::lock_guard lock(itsMutex);
    itsValues[inValues] += inAmount;
}

double Counter::value(const LabelValues& inValues) const {
    std::lock_guard lock(itsMutex);
    const auto found = itsValues.find(inValues);
    return found == itsValues.end() ? 0 : found->second;
}

void Counter::render(std::string& ioText) const {
    renderHeader(ioText, "counter");
    std::lock_guard lock(itsMutex);
    // A family without labels shows its one sample even before the first increment.
    if (itsLabelNames.empty() && itsValues.empty())
        ioText += sampleName("", {}) + " 0\n";
    for (const auto& [values, value] : itsValues)
        ioText += sampleName("", values) + ' ' + formatValue(value) + '\n';
}

void Gauge::set(const LabelValues& inValues, double inValue) {
    checkArity(inValues);
    std::lock_guard lock(itsMutex);
    itsValues[inValues] = inValue;
}

void Gauge::add(const LabelValues& inValues, double inAmount) {
    checkArity(inValues);
    std::lock_guard lock(itsMutex);
    itsValues[inValues] += inAmount;
}

void Gauge::setCallback(const LabelValues& inValues, std::function<double()> inRead) {
    checkArity(inValues);
    std::lock_guard lock(itsMutex);
    itsCallbacks[inValues] = std::move(inRead);
}

double Gauge::value(const LabelValues& inValues) const {
    std::lock_guard lock(itsMutex);
    const auto found = itsValues.find(inValues);
    return found == itsValues.end() ? 0 : found->second;
}

void Gauge::render(std::string& ioText) const {
    renderHeader(ioText, "gauge");
    std::map<LabelValues, double> values;
    std::map<LabelValues, std::function<double()>> callbacks;
    {
        std::lock_guard lock(itsMutex);
        values = itsValues;
        callbacks = itsCallbacks;
    }
    for (const auto& [labels, read] : callbacks)
        values[labels] = read();
    if (itsLabelNames.empty() && values.empty())
        values[{}] = 0;
    for (const auto& [labels, value] : values)
        ioText += sampleName("", labels) + ' ' + formatValue(value) + '\n';
}

Histogram::Histogram(std::string inName, std::string inHelp, std::vector<std::string> inLabelNames,
                     std::vector<double> inBounds)
    : Family(std::move(inName), std::move(inHelp), std::move(inLabelNames)),
      itsBounds(std::move(inBounds)) {
    for (size_t i = 1; i < itsBounds.size(); ++i)
        if (!(itsBounds[i - 1] < itsBounds[i]))
            throw std::invalid_argument(itsName + ": bucket bounds must increase");
    for (const std::string& label : itsLabelNames)
        if (label == "le")
            throw std::invalid_argument(itsName + ": \"le\" is the bucket label");
}

void Histogram::observe(const LabelValues& inValues, double inValue) {
    checkArity(inValues);
    std::lock_guard lock(itsMutex);
    Series& series = itsSeries[inValues];
    if (series.itsCounts.empty())
        series.itsCounts.assign(itsBounds.size() + 1, 0);
    size_t bucket = 0;
    while (bucket < itsBounds.size() && inValue > itsBounds[bucket])
        ++bucket;
    ++series.itsCounts[bucket];
    ++series.itsCount;
    series.itsSum += inValue;
}

void Histogram::render(std::string& ioText) const {
    renderHeader(ioText, "histogram");
    std::lock_guard lock(itsMutex);
    for (const auto& [values, series] : itsSeries) {
        uint64_t cumulative = 0;
        for (size_t i = 0; i <= itsBounds.size(); ++i) {
            cumulative += series.itsCounts[i];
            const std::string bound = i < itsBounds.size() ? formatValue(itsBounds[i]) : "+Inf";
            ioText += sampleName("_bucket", values, "le=\"" + bound + '"') + ' ' +
                      std::to_string(cumulative) + '\n';
        }
        ioText += sampleName("_sum", values) + ' ' + formatValue(series.itsSum) + '\n';
        ioText += sampleName("_count", values) + ' ' + std::to_string(series.itsCount) + '\n';
    }
}

Counter& Registry::counter(std::string inName, std::string inHelp,
                           std::vector<std::string> inLabelNames) {
    auto family =
        std::make_unique<Counter>(std::move(inName), std::move(inHelp), std::move(inLabelNames));
    Counter& made = *family;
    std::lock_guard lock(itsMutex);
    itsFamilies.push_back(std::move(family));
    return made;
}

Gauge& Registry::gauge(std::string inName, std::string inHelp,
                       std::vector<std::string> inLabelNames) {
    auto family =
        std::make_unique<Gauge>(std::move(inName), std::move(inHelp), std::move(inLabelNames));
    Gauge& made = *family;
    std::lock_guard lock(itsMutex);
    itsFamilies.push_back(std::move(family));
    return made;
}

Histogram& Registry::histogram(std::string inName, std::string inHelp,
                               std::vector<std::string> inLabelNames,
                               std::vector<double> inBounds) {
    auto family = std::make_unique<Histogram>(std::move(inName), std::move(inHelp),
                                              std::move(inLabelNames), std::move(inBounds));
    Histogram& made = *family;
    std::lock_guard lock(itsMutex);
    itsFamilies.push_back(std::move(family));
    return made;
}

std::string Registry::render() const {
    std::string text;
    std::lock_guard lock(itsMutex);
    for (const auto& family : itsFamilies)
        family->render(text);
    return text;
}

} // namespace zt::prometheus
