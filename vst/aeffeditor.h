// Editor base seen by the host-interface classes: the plug-in object talks to
// its editor only through these virtual operations, so the plug-in builds and
// runs without any window system.
#pragma once

#include "vst/aeffect.h"

class AudioEffect;

class AEffEditor {
public:
    explicit AEffEditor(AudioEffect* effect) : effect(effect) {}
    virtual ~AEffEditor() = default;

    virtual AudioEffect* getEffect() { return effect; }
    // Stores the address of a rectangle owned by the editor (valid while the
    // editor lives). UI thread.
    virtual bool getRect(ERect** rect)
    {
        (void)rect;
        return false;
    }
    // parent: the host's window (an X11 Window id on Linux, an HWND on Windows).
    virtual bool open(void* parent)
    {
        parentWindow = parent;
        return false;
    }
    virtual void close() {}
    virtual bool isOpen() { return parentWindow != nullptr; }
    virtual void idle() {}
    virtual bool onKeyDown(VstKeyCode& key)
    {
        (void)key;
        return false;
    }
    virtual bool onKeyUp(VstKeyCode& key)
    {
        (void)key;
        return false;
    }
    virtual bool onWheel(float distance)
    {
        (void)distance;
        return false;
    }
    virtual bool setKnobMode(int mode)
    {
        (void)mode;
        return false;
    }
    // A parameter changed (from any thread: UI or audio). Must only store the
    // value for the next redraw: no drawing, no allocation, no locking.
    virtual void setParameter(int32_t index, float value)
    {
        (void)index;
        (void)value;
    }

protected:
    AudioEffect* effect = nullptr;
    void* parentWindow = nullptr;
};
