// vemo-screenshot: opens the editor of a VEMO instance on an offscreen
// window and writes what it shows to a PNG file.
//
//   vemo-screenshot [--program N] [--set NAME=VALUE ...] [--menu 27|28]
//                   [--drag NAME=VALUE] [--scale S] OUTPUT.png
//
// The instance starts as the plug-in does (program 0 of the factory bank);
// --program selects another program, --set changes single values (by index
// or by name, as the host would), --menu opens the pop-up list of a menu
// (the wave menu 27 or the clock menu 28, or their names), and --drag moves a slider with the mouse to a
// value and takes the picture before the button comes up, so the display
// shows the parameter being dragged. --scale draws the editor at S (1 to 3)
// times its size, as a host asking for that scale sees it.
#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "editor/VemoVstEditor.h"
#include "gui/platform/Offscreen.h"
#include "faces/vst2/VemoVst.h"
#include "voice/ParameterTable.h"

namespace {

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
    std::fprintf(stderr, "usage: vemo-screenshot [--program N] [--set NAME=VALUE ...] [--menu 27|28] "
                         "[--drag NAME=VALUE] [--scale S] OUTPUT.png\n");
    return 2;
}

// "NAME=VALUE" or "INDEX=VALUE" with a plain number; false when malformed.
bool parseAssignment(const char* text, int& index, float& value)
{
    const char* eq = std::strchr(text, '=');
    if (eq == nullptr || eq == text)
        return false;
    const std::string key(text, eq);
    char* end = nullptr;
    value = std::strtof(eq + 1, &end);
    if (end == eq + 1 || *end != 0)
        return false;
    char* keyEnd = nullptr;
    const long n = std::strtol(key.c_str(), &keyEnd, 10);
    index = *keyEnd == 0 ? int(n) : findParameter(key);
    return index >= 0 && index < kNumParameters;
}

// A mouse drag on a slider from its handle to `value`, left held.
bool startDrag(VemoVstEditor& editor, VSTGUI::platform::OffscreenWindow& window, int index, float value)
{
    auto* slider = dynamic_cast<VSTGUI::CVerticalSlider*>(editor.getControl(index));
    if (slider == nullptr)
        return false;
    // The handle's top runs from top + 1 (value 1) to top + 69 (value 0);
    // it is 10 pixels high, and a press centres it on the pointer.
    // The window speaks screen pixels: panel pixels times the scale.
    const VSTGUI::CRect& r = slider->getViewSize();
    const float s = editor.getScale();
    auto centreFor = [&](float v) { return int32_t(float(r.top + 1 + int32_t((1.f - v) * 68.f) + 5) * s); };
    const auto x = int32_t(float(r.left + r.right) / 2.f * s);
    window.postMouseDown(VSTGUI::CPoint(x, centreFor(slider->getValue())));
    editor.idle();
    for (int step = 1; step <= 4; ++step) {
        const float v = slider->getValue() + (value - slider->getValue()) * float(step) / 4.f;
        window.postMouseMove(VSTGUI::CPoint(x, centreFor(v)));
        editor.idle();
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    const char* output = nullptr;
    int menu = -1;
    int program = -1;
    int dragIndex = -1;
    float dragValue = 0.f;
    float scale = 0.f;
    std::vector<std::pair<int, float>> sets;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--menu") == 0 && i + 1 < argc) {
            char* end = nullptr;
            const char* key = argv[++i];
            const long n = std::strtol(key, &end, 10);
            menu = *end == 0 ? int(n) : findParameter(key);
            const ParameterInfo* info = parameterInfo(menu);
            if (info == nullptr || info->kind != ParameterKind::Menu)
                return usage();
        } else if (std::strcmp(argv[i], "--program") == 0 && i + 1 < argc) {
            program = std::atoi(argv[++i]);
        } else if (std::strcmp(argv[i], "--set") == 0 && i + 1 < argc) {
            int index = 0;
            float value = 0.f;
            if (!parseAssignment(argv[++i], index, value))
                return usage();
            sets.emplace_back(index, value);
        } else if (std::strcmp(argv[i], "--drag") == 0 && i + 1 < argc) {
            if (!parseAssignment(argv[++i], dragIndex, dragValue))
                return usage();
        } else if (std::strcmp(argv[i], "--scale") == 0 && i + 1 < argc) {
            scale = std::strtof(argv[++i], nullptr);
            if (!(scale >= 1.f && scale <= 3.f))
                return usage();
        } else if (argv[i][0] == '-') {
            return usage();
        } else {
            output = argv[i];
        }
    }
    if (output == nullptr)
        return usage();

    VSTGUI::platform::setBackend(VSTGUI::platform::Backend::Offscreen);
    auto* plugin = new VemoVst(nullptr); // the plug-in with its editor, no host
    auto* editor = static_cast<VemoVstEditor*>(plugin->getEditor());
    if (editor != nullptr)
        editor->setHostScale(scale > 0.f ? scale : 1.f); // not the user's or the desktop's
    if (editor == nullptr || !editor->open(nullptr)) {
        std::fprintf(stderr, "vemo-screenshot: the editor did not open\n");
        delete plugin;
        return 1;
    }
    if (program >= 0)
        plugin->setProgram(program);
    for (const auto& [index, value] : sets)
        plugin->setParameter(index, value);
    editor->idle();
    editor->idle(); // the menus follow the parameters one idle later
    auto* window = dynamic_cast<VSTGUI::platform::OffscreenWindow*>(editor->getFrame()->getPlatformWindow());
    if (dragIndex >= 0 && (window == nullptr || !startDrag(*editor, *window, dragIndex, dragValue))) {
        std::fprintf(stderr, "vemo-screenshot: --drag needs a slider's parameter\n");
        editor->close();
        delete plugin;
        return 2;
    }
    if (menu >= 0) {
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
    delete plugin;
    if (!ok) {
        std::fprintf(stderr, "vemo-screenshot: cannot write %s\n", output);
        return 1;
    }
    return 0;
}
