// The VST 3 plug-in as the fuzzers reach it: through GetPluginFactory, set
// up and processing like a host's at 48 kHz, with a block runner that
// requires finite output. Fuzzer programs only.
#pragma once

#include "vst3/Vst3Abi.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

extern "C" vst3::IPluginFactory* GetPluginFactory();

namespace vst3fuzz {

using namespace vst3;

[[noreturn]] inline void fail(const char* what)
{
    std::fprintf(stderr, "FUZZ FAILURE: %s\n", what);
    std::abort();
}

struct Plugin {
    static constexpr int32 kBlock = 512;
    Plugin()
    {
        IPluginFactory* factory = GetPluginFactory();
        PClassInfo info{};
        void* made = nullptr;
        if (factory == nullptr || factory->getClassInfo(0, &info) != kResultOk ||
            factory->createInstance(info.cid, IComponent::iid.data(), &made) != kResultOk)
            fail("no component");
        component = static_cast<IComponent*>(made);
        if (component->initialize(nullptr) != kResultOk ||
            component->queryInterface(IAudioProcessor::iid.data(), &made) != kResultOk)
            fail("no processor");
        processor = static_cast<IAudioProcessor*>(made);
        SpeakerArrangement stereo = kSpeakerStereo;
        ProcessSetup setup{kRealtime, kSample32, kBlock, 48000.0};
        if (processor->setBusArrangements(nullptr, 0, &stereo, 1) != kResultTrue ||
            processor->setupProcessing(setup) != kResultOk || component->setActive(1) != kResultOk ||
            processor->setProcessing(1) != kResultOk)
            fail("the plug-in does not start");
    }
    // Renders `frames` (0..kBlock) with what `p` carries besides the
    // buffers; the output must stay finite.
    tresult process(ProcessData& p, int32 frames)
    {
        float* channels[2] = {left, right};
        AudioBusBuffers bus{};
        bus.numChannels = 2;
        bus.channelBuffers32 = channels;
        p.symbolicSampleSize = kSample32;
        p.numSamples = frames;
        p.numOutputs = 1;
        p.outputs = &bus;
        const tresult result = processor->process(p);
        for (int32 i = 0; i < frames; ++i)
            if (!std::isfinite(left[i]) || !std::isfinite(right[i]))
                fail("the output is not finite");
        return result;
    }
    IComponent* component = nullptr;
    IAudioProcessor* processor = nullptr;
    float left[kBlock] = {}, right[kBlock] = {};
};

} // namespace vst3fuzz
