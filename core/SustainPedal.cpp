#include "core/SustainPedal.h"

void SustainPedal::keyDown(int32_t note)
{
    if (!inRange(note))
        return;
    pressed[note] = true;
    if (held[note]) {
        // The new note-on restarts the voice; from now on the key, not the
        // pedal, keeps it sounding.
        held[note] = false;
        --heldCount;
    }
}

bool SustainPedal::keyUp(int32_t note)
{
    if (!inRange(note))
        return true;
    pressed[note] = false;
    if (!down)
        return true;
    if (!held[note]) {
        held[note] = true;
        ++heldCount;
    }
    return false;
}

void SustainPedal::clear()
{
    down = false;
    heldCount = 0;
    pressed.fill(false);
    held.fill(false);
}
