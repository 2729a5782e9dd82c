// The LV2 test host: the bundle built in the build tree loaded with lilv,
// the plug-in instantiated and driven the way LV2 hosts drive it. Control
// input ports start at the bundle's lv2:default values and are written
// between runs; MIDI goes in as an atom:Sequence with frame times (after a
// time:Position of 120 bpm in the first run, as hosts send); the notify
// output gets a fresh buffer every run and is checked for a well-formed
// sequence. Presets and saved states go through lilv as a host's would; the
// state interface can also be called directly with any property set.
//
// One thread: tests make, run and destroy hosts on the test's own thread.
#pragma once

#include "lv2/UridMap.h"

#include <lilv/lilv.h>
#include <lv2/atom/forge.h>
#include <lv2/options/options.h>
#include <lv2/state/state.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace vemotest {

// The bundle as lilv sees it, loaded once per process (VEMO_LV2_BUNDLE) into
// a world that lives until exit, with the URID map every host shares.
struct Lv2Bundle {
    static Lv2Bundle& get();
    ~Lv2Bundle();
    LilvWorld* world = nullptr;
    const LilvPlugin* plugin = nullptr; // null when the bundle has no VEMO
    UridMap urids;
    // A URI node of this world, made once, freed with the world.
    const LilvNode* uri(const std::string& text);

private:
    Lv2Bundle();
    std::map<std::string, LilvNode*> nodes;
};

// One MIDI message `frame` frames into the block.
struct Lv2Midi {
    uint32_t frame;
    uint8_t bytes[3];
    uint32_t size; // 1..3
};

// One property as the state interface stores it: key and type as URIs.
struct Lv2Property {
    std::string key;
    std::string type;
    std::vector<uint8_t> value;
    bool operator==(const Lv2Property&) const = default;
};

class Lv2Host {
public:
    static constexpr uint32_t kMaxMidiBytes = 1 << 16; // per run
    static constexpr uint32_t kNotifyBytes = 1 << 16;

    // Instantiates at `rate` Hz, telling the plug-in that no block exceeds
    // `maxBlock` frames, and activates it. error says why instance is null.
    explicit Lv2Host(double rate, int32_t maxBlock = 4096);
    ~Lv2Host(); // deactivates and frees the instance
    Lv2Host(const Lv2Host&) = delete;
    Lv2Host& operator=(const Lv2Host&) = delete;

    LilvInstance* instance = nullptr;
    std::string error;

    // Control ports by index: written by the host (inputs) or the plug-in.
    float& control(uint32_t port) { return controls[port]; }
    uint32_t portCount() const { return uint32_t(controls.size()); }

    // One run() of `frames` frames into left and right, the events in order.
    void run(float* left, float* right, uint32_t frames, const std::vector<Lv2Midi>& midi = {});
    // False once the plug-in left a notify output that is not a sequence
    // within the buffer.
    bool notifyWellFormed = true;

    // A preset (its port values through lilv's callback). False when lilv
    // cannot find or load it.
    bool applyPreset(const LilvNode* preset);
    // lilv_state_new_from_instance + lilv_state_save into dir/state.ttl, and
    // back with lilv_state_new_from_file + lilv_state_restore.
    bool saveState(const std::string& dir);
    bool loadState(const std::string& dir);

    // The state interface itself: what save stores, and restore given
    // exactly these properties (any key, type, size).
    std::vector<Lv2Property> properties();
    LV2_State_Status restore(const std::vector<Lv2Property>& properties);

private:
    const LV2_State_Interface* stateInterface();
    static void setPortValue(const char* symbol, void* self, const void* value, uint32_t size, uint32_t type);
    static const void* getPortValue(const char* symbol, void* self, uint32_t* size, uint32_t* type);

    Lv2Bundle& bundle;
    std::vector<float> controls;
    std::map<std::string, uint32_t> symbols; // port symbol -> index
    std::vector<uint32_t> audioOutputs;
    uint32_t midiPort = UINT32_MAX, notifyPort = UINT32_MAX;
    std::vector<uint64_t> midiBuffer, notifyBuffer; // 64-bit words: atoms are 8-byte aligned
    LV2_Atom_Forge forge{};
    bool tempoSent = false;

    int32_t maxBlockLength, minBlockLength = 1;
    float sampleRate;
    std::vector<LV2_Options_Option> options;
    LV2_Feature optionsFeature{}, boundedFeature{};
    std::vector<const LV2_Feature*> features;
};

} // namespace vemotest
