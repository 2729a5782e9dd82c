#include "editor/EditorFactory.h"

#include "editor/VemoVstEditor.h"

// The editor registers itself with the effect (editor pointer and
// effFlagsHasEditor) in its constructor.
AEffEditor* createVemoEditor(AudioEffect* effect) { return new VemoVstEditor(effect); }

bool setEditorHostScale(AEffEditor* editor, double scale)
{
    auto* ours = dynamic_cast<AEffGUIEditor*>(editor);
    if (ours == nullptr)
        return false;
    ours->setHostScale(scale);
    return true;
}
