// The editor as an LV2 X11 UI: the same panel as under VST 2.x, embedded in
// the host's window, talking to the plug-in only through the UI protocol
// (control ports and atom messages), so it also works where the host runs
// the plug-in in another process or on another machine.
//
// What it keeps: the 47 values, the program number and name as the plug-in
// last told them (port events and the notify port's sound messages). A
// change the user makes goes to the host as a port write; a sound message
// (a program change or a learned controller inside the plug-in) also moves
// the host's ports to the new values, so the host's own view follows.
//
// Threads: every entry point on the host's UI thread.
#include "core/ProgramRecord.h"
#include "editor/EditorHost.h"
#include "editor/VemoVstEditor.h"
#include "engine/ParameterDisplay.h"
#include "faces/lv2/Lv2Ports.h"
#include "gui/Platform.h"
#include "voice/ParameterTable.h"

#include <lv2/atom/forge.h>
#include <lv2/atom/util.h>
#include <lv2/options/options.h>
#include <lv2/parameters/parameters.h>
#include <lv2/patch/patch.h>
#include <lv2/ui/ui.h>
#include <lv2/urid/urid.h>

#include <cstring>
#include <new>

namespace vemo::lv2 {
namespace {

constexpr int32_t kProgramNameChars = 24;

const void* feature(const LV2_Feature* const* features, const char* uri)
{
    for (const LV2_Feature* const* f = features; f != nullptr && *f != nullptr; ++f)
        if (std::strcmp((*f)->URI, uri) == 0)
            return (*f)->data;
    return nullptr;
}

class Lv2Ui final : public EditorHost {
public:
    Lv2Ui(LV2UI_Write_Function write, LV2UI_Controller controller, LV2_URID_Map* map,
          const LV2UI_Touch* touch, const LV2UI_Resize* resize, float sampleRate)
        : write(write), controller(controller), map(map), touch(touch), resize(resize), sampleRate(sampleRate),
          editor(new VemoVstEditor(static_cast<EditorHost&>(*this)))
    {
        for (int32_t i = 0; i < kNumParameters; ++i)
            values[i] = 0.0f;
        atomEventTransfer = map->map(map->handle, LV2_ATOM__eventTransfer);
        soundType = map->map(map->handle, kSoundUri);
        programKey = map->map(map->handle, kProgramUri);
        nameKey = map->map(map->handle, kProgramNameUri);
        valuesKey = map->map(map->handle, kValuesUri);
        atomInt = map->map(map->handle, LV2_ATOM__Int);
        atomFloat = map->map(map->handle, LV2_ATOM__Float);
        atomString = map->map(map->handle, LV2_ATOM__String);
        atomVector = map->map(map->handle, LV2_ATOM__Vector);
        atomObject = map->map(map->handle, LV2_ATOM__Object);
        patchGet = map->map(map->handle, LV2_PATCH__Get);
    }
    ~Lv2Ui()
    {
        editor->close();
        delete editor;
    }

    // The host's scale (ui:scaleFactor), before the window opens.
    void setHostScale(float scale) { editor->setHostScale(scale); }

    // The editor's window inside `parent`; its id, or 0 when none can be made.
    uintptr_t open(void* parent)
    {
        if (!editor->open(parent) || editor->getFrame() == nullptr)
            return 0;
        askForSound();
        return editor->getFrame()->getPlatformWindow()->nativeHandle();
    }

    // The panel's size in pixels.
    void size(int& width, int& height)
    {
        ERect* rect = nullptr;
        editor->getRect(&rect);
        width = rect != nullptr ? rect->right - rect->left : 0;
        height = rect != nullptr ? rect->bottom - rect->top : 0;
    }

    int idle()
    {
        editor->idle();
        return 0;
    }

    void portEvent(uint32_t port, uint32_t size, uint32_t format, const void* buffer)
    {
        if (buffer == nullptr)
            return;
        if (format == 0 && size == sizeof(float)) {
            const float v = *static_cast<const float*>(buffer);
            if (port == kProgramOut) {
                if (v >= 0.0f && v < float(kNumPrograms) && int32_t(v) != currentProgram) {
                    currentProgram = int32_t(v);
                    askForSound(); // its name and values come with the sound
                }
            } else if (port >= kFirstParameterPort && port < kFirstParameterPort + uint32_t(kNumParameters)) {
                const int32_t index = int32_t(port - kFirstParameterPort);
                values[index] = v;
                editor->setParameter(index, v);
            }
        } else if (format == atomEventTransfer && port == kNotify && size >= sizeof(LV2_Atom)) {
            const auto* atom = static_cast<const LV2_Atom*>(buffer);
            if (atom->type == atomObject && atom->size + sizeof(LV2_Atom) <= size &&
                atom->size >= sizeof(LV2_Atom_Object_Body))
                takeSound(reinterpret_cast<const LV2_Atom_Object*>(atom));
        }
    }

    // EditorHost.
    float parameterValue(int32_t index) override
    {
        return index >= 0 && index < kNumParameters ? values[index] : 0.0f;
    }
    void setParameterFromUser(int32_t index, float value) override
    {
        if (index < 0 || index >= kNumParameters)
            return;
        values[index] = value;
        write(controller, kFirstParameterPort + uint32_t(index), sizeof(float), 0, &value);
    }
    void beginGesture(int32_t index) override { touchPort(index, true); }
    void endGesture(int32_t index) override { touchPort(index, false); }
    int32_t program() override { return currentProgram; }
    void programName(char* text) override { std::memcpy(text, name, sizeof name); }
    bool programNameAt(int32_t index, char* text) override
    {
        // The plug-in tells the current program's name only.
        if (index != currentProgram)
            return false;
        programName(text);
        return true;
    }
    void parameterText(int32_t index, char* display, char* unit) override
    {
        const ParameterText t = formatParameter(index, values, sampleRate);
        std::memcpy(display, t.display, sizeof t.display);
        std::memcpy(unit, t.label, sizeof t.label);
    }
    // ui:resize: 0 is the host's yes.
    bool requestResize(int32_t width, int32_t height) override
    {
        return resize != nullptr && resize->ui_resize != nullptr &&
               resize->ui_resize(resize->handle, width, height) == 0;
    }

private:
    void touchPort(int32_t index, bool grabbed)
    {
        if (touch != nullptr && index >= 0 && index < kNumParameters)
            touch->touch(touch->handle, kFirstParameterPort + uint32_t(index), grabbed);
    }

    // patch:Get on midi_in: the plug-in answers with its whole sound.
    void askForSound()
    {
        alignas(8) uint8_t buffer[128];
        LV2_Atom_Forge forge;
        lv2_atom_forge_init(&forge, map);
        lv2_atom_forge_set_buffer(&forge, buffer, sizeof buffer);
        LV2_Atom_Forge_Frame frame;
        lv2_atom_forge_object(&forge, &frame, 0, patchGet);
        lv2_atom_forge_pop(&forge, &frame);
        const auto* atom = reinterpret_cast<const LV2_Atom*>(buffer);
        write(controller, kMidiIn, uint32_t(lv2_atom_total_size(atom)), atomEventTransfer, atom);
    }

    void takeSound(const LV2_Atom_Object* object)
    {
        if (object->body.otype != soundType)
            return;
        const LV2_Atom* programAtom = nullptr;
        const LV2_Atom* nameAtom = nullptr;
        const LV2_Atom* valuesAtom = nullptr;
        lv2_atom_object_get(object, programKey, &programAtom, nameKey, &nameAtom, valuesKey, &valuesAtom, 0);
        if (programAtom != nullptr && programAtom->type == atomInt && programAtom->size >= sizeof(int32_t)) {
            const int32_t p = reinterpret_cast<const LV2_Atom_Int*>(programAtom)->body;
            if (p >= 0 && p < kNumPrograms)
                currentProgram = p;
        }
        if (nameAtom != nullptr && nameAtom->type == atomString) {
            const char* text = static_cast<const char*>(LV2_ATOM_BODY_CONST(nameAtom));
            const uint32_t n = nameAtom->size < sizeof name ? nameAtom->size : uint32_t(sizeof name);
            std::memset(name, 0, sizeof name);
            for (uint32_t k = 0; k + 1 < sizeof name && k < n && text[k] != 0; ++k)
                name[k] = text[k];
        }
        if (valuesAtom != nullptr && valuesAtom->type == atomVector &&
            valuesAtom->size >= sizeof(LV2_Atom_Vector_Body)) {
            const auto* vector = reinterpret_cast<const LV2_Atom_Vector*>(valuesAtom);
            const uint32_t count = (valuesAtom->size - sizeof(LV2_Atom_Vector_Body)) / sizeof(float);
            if (vector->body.child_type == atomFloat && vector->body.child_size == sizeof(float) &&
                count >= uint32_t(kNumParameters)) {
                const auto* incoming = reinterpret_cast<const float*>(vector + 1);
                for (int32_t i = 0; i < kNumParameters; ++i) {
                    const float v = incoming[i];
                    if (v == values[i])
                        continue;
                    // Move the host's port too: its view and automation
                    // follow the plug-in's own change.
                    values[i] = v;
                    editor->setParameter(i, v);
                    write(controller, kFirstParameterPort + uint32_t(i), sizeof(float), 0, &v);
                }
            }
        }
    }

    LV2UI_Write_Function write;
    LV2UI_Controller controller;
    LV2_URID_Map* map;
    const LV2UI_Touch* touch;
    const LV2UI_Resize* resize;
    float sampleRate;
    VemoVstEditor* editor;
    float values[kNumParameters];
    int32_t currentProgram = 0;
    char name[kProgramNameChars + 1] = "";
    LV2_URID atomEventTransfer, soundType, programKey, nameKey, valuesKey, atomInt, atomFloat, atomString,
        atomVector, atomObject, patchGet;
};

Lv2Ui* self(LV2UI_Handle handle) { return static_cast<Lv2Ui*>(handle); }

LV2UI_Handle instantiate(const LV2UI_Descriptor*, const char* pluginUri, const char*, LV2UI_Write_Function write,
                         LV2UI_Controller controller, LV2UI_Widget* widget, const LV2_Feature* const* features)
{
    if (pluginUri == nullptr || std::strcmp(pluginUri, kPluginUri) != 0 || write == nullptr || widget == nullptr)
        return nullptr;
    auto* map = static_cast<LV2_URID_Map*>(const_cast<void*>(feature(features, LV2_URID__map)));
    void* parent = const_cast<void*>(feature(features, LV2_UI__parent));
    if (map == nullptr || parent == nullptr)
        return nullptr; // an embedded UI: without a parent window there is nowhere to show it
    const auto* touch = static_cast<const LV2UI_Touch*>(feature(features, LV2_UI__touch));
    const auto* resize = static_cast<const LV2UI_Resize*>(feature(features, LV2_UI__resize));

    // The rate the value texts are shown for (the cutoff's Hz follow it),
    // and the host's scale for the editor (0: the host gives none).
    float sampleRate = 48000.0f;
    float scale = 0.0f;
    if (const auto* options = static_cast<const LV2_Options_Option*>(feature(features, LV2_OPTIONS__options))) {
        const LV2_URID rateKey = map->map(map->handle, LV2_PARAMETERS__sampleRate);
        const LV2_URID scaleKey = map->map(map->handle, LV2_UI__scaleFactor);
        const LV2_URID floatType = map->map(map->handle, LV2_ATOM__Float);
        for (const LV2_Options_Option* o = options; o->key != 0; ++o) {
            if (o->type != floatType || o->size != sizeof(float) || o->value == nullptr)
                continue;
            const float value = *static_cast<const float*>(o->value);
            if (o->key == rateKey && value >= 1000.0f && value <= 1000000.0f)
                sampleRate = value;
            else if (o->key == scaleKey)
                scale = value;
        }
    }

    auto* ui = new (std::nothrow) Lv2Ui(write, controller, map, touch, resize, sampleRate);
    if (ui == nullptr)
        return nullptr;
    if (scale > 0.0f)
        ui->setHostScale(scale);
    const uintptr_t window = ui->open(parent);
    if (window == 0) {
        delete ui;
        return nullptr;
    }
    *widget = reinterpret_cast<LV2UI_Widget>(window);
    if (resize != nullptr && resize->ui_resize != nullptr) {
        int width = 0, height = 0;
        ui->size(width, height);
        resize->ui_resize(resize->handle, width, height);
    }
    return ui;
}

void cleanup(LV2UI_Handle handle) { delete self(handle); }

void portEvent(LV2UI_Handle handle, uint32_t port, uint32_t size, uint32_t format, const void* buffer)
{
    if (handle != nullptr)
        self(handle)->portEvent(port, size, format, buffer);
}

int idle(LV2UI_Handle handle) { return handle != nullptr ? self(handle)->idle() : 1; }

const void* extensionData(const char* uri)
{
    static const LV2UI_Idle_Interface idleInterface = {idle};
    if (uri != nullptr && std::strcmp(uri, LV2_UI__idleInterface) == 0)
        return &idleInterface;
    return nullptr;
}

const LV2UI_Descriptor descriptor = {kUiUri, instantiate, cleanup, portEvent, extensionData};

} // namespace
} // namespace vemo::lv2

LV2_SYMBOL_EXPORT const LV2UI_Descriptor* lv2ui_descriptor(uint32_t index)
{
    return index == 0 ? &vemo::lv2::descriptor : nullptr;
}
