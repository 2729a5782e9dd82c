#include "faces/vst3/Vst3Editor.h"

#include "editor/VemoVstEditor.h"
#include "faces/vst3/Vst3Plugin.h"

#include <atomic>
#include <cstring>
#include <new>
#include <utility>
#include <vector>

#if defined(_WIN32)
#ifndef NOMINMAX
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#endif

namespace vemo::vst3face {

using namespace vst3;

namespace {

// About 30 redraws a second: the editor's own idle cycle paces the rest.
constexpr uint64 kIdlePeriodMs = 30;

#if defined(_WIN32)
constexpr const char* kPlatform = kPlatformTypeHWND;
#else
constexpr const char* kPlatform = kPlatformTypeX11EmbedWindowID;
#endif

#if defined(_WIN32)
class Vst3View;
// Windows hosts offer plug-ins no run loop: the views idle from thread
// timers of their own, on the UI thread that attached them (UI thread only,
// so the list needs no lock).
std::vector<std::pair<UINT_PTR, Vst3View*>>& windowsTimers()
{
    static std::vector<std::pair<UINT_PTR, Vst3View*>> timers;
    return timers;
}
void CALLBACK onWindowsTimer(HWND, UINT, UINT_PTR id, DWORD);
#endif

// One view of the editor. It holds a reference to the plug-in, so the
// editor outlives it.
class Vst3View final : public IPlugView, public IPlugViewContentScaleSupport, public ITimerHandler {
public:
    Vst3View(Vst3Plugin& plugin, Vst3Editor& editor) : plugin(plugin), editor(editor) { plugin.addRef(); }

    tresult queryInterface(const TUID iid, void** obj) override
    {
        if (obj == nullptr)
            return kInvalidArgument;
        *obj = nullptr;
        if (FUnknown::iid.is(iid) || IPlugView::iid.is(iid))
            *obj = static_cast<IPlugView*>(this);
        else if (IPlugViewContentScaleSupport::iid.is(iid))
            *obj = static_cast<IPlugViewContentScaleSupport*>(this);
        else if (ITimerHandler::iid.is(iid))
            *obj = static_cast<ITimerHandler*>(this);
        if (*obj == nullptr)
            return kNoInterface;
        addRef();
        return kResultOk;
    }
    uint32 addRef() override { return references.fetch_add(1, std::memory_order_relaxed) + 1; }
    uint32 release() override
    {
        const uint32 left = references.fetch_sub(1, std::memory_order_acq_rel) - 1;
        if (left == 0)
            delete this;
        return left;
    }

    tresult isPlatformTypeSupported(FIDString type) override
    {
        return type != nullptr && std::strcmp(type, kPlatform) == 0 ? kResultTrue : kResultFalse;
    }

    tresult attached(void* parent, FIDString type) override
    {
        if (parent == nullptr || isPlatformTypeSupported(type) != kResultTrue || isAttached)
            return kResultFalse;
        if (!editor.open(parent))
            return kResultFalse;
        isAttached = true;
        shownSize = editor.rect();
        // The user's size from the editor's menu: the host's frame is asked,
        // and its onSize inside that call is expected.
        editor.setResizer([this](int32_t width, int32_t height) {
            if (frame == nullptr)
                return false;
            ViewRect wanted{0, 0, width, height};
            requested = wanted;
            const bool agreed = frame->resizeView(static_cast<IPlugView*>(this), &wanted) == kResultOk;
            requested = ViewRect{};
            if (agreed)
                shownSize = wanted;
            return agreed;
        });
#if defined(_WIN32)
        if (const UINT_PTR id = SetTimer(nullptr, 0, UINT(kIdlePeriodMs), onWindowsTimer); id != 0) {
            windowsTimer = id;
            windowsTimers().emplace_back(id, this);
        }
#else
        // Without the host's run loop nothing idles the editor: it shows,
        // but follows no change until the host calls again.
        if (frame != nullptr) {
            void* loop = nullptr;
            if (frame->queryInterface(IRunLoop::iid.data(), &loop) == kResultOk && loop != nullptr) {
                runLoop = static_cast<IRunLoop*>(loop);
                if (runLoop->registerTimer(static_cast<ITimerHandler*>(this), kIdlePeriodMs) != kResultOk) {
                    runLoop->release();
                    runLoop = nullptr;
                }
            }
        }
#endif
        return kResultOk;
    }

    tresult removed() override
    {
        if (!isAttached)
            return kResultFalse;
#if defined(_WIN32)
        if (windowsTimer != 0) {
            KillTimer(nullptr, windowsTimer);
            auto& timers = windowsTimers();
            for (size_t i = 0; i < timers.size(); ++i)
                if (timers[i].first == windowsTimer) {
                    timers.erase(timers.begin() + std::ptrdiff_t(i));
                    break;
                }
            windowsTimer = 0;
        }
#endif
        if (runLoop != nullptr) {
            runLoop->unregisterTimer(static_cast<ITimerHandler*>(this));
            runLoop->release();
            runLoop = nullptr;
        }
        editor.setResizer(nullptr);
        editor.close();
        isAttached = false;
        return kResultOk;
    }

    tresult onWheel(float) override { return kResultFalse; }
    tresult onKeyDown(char16, int16, int16) override { return kResultFalse; }
    tresult onKeyUp(char16, int16, int16) override { return kResultFalse; }

    tresult getSize(ViewRect* size) override
    {
        if (size == nullptr)
            return kInvalidArgument;
        *size = editor.rect();
        return kResultOk;
    }

    // The panel has one size at its scale (and the one it is asking the host
    // for while it asks): the host's word for it is taken, any other refused.
    tresult onSize(ViewRect* size) override
    {
        if (size == nullptr)
            return kInvalidArgument;
        auto same = [&](const ViewRect& r) {
            return size->right - size->left == r.right - r.left && size->bottom - size->top == r.bottom - r.top;
        };
        return same(editor.rect()) || (requested.right > 0 && same(requested)) ? kResultOk : kResultFalse;
    }

    tresult onFocus(TBool) override { return kResultOk; }

    tresult setFrame(IPlugFrame* newFrame) override
    {
        frame = newFrame; // not owned: the host keeps it while the view is attached
        return kResultOk;
    }

    tresult canResize() override { return kResultFalse; }

    tresult checkSizeConstraint(ViewRect* rect) override
    {
        if (rect == nullptr)
            return kInvalidArgument;
        const ViewRect r = editor.rect();
        rect->right = rect->left + (r.right - r.left);
        rect->bottom = rect->top + (r.bottom - r.top);
        return kResultOk;
    }

    // The host's scale for the view: kept, and handed to the panel.
    tresult setContentScaleFactor(float factor) override
    {
        if (!(factor > 0.0f) || factor > 16.0f)
            return kInvalidArgument;
        return applyHostScale(factor);
    }

    // From the host's run loop (Linux) or our own timer (Windows), every
    // kIdlePeriodMs.
    void onTimer() override
    {
        if (!isAttached)
            return;
        editor.idle();
        plugin.onUiTimer();
        announceSize();
    }

private:
    ~Vst3View()
    {
        removed();
        plugin.viewClosed();
        plugin.release();
    }

    // The panel at the host's content scale; the new size reaches the host's
    // frame from the next timer call (announceSize).
    tresult applyHostScale(float factor)
    {
        editor.setHostScale(factor);
        return kResultOk;
    }

    // The panel's size changed since the host last heard: the frame is
    // asked to follow.
    void announceSize()
    {
        ViewRect now = editor.rect();
        if (frame == nullptr || (now.right - now.left == shownSize.right - shownSize.left &&
                                 now.bottom - now.top == shownSize.bottom - shownSize.top))
            return;
        shownSize = now;
        frame->resizeView(static_cast<IPlugView*>(this), &now);
    }

    std::atomic<uint32> references{1};
    Vst3Plugin& plugin;
    Vst3Editor& editor;
    IPlugFrame* frame = nullptr;
    IRunLoop* runLoop = nullptr;
#if defined(_WIN32)
    UINT_PTR windowsTimer = 0;
#endif
    bool isAttached = false;
    ViewRect shownSize{};
    ViewRect requested{}; // the size being asked of the frame, else empty
};

#if defined(_WIN32)
void CALLBACK onWindowsTimer(HWND, UINT, UINT_PTR id, DWORD)
{
    for (const auto& [timer, view] : windowsTimers())
        if (timer == id) {
            view->onTimer();
            return;
        }
}
#endif

} // namespace

Vst3Editor::Vst3Editor(Vst3Plugin& plugin)
    : plugin(plugin), editor(new VemoVstEditor(static_cast<EditorHost&>(*this)))
{
}

Vst3Editor::~Vst3Editor()
{
    close();
    delete editor;
}

IPlugView* Vst3Editor::makeView() { return new (std::nothrow) Vst3View(plugin, *this); }

bool Vst3Editor::open(void* parent)
{
    close();
    if (!editor->open(parent))
        return false;
    for (int32_t i = 0; i < kNumParameters; ++i)
        editor->setParameter(i, plugin.instrument().parameter(i));
    return true;
}

void Vst3Editor::close() { editor->close(); }
void Vst3Editor::setHostScale(float scale) { editor->setHostScale(scale); }
void Vst3Editor::idle() { editor->idle(); }

ViewRect Vst3Editor::rect() const
{
    ERect* r = nullptr;
    editor->getRect(&r);
    return r != nullptr ? ViewRect{0, 0, r->right - r->left, r->bottom - r->top} : ViewRect{0, 0, 0, 0};
}

void Vst3Editor::show(int32_t index, float value) { editor->setParameter(index, value); }

float Vst3Editor::parameterValue(int32_t index) { return plugin.instrument().parameter(index); }
void Vst3Editor::setParameterFromUser(int32_t index, float value) { plugin.userEdit(index, value); }
void Vst3Editor::beginGesture(int32_t index) { plugin.userGesture(index, true); }
void Vst3Editor::endGesture(int32_t index) { plugin.userGesture(index, false); }
int32_t Vst3Editor::program() { return plugin.instrument().program(); }
void Vst3Editor::programName(char* text) { plugin.instrument().currentProgramName(text); }
bool Vst3Editor::programNameAt(int32_t index, char* text) { return plugin.instrument().programName(index, text); }

void Vst3Editor::parameterText(int32_t index, char* display, char* unit)
{
    const ParameterText t = plugin.instrument().describeParameter(index);
    std::memcpy(display, t.display, sizeof t.display);
    std::memcpy(unit, t.label, sizeof t.label);
}

} // namespace vemo::vst3face
