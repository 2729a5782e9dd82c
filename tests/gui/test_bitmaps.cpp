// Bitmap files: the reader's decoding and its refusal of damaged files, the
// canvas blits, and the eleven embedded pictures of the editor.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "gui/BmpReader.h"
#include "gui/CBitmap.h"
#include "gui/CDrawContext.h"
#include "gui/EmbeddedResources.h"

using namespace VSTGUI;

namespace {

void put16(std::vector<uint8_t>& b, size_t at, uint32_t v)
{
    b[at] = uint8_t(v);
    b[at + 1] = uint8_t(v >> 8);
}
void put32(std::vector<uint8_t>& b, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + i] = uint8_t(v >> (8 * i));
}

// A 24-bit file whose pixel (x, y) (top row 0) is (x, y, 200).
std::vector<uint8_t> makeBmp(int32_t w, int32_t h, bool topDown = false)
{
    const uint32_t stride = ((uint32_t(w) * 24 + 31) / 32) * 4;
    std::vector<uint8_t> b(54 + stride * uint32_t(h), 0);
    b[0] = 'B';
    b[1] = 'M';
    put32(b, 2, uint32_t(b.size()));
    put32(b, 10, 54);
    put32(b, 14, 40);
    put32(b, 18, uint32_t(w));
    put32(b, 22, uint32_t(topDown ? -h : h));
    put16(b, 26, 1);
    put16(b, 28, 24);
    for (int32_t y = 0; y < h; ++y) {
        const int32_t fileRow = topDown ? y : h - 1 - y;
        for (int32_t x = 0; x < w; ++x) {
            uint8_t* p = b.data() + 54 + size_t(fileRow) * stride + size_t(x) * 3;
            p[0] = 200;        // blue
            p[1] = uint8_t(y); // green
            p[2] = uint8_t(x); // red
        }
    }
    return b;
}

uint32_t expected(int32_t x, int32_t y) { return 0xFF0000C8u | (uint32_t(x) << 16) | (uint32_t(y) << 8); }

} // namespace

TEST(BmpReader, DecodesBottomUpAndTopDownRowsWithPadding)
{
    for (bool topDown : {false, true}) {
        // Width 3: 9 bytes of pixels plus 3 of padding per row.
        const auto file = makeBmp(3, 5, topDown);
        BmpImage img;
        ASSERT_TRUE(readBmp(file.data(), file.size(), img));
        ASSERT_EQ(img.width, 3);
        ASSERT_EQ(img.height, 5);
        for (int32_t y = 0; y < 5; ++y)
            for (int32_t x = 0; x < 3; ++x)
                EXPECT_EQ(img.pixels[size_t(y * 3 + x)], expected(x, y));
    }
}

TEST(BmpReader, RefusesDamagedOrUnsupportedFiles)
{
    const auto good = makeBmp(4, 4);
    BmpImage img;
    auto refuses = [&](std::vector<uint8_t> f) { return !readBmp(f.data(), f.size(), img) && img.pixels.empty(); };

    EXPECT_TRUE(refuses({}));
    EXPECT_TRUE(refuses(std::vector<uint8_t>(good.begin(), good.end() - 1))); // one byte short
    EXPECT_TRUE(refuses(std::vector<uint8_t>(good.begin(), good.begin() + 30)));
    auto f = good;
    f[0] = 'X';
    EXPECT_TRUE(refuses(f));
    f = good;
    put16(f, 28, 8); // palette images are not supported
    EXPECT_TRUE(refuses(f));
    f = good;
    put32(f, 30, 1); // run-length compressed
    EXPECT_TRUE(refuses(f));
    f = good;
    put32(f, 18, 0); // zero width
    EXPECT_TRUE(refuses(f));
    f = good;
    put32(f, 18, 0x7FFFFFFF); // absurd width
    EXPECT_TRUE(refuses(f));
    f = good;
    put32(f, 22, 0x80000000u); // most negative height
    EXPECT_TRUE(refuses(f));
    f = good;
    put32(f, 10, 0xFFFFFFF0u); // pixel data past the end
    EXPECT_TRUE(refuses(f));
    f = good;
    put32(f, 10, 20); // pixel data inside the header
    EXPECT_TRUE(refuses(f));
    f = good;
    put32(f, 14, 0xFFFFFFFFu); // header size
    EXPECT_TRUE(refuses(f));
    EXPECT_FALSE(readBmp(nullptr, 100, img));
}

TEST(BmpReader, SurvivesRandomDamage)
{
    // Whatever the bytes, the reader answers without reading out of bounds
    // (checked under AddressSanitizer) and a decoded image is whole.
    const auto good = makeBmp(7, 6);
    std::mt19937 rng(12345);
    for (int trial = 0; trial < 3000; ++trial) {
        auto f = good;
        const int edits = 1 + int(rng() % 6);
        for (int e = 0; e < edits; ++e)
            f[rng() % 54] = uint8_t(rng());
        f.resize(rng() % (f.size() + 16));
        BmpImage img;
        if (readBmp(f.data(), f.size(), img)) {
            EXPECT_EQ(img.pixels.size(), size_t(img.width) * size_t(img.height));
        }
    }
}

TEST(Canvas, BlitHonoursOffsetClipAndTransparentColour)
{
    CDrawContext c(20, 10);
    c.fillRect(CRect(0, 0, 20, 10), CColor{1, 2, 3, 255});
    const auto file = makeBmp(6, 8);
    auto* bmp = new CBitmap(file.data(), file.size());
    ASSERT_TRUE(bmp->isLoaded());

    // Source from (2, 3), into a destination partly off the canvas.
    bmp->draw(&c, CRect(16, 5, 22, 11), CPoint(2, 3));
    EXPECT_EQ(c.getPixel(16, 5), expected(2, 3));
    EXPECT_EQ(c.getPixel(19, 9), expected(5, 7));
    EXPECT_EQ(c.getPixel(15, 5), (CColor{1, 2, 3, 255}.pixel()));

    // Only the clip rectangle changes.
    c.setClipRect(CRect(0, 0, 2, 2));
    bmp->draw(&c, CRect(0, 0, 6, 8));
    EXPECT_EQ(c.getPixel(1, 1), expected(1, 1));
    EXPECT_EQ(c.getPixel(2, 2), (CColor{1, 2, 3, 255}.pixel()));
    c.resetClipRect();

    // The transparent colour is left out: pixel (1, 1) is (1, 1, 200).
    c.fillRect(CRect(0, 0, 20, 10), kWhiteCColor);
    bmp->setTransparentColor(CColor{1, 1, 200, 255});
    bmp->drawTransparent(&c, CRect(0, 0, 6, 8));
    EXPECT_EQ(c.getPixel(1, 1), kWhiteCColor.pixel());
    EXPECT_EQ(c.getPixel(2, 1), expected(2, 1));
    bmp->forget();

    // A missing resource is an empty bitmap that draws nothing.
    auto* missing = new CBitmap(9999);
    EXPECT_FALSE(missing->isLoaded());
    missing->draw(&c, CRect(0, 0, 20, 10));
    EXPECT_EQ(c.getPixel(10, 5), kWhiteCColor.pixel());
    missing->forget();
}

TEST(EmbeddedArtwork, ElevenBitmapsWithTheirSizesAndTransparentColours)
{
    struct Expect {
        int32_t id, width, height;
    };
    const Expect sizes[] = {{128, 695, 350}, {129, 33, 1683}, {130, 30, 40}, {131, 24, 10},
                            {132, 24, 79},   {133, 15, 60},   {134, 25, 80}, {135, 25, 80},
                            {136, 25, 80},   {137, 57, 52},   {138, 30, 40}};
    for (const auto& e : sizes) {
        const EmbeddedResource* res = findEmbeddedResource(e.id);
        ASSERT_NE(res, nullptr) << e.id;
        EXPECT_EQ(res->data[28], 24) << "24-bit file " << e.id;
        auto* bmp = new CBitmap(e.id);
        EXPECT_EQ(bmp->getWidth(), e.width) << e.id;
        EXPECT_EQ(bmp->getHeight(), e.height) << e.id;
        bmp->forget();
    }
    EXPECT_EQ(findEmbeddedResource(127), nullptr);
    EXPECT_EQ(findEmbeddedResource(139), nullptr);

    auto pixel = [](CBitmap* b, int32_t x, int32_t y) {
        return b->getPixels()[size_t(y) * size_t(b->getWidth()) + size_t(x)] & 0xFFFFFFu;
    };
    // Knob frames: black around the knob, and every frame different.
    auto* knob = new CBitmap(129);
    for (int32_t f = 0; f < 51; ++f) {
        EXPECT_EQ(pixel(knob, 0, f * 33), 0u) << f;
        EXPECT_EQ(pixel(knob, 32, f * 33 + 32), 0u) << f;
        EXPECT_NE(pixel(knob, 16, f * 33 + 16), 0u) << f;
        if (f > 0) {
            EXPECT_NE(std::memcmp(knob->getPixels() + (f - 1) * 33 * 33,
                                  knob->getPixels() + f * 33 * 33, 33 * 33 * 4),
                      0)
                << f;
        }
    }
    knob->forget();
    // Push buttons: black corners, lamp off and on differ.
    for (int32_t id : {134, 135, 136}) {
        auto* b = new CBitmap(id);
        EXPECT_EQ(pixel(b, 0, 0), 0u);
        EXPECT_EQ(pixel(b, 24, 79), 0u);
        EXPECT_NE(pixel(b, 12, 7), pixel(b, 12, 47)) << id;
        b->forget();
    }
    // Transpose lever: its own transparent colour around each position.
    auto* t = new CBitmap(137);
    for (int32_t f = 0; f < 4; ++f)
        EXPECT_EQ(pixel(t, 0, f * 13), 0x0D0A13u) << f;
    t->forget();
}
