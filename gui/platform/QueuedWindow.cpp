#include "gui/platform/QueuedWindow.h"

namespace VSTGUI::platform {

void QueuedWindow::queueEvent(const Event& event)
{
    // Only the latest position of a run of moves matters.
    if (event.type == EventType::MouseMove && !queue.empty() &&
        queue.back().type == EventType::MouseMove && queue.back().buttons == event.buttons) {
        queue.back() = event;
        return;
    }
    queue.push_back(event);
}

bool QueuedWindow::nextEvent(Event& event)
{
    if (queue.empty()) {
        if (justRead) { // one read of the windowing system per pass of the frame
            justRead = false;
            return false;
        }
        readPending();
        justRead = true;
        if (queue.empty()) {
            justRead = false;
            return false;
        }
    }
    event = queue.front();
    queue.pop_front();
    return true;
}

bool QueuedWindow::takeQueuedPaint(CRect& area)
{
    for (auto it = queue.begin(); it != queue.end(); ++it) {
        if (it->type == EventType::Paint) {
            area = it->area;
            queue.erase(it);
            return true;
        }
    }
    return false;
}

} // namespace VSTGUI::platform
