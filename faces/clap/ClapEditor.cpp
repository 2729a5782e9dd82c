#include "faces/clap/ClapEditor.h"

#include "editor/VemoVstEditor.h"
#include "faces/clap/ClapPlugin.h"

#include <cstring>

namespace vemo::clapface {

using namespace clap;

namespace {

// About 30 redraws a second: the editor's own idle cycle paces the rest.
constexpr uint32_t kIdlePeriodMs = 30;

#if defined(_WIN32)
constexpr const char* kApi = kWindowApiWin32;
#else
constexpr const char* kApi = kWindowApiX11;
#endif

ClapPlugin* self(const clap_plugin* p) { return p != nullptr ? static_cast<ClapPlugin*>(p->plugin_data) : nullptr; }

// ------------------------------------------------------------- trampolines

bool isApiSupported(const clap_plugin*, const char* api, bool isFloating)
{
    // Embedded only: the panel lives in the host's window.
    return api != nullptr && std::strcmp(api, kApi) == 0 && !isFloating;
}

bool preferredApi(const clap_plugin*, const char** api, bool* isFloating)
{
    if (api == nullptr || isFloating == nullptr)
        return false;
    *api = kApi;
    *isFloating = false;
    return true;
}

bool create(const clap_plugin* p, const char* api, bool isFloating)
{
    return self(p) != nullptr && isApiSupported(p, api, isFloating) && self(p)->editorFor() != nullptr;
}

void destroy(const clap_plugin* p)
{
    if (self(p) != nullptr && self(p)->openEditor() != nullptr)
        self(p)->openEditor()->close();
}

// The host's scale for the editor (X11 and Win32 hosts send it before the
// window opens, and again when it moves to another screen).
bool setScale(const clap_plugin* p, double scale)
{
    if (self(p) == nullptr || self(p)->openEditor() == nullptr || !(scale > 0.0))
        return false;
    self(p)->openEditor()->setScale(scale);
    return true;
}

bool getSize(const clap_plugin* p, uint32_t* width, uint32_t* height)
{
    if (self(p) == nullptr || width == nullptr || height == nullptr || self(p)->openEditor() == nullptr)
        return false;
    self(p)->openEditor()->size(*width, *height);
    return true;
}

bool canResize(const clap_plugin*) { return false; }
bool resizeHints(const clap_plugin*, clap_gui_resize_hints*) { return false; }

// The panel has one size at its scale: a request for it is taken, any other
// refused (the user changes the size through the editor's own menu).
bool adjustSize(const clap_plugin* p, uint32_t* width, uint32_t* height)
{
    return getSize(p, width, height);
}

bool setSize(const clap_plugin* p, uint32_t width, uint32_t height)
{
    uint32_t w = 0, h = 0;
    return getSize(p, &w, &h) && w == width && h == height;
}

bool setParent(const clap_plugin* p, const clap_window* window)
{
    if (self(p) == nullptr || self(p)->openEditor() == nullptr || window == nullptr || window->api == nullptr ||
        std::strcmp(window->api, kApi) != 0)
        return false;
#if defined(_WIN32)
    return self(p)->openEditor()->open(uint64_t(window->uptr));
#else
    return self(p)->openEditor()->open(window->x11);
#endif
}

bool setTransient(const clap_plugin*, const clap_window*) { return false; }
void suggestTitle(const clap_plugin*, const char*) {}
bool showGui(const clap_plugin* p) { return self(p) != nullptr && self(p)->openEditor() != nullptr; }
bool hideGui(const clap_plugin* p) { return self(p) != nullptr && self(p)->openEditor() != nullptr; }

const clap_plugin_gui kGui = {isApiSupported, preferredApi, create,   destroy,   setScale,
                              getSize,        canResize,    resizeHints, adjustSize, setSize,
                              setParent,      setTransient, suggestTitle, showGui,   hideGui};

void onTimer(const clap_plugin* p, clap_id id)
{
    if (self(p) != nullptr && self(p)->openEditor() != nullptr)
        self(p)->openEditor()->timer(id);
}

const clap_plugin_timer_support kTimers = {onTimer};

} // namespace

const clap_plugin_gui* ClapEditor::guiExtension() { return &kGui; }
const clap_plugin_timer_support* ClapEditor::timerExtension() { return &kTimers; }

// ------------------------------------------------------------- the editor

ClapEditor::ClapEditor(ClapPlugin& plugin, const clap_host* host)
    : plugin(plugin), host(host), editor(new VemoVstEditor(static_cast<EditorHost&>(*this)))
{
    if (host->get_extension != nullptr)
        timers = static_cast<const clap_host_timer_support*>(host->get_extension(host, kExtTimerSupport));
    if (timers != nullptr && (timers->register_timer == nullptr || timers->unregister_timer == nullptr))
        timers = nullptr;
    if (host->get_extension != nullptr)
        gui = static_cast<const clap_host_gui*>(host->get_extension(host, kExtGui));
    if (gui != nullptr && gui->request_resize == nullptr)
        gui = nullptr;
}

void ClapEditor::setScale(double scale) { editor->setHostScale(scale); }

bool ClapEditor::requestResize(int32_t width, int32_t height)
{
    return gui != nullptr && width > 0 && height > 0 && gui->request_resize(host, uint32_t(width), uint32_t(height));
}

ClapEditor::~ClapEditor()
{
    close();
    delete editor;
}

bool ClapEditor::open(uint64_t parentWindow)
{
    close();
    if (!editor->open(reinterpret_cast<void*>(uintptr_t(parentWindow))))
        return false;
    for (int32_t i = 0; i < kNumParameters; ++i)
        editor->setParameter(i, plugin.instrument().parameter(i));
    // Without the host's timer nothing idles the editor: it shows, but
    // follows no change until the host calls again.
    if (timers != nullptr && !timers->register_timer(host, kIdlePeriodMs, &timerId))
        timerId = kInvalidId;
    return true;
}

void ClapEditor::close()
{
    if (timerId != kInvalidId && timers != nullptr)
        timers->unregister_timer(host, timerId);
    timerId = kInvalidId;
    editor->close();
}

void ClapEditor::size(uint32_t& width, uint32_t& height) const
{
    ERect* rect = nullptr;
    editor->getRect(&rect);
    width = rect != nullptr ? uint32_t(rect->right - rect->left) : 0;
    height = rect != nullptr ? uint32_t(rect->bottom - rect->top) : 0;
}

void ClapEditor::timer(clap_id id)
{
    if (id == timerId)
        editor->idle();
}

void ClapEditor::show(int32_t index, float value) { editor->setParameter(index, value); }

float ClapEditor::parameterValue(int32_t index) { return plugin.instrument().parameter(index); }

void ClapEditor::setParameterFromUser(int32_t index, float value)
{
    plugin.instrument().setParameter(index, value);
    plugin.reportUserChange(index, false, false);
}

void ClapEditor::beginGesture(int32_t index) { plugin.reportUserChange(index, true, false); }
void ClapEditor::endGesture(int32_t index) { plugin.reportUserChange(index, false, true); }
int32_t ClapEditor::program() { return plugin.instrument().program(); }
void ClapEditor::programName(char* text) { plugin.instrument().currentProgramName(text); }
bool ClapEditor::programNameAt(int32_t index, char* text) { return plugin.instrument().programName(index, text); }

void ClapEditor::parameterText(int32_t index, char* display, char* unit)
{
    const ParameterText t = plugin.instrument().describeParameter(index);
    std::memcpy(display, t.display, sizeof t.display);
    std::memcpy(unit, t.label, sizeof t.label);
}

} // namespace vemo::clapface
