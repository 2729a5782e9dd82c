// The one place the plug-in shell reaches into the editor layer: it asks for
// an editor at construction and otherwise only sees the AEffEditor base.
#pragma once

class AEffEditor;
class AudioEffect;

// Builds the editor for `effect`; the editor registers itself with the effect
// (editor pointer and effFlagsHasEditor). May answer null (no editor built).
AEffEditor* createVemoEditor(AudioEffect* effect);

// The host's scale for `editor` (1..3; see EditorScale.h); false when the
// editor is not one of ours. UI thread.
bool setEditorHostScale(AEffEditor* editor, double scale);
