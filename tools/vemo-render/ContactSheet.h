// A picture of many takes at a glance: one tile per take with its title,
// a spectrogram (30 Hz to 16 kHz, log frequency) and its level curve, laid
// out in a grid and written as PNG.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vemo::render {

struct Rgb {
    uint8_t r, g, b;
};

class Image {
public:
    Image(int width, int height, Rgb background);
    int width() const { return width_; }
    int height() const { return height_; }
    const std::vector<uint8_t>& pixels() const { return rgb_; } // rows top down, RGB

    void set(int x, int y, Rgb c); // ignores points outside
    Rgb get(int x, int y) const;
    void fill(int x, int y, int w, int h, Rgb c);
    // 5 x 7 capitals at scale (1: 6 pixels per character); returns the width drawn.
    int text(int x, int y, const std::string& s, Rgb c, int scale = 1);

private:
    int width_, height_;
    std::vector<uint8_t> rgb_;
};

// Throws std::runtime_error naming the path.
void writePng(const Image& image, const std::string& path);

struct SheetTile {
    std::string title;    // first line, e.g. "014 Warm Pad"
    std::string subtitle; // second line, e.g. "pad  peak -3.1  rms -18.2"
    std::vector<float> mono;
    double sampleRate = 44100.0;
};

// Tile geometry, in pixels.
constexpr int kTileWidth = 240;
constexpr int kTileSpectrumHeight = 96;
constexpr int kTileLabelHeight = 22;
constexpr int kTileGap = 8;

Image drawContactSheet(const std::string& heading, const std::vector<SheetTile>& tiles, int columns);

} // namespace vemo::render
