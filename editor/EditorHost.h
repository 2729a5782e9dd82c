// What the editor needs of the plug-in it edits, whatever the format: the
// parameter values, a way to change them as the user's (automation) and to
// mark the gestures, the current program with its name, the program list
// and the texts a value is shown with. Each format implements it over its
// host's calls: the VST 2.x binding over the AudioEffect (AEffGUIEditor),
// the LV2 UI over the port protocol.
//
// Threads: the UI thread, where the editor runs.
#pragma once

#include <cstdint>

class EditorHost {
public:
    virtual float parameterValue(int32_t index) = 0;
    // The user set `index` (0..46) to `value`: the host records it as
    // automation and the sound takes it.
    virtual void setParameterFromUser(int32_t index, float value) = 0;
    // A gesture (a drag, a held button) on `index` starts / ends.
    virtual void beginGesture(int32_t index) = 0;
    virtual void endGesture(int32_t index) = 0;
    // 0..119, and its name as shown (at most 24 bytes with the terminator).
    virtual int32_t program() = 0;
    virtual void programName(char* text) = 0;
    // Program `index`'s name; false outside 0..119.
    virtual bool programNameAt(int32_t index, char* text) = 0;
    // The value of `index` as the sound uses it ("2.05", "saw") and its unit
    // ("kHz", ""), each at most 8 bytes with the terminator.
    virtual void parameterText(int32_t index, char* display, char* unit) = 0;
    // Time for the host's own idle work while the editor holds the UI thread
    // (a drag that runs its own event loop).
    virtual void hostIdle() {}
    // The editor wants its window to become width x height screen pixels
    // (the user chose another size); false when the host cannot or will not
    // resize it, and the editor then keeps its size.
    virtual bool requestResize(int32_t width, int32_t height)
    {
        (void)width;
        (void)height;
        return false;
    }

protected:
    ~EditorHost() = default;
};
