#include "gui/Resample.h"

#include <algorithm>
#include <cmath>

namespace VSTGUI {
namespace {

// For each target index, the source indices it covers and their weights
// (summing to 1).
struct Span {
    int32_t first = 0;
    std::vector<float> weights;
};

std::vector<Span> spans(int32_t sourceLength, int32_t targetLength)
{
    std::vector<Span> out(static_cast<size_t>(targetLength));
    const double ratio = static_cast<double>(sourceLength) / targetLength;
    for (int32_t t = 0; t < targetLength; ++t) {
        double a = t * ratio;
        double b = (t + 1) * ratio;
        if (ratio < 1.0) { // enlarging: one source pixel's worth around the centre
            const double centre = (a + b) * 0.5;
            a = std::max(0.0, centre - 0.5);
            b = std::min(static_cast<double>(sourceLength), centre + 0.5);
        }
        const auto first = static_cast<int32_t>(std::floor(a));
        const auto last = std::min(sourceLength, static_cast<int32_t>(std::ceil(b)));
        Span& s = out[static_cast<size_t>(t)];
        s.first = first;
        double total = 0.0;
        for (int32_t i = first; i < last; ++i) {
            const double w = std::min(b, i + 1.0) - std::max(a, static_cast<double>(i));
            s.weights.push_back(static_cast<float>(w));
            total += w;
        }
        for (float& w : s.weights)
            w = static_cast<float>(w / total);
    }
    return out;
}

} // namespace

std::vector<uint8_t> resampleArea(const uint8_t* src, int32_t srcStride, int32_t channels,
                                  int32_t sx, int32_t sy, int32_t sw, int32_t sh, int32_t dw,
                                  int32_t dh)
{
    if (src == nullptr || sw <= 0 || sh <= 0 || dw <= 0 || dh <= 0 || channels <= 0)
        return {};
    const auto c = static_cast<size_t>(channels);
    const std::vector<Span> across = spans(sw, dw);
    const std::vector<Span> down = spans(sh, dh);

    // Rows first (sh x dw), then columns.
    std::vector<float> rows(static_cast<size_t>(sh) * static_cast<size_t>(dw) * c, 0.f);
    for (int32_t y = 0; y < sh; ++y) {
        const uint8_t* line = src + (static_cast<size_t>(sy + y) * static_cast<size_t>(srcStride) +
                                     static_cast<size_t>(sx)) * c;
        float* out = rows.data() + static_cast<size_t>(y) * static_cast<size_t>(dw) * c;
        for (int32_t x = 0; x < dw; ++x) {
            const Span& s = across[static_cast<size_t>(x)];
            for (size_t k = 0; k < s.weights.size(); ++k) {
                const uint8_t* p = line + (static_cast<size_t>(s.first) + k) * c;
                for (size_t ch = 0; ch < c; ++ch)
                    out[static_cast<size_t>(x) * c + ch] += s.weights[k] * p[ch];
            }
        }
    }
    std::vector<uint8_t> result(static_cast<size_t>(dw) * static_cast<size_t>(dh) * c);
    for (int32_t y = 0; y < dh; ++y) {
        const Span& s = down[static_cast<size_t>(y)];
        for (int32_t x = 0; x < dw; ++x) {
            for (size_t ch = 0; ch < c; ++ch) {
                float v = 0.f;
                for (size_t k = 0; k < s.weights.size(); ++k)
                    v += s.weights[k] *
                         rows[((static_cast<size_t>(s.first) + k) * static_cast<size_t>(dw) +
                               static_cast<size_t>(x)) * c + ch];
                result[(static_cast<size_t>(y) * static_cast<size_t>(dw) + static_cast<size_t>(x)) * c + ch] =
                    static_cast<uint8_t>(std::clamp(std::lround(v), 0L, 255L));
            }
        }
    }
    return result;
}

} // namespace VSTGUI
