#include "support/ValidatorHost.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <dlfcn.h>
#include <sstream>

namespace validator {

namespace {
// The host being constructed on this thread: the plug-in calls back during
// VSTPluginMain, before the host knows its AEffect.
thread_local Host* constructing = nullptr;
} // namespace

// ------------------------------------------------------------------ events

EventList::EventList(int capacity)
    : storage(size_t(capacity)), header(sizeof(VstEvents) + sizeof(VstEvent*) * size_t(capacity))
{
}

bool EventList::add(const VstMidiEvent& event)
{
    if (count >= int(storage.size()))
        return false;
    storage[size_t(count++)] = event;
    return true;
}

VstEvents* EventList::get()
{
    auto* list = reinterpret_cast<VstEvents*>(header.data());
    list->numEvents = count;
    list->reserved = 0;
    VstEvent** slots = list->events;
    for (int i = 0; i < count; ++i)
        slots[i] = reinterpret_cast<VstEvent*>(&storage[size_t(i)]);
    return list;
}

VstMidiEvent midiEvent(int32_t offset, int status, int data1, int data2)
{
    VstMidiEvent e{};
    e.type = kVstMidiType;
    e.byteSize = sizeof(VstMidiEvent);
    e.deltaFrames = offset;
    e.midiData[0] = char(status);
    e.midiData[1] = char(data1);
    e.midiData[2] = char(data2);
    return e;
}

// -------------------------------------------------------------------- host

Host::Host(const std::string& modulePath, intptr_t versionAnswer) : versionAnswer(versionAnswer)
{
    timeInfo.sampleRate = 44100.0;
    timeInfo.tempo = 120.0;
    timeInfo.timeSigNumerator = 4;
    timeInfo.timeSigDenominator = 4;
    timeInfo.flags = kVstTempoValid | kVstPpqPosValid | kVstTimeSigValid | kVstTransportPlaying;

    module = dlopen(modulePath.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr) {
        error = dlerror();
        return;
    }
    void* entry = dlsym(module, "VSTPluginMain");
    if (entry == nullptr)
        entry = dlsym(module, "main");
    if (entry == nullptr) {
        error = "no entry point";
        return;
    }
    constructing = this;
    effect = reinterpret_cast<VstPluginMainProc>(entry)(&Host::callback);
    constructing = nullptr;
    if (effect != nullptr)
        effect->resvd1 = reinterpret_cast<intptr_t>(this);
    else
        error = "VSTPluginMain returned null";
}

Host::~Host()
{
    close();
    if (module != nullptr)
        dlclose(module);
}

intptr_t Host::callback(AEffect* effect, int32_t opcode, int32_t index, intptr_t value, void* ptr,
                        float opt)
{
    (void)index;
    (void)value;
    (void)ptr;
    (void)opt;
    Host* host = nullptr;
    if (effect != nullptr && effect->resvd1 != 0)
        host = reinterpret_cast<Host*>(effect->resvd1);
    else
        host = constructing;
    if (host == nullptr)
        return 0;
    if (effect == nullptr && opcode != audioMasterVersion)
        host->foreign.fetch_add(1, std::memory_order_relaxed);
    if (effect != nullptr && host->effect != nullptr && effect != host->effect)
        host->foreign.fetch_add(1, std::memory_order_relaxed);
    return host->answer(opcode);
}

intptr_t Host::answer(int32_t opcode)
{
    const size_t slot = opcode >= 0 && opcode < 127 ? size_t(opcode) : 127;
    counts[slot].fetch_add(1, std::memory_order_relaxed);
    switch (opcode) {
    case audioMasterVersion:
        return versionAnswer;
    case audioMasterGetTime:
        return reinterpret_cast<intptr_t>(&timeInfo);
    case audioMasterGetSampleRate:
        return hostRate.load(std::memory_order_relaxed);
    case audioMasterGetBlockSize:
        return hostBlock.load(std::memory_order_relaxed);
    case audioMasterWantMidi:
        return 1;
    default:
        return 0;
    }
}

intptr_t Host::dispatch(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt)
{
    if (effect == nullptr)
        return 0;
    return effect->dispatcher(effect, opcode, index, value, ptr, opt);
}

void Host::setParameter(int32_t index, float value)
{
    if (effect != nullptr)
        effect->setParameter(effect, index, value);
}

float Host::getParameter(int32_t index)
{
    return effect != nullptr ? effect->getParameter(effect, index) : 0.0f;
}

void Host::process(float* left, float* right, int32_t frames)
{
    if (effect == nullptr)
        return;
    float* outputs[2] = {left, right};
    float* inputs[2] = {nullptr, nullptr};
    effect->processReplacing(effect, inputs, outputs, frames);
}

intptr_t Host::processEvents(EventList& events)
{
    return dispatch(effProcessEvents, 0, 0, events.get());
}

void Host::start(float sampleRate, int32_t blockSize)
{
    hostRate = int32_t(sampleRate);
    hostBlock = blockSize;
    timeInfo.sampleRate = sampleRate;
    dispatch(effOpen);
    dispatch(effGetVstVersion);
    dispatch(effSetSampleRate, 0, 0, nullptr, sampleRate);
    dispatch(effSetBlockSize, 0, blockSize);
    dispatch(effMainsChanged, 0, 1);
}

void Host::changeRate(float sampleRate, int32_t blockSize)
{
    dispatch(effMainsChanged, 0, 0);
    hostRate = int32_t(sampleRate);
    hostBlock = blockSize;
    timeInfo.sampleRate = sampleRate;
    dispatch(effSetSampleRate, 0, 0, nullptr, sampleRate);
    dispatch(effSetBlockSize, 0, blockSize);
    dispatch(effMainsChanged, 0, 1);
}

intptr_t Host::close()
{
    if (effect == nullptr)
        return 0;
    const intptr_t result = dispatch(effClose);
    effect = nullptr;
    return result;
}

int64_t Host::calls(int32_t opcode) const
{
    const size_t slot = opcode >= 0 && opcode < 127 ? size_t(opcode) : 127;
    return counts[slot].load(std::memory_order_relaxed);
}

int64_t Host::totalCalls() const
{
    int64_t n = 0;
    for (const auto& c : counts)
        n += c.load(std::memory_order_relaxed);
    return n;
}

void Host::resetCalls()
{
    for (auto& c : counts)
        c.store(0, std::memory_order_relaxed);
    foreign.store(0);
}

// -------------------------------------------------------------- parameters

Form parameterForm(int32_t index)
{
    switch (index) {
    case 3: case 4: case 7: case 8: case 14: case 18: case 26: case 30:
    case 34: case 35: case 36: case 37: case 38: case 46:
        return Form::Switch;
    case 27:
        return Form::WaveMenu;
    case 28:
        return Form::ClockMenu;
    case 33:
        return Form::Transpose;
    default:
        return Form::Continuous;
    }
}

float randomValue(int32_t index, std::mt19937& rng)
{
    switch (parameterForm(index)) {
    case Form::Switch:
        return float(rng() & 1u);
    case Form::WaveMenu:
        return float(rng() % 5u);
    case Form::ClockMenu:
        return float(rng() % 13u);
    case Form::Transpose: {
        static const float steps[] = {0.0f, 1.0f / 3.0f, 0.5f, 2.0f / 3.0f, 1.0f};
        return steps[rng() % 5u];
    }
    case Form::Continuous:
        break;
    }
    // Both ends of the range occur often in real automation: give them weight.
    const uint32_t pick = rng() % 16u;
    if (pick == 0)
        return 0.0f;
    if (pick == 1)
        return 1.0f;
    return std::uniform_real_distribution<float>(0.0f, 1.0f)(rng);
}

// ------------------------------------------------------------------ output

void OutputCheck::add(const float* samples, int32_t count)
{
    for (int32_t i = 0; i < count; ++i) {
        const float x = samples[i];
        switch (std::fpclassify(x)) {
        case FP_NAN:
            ++nans;
            break;
        case FP_INFINITE:
            ++infinities;
            break;
        case FP_SUBNORMAL:
            ++subnormals;
            break;
        default:
            peak = std::max(peak, double(std::fabs(x)));
        }
    }
    frames += count;
}

void OutputCheck::merge(const OutputCheck& other)
{
    frames += other.frames;
    nans += other.nans;
    infinities += other.infinities;
    subnormals += other.subnormals;
    peak = std::max(peak, other.peak);
}

std::string OutputCheck::describe() const
{
    std::ostringstream s;
    s << frames << " samples: " << nans << " NaN, " << infinities << " infinite, " << subnormals
      << " subnormal, peak " << peak;
    return s.str();
}

Rendered render(Host& host, int32_t frames, int32_t blockSize, std::vector<VstMidiEvent> events)
{
    Rendered out;
    out.left.assign(size_t(frames), 0.0f);
    out.right.assign(size_t(frames), 0.0f);
    std::stable_sort(events.begin(), events.end(), [](const VstMidiEvent& a, const VstMidiEvent& b) {
        return a.deltaFrames < b.deltaFrames;
    });
    EventList list(int(events.size()) + 1);
    size_t next = 0;
    for (int32_t start = 0; start < frames; start += blockSize) {
        const int32_t n = std::min(blockSize, frames - start);
        list.clear();
        while (next < events.size() && events[next].deltaFrames < start + n) {
            VstMidiEvent e = events[next++];
            e.deltaFrames -= start;
            list.add(e);
        }
        host.processEvents(list);
        host.process(out.left.data() + start, out.right.data() + start, n);
    }
    out.check.add(out.left.data(), frames);
    out.check.add(out.right.data(), frames);
    return out;
}

// --------------------------------------------------------------- performer

VstMidiEvent RandomPerformer::randomEvent(int32_t offset)
{
    const int channel = int(rng() % 16u);
    const uint32_t kind = rng() % 100u;
    if (kind < 45) {
        // Note on, sometimes with velocity 0 (a note-off by convention), or
        // off for a held note.
        const int note = int(rng() % 128u);
        if (held[size_t(note)] && (rng() & 1u)) {
            held[size_t(note)] = false;
            return midiEvent(offset, 0x80 | channel, note, int(rng() % 128u));
        }
        const int velocity = (rng() % 20u == 0) ? 0 : 1 + int(rng() % 127u);
        held[size_t(note)] = velocity > 0;
        if (velocity > 0)
            ++noteOns;
        return midiEvent(offset, 0x90 | channel, note, velocity);
    }
    if (kind < 70) {
        // Release something held (or anything).
        int note = int(rng() % 128u);
        for (int tries = 0; tries < 8 && !held[size_t(note)]; ++tries)
            note = int(rng() % 128u);
        held[size_t(note)] = false;
        return midiEvent(offset, 0x80 | channel, note, 64);
    }
    if (kind < 82)
        return midiEvent(offset, 0xE0 | channel, int(rng() % 128u), int(rng() % 128u));
    if (kind < 97) {
        int controller = int(rng() % (mix.allControllers ? 128u : 120u));
        if (!mix.learn && (controller == 37 || controller == 46))
            controller = 1;
        return midiEvent(offset, 0xB0 | channel, controller, int(rng() % 128u));
    }
    if (kind < 99 && mix.programChanges)
        return midiEvent(offset, 0xC0 | channel, int(rng() % 128u), 0);
    // Messages the instrument ignores: pressure and poly pressure.
    return midiEvent(offset, (rng() & 1u ? 0xD0 : 0xA0) | channel, int(rng() % 128u),
                     int(rng() % 128u));
}

void RandomPerformer::fill(EventList& list, int32_t frames)
{
    list.clear();
    const double lambda = std::clamp(double(frames) * mix.eventsPerBlock / 512.0, 0.05, 24.0);
    const int n = std::min(std::poisson_distribution<int>(lambda)(rng), 64);
    std::array<int32_t, 64> offsets{};
    for (int i = 0; i < n; ++i)
        offsets[size_t(i)] = int32_t(rng() % uint32_t(frames));
    std::sort(offsets.begin(), offsets.begin() + n);
    for (int i = 0; i < n; ++i)
        list.add(randomEvent(offsets[size_t(i)]));
}

void RandomPerformer::automate(Host& host, int count)
{
    for (int i = 0; i < count; ++i) {
        int32_t target = int32_t(rng() % 47u);
        while (!mix.automateEverything && parameterForm(target) != Form::Continuous)
            target = int32_t(rng() % 47u);
        // The learn switches stay off unless learning is part of the mix:
        // with them on, every controller rebinds.
        if (!mix.learn && (target == 37 || target == 46))
            target = 12;
        host.setParameter(target, randomValue(target, rng));
    }
}

} // namespace validator
