// vemo-hostcheck vst3-render MODULE FILE: the VST 3 module, loaded as VST 3
// hosts load it (tests/vst3/Vst3Host), plays a fixed score into FILE
// (interleaved float samples): a program and parameter changes as parameter
// points inside blocks of changing length, notes as events, bend, a
// controller and all-notes-off through the plug-in's MIDI mapping, at
// 48 kHz. The Windows module under Wine must write the same bytes as the
// Linux one.
//
// vemo-hostcheck vst3-editor MODULE (Windows): the view embedded in a Win32
// window of ours, idled by its own timer while we pump messages, and
// removed again.
#include "vst3/Vst3Host.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#ifdef VEMO_DPF_TRAVESTY_DIR
#include <travesty/audio_processor.h>
#include <travesty/component.h>
#include <travesty/edit_controller.h>
#include <travesty/factory.h>
#include <travesty/view.h>

#include <cstring>
#endif

#if defined(_WIN32)
#ifndef NOMINMAX
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#endif

namespace {

using namespace vst3;

struct Step {
    int32_t frame; // absolute
    char kind;     // 'p' parameter (plain value), 'm' MIDI controller number, 'n' note on, 'f' note off
    int32_t id;    // parameter, controller (128 aftertouch, 129 bend, 130 program) or key
    double value;  // plain value, normalised controller value, or velocity 0..1
};

int fail(const char* what)
{
    std::fprintf(stderr, "vst3: %s\n", what);
    return 1;
}

// Our ids and result codes as the other copy of the interface has them for
// this system (COM's byte order and codes on Windows).
bool sameAsTheOtherCopy()
{
#ifdef VEMO_DPF_TRAVESTY_DIR
    const std::pair<const Uid*, const uint8_t*> ids[] = {
        {&FUnknown::iid, v3_funknown_iid},          {&IPluginFactory::iid, v3_plugin_factory_iid},
        {&IComponent::iid, v3_component_iid},       {&IAudioProcessor::iid, v3_audio_processor_iid},
        {&IEditController::iid, v3_edit_controller_iid}, {&IPlugView::iid, v3_plugin_view_iid},
    };
    for (const auto& [ours, theirs] : ids)
        if (std::memcmp(ours->bytes, theirs, 16) != 0)
            return false;
    return kNoInterface == tresult(V3_NO_INTERFACE) && kResultFalse == tresult(V3_FALSE) &&
           kInvalidArgument == tresult(V3_INVALID_ARG) && kNotImplemented == tresult(V3_NOT_IMPLEMENTED);
#else
    return true;
#endif
}

} // namespace

int vst3Render(const std::string& path, const std::string& out)
{
    if (!sameAsTheOtherCopy())
        return fail("interface ids or result codes differ from dpf-source's");
    vemotest::Vst3Host host(path);
    if (host.processor == nullptr)
        return fail(host.loadError.c_str());
    if (!host.activate(48000.0, 512))
        return fail("the plug-in does not start");
    const std::vector<Step> score = {
        {0, 'm', 130, 7.0 / 119.0}, {0, 'p', 6, 0.3},         {0, 'p', 13, 0.6},    {0, 'p', 16, 0.3},
        {0, 'p', 24, 0.5},          {0, 'p', 27, 4.0},        {0, 'p', 34, 1.0},    {1, 'n', 48, 100 / 127.0},
        {1200, 'n', 55, 90 / 127.0}, {2400, 'n', 60, 80 / 127.0}, {2401, 'n', 64, 70 / 127.0},
        {9000, 'm', 129, (0x48 * 128 + 0x10) / 16383.0}, {12000, 'p', 12, 0.35}, {15000, 'f', 55, 0.0},
        {20000, 'n', 67, 1.0},      {25000, 'm', 40, 30 / 127.0}, {30000, 'm', 129, 8192 / 16383.0},
        {36000, 'm', 130, 12.0 / 119.0}, {40000, 'n', 72, 100 / 127.0}, {50000, 'f', 48, 0.0},
        {50001, 'f', 60, 0.0},      {60000, 'n', 45, 60 / 127.0}, {70000, 'm', 123, 0.0},
    };
    const int32_t blocks[] = {512, 333, 64, 1, 200, 17, 512};
    constexpr int32_t kFrames = 80000;
    std::vector<float> audio;
    float left[512], right[512];
    size_t next = 0;
    for (int32_t start = 0, b = 0; start < kFrames; ++b) {
        const int32_t frames = std::min(blocks[b % 7], kFrames - start);
        std::vector<Event> events;
        std::vector<vemotest::Vst3Change> changes;
        for (; next < score.size() && score[next].frame < start + frames; ++next) {
            const Step& s = score[next];
            const int32_t at = s.frame - start;
            if (s.kind == 'p')
                changes.push_back({ParamID(s.id), at, host.controller->plainParamToNormalized(ParamID(s.id), s.value)});
            else if (s.kind == 'm')
                changes.push_back({host.mapped(int16_t(s.id)), at, s.value});
            else if (s.kind == 'n')
                events.push_back(vemotest::vst3NoteOn(at, int16_t(s.id), float(s.value)));
            else
                events.push_back(vemotest::vst3NoteOff(at, int16_t(s.id)));
        }
        if (host.process(left, right, frames, events, changes) != kResultOk)
            return fail("process failed");
        for (int32_t i = 0; i < frames; ++i) {
            audio.push_back(left[i]);
            audio.push_back(right[i]);
        }
        start += frames;
    }
    double energy = 0.0;
    for (float x : audio)
        energy += double(x) * double(x);
    if (!(energy > 0.0) || !std::isfinite(energy))
        return fail("the score played silence or non-finite samples");
    std::ofstream file(out, std::ios::binary);
    file.write(reinterpret_cast<const char*>(audio.data()), std::streamsize(audio.size() * sizeof(float)));
    return file ? 0 : fail("cannot write the render");
}

#if defined(_WIN32)
int vst3Editor(const std::string& path)
{
    vemotest::Vst3Host host(path);
    if (host.controller == nullptr)
        return fail(host.loadError.c_str());
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "vemo-vst3-host";
    RegisterClassA(&wc);
    HWND parent = CreateWindowA("vemo-vst3-host", "VEMO VST 3", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 720, 400,
                                nullptr, nullptr, wc.hInstance, nullptr);
    if (parent == nullptr)
        return fail("no parent window");
    IPlugView* view = host.controller->createView("editor");
    if (view == nullptr)
        return fail("no view");
    int failures = 0;
    auto check = [&](bool ok, const char* what) {
        std::printf("%s  vst3 editor: %s\n", ok ? "ok  " : "FAIL", what);
        failures += ok ? 0 : 1;
    };
    check(view->isPlatformTypeSupported(kPlatformTypeHWND) == kResultTrue, "takes an HWND");
    check(view->isPlatformTypeSupported(kPlatformTypeX11EmbedWindowID) == kResultFalse, "refuses X11 on Windows");
    ViewRect size{};
    check(view->getSize(&size) == kResultOk && size.right - size.left == 695 && size.bottom - size.top == 350,
          "695 x 350");
    check(view->attached(parent, kPlatformTypeHWND) == kResultOk, "attached to our window");
    check(GetWindow(parent, GW_CHILD) != nullptr, "a child window in ours");
    // A program change from the audio path: the view's own timer must
    // announce it while we pump messages.
    float l[64], r[64];
    host.process(l, r, 64, {}, {{host.mapped(kCtrlProgramChange), 0, 3.0 / 119.0}});
    const DWORD until = GetTickCount() + 3000;
    while (host.restarts.load() == 0 && GetTickCount() < until) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        Sleep(10);
    }
    check(host.restarts.load() == 1, "idled by its own timer: the program change announced");
    check(view->removed() == kResultOk, "removed");
    check(GetWindow(parent, GW_CHILD) == nullptr, "no child window left");
    view->release();
    DestroyWindow(parent);
    return failures == 0 ? 0 : 1;
}
#endif
