// Measurements of rendered audio for tests.
#pragma once

#include <cstddef>
#include <vector>

namespace vemotest {

double peak(const std::vector<float>& x, size_t from = 0, size_t to = size_t(-1));
double rms(const std::vector<float>& x, size_t from = 0, size_t to = size_t(-1));
double dbfs(double level);
// Fundamental frequency in Hz of x[from..to) by normalised autocorrelation
// between minHz and maxHz, refined by parabolic interpolation; 0 if unclear.
double estimatePitch(const std::vector<float>& x, double sampleRate, size_t from, size_t to,
                     double minHz = 30.0, double maxHz = 4000.0);
bool allFinite(const std::vector<float>& x);
// First index at or after `from` whose magnitude exceeds `threshold`; npos if none.
size_t firstAbove(const std::vector<float>& x, double threshold, size_t from = 0);

} // namespace vemotest
