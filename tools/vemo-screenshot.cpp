// vemo-screenshot: opens the editor on an offscreen window and writes what
// it shows to a PNG file.
//
//   vemo-screenshot [--menu 27|28] [--set INDEX=VALUE ...] OUTPUT.png
//
// The parameters start from a typical patch; --set changes single values
// (as the host would), --menu opens the pop-up list of the wave (27) or
// clock (28) menu.
#include <png.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "editor/VemoVstEditor.h"
#include "gui/platform/Offscreen.h"
#include "vst/audioeffectx.h"

namespace {

// A parameter store standing in for the plug-in: the editor only reads and
// writes parameter values through it.
class ParameterStore : public AudioEffectX {
public:
    ParameterStore() : AudioEffectX(nullptr, 1, VemoVstEditor::kNumParameters)
    {
        const float patch[VemoVstEditor::kNumParameters] = {
            0.f,  0.72f, 0.5f, 1.f,  1.f,   0.45f, 0.12f, 1.f,   0.f,  0.38f, 0.08f, 0.1f,
            0.62f, 0.35f, 0.f,  0.55f, 0.2f, 0.5f,  0.f,   0.5f,  0.04f, 0.42f, 0.7f,  0.3f,
            0.48f, 0.25f, 1.f,  1.f,  2.f,   0.3f,  0.f,   0.15f, 0.f,   1.f / 3.f, 1.f, 0.f,
            0.f,  0.f,   0.f,  0.f,  0.f,   0.f,   0.f,   0.f,   0.f,  0.f,  1.f};
        values = std::to_array(patch);
    }
    void setParameter(int32_t index, float value) override
    {
        if (index >= 0 && index < VemoVstEditor::kNumParameters) {
            values[static_cast<size_t>(index)] = value;
            if (editor != nullptr)
                editor->setParameter(index, value);
        }
    }
    float getParameter(int32_t index) override
    {
        if (index < 0 || index >= VemoVstEditor::kNumParameters)
            return 0.f;
        return values[static_cast<size_t>(index)];
    }

private:
    std::array<float, VemoVstEditor::kNumParameters> values{};
};

bool writePng(const char* path, const VSTGUI::CDrawContext& canvas)
{
    FILE* file = std::fopen(path, "wb");
    if (file == nullptr)
        return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    if (png == nullptr || info == nullptr || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(file);
        return false;
    }
    png_init_io(png, file);
    const auto w = static_cast<png_uint_32>(canvas.getWidth());
    const auto h = static_cast<png_uint_32>(canvas.getHeight());
    png_set_IHDR(png, info, w, h, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    std::vector<png_byte> row(static_cast<size_t>(w) * 3);
    for (png_uint_32 y = 0; y < h; ++y) {
        for (png_uint_32 x = 0; x < w; ++x) {
            const uint32_t p = canvas.getPixel(static_cast<int32_t>(x), static_cast<int32_t>(y));
            row[x * 3 + 0] = static_cast<png_byte>(p >> 16);
            row[x * 3 + 1] = static_cast<png_byte>(p >> 8);
            row[x * 3 + 2] = static_cast<png_byte>(p);
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return std::fclose(file) == 0;
}

int usage()
{
    std::fprintf(stderr, "usage: vemo-screenshot [--menu 27|28] [--set INDEX=VALUE ...] OUTPUT.png\n");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    const char* output = nullptr;
    int menu = -1;
    std::vector<std::pair<int, float>> sets;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--menu") == 0 && i + 1 < argc) {
            menu = std::atoi(argv[++i]);
        } else if (std::strcmp(argv[i], "--set") == 0 && i + 1 < argc) {
            int index = 0;
            float value = 0.f;
            if (std::sscanf(argv[++i], "%d=%f", &index, &value) != 2)
                return usage();
            sets.emplace_back(index, value);
        } else if (argv[i][0] == '-') {
            return usage();
        } else {
            output = argv[i];
        }
    }
    if (output == nullptr)
        return usage();

    VSTGUI::platform::setBackend(VSTGUI::platform::Backend::Offscreen);
    auto* effect = new ParameterStore(); // owns the editor from here on
    auto* editor = new VemoVstEditor(effect);
    if (!editor->open(nullptr)) {
        std::fprintf(stderr, "vemo-screenshot: the editor did not open\n");
        delete effect;
        return 1;
    }
    for (const auto& [index, value] : sets)
        effect->setParameter(index, value);
    editor->idle();
    editor->idle(); // the menus follow the parameters one idle later
    if (menu == 27 || menu == 28) {
        auto* control = dynamic_cast<VSTGUI::COptionMenu*>(editor->getControl(menu));
        if (control != nullptr) {
            const auto& r = control->getViewSize();
            editor->getFrame()->handleMouseDown(VSTGUI::CPoint(r.left + 5, r.top + 5), VSTGUI::kLButton);
            editor->getFrame()->handleMouseUp(VSTGUI::CPoint(r.left + 5, r.top + 5), VSTGUI::kLButton);
            editor->idle();
        }
    }
    const bool ok = writePng(output, *editor->getFrame()->getDrawContext());
    editor->close();
    delete effect;
    if (!ok) {
        std::fprintf(stderr, "vemo-screenshot: cannot write %s\n", output);
        return 1;
    }
    return 0;
}
