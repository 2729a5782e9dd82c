#include "editor/EditorFactory.h"

#include "editor/VemoVstEditor.h"

// The editor registers itself with the effect (editor pointer and
// effFlagsHasEditor) in its constructor.
AEffEditor* createVemoEditor(AudioEffect* effect) { return new VemoVstEditor(effect); }
