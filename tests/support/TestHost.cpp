#include "support/TestHost.h"

#include <algorithm>
#include <dlfcn.h>

namespace vemotest {

namespace {
// The host being constructed on this thread: the plug-in calls back during
// VSTPluginMain, before the host knows its AEffect.
thread_local TestHost* constructing = nullptr;
} // namespace

VstPluginMainProc findEntryPoint(void* module)
{
    if (module == nullptr)
        return nullptr;
    void* entry = dlsym(module, "VSTPluginMain");
    if (entry == nullptr)
        entry = dlsym(module, "main");
    return reinterpret_cast<VstPluginMainProc>(entry);
}

TestHost::TestHost(const std::string& modulePath, intptr_t versionAnswer) : versionAnswer(versionAnswer)
{
    timeInfo.sampleRate = 44100.0;
    timeInfo.tempo = 120.0;
    timeInfo.timeSigNumerator = 4;
    timeInfo.timeSigDenominator = 4;
    timeInfo.flags = kVstTempoValid | kVstPpqPosValid | kVstTimeSigValid | kVstTransportPlaying;

    module = dlopen(modulePath.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr) {
        loadError = dlerror();
        return;
    }
    VstPluginMainProc entry = findEntryPoint(module);
    if (entry == nullptr) {
        loadError = "no entry point";
        return;
    }
    constructing = this;
    effect = entry(&TestHost::callback);
    constructing = nullptr;
    if (effect != nullptr)
        effect->resvd1 = reinterpret_cast<intptr_t>(this);
}

TestHost::~TestHost()
{
    close();
    if (module != nullptr)
        dlclose(module);
}

intptr_t TestHost::callback(AEffect* effect, int32_t opcode, int32_t index, intptr_t value,
                            void* ptr, float opt)
{
    TestHost* host = nullptr;
    if (effect != nullptr && effect->resvd1 != 0)
        host = reinterpret_cast<TestHost*>(effect->resvd1);
    else
        host = constructing;
    if (host == nullptr)
        return 0;
    return host->answer(effect, opcode, index, value, ptr, opt);
}

intptr_t TestHost::answer(AEffect* e, int32_t opcode, int32_t index, intptr_t value, void* ptr,
                          float opt)
{
    (void)ptr;
    {
        std::lock_guard<std::mutex> lock(callsMutex);
        recorded.push_back(HostCall{e == nullptr, opcode, index, value, opt});
    }
    switch (opcode) {
    case audioMasterVersion:
        return versionAnswer;
    case audioMasterGetTime:
        return answerTime ? reinterpret_cast<intptr_t>(&timeInfo) : 0;
    case audioMasterGetSampleRate:
        return intptr_t(hostSampleRate);
    case audioMasterGetBlockSize:
        return hostBlockSize;
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

intptr_t TestHost::sendMidi(const std::vector<VstMidiEvent>& events)
{
    std::vector<unsigned char> storage(sizeof(VstEvents) + sizeof(VstEvent*) * events.size());
    auto* list = reinterpret_cast<VstEvents*>(storage.data());
    list->numEvents = int32_t(events.size());
    list->reserved = 0;
    std::vector<VstMidiEvent> copies(events);
    VstEvent** slots = list->events;
    for (size_t i = 0; i < copies.size(); ++i)
        slots[i] = reinterpret_cast<VstEvent*>(&copies[i]);
    return dispatch(effProcessEvents, 0, 0, list);
}

intptr_t TestHost::close()
{
    if (effect == nullptr)
        return 0;
    intptr_t result = dispatch(effClose);
    effect = nullptr;
    return result;
}

void TestHost::render(std::vector<float>& left, std::vector<float>& right, int32_t frames,
                      int32_t blockSize, std::vector<VstMidiEvent> events)
{
    left.assign(size_t(frames), 0.0f);
    right.assign(size_t(frames), 0.0f);
    std::stable_sort(events.begin(), events.end(),
                     [](const VstMidiEvent& a, const VstMidiEvent& b) { return a.deltaFrames < b.deltaFrames; });
    size_t next = 0;
    for (int32_t start = 0; start < frames; start += blockSize) {
        const int32_t n = std::min(blockSize, frames - start);
        std::vector<VstMidiEvent> block;
        while (next < events.size() && events[next].deltaFrames < start + n) {
            VstMidiEvent e = events[next++];
            e.deltaFrames -= start;
            block.push_back(e);
        }
        sendMidi(block);
        process(left.data() + start, right.data() + start, n);
    }
}

VstMidiEvent TestHost::midi(int32_t offset, uint8_t status, uint8_t data1, uint8_t data2)
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
    std::lock_guard<std::mutex> lock(callsMutex);
    return recorded;
}

int TestHost::countCalls(int32_t opcode) const
{
    std::lock_guard<std::mutex> lock(callsMutex);
    return int(std::count_if(recorded.begin(), recorded.end(),
                             [opcode](const HostCall& c) { return c.opcode == opcode; }));
}

void TestHost::clearCalls()
{
    std::lock_guard<std::mutex> lock(callsMutex);
    recorded.clear();
}

} // namespace vemotest
