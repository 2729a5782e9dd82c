// The one place the plug-in shell reaches into the editor layer: it asks for
// an editor at construction and otherwise only sees the AEffEditor base.
#pragma once

class AEffEditor;
class AudioEffect;

// Builds the editor for `effect`; the editor registers itself with the effect
// (editor pointer and effFlagsHasEditor). May answer null (no editor built).
AEffEditor* createVemoEditor(AudioEffect* effect);
