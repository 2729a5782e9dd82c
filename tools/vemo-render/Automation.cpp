#include "tools/vemo-render/Automation.h"

#include "tools/vemo-render/TempoMap.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace vemo::render {

namespace {

bool parseNumber(const std::string& text, double& out)
{
    if (text.empty())
        return false;
    char* end = nullptr;
    out = std::strtod(text.c_str(), &end);
    return end && *end == 0 && std::isfinite(out);
}

std::string usage(const std::string& text)
{
    return "--automate '" + text + "': ";
}

AutomationTime parseTime(const std::string& text, const std::string& whole)
{
    AutomationTime t;
    size_t colon = text.find(':');
    if (colon == std::string::npos) {
        std::string number = text;
        if (!number.empty() && number.back() == 's')
            number.pop_back();
        if (!parseNumber(number, t.seconds) || t.seconds < 0.0)
            throw AutomationError(usage(whole) + "'" + text + "' is not a time; write seconds (12.5) or bar:beat (5:1)");
        return t;
    }
    t.musical = true;
    double bar = 0.0;
    if (!parseNumber(text.substr(0, colon), bar) || bar < 1.0 || bar != std::floor(bar) || bar > 1e6 ||
        !parseNumber(text.substr(colon + 1), t.beat) || t.beat < 1.0)
        throw AutomationError(usage(whole) + "'" + text +
                              "' is not a bar:beat position; bars and beats count from 1, e.g. 5:1 or 5:2.5");
    t.bar = int64_t(bar);
    return t;
}

} // namespace

AutomationRequest parseAutomation(const std::string& text)
{
    AutomationRequest request;
    size_t eq = text.find('=');
    if (eq == std::string::npos || eq == 0 || eq + 1 == text.size())
        throw AutomationError(usage(text) + "write NAME=TIME:VALUE[,TIME:VALUE...], e.g. CUTOFF=0:0.1,8:0.9");
    request.parameter = text.substr(0, eq);
    size_t start = eq + 1;
    for (;;) {
        size_t comma = text.find(',', start);
        std::string point = text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        size_t colon = point.rfind(':');
        if (colon == std::string::npos || colon == 0 || colon + 1 == point.size())
            throw AutomationError(usage(text) + "'" + point + "' is not TIME:VALUE");
        AutomationTime time = parseTime(point.substr(0, colon), text);
        double value = 0.0;
        if (!parseNumber(point.substr(colon + 1), value))
            throw AutomationError(usage(text) + "'" + point.substr(colon + 1) + "' is not a number");
        request.times.push_back(time);
        request.values.push_back(value);
        if (comma == std::string::npos)
            break;
        start = comma + 1;
    }
    return request;
}

double automationSeconds(const AutomationTime& time, const TempoMap& map)
{
    if (!time.musical)
        return time.seconds;
    TempoMap::Bar bar = map.bar(time.bar);
    if (time.beat >= double(bar.numerator) + 1.0)
        throw AutomationError("bar " + std::to_string(time.bar) + " has " + std::to_string(bar.numerator) +
                              " beats (" + std::to_string(bar.numerator) + "/" + std::to_string(bar.denominator) +
                              "); beat " + std::to_string(int(time.beat)) + " is past its end");
    return map.secondsAtQuarters(bar.startQuarters + (time.beat - 1.0) * 4.0 / bar.denominator);
}

float ParameterAutomation::valueAt(int64_t frame) const
{
    auto next = std::upper_bound(points.begin(), points.end(), frame,
                                 [](int64_t f, const AutomationPoint& p) { return f < p.frame; });
    if (next == points.begin())
        return points.front().value;
    const AutomationPoint& from = *(next - 1);
    if (next == points.end())
        return from.value;
    const double t = double(frame - from.frame) / double(next->frame - from.frame);
    return float(double(from.value) + (double(next->value) - double(from.value)) * t);
}

int64_t ParameterAutomation::nextChange(int64_t frame) const
{
    auto next = std::upper_bound(points.begin(), points.end(), frame,
                                 [](int64_t f, const AutomationPoint& p) { return f < p.frame; });
    if (next == points.end())
        return -1;
    if (next == points.begin())
        return next->frame;
    const AutomationPoint& from = *(next - 1);
    if (from.value == next->value)
        return next->frame; // level stretch: nothing to send until the next point
    return std::min(frame + kAutomationStep, next->frame);
}

} // namespace vemo::render
