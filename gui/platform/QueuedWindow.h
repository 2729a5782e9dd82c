// The input queue both native windows share (X11 and Win32): events the
// windowing system delivers are converted and wait here for the frame's next
// idle, so widgets only ever run from the host's editor calls. A run of
// pointer moves with the same buttons keeps only its latest position, and
// nextEvent reads the windowing system at most once per pass of the frame
// (a pass ends when the queue runs dry), so a flood of input cannot keep the
// frame from drawing. UI thread only.
#pragma once

#include <deque>

#include "gui/Platform.h"

namespace VSTGUI::platform {

class QueuedWindow : public Window {
public:
    bool nextEvent(Event& event) final;

protected:
    // Moves what the windowing system holds for this window into the queue
    // (through queueEvent).
    virtual void readPending() = 0;
    void queueEvent(const Event& event);
    // Removes the first queued paint request, if any, into area.
    bool takeQueuedPaint(CRect& area);

private:
    std::deque<Event> queue;
    bool justRead = false;
};

} // namespace VSTGUI::platform
