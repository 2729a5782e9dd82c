#include "editor/EditorFactory.h"

// Until the editor exists the plug-in runs without one.
AEffEditor* createVemoEditor(AudioEffect*) { return nullptr; }
