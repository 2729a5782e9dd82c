// What the LV2 face, its UI and its bundle generator agree on: the URIs
// sessions refer to (never to change), the port numbers and the messages
// between the plug-in and its UI.
//
// Ports: 0 midi_in (atom sequence: MIDI, the host's time position, the
// UI's requests), 1 and 2 the stereo outputs, 3 notify (atom sequence to
// the UI), 4 the current program (control output), then the 47 parameters
// as control inputs, parameter i at port kFirstParameterPort + i.
#pragma once

#include <cstdint>

namespace vemo::lv2 {

#define VEMO_LV2_URI "urn:kestrune:vemo"
inline constexpr const char* kPluginUri = VEMO_LV2_URI;
inline constexpr const char* kUiUri = VEMO_LV2_URI "#ui";
inline constexpr const char* kPresetPrefix = VEMO_LV2_URI ":preset:";

// State properties: the whole bank as the VST 2.x bank chunk (120 program
// records, little-endian), and the current program.
inline constexpr const char* kBankUri = VEMO_LV2_URI "#bank";
inline constexpr const char* kProgramUri = VEMO_LV2_URI "#program";
// The 47 control values the plug-in had taken from the host's ports when it
// was saved (atom:Vector of atom:Float). After a restore a port the host
// sets back to that value is not applied again: a control set before a
// MIDI program change must not undo the program the session was saved
// with, while a control the host changed after it still takes effect.
inline constexpr const char* kPortValuesUri = VEMO_LV2_URI "#portValues";

// Plug-in to UI on notify: an object of type kSoundUri with the current
// program (atom:Int), its name (atom:String) and the 47 values (atom:Vector
// of atom:Float), sent when a value changed inside the plug-in (a program
// change, a learned controller) and when the UI asks with patch:Get on
// midi_in. The UI moves the host's ports to these values.
inline constexpr const char* kSoundUri = VEMO_LV2_URI "#Sound";
inline constexpr const char* kValuesUri = VEMO_LV2_URI "#values";
inline constexpr const char* kProgramNameUri = VEMO_LV2_URI "#programName";

enum Port : uint32_t {
    kMidiIn = 0,
    kOutLeft = 1,
    kOutRight = 2,
    kNotify = 3,
    kProgramOut = 4,
    kFirstParameterPort = 5,
};

} // namespace vemo::lv2
