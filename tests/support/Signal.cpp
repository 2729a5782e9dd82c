#include "support/Signal.h"

#include <algorithm>
#include <cmath>

namespace vemotest {

double peak(const std::vector<float>& x, size_t from, size_t to)
{
    to = std::min(to, x.size());
    double p = 0.0;
    for (size_t i = from; i < to; ++i)
        p = std::max(p, std::fabs(double(x[i])));
    return p;
}

double rms(const std::vector<float>& x, size_t from, size_t to)
{
    to = std::min(to, x.size());
    if (to <= from)
        return 0.0;
    double sum = 0.0;
    for (size_t i = from; i < to; ++i)
        sum += double(x[i]) * double(x[i]);
    return std::sqrt(sum / double(to - from));
}

double dbfs(double level) { return 20.0 * std::log10(std::max(level, 1e-30)); }

double estimatePitch(const std::vector<float>& x, double sampleRate, size_t from, size_t to,
                     double minHz, double maxHz)
{
    to = std::min(to, x.size());
    if (to <= from + 16)
        return 0.0;
    std::vector<double> s(x.begin() + long(from), x.begin() + long(to));
    double mean = 0.0;
    for (double v : s)
        mean += v;
    mean /= double(s.size());
    for (double& v : s)
        v -= mean;
    const size_t minLag = size_t(std::max(2.0, std::floor(sampleRate / maxHz)));
    const size_t maxLag = std::min(s.size() / 2, size_t(std::ceil(sampleRate / minHz)));
    if (maxLag <= minLag + 2)
        return 0.0;
    std::vector<double> r(maxLag + 2, 0.0);
    const size_t n = s.size() - maxLag - 1;
    double energy = 0.0;
    for (size_t i = 0; i < n; ++i)
        energy += s[i] * s[i];
    if (energy <= 0.0)
        return 0.0;
    for (size_t lag = minLag - 1; lag <= maxLag + 1 && lag < r.size(); ++lag) {
        double acc = 0.0, e2 = 0.0;
        for (size_t i = 0; i < n; ++i) {
            acc += s[i] * s[i + lag];
            e2 += s[i + lag] * s[i + lag];
        }
        r[lag] = acc / std::sqrt(energy * e2 + 1e-30);
    }
    // The first lag whose correlation comes within 10% of the best is the
    // period (avoids picking a multiple of it).
    double best = -1.0;
    for (size_t lag = minLag; lag <= maxLag; ++lag)
        best = std::max(best, r[lag]);
    if (best < 0.5)
        return 0.0;
    for (size_t lag = minLag; lag <= maxLag; ++lag) {
        if (r[lag] >= 0.9 * best && r[lag] >= r[lag - 1] && r[lag] >= r[lag + 1]) {
            const double a = r[lag - 1], b = r[lag], c = r[lag + 1];
            const double denom = a - 2.0 * b + c;
            const double shift = denom != 0.0 ? 0.5 * (a - c) / denom : 0.0;
            return sampleRate / (double(lag) + shift);
        }
    }
    return 0.0;
}

bool allFinite(const std::vector<float>& x)
{
    return std::all_of(x.begin(), x.end(), [](float v) { return std::isfinite(v); });
}

size_t firstAbove(const std::vector<float>& x, double threshold, size_t from)
{
    for (size_t i = from; i < x.size(); ++i)
        if (std::fabs(double(x[i])) > threshold)
            return i;
    return size_t(-1);
}

} // namespace vemotest
