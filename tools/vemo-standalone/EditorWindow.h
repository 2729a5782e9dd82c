// The plug-in's editor in a top-level X11 window of its own, as a host
// gives it: the window is sized from effEditGetRect, cannot be resized,
// carries "VEMO - <program name>" as its title, and the editor opens inside
// it with effEditOpen. Closing the window (the window manager's close
// button) is the user's way to quit.
//
// UI thread only: the display connection is ours alone (the editor opens
// one of its own), and the idle calls come from the same thread.
#pragma once

#include <stdexcept>
#include <string>

namespace vemo::render {
class PluginHost;
}

// Xlib's types, without its macros in every file that includes this.
typedef struct _XDisplay Display;
typedef unsigned long XID;

namespace vemo::standalone {

class EditorWindow {
public:
    // Opens the display (DISPLAY), makes the window and opens the editor
    // in it. Throws std::runtime_error saying why it could not.
    // scale: the editor's size (1..3) as the host's choice; 0 leaves it to
    // the user's and the desktop's.
    explicit EditorWindow(render::PluginHost& host, double scale = 0.0);
    ~EditorWindow(); // effEditClose, then the window goes
    EditorWindow(const EditorWindow&) = delete;
    EditorWindow& operator=(const EditorWindow&) = delete;

    void setTitle(const std::string& title);

    // Handles the events on our connection; false once the user closed the
    // window.
    bool handleEvents();

    // effEditIdle: the editor reads its own events and redraws.
    void idle();

    // The connection's file descriptor, to wait on.
    int fd() const;

    XID window() const { return window_; }
    // The plug-in asked for another size (its size menu): the window
    // follows. UI thread.
    bool resize(int width, int height);

private:
    void fixSize(int width, int height);
    render::PluginHost& host_;
    Display* display_ = nullptr;
    XID window_ = 0;
    unsigned long deleteAtom_ = 0;
    bool editorOpen_ = false;
    bool destroyed_ = false; // by someone else: nothing of it is left to destroy
    std::string title_;
};

} // namespace vemo::standalone
