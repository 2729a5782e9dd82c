// The editor under VST 3: the same panel as under the other formats, in a
// view (IPlugView) embedded in the host's window: an X11 window id on
// Linux, an HWND on Windows. On Linux the host's run loop (IRunLoop, asked
// of the frame) idles it by a timer; on Windows a thread timer of the
// view's own does.
//
// Threads: everything on the host's UI thread, except show(), which the
// audio thread also calls when a value changes inside the plug-in (it only
// stores the value for the next idle).
#pragma once

#include "editor/EditorHost.h"

#include <functional>
#include "vst3/Vst3Abi.h"

#include <cstdint>

class VemoVstEditor;

namespace vemo::vst3face {

class Vst3Plugin;

class Vst3Editor final : public EditorHost {
public:
    explicit Vst3Editor(Vst3Plugin& plugin);
    ~Vst3Editor();
    Vst3Editor(const Vst3Editor&) = delete;
    Vst3Editor& operator=(const Vst3Editor&) = delete;

    // A new view (reference count one) over this editor; null without memory.
    vst3::IPlugView* makeView();

    // Any thread: a value changed; the control follows at the next idle.
    void show(int32_t index, float value);

    // The view's calls (UI thread).
    bool open(void* parent);
    void close();
    void idle();
    vst3::ViewRect rect() const;
    // The host's content scale (1..3 used; see EditorScale.h).
    void setHostScale(float scale);
    // Who asks the host's frame for another size (the attached view); null
    // when no view is attached.
    void setResizer(std::function<bool(int32_t, int32_t)> ask) { resizer = std::move(ask); }

private:
    // EditorHost.
    float parameterValue(int32_t index) override;
    void setParameterFromUser(int32_t index, float value) override;
    void beginGesture(int32_t index) override;
    void endGesture(int32_t index) override;
    int32_t program() override;
    void programName(char* text) override;
    bool programNameAt(int32_t index, char* text) override;
    void parameterText(int32_t index, char* display, char* unit) override;
    bool requestResize(int32_t width, int32_t height) override { return resizer && resizer(width, height); }

    Vst3Plugin& plugin;
    VemoVstEditor* editor;
    std::function<bool(int32_t, int32_t)> resizer;
};

} // namespace vemo::vst3face
