// The fuzzers' side of the one test host (tests/support/TestHost.h): one
// VemoVst per input, reached only through its AEffect record (dispatcher and
// trampolines), the way a real host sees it. The plug-in is linked
// statically, so coverage reaches into all of it.
//
// Any misbehaviour the sanitizers cannot see themselves (a non-finite output
// sample, a broken invariant) is reported with fuzzFail(), which aborts so
// libFuzzer records the input as a crash.
#pragma once

#include "faces/vst2/VemoVst.h"
#include "support/TestHost.h"
#include "vst/aeffect.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace vemo::fuzz {

[[noreturn]] inline void fuzzFail(const char* what)
{
    std::fprintf(stderr, "FUZZ FAILURE: %s\n", what);
    std::fflush(stderr);
    std::abort();
}

// The plug-in as linked into the fuzzer, through its own constructor, the
// way the module's entry point makes it.
inline AEffect* makeVemo(audioMasterCallback host)
{
    auto* plugin = new VemoVst(host);
    return plugin->getAeffect();
}

// One MIDI event as the fuzzers describe it; queued through effProcessEvents.
struct MidiEventSpec {
    int32_t type = kVstMidiType;
    int32_t byteSize = int32_t(sizeof(VstMidiEvent));
    int32_t deltaFrames = 0;
    int32_t flags = 0;
    uint8_t data[4] = {0, 0, 0, 0};
};

class FuzzPlugin {
public:
    // A fresh instance behind the one test host (its callback counts the
    // calls and logs none), started as hosts start it. A fuzzer may then put
    // any tempo (NaN, negative, huge) into host().timeInfo, or have the time
    // query answered with no record at all (host().answerTime).
    FuzzPlugin() : testHost(&makeVemo)
    {
        testHost.logCalls = false;
        testHost.timeInfo.flags = kVstTempoValid | kVstPpqPosValid;
        effect = testHost.effect;
        if (effect == nullptr || effect->magic != kEffectMagic || effect->numOutputs != 2)
            fuzzFail("bad AEffect record");
        testHost.start(44100.0f, 512);
    }

    ~FuzzPlugin() { close(); }

    FuzzPlugin(const FuzzPlugin&) = delete;
    FuzzPlugin& operator=(const FuzzPlugin&) = delete;

    bool isOpen() const { return effect != nullptr; }
    vemotest::TestHost& host() { return testHost; }

    // effClose destroys the object: nothing may be called after it.
    void close()
    {
        if (effect == nullptr)
            return;
        dispatch(effMainsChanged, 0, 0);
        effect = nullptr;
        if (testHost.close() != 1)
            fuzzFail("effClose did not answer 1");
    }

    intptr_t dispatch(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr,
                      float opt = 0.0f)
    {
        if (opcode == effClose) {
            close();
            return 1;
        }
        return testHost.dispatch(opcode, index, value, ptr, opt);
    }

    void setParameter(int32_t index, float value) { testHost.setParameter(index, value); }
    float getParameter(int32_t index) { return testHost.getParameter(index); }

    // Sends the events through effProcessEvents. Each event lives in its own
    // heap block of exactly its size, so a read past a record is caught.
    void sendEvents(const std::vector<MidiEventSpec>& specs)
    {
        std::vector<std::unique_ptr<uint8_t[]>> storage;
        storage.reserve(specs.size());
        // Exactly as many pointers as events: the record's declared array
        // length means nothing.
        auto list = std::make_unique<uint8_t[]>(offsetof(VstEvents, events) +
                                                specs.size() * sizeof(VstEvent*));
        auto* events = reinterpret_cast<VstEvents*>(list.get());
        events->numEvents = int32_t(specs.size());
        events->reserved = 0;
        VstEvent** pointers = events->events;
        for (size_t n = 0; n < specs.size(); ++n) {
            const MidiEventSpec& s = specs[n];
            // A system-exclusive record is larger than a MIDI one; anything
            // else gets the plain event header size.
            const size_t bytes = s.type == kVstMidiType   ? sizeof(VstMidiEvent)
                                 : s.type == kVstSysExType ? sizeof(VstMidiSysexEvent)
                                                           : sizeof(VstEvent);
            storage.push_back(std::make_unique<uint8_t[]>(bytes));
            std::memset(storage.back().get(), 0, bytes);
            auto* e = reinterpret_cast<VstEvent*>(storage.back().get());
            e->type = s.type;
            e->byteSize = s.byteSize;
            e->deltaFrames = s.deltaFrames;
            e->flags = s.flags;
            if (s.type == kVstMidiType)
                std::memcpy(reinterpret_cast<VstMidiEvent*>(e)->midiData, s.data, 4);
            pointers[n] = e;
        }
        if (dispatch(effProcessEvents, 0, 0, events) != 1)
            fuzzFail("effProcessEvents did not answer 1");
    }

    void noteOn(int note, int velocity, int offset = 0)
    {
        MidiEventSpec e;
        e.deltaFrames = offset;
        e.data[0] = 0x90;
        e.data[1] = uint8_t(note);
        e.data[2] = uint8_t(velocity);
        sendEvents({e});
    }

    // Renders one block into heap buffers of exactly that many frames and
    // checks every sample when checkFinite is set. Answers the block's peak.
    float render(int32_t frames, bool checkFinite = true)
    {
        const size_t n = frames > 0 ? size_t(frames) : 0;
        auto left = std::make_unique<float[]>(n > 0 ? n : 1);
        auto right = std::make_unique<float[]>(n > 0 ? n : 1);
        float* outputs[2] = {left.get(), right.get()};
        effect->processReplacing(effect, nullptr, outputs, frames);
        float peak = 0.0f;
        for (size_t i = 0; i < n; ++i) {
            if (checkFinite && (!std::isfinite(left[i]) || !std::isfinite(right[i])))
                fuzzFail("non-finite output sample");
            peak = std::fmax(peak, std::fmax(std::fabs(left[i]), std::fabs(right[i])));
        }
        return peak;
    }

    VemoVst& object() { return *static_cast<VemoVst*>(effect->object); }
    AEffect* record() { return effect; }

private:
    vemotest::TestHost testHost;
    AEffect* effect = nullptr;
};

// Keeps Xlib away: without a display the editor's open fails cleanly, and a
// window id made up by the fuzzer can never reach a real X server.
inline void fuzzInitialise() { unsetenv("DISPLAY"); }

} // namespace vemo::fuzz
