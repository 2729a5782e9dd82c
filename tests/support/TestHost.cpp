#include "support/TestHost.h"

#include <algorithm>

namespace vemotest {

namespace {
// The host being constructed on this thread: the plug-in calls back during
// VSTPluginMain, before the host knows its AEffect.
thread_local TestHost* constructing = nullptr;

size_t slotOf(int32_t opcode) { return opcode >= 0 && opcode < 127 ? size_t(opcode) : 127; }
} // namespace

// ------------------------------------------------------------------ events

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

// -------------------------------------------------------------------- host

TestHost::TestHost(const std::string& modulePath, intptr_t versionAnswer) : versionAnswer(versionAnswer)
{
    if (!module.open(modulePath)) {
        loadError = module.error();
        return;
    }
    VstPluginMainProc entry = module.entryPoint();
    if (entry == nullptr) {
        loadError = "no entry point";
        return;
    }
    create(entry);
}

TestHost::TestHost(VstPluginMainProc entry, intptr_t versionAnswer) : versionAnswer(versionAnswer)
{
    if (entry == nullptr) {
        loadError = "no entry point";
        return;
    }
    create(entry);
}

void TestHost::create(VstPluginMainProc entry)
{
    timeInfo.sampleRate = 44100.0;
    timeInfo.tempo = 120.0;
    timeInfo.timeSigNumerator = 4;
    timeInfo.timeSigDenominator = 4;
    timeInfo.flags = kVstTempoValid | kVstPpqPosValid | kVstTimeSigValid | kVstTransportPlaying;
    constructing = this;
    effect = entry(&TestHost::callback);
    constructing = nullptr;
    if (effect != nullptr)
        effect->resvd1 = reinterpret_cast<intptr_t>(this);
    else
        loadError = "VSTPluginMain returned null";
}

TestHost::~TestHost()
{
    close();
    module.close();
}

intptr_t TestHost::callback(AEffect* effect, int32_t opcode, int32_t index, intptr_t value,
                            void* ptr, float opt)
{
    (void)ptr;
    TestHost* host = nullptr;
    if (effect != nullptr && effect->resvd1 != 0)
        host = reinterpret_cast<TestHost*>(effect->resvd1);
    else
        host = constructing;
    if (host == nullptr)
        return 0;
    return host->answer(effect, opcode, index, value, opt);
}

intptr_t TestHost::answer(AEffect* e, int32_t opcode, int32_t index, intptr_t value, float opt)
{
    counts[slotOf(opcode)].fetch_add(1, std::memory_order_relaxed);
    if ((e == nullptr && opcode != audioMasterVersion) || (e != nullptr && effect != nullptr && e != effect))
        foreign.fetch_add(1, std::memory_order_relaxed);
    if (logCalls.load(std::memory_order_relaxed) && (leaveOutOfLog == nullptr || !leaveOutOfLog(opcode))) {
        std::lock_guard<std::mutex> lock(logMutex);
        log.push_back(HostCall{e == nullptr, opcode, index, value, opt});
    }
    switch (opcode) {
    case audioMasterVersion:
        return versionAnswer;
    case audioMasterGetTime:
        return answerTime ? reinterpret_cast<intptr_t>(&timeInfo) : 0;
    case audioMasterGetSampleRate:
        return intptr_t(hostSampleRate.load(std::memory_order_relaxed));
    case audioMasterGetBlockSize:
        return hostBlockSize.load(std::memory_order_relaxed);
    case audioMasterWantMidi:
        return 1;
    default:
        return 0;
    }
}

intptr_t TestHost::dispatch(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt)
{
    if (effect == nullptr)
        return 0;
    return effect->dispatcher(effect, opcode, index, value, ptr, opt);
}

void TestHost::setParameter(int32_t index, float value)
{
    if (effect != nullptr)
        effect->setParameter(effect, index, value);
}

float TestHost::getParameter(int32_t index)
{
    return effect != nullptr ? effect->getParameter(effect, index) : 0.0f;
}

void TestHost::process(float* left, float* right, int32_t frames)
{
    if (effect == nullptr)
        return;
    float* outputs[2] = {left, right};
    float* inputs[2] = {nullptr, nullptr};
    effect->processReplacing(effect, inputs, outputs, frames);
}

intptr_t TestHost::processEvents(EventList& events) { return dispatch(effProcessEvents, 0, 0, events.get()); }

intptr_t TestHost::sendMidi(const std::vector<VstMidiEvent>& events)
{
    EventList list(int(events.size()) + 1);
    for (const VstMidiEvent& e : events)
        list.add(e);
    return processEvents(list);
}

void TestHost::start(float sampleRate, int32_t blockSize)
{
    hostSampleRate = sampleRate;
    hostBlockSize = blockSize;
    timeInfo.sampleRate = sampleRate;
    dispatch(effOpen);
    dispatch(effGetVstVersion);
    dispatch(effSetSampleRate, 0, 0, nullptr, sampleRate);
    dispatch(effSetBlockSize, 0, blockSize);
    dispatch(effMainsChanged, 0, 1);
}

void TestHost::changeRate(float sampleRate, int32_t blockSize)
{
    dispatch(effMainsChanged, 0, 0);
    hostSampleRate = sampleRate;
    hostBlockSize = blockSize;
    timeInfo.sampleRate = sampleRate;
    dispatch(effSetSampleRate, 0, 0, nullptr, sampleRate);
    dispatch(effSetBlockSize, 0, blockSize);
    dispatch(effMainsChanged, 0, 1);
}

intptr_t TestHost::close()
{
    if (effect == nullptr)
        return 0;
    const intptr_t result = dispatch(effClose);
    effect = nullptr;
    return result;
}

void TestHost::render(std::vector<float>& left, std::vector<float>& right, int32_t frames,
                      int32_t blockSize, std::vector<VstMidiEvent> events)
{
    renderBlocks(left, right, frames, {blockSize}, std::move(events), true);
}

void TestHost::renderBlocks(std::vector<float>& left, std::vector<float>& right, int32_t frames,
                            const std::vector<int32_t>& blocks, std::vector<VstMidiEvent> events,
                            bool sendEmptyLists)
{
    left.assign(size_t(frames > 0 ? frames : 0), 0.0f);
    right.assign(size_t(frames > 0 ? frames : 0), 0.0f);
    std::stable_sort(events.begin(), events.end(),
                     [](const VstMidiEvent& a, const VstMidiEvent& b) { return a.deltaFrames < b.deltaFrames; });
    EventList list(int(events.size()) + 1);
    size_t next = 0;
    size_t b = 0;
    for (int32_t start = 0; start < frames;) {
        const int32_t n = std::min(std::max(blocks[b++ % blocks.size()], 1), frames - start);
        list.clear();
        while (next < events.size() && events[next].deltaFrames < start + n) {
            VstMidiEvent e = events[next++];
            e.deltaFrames -= start;
            list.add(e);
        }
        if (sendEmptyLists || list.size() > 0)
            processEvents(list);
        process(left.data() + start, right.data() + start, n);
        start += n;
    }
}

VstMidiEvent TestHost::midi(int32_t offset, uint8_t status, uint8_t data1, uint8_t data2)
{
    return midiEvent(offset, status, data1, data2);
}

VstMidiEvent TestHost::noteOn(int32_t offset, int note, int velocity, int channel)
{
    return midi(offset, uint8_t(0x90 | (channel & 15)), uint8_t(note), uint8_t(velocity));
}

VstMidiEvent TestHost::noteOff(int32_t offset, int note, int channel)
{
    return midi(offset, uint8_t(0x80 | (channel & 15)), uint8_t(note), 0);
}

std::vector<HostCall> TestHost::calls() const
{
    std::lock_guard<std::mutex> lock(logMutex);
    return log;
}

int64_t TestHost::countCalls(int32_t opcode) const
{
    return counts[slotOf(opcode)].load(std::memory_order_relaxed);
}

int64_t TestHost::totalCalls() const
{
    int64_t n = 0;
    for (const auto& c : counts)
        n += c.load(std::memory_order_relaxed);
    return n;
}

void TestHost::clearCalls()
{
    for (auto& c : counts)
        c.store(0, std::memory_order_relaxed);
    foreign.store(0, std::memory_order_relaxed);
    std::lock_guard<std::mutex> lock(logMutex);
    log.clear();
}

} // namespace vemotest
