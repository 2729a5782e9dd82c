// How large the editor is drawn: 1 (the 695 x 350 panel) to 3. Where the
// scale comes from, first that wins: the user's choice made in this editor
// (its context menu), the host's (VST 2.x 'PreS', LV2 ui:scaleFactor, CLAP
// set_scale, the window's DPI on Windows, the standalone's --scale), the
// user's remembered choice (one small file shared by every host and
// format), the desktop's (GDK_SCALE, QT_SCALE_FACTOR, Xft.dpi or the
// system DPI).
//
// UI thread; reads and writes a file, so never on the audio thread.
#pragma once

#include <string>

namespace EditorScale {

// The sizes the context menu offers.
constexpr float kChoices[] = {1.f, 1.25f, 1.5f, 1.75f, 2.f, 2.5f, 3.f};

// A scale brought into 1..3; 0 for "none" (not finite, zero or negative).
float sanitize(double scale);

// The file the choice is kept in: $XDG_CONFIG_HOME/vemo/editor.conf
// (~/.config/vemo/... without it), %APPDATA%\vemo\editor.conf on Windows;
// empty when there is no home to keep it in.
std::string settingsPath();
// The remembered choice, 0 when none (no file, unreadable, out of range).
float remembered();
// Keeps `scale` for next time (0 forgets); false when it cannot be written.
bool remember(float scale);

// The desktop's scale, 0 when it says nothing.
float desktop();

} // namespace EditorScale
