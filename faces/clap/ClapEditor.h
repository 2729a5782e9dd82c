// The editor under CLAP: the same panel as under the other formats, embedded
// in the host's X11 window through the gui extension and idled by the host's
// timer (timer-support), talking to the plug-in as its editor host.
//
// Threads: everything on the host's main thread, except show(), which the
// audio thread also calls when a value changes inside the plug-in (it only
// stores the value for the next idle).
#pragma once

#include "clap/ClapAbi.h"
#include "editor/EditorHost.h"

#include <cstdint>

class VemoVstEditor;

namespace vemo::clapface {

class ClapPlugin;

class ClapEditor final : public EditorHost {
public:
    ClapEditor(ClapPlugin& plugin, const clap::clap_host* host);
    ~ClapEditor();
    ClapEditor(const ClapEditor&) = delete;
    ClapEditor& operator=(const ClapEditor&) = delete;

    // The gui extension's calls. open: the window inside the host's X11
    // window (false when none can be made); close: the window goes, the
    // editor object stays for the next open.
    bool open(uint64_t parentWindow);
    void close();
    void size(uint32_t& width, uint32_t& height) const;
    void setScale(double scale);
    void timer(clap::clap_id id);

    // Any thread: a value changed; the control follows at the next idle.
    void show(int32_t index, float value);

    // The extension records the plug-in offers (ClapPlugin::getExtension).
    static const clap::clap_plugin_gui* guiExtension();
    static const clap::clap_plugin_timer_support* timerExtension();

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
    bool requestResize(int32_t width, int32_t height) override;

    ClapPlugin& plugin;
    const clap::clap_host* host;
    const clap::clap_host_timer_support* timers = nullptr;
    const clap::clap_host_gui* gui = nullptr; // request_resize for the user's size
    VemoVstEditor* editor;
    clap::clap_id timerId = clap::kInvalidId;
};

} // namespace vemo::clapface
