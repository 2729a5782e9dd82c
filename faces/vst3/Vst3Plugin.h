// The VST 3 face of the instrument: one object that is the component, its
// audio processor and its edit controller (with MIDI mapping and the
// program list), translating the host's calls into the core's
// (core/Instrument.h) and the core's news (a MIDI program change, a learned
// controller) back into output parameter changes.
//
// Parameters, by id (never renumbered):
//   0..46   the instrument's parameters, normalised over their ranges;
//   47      the program (0..119), the program list's change parameter;
//   48..177 hidden: MIDI controllers 0..127, channel aftertouch, pitch bend.
//           Hosts turn incoming MIDI into changes of these (IMidiMapping);
//           the processor turns them back into MIDI at their sample
//           offsets, so learn, the pedal and all-notes-off act as under
//           VST 2.x. Every channel maps to the same ones: the core plays
//           every channel alike.
//
// Threads, as VST 3 assigns them: process on the host's audio thread;
// setupProcessing, setActive, state, parameter queries and conversions, the
// program list and the view on its UI thread; setProcessing on either.
// Nothing on the audio thread allocates or locks: the audio thread tells
// the UI thread by atomic flags, the UI thread changes the core only
// through its own atomics (as the VST 2.x module's editor does).
#pragma once

#include "core/Instrument.h"
#include "vst3/Vst3Abi.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

namespace vemo::vst3face {

class Vst3Editor;

// Never changes: hosts and sessions find the plug-in by it.
inline constexpr vst3::Uid kClassId = vst3::makeUid(0x33434010, 0x6D864B47, 0xAEA24442, 0x41BABD43);

inline constexpr vst3::ParamID kProgramParam = 47;
inline constexpr vst3::ParamID kFirstMidiParam = 48;
inline constexpr vst3::ParamID kAftertouchParam = kFirstMidiParam + 128;
inline constexpr vst3::ParamID kPitchBendParam = kFirstMidiParam + 129;
inline constexpr int32_t kParamCount = int32_t(kPitchBendParam) + 1;
inline constexpr int32_t kProgramListId = 1;

// The component state: this header, then the bank chunk (kBankChunkBytes of
// program records, core/ProgramRecord.h), all little-endian; the same form
// as the CLAP face's state.
struct StateHeader {
    char magic[4];      // "VEMO"
    uint32_t version;   // kStateVersion
    int32_t program;    // current program, 0..119
    uint32_t bankBytes; // kBankChunkBytes
};
static_assert(sizeof(StateHeader) == 16);
inline constexpr uint32_t kStateVersion = 1;

// The host's normalised value of parameter `id` as the core's value, and
// back. Menus are read the VST 3 way for stepped values: an entry owns an
// equal share of 0..1.
double toPlain(vst3::ParamID id, double normalized);
double toNormalized(vst3::ParamID id, double plain);

// Setting the component and the controller's state share names in the
// interface; each part answers under a name of its own.
class ComponentPart : public vst3::IComponent {
public:
    vst3::tresult setState(vst3::IBStream* state) final { return setComponentStream(state); }
    vst3::tresult getState(vst3::IBStream* state) final { return getComponentStream(state); }
    virtual vst3::tresult setComponentStream(vst3::IBStream* state) = 0;
    virtual vst3::tresult getComponentStream(vst3::IBStream* state) = 0;
};

class ControllerPart : public vst3::IEditController {
public:
    vst3::tresult setState(vst3::IBStream* state) final { return setControllerStream(state); }
    vst3::tresult getState(vst3::IBStream* state) final { return getControllerStream(state); }
    virtual vst3::tresult setControllerStream(vst3::IBStream* state) = 0;
    virtual vst3::tresult getControllerStream(vst3::IBStream* state) = 0;
};

class Vst3Plugin final : public ComponentPart,
                         public vst3::IAudioProcessor,
                         public ControllerPart,
                         public vst3::IMidiMapping,
                         public vst3::IUnitInfo,
                         public vst3::IProcessContextRequirements,
                         private InstrumentListener {
public:
    // Null when out of memory. The reference count starts at one.
    static Vst3Plugin* create();

    Instrument& instrument() { return core; }

    // FUnknown
    vst3::tresult queryInterface(const vst3::TUID iid, void** obj) override;
    vst3::uint32 addRef() override;
    vst3::uint32 release() override;

    // IPluginBase
    vst3::tresult initialize(vst3::FUnknown* context) override;
    vst3::tresult terminate() override;

    // IComponent
    vst3::tresult getControllerClassId(vst3::TUID classId) override;
    vst3::tresult setIoMode(vst3::int32 mode) override;
    vst3::int32 getBusCount(vst3::int32 type, vst3::int32 dir) override;
    vst3::tresult getBusInfo(vst3::int32 type, vst3::int32 dir, vst3::int32 index, vst3::BusInfo& bus) override;
    vst3::tresult getRoutingInfo(vst3::RoutingInfo& inInfo, vst3::RoutingInfo& outInfo) override;
    vst3::tresult activateBus(vst3::int32 type, vst3::int32 dir, vst3::int32 index, vst3::TBool state) override;
    vst3::tresult setActive(vst3::TBool state) override;
    vst3::tresult setComponentStream(vst3::IBStream* state) override;
    vst3::tresult getComponentStream(vst3::IBStream* state) override;

    // IAudioProcessor
    vst3::tresult setBusArrangements(vst3::SpeakerArrangement* inputs, vst3::int32 numIns,
                                     vst3::SpeakerArrangement* outputs, vst3::int32 numOuts) override;
    vst3::tresult getBusArrangement(vst3::int32 dir, vst3::int32 index, vst3::SpeakerArrangement& arr) override;
    vst3::tresult canProcessSampleSize(vst3::int32 symbolicSampleSize) override;
    vst3::uint32 getLatencySamples() override { return 0; }
    vst3::tresult setupProcessing(vst3::ProcessSetup& setup) override;
    vst3::tresult setProcessing(vst3::TBool state) override;
    vst3::tresult process(vst3::ProcessData& data) override;
    vst3::uint32 getTailSamples() override { return 0; }

    // IProcessContextRequirements: the tempo, for the LFO's clock.
    vst3::uint32 getProcessContextRequirements() override { return kNeedTempo; }

    // IEditController
    vst3::tresult setComponentState(vst3::IBStream* state) override;
    vst3::tresult setControllerStream(vst3::IBStream* state) override;
    vst3::tresult getControllerStream(vst3::IBStream* state) override;
    vst3::int32 getParameterCount() override { return kParamCount; }
    vst3::tresult getParameterInfo(vst3::int32 paramIndex, vst3::ParameterInfo& info) override;
    vst3::tresult getParamStringByValue(vst3::ParamID id, vst3::ParamValue valueNormalized,
                                        vst3::String128 string) override;
    vst3::tresult getParamValueByString(vst3::ParamID id, vst3::TChar* string,
                                        vst3::ParamValue& valueNormalized) override;
    vst3::ParamValue normalizedParamToPlain(vst3::ParamID id, vst3::ParamValue valueNormalized) override;
    vst3::ParamValue plainParamToNormalized(vst3::ParamID id, vst3::ParamValue plainValue) override;
    vst3::ParamValue getParamNormalized(vst3::ParamID id) override;
    vst3::tresult setParamNormalized(vst3::ParamID id, vst3::ParamValue value) override;
    vst3::tresult setComponentHandler(vst3::IComponentHandler* handler) override;
    vst3::IPlugView* createView(vst3::FIDString name) override;

    // IMidiMapping
    vst3::tresult getMidiControllerAssignment(vst3::int32 busIndex, vst3::int16 channel,
                                              vst3::int16 midiControllerNumber, vst3::ParamID& id) override;

    // IUnitInfo: one unit holding the one program list, the factory bank.
    vst3::int32 getUnitCount() override { return 1; }
    vst3::tresult getUnitInfo(vst3::int32 unitIndex, vst3::UnitInfo& info) override;
    vst3::int32 getProgramListCount() override { return 1; }
    vst3::tresult getProgramListInfo(vst3::int32 listIndex, vst3::ProgramListInfo& info) override;
    vst3::tresult getProgramName(vst3::int32 listId, vst3::int32 programIndex, vst3::String128 name) override;
    vst3::tresult getProgramInfo(vst3::int32, vst3::int32, vst3::FIDString, vst3::String128) override
    {
        return vst3::kResultFalse;
    }
    vst3::tresult hasProgramPitchNames(vst3::int32, vst3::int32) override { return vst3::kResultFalse; }
    vst3::tresult getProgramPitchName(vst3::int32, vst3::int32, vst3::int16, vst3::String128) override
    {
        return vst3::kResultFalse;
    }
    vst3::int32 getSelectedUnit() override { return vst3::kRootUnitId; }
    vst3::tresult selectUnit(vst3::int32 unitId) override
    {
        return unitId == vst3::kRootUnitId ? vst3::kResultOk : vst3::kResultFalse;
    }
    vst3::tresult getUnitByBus(vst3::int32 type, vst3::int32 dir, vst3::int32 busIndex, vst3::int32 channel,
                               vst3::int32& unitId) override;
    vst3::tresult setUnitProgramData(vst3::int32, vst3::int32, vst3::IBStream*) override
    {
        return vst3::kNotImplemented;
    }

    // UI thread, from the view's timer: what the audio thread left for it.
    // A MIDI program change moved every value: the host rereads them and
    // marks the session changed. Never from inside a host's call into the
    // controller (a host may hold a lock across that call).
    void onUiTimer();

    // A change the user made in the editor (UI thread): the core takes it
    // at once, the host hears of it as an edit.
    void userEdit(int32_t index, float value);
    void userGesture(int32_t index, bool begin);

    // The view closed (UI thread).
    void viewClosed();

private:
    Vst3Plugin();
    ~Vst3Plugin();

    void parameterChanged(int32_t index, float value, Origin origin) override;
    void programChangedByMidi(int32_t program) override;
    bool hostTempo(double& bpm) override;

    // The current normalised value of a parameter the core holds (0..47).
    double currentNormalized(vst3::ParamID id) const;
    void emitPending(vst3::IParameterChanges* out, int32_t offset);

    // A MIDI message or a parameter change at a frame of the block.
    struct Timed {
        int32_t offset;
        uint8_t order; // at one frame: controllers before notes
        uint8_t bytes[3];
        uint32_t id;
        float value;
    };
    void collectParameters(vst3::IParameterChanges* in, int32_t frames);
    void collectEvents(vst3::IEventList* in, int32_t frames);

    std::atomic<uint32_t> references{1};
    Instrument core;
    vst3::IComponentHandler* componentHandler = nullptr;
    vst3::IComponentHandler2* componentHandler2 = nullptr;

    // Audio thread: the block's MIDI and parameter changes, sorted by frame.
    // Reserved once; a block with more than fit drops the rest.
    std::vector<Timed> midiItems;
    std::vector<Timed> paramItems;

    std::atomic<bool> pending[kParamCount] = {};
    std::atomic<bool> programChanged{false}; // a MIDI program change since the last UI timer
    std::atomic<double> midiValues[kParamCount] = {}; // last values of the hidden MIDI parameters
    double tempo = 0.0; // bpm of the latest context (audio thread)
    bool tempoKnown = false;
    bool gestureOpen[kNumParameters] = {}; // UI thread

    // The editor: made at the first createView, kept until the plug-in
    // goes, so that the audio thread may reach it without a lock.
    std::unique_ptr<Vst3Editor> editor;
    std::atomic<Vst3Editor*> editorShown{nullptr};
    bool viewOpen = false; // UI thread
};

} // namespace vemo::vst3face
