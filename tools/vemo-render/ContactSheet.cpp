#include "tools/vemo-render/ContactSheet.h"

#include "tools/vemo-render/PixelText.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdio>
#include <png.h>
#include <stdexcept>

namespace vemo::render {

Image::Image(int width, int height, Rgb background)
    : width_(width), height_(height), rgb_(size_t(width) * size_t(height) * 3)
{
    fill(0, 0, width, height, background);
}

void Image::set(int x, int y, Rgb c)
{
    if (x < 0 || y < 0 || x >= width_ || y >= height_)
        return;
    uint8_t* p = &rgb_[(size_t(y) * size_t(width_) + size_t(x)) * 3];
    p[0] = c.r;
    p[1] = c.g;
    p[2] = c.b;
}

Rgb Image::get(int x, int y) const
{
    const uint8_t* p = &rgb_[(size_t(y) * size_t(width_) + size_t(x)) * 3];
    return {p[0], p[1], p[2]};
}

void Image::fill(int x, int y, int w, int h, Rgb c)
{
    for (int j = std::max(0, y); j < std::min(height_, y + h); ++j)
        for (int i = std::max(0, x); i < std::min(width_, x + w); ++i)
            set(i, j, c);
}

int Image::text(int x, int y, const std::string& s, Rgb c, int scale)
{
    int cx = x;
    for (char ch : s) {
        if (const uint8_t* rows = glyph5x7(ch))
            for (int r = 0; r < 7; ++r)
                for (int b = 0; b < 5; ++b)
                    if (rows[r] & (0x10 >> b))
                        fill(cx + b * scale, y + r * scale, scale, scale, c);
        cx += 6 * scale;
    }
    return cx - x;
}

void writePng(const Image& image, const std::string& path)
{
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        throw std::runtime_error(path + ": cannot write the picture");
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!png || !info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(file);
        throw std::runtime_error(path + ": error while writing the picture");
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, png_uint_32(image.width()), png_uint_32(image.height()), 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    const uint8_t* rows = image.pixels().data();
    for (int y = 0; y < image.height(); ++y)
        png_write_row(png, rows + size_t(y) * size_t(image.width()) * 3);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    if (std::fclose(file) != 0)
        throw std::runtime_error(path + ": error while writing the picture");
}

namespace {

constexpr int kFftSize = 2048;
constexpr double kLowHz = 30.0;
constexpr double kHighHz = 16000.0;
constexpr double kFloorDb = -96.0;

void fft(std::vector<std::complex<double>>& a)
{
    const size_t n = a.size();
    for (size_t i = 1, j = 0; i < n; ++i) {
        size_t bit = n >> 1;
        for (; j & bit; bit >>= 1)
            j ^= bit;
        j ^= bit;
        if (i < j)
            std::swap(a[i], a[j]);
    }
    for (size_t length = 2; length <= n; length <<= 1) {
        std::complex<double> step = std::polar(1.0, -2.0 * M_PI / double(length));
        for (size_t i = 0; i < n; i += length) {
            std::complex<double> w(1.0);
            for (size_t k = 0; k < length / 2; ++k) {
                std::complex<double> u = a[i + k], v = a[i + k + length / 2] * w;
                a[i + k] = u + v;
                a[i + k + length / 2] = u - v;
                w *= step;
            }
        }
    }
}

// Dark blue through purple, red and orange to pale yellow, for 0..1.
Rgb heat(double t)
{
    t = std::clamp(t, 0.0, 1.0);
    struct Stop {
        double at;
        double r, g, b;
    };
    static const Stop stops[] = {{0.0, 8, 8, 20},     {0.3, 40, 20, 110}, {0.55, 170, 30, 90},
                                 {0.75, 240, 100, 30}, {1.0, 255, 245, 180}};
    for (size_t i = 1; i < std::size(stops); ++i)
        if (t <= stops[i].at) {
            double f = (t - stops[i - 1].at) / (stops[i].at - stops[i - 1].at);
            auto mix = [&](double a, double b) { return uint8_t(std::lround(a + (b - a) * f)); };
            return {mix(stops[i - 1].r, stops[i].r), mix(stops[i - 1].g, stops[i].g), mix(stops[i - 1].b, stops[i].b)};
        }
    return {255, 245, 180};
}

void drawTile(Image& image, int x0, int y0, const SheetTile& tile)
{
    const Rgb kTitle{235, 235, 235}, kSub{150, 160, 175}, kLevel{120, 255, 140};
    image.text(x0, y0, tile.title.substr(0, kTileWidth / 6), kTitle);
    image.text(x0, y0 + 11, tile.subtitle.substr(0, kTileWidth / 6), kSub);
    const int top = y0 + kTileLabelHeight;
    const int h = kTileSpectrumHeight;
    image.fill(x0, top, kTileWidth, h, heat(0.0));

    const std::vector<float>& x = tile.mono;
    if (x.empty())
        return;
    std::vector<double> window(kFftSize);
    double windowSum = 0.0;
    for (int i = 0; i < kFftSize; ++i) {
        window[size_t(i)] = 0.5 - 0.5 * std::cos(2.0 * M_PI * i / kFftSize);
        windowSum += window[size_t(i)];
    }
    const double binHz = tile.sampleRate / kFftSize;
    std::vector<std::complex<double>> buffer(kFftSize);
    // Faint marks at 100 Hz, 1 kHz and 10 kHz, drawn under the level curve.
    int gridRows[3];
    for (int g = 0; g < 3; ++g) {
        const double hz = 100.0 * std::pow(10.0, g);
        gridRows[g] = h - 1 - int(std::log(hz / kLowHz) / std::log(kHighHz / kLowHz) * h);
    }
    int previousLevelY = -1;
    for (int col = 0; col < kTileWidth; ++col) {
        // The column's window is centred on its share of the take.
        double centre = (col + 0.5) / kTileWidth * double(x.size());
        long start = long(centre) - kFftSize / 2;
        double energy = 0.0;
        for (int i = 0; i < kFftSize; ++i) {
            long k = start + i;
            double v = k >= 0 && k < long(x.size()) ? double(x[size_t(k)]) : 0.0;
            energy += v * v;
            buffer[size_t(i)] = v * window[size_t(i)];
        }
        fft(buffer);
        for (int row = 0; row < h; ++row) {
            // Row 0 is the top (highest band).
            double lowT = double(h - 1 - row) / h, highT = double(h - row) / h;
            double lowHz = kLowHz * std::pow(kHighHz / kLowHz, lowT);
            double highHz = kLowHz * std::pow(kHighHz / kLowHz, highT);
            size_t first = size_t(std::lround(lowHz / binHz));
            size_t last = std::max(first, size_t(std::lround(highHz / binHz)));
            double magnitude = 0.0;
            for (size_t b = first; b <= last && b < size_t(kFftSize / 2); ++b)
                magnitude = std::max(magnitude, std::abs(buffer[b]));
            double db = 20.0 * std::log10(magnitude * 2.0 / windowSum + 1e-12);
            image.set(x0 + col, top + row, heat((db - kFloorDb) / -kFloorDb));
        }
        if (col % 4 == 2)
            for (int row : gridRows)
                image.set(x0 + col, top + row, {110, 110, 120});
        // Level: RMS over the window, -60..0 dBFS bottom to top.
        double level = 10.0 * std::log10(energy / kFftSize + 1e-12);
        int y = top + h - 1 - int(std::lround(std::clamp((level + 60.0) / 60.0, 0.0, 1.0) * (h - 1)));
        if (previousLevelY >= 0)
            for (int j = std::min(y, previousLevelY); j <= std::max(y, previousLevelY); ++j)
                image.set(x0 + col, j, kLevel);
        image.set(x0 + col, y, kLevel);
        previousLevelY = y;
    }
}

} // namespace

Image drawContactSheet(const std::string& heading, const std::vector<SheetTile>& tiles, int columns)
{
    columns = std::max(1, columns);
    const int rows = std::max(1, int((tiles.size() + size_t(columns) - 1) / size_t(columns)));
    const int tileHeight = kTileLabelHeight + kTileSpectrumHeight;
    const int headingHeight = 30;
    Image image(kTileGap + columns * (kTileWidth + kTileGap), headingHeight + rows * (tileHeight + kTileGap) + kTileGap,
                {24, 26, 32});
    image.text(kTileGap, 4, heading, {255, 255, 255}, 2);
    if (!tiles.empty()) {
        char legend[160];
        std::snprintf(legend, sizeof legend,
                      "each tile: spectrogram 30 Hz - 16 kHz, log scale (marks at 100 Hz, 1 kHz, 10 kHz), "
                      "green: level -60..0 dBFS, %.1f s across",
                      double(tiles.front().mono.size()) / tiles.front().sampleRate);
        image.text(kTileGap, 22, legend, {170, 180, 195});
    }
    for (size_t i = 0; i < tiles.size(); ++i) {
        int col = int(i % size_t(columns)), row = int(i / size_t(columns));
        drawTile(image, kTileGap + col * (kTileWidth + kTileGap), headingHeight + kTileGap + row * (tileHeight + kTileGap),
                 tiles[i]);
    }
    return image;
}

} // namespace vemo::render
