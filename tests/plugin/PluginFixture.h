// In-process plug-in for tests that need to look inside the object
// (lastParameterIndex, the bank, the engine): a VemoVst built directly with a
// recording host callback.
#pragma once

#include "faces/vst2/VemoVst.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace vemotest {

struct RecordedCall {
    int32_t opcode;
    int32_t index;
    intptr_t value;
    float opt;
};

class PluginFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        current = this;
        timeInfo = VstTimeInfo{};
        timeInfo.tempo = 120.0;
        timeInfo.sampleRate = 44100.0;
        timeInfo.flags = kVstTempoValid | kVstPpqPosValid;
        plugin = std::make_unique<VemoVst>(&PluginFixture::callback);
        calls.clear();
    }
    void TearDown() override
    {
        plugin.reset();
        current = nullptr;
    }

    static intptr_t callback(AEffect*, int32_t opcode, int32_t index, intptr_t value, void*, float opt)
    {
        if (current == nullptr)
            return 0;
        current->calls.push_back({opcode, index, value, opt});
        switch (opcode) {
        case audioMasterVersion:
            return 2400;
        case audioMasterGetTime:
            return current->answerTime ? reinterpret_cast<intptr_t>(&current->timeInfo) : 0;
        default:
            return 0;
        }
    }

    int countCalls(int32_t opcode) const
    {
        int n = 0;
        for (const auto& c : calls)
            n += c.opcode == opcode ? 1 : 0;
        return n;
    }

    intptr_t dispatch(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr,
                      float opt = 0.0f)
    {
        AEffect* e = plugin->getAeffect();
        return e->dispatcher(e, opcode, index, value, ptr, opt);
    }

    // Queues the events (offsets in deltaFrames) and renders `frames` frames.
    void sendEvents(std::vector<VstMidiEvent> events)
    {
        std::vector<unsigned char> storage(sizeof(VstEvents) + sizeof(VstEvent*) * events.size());
        auto* list = reinterpret_cast<VstEvents*>(storage.data());
        list->numEvents = int32_t(events.size());
        VstEvent** slots = list->events;
        for (size_t i = 0; i < events.size(); ++i)
            slots[i] = reinterpret_cast<VstEvent*>(&events[i]);
        plugin->processEvents(list);
    }

    void renderFrames(int32_t frames, std::vector<float>* left = nullptr, std::vector<float>* right = nullptr)
    {
        std::vector<float> l(static_cast<size_t>(frames)), r(static_cast<size_t>(frames));
        float* outs[2] = {l.data(), r.data()};
        plugin->processReplacing(nullptr, outs, frames);
        if (left)
            *left = l;
        if (right)
            *right = r;
    }

    static VstMidiEvent midi(int32_t offset, int status, int data1, int data2)
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

    std::unique_ptr<VemoVst> plugin;
    std::vector<RecordedCall> calls;
    VstTimeInfo timeInfo{};
    bool answerTime = true;
    static inline PluginFixture* current = nullptr;
};

} // namespace vemotest
