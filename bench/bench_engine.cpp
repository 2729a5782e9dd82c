// Cost per output frame of SynthEngine::renderSample at 44100 Hz.
//
// Workloads: W0 no note, W1 one held note (57), W6 six held notes; on program
// 0 ("Startup") and on a heavy patch (saw, LFO-swept pulse, sub-oscillator,
// noise, key follow, filter LFO, both chorus modes). Items processed are
// frames, so "items_per_second" / 44100 is the real-time factor.
#include "engine/SynthEngine.h"
#include "core/FactoryBank.h"

#include <benchmark/benchmark.h>

namespace {

void loadStartup(SynthEngine& engine)
{
    const ProgramRecord& startup = factoryBank()[0];
    for (int i = 0; i < kNumParameters; ++i)
        engine.parameterBlock.set(i, startup.parameter[i]);
}

void loadHeavy(SynthEngine& engine)
{
    loadStartup(engine);
    auto& p = engine.parameterBlock;
    p.set(kParamSaw, 1.0f);
    p.set(kParamPulse, 1.0f);
    p.set(kParamPwIntensity, 0.7f);
    p.set(kParamSubOsc, 1.0f);
    p.set(kParamSubOscVolume, 0.5f);
    p.set(kParamNoiseVolume, 0.2f);
    p.set(kParamKeyFollow, 0.7f);
    p.set(kParamFilterLfo, 0.5f);
    p.set(kParamLfoRate, 0.5f);
    p.set(kParamCutoff, 0.6f);
    p.set(kParamResonance, 0.5f);
    p.set(kParamContour, 0.8f);
    p.set(kParamEnvGate, 0.0f);
    p.set(kParamSustain, 0.8f);
    p.set(kParamDecay, 0.5f);
    p.set(kParamSharedFilter, 0.0f);
    p.set(kParamChorus1, 1.0f);
    p.set(kParamChorus2, 1.0f);
}

void run(benchmark::State& state, bool heavy, int voices)
{
    SynthEngine engine(44100.0f);
    if (heavy)
        loadHeavy(engine);
    else
        loadStartup(engine);
    const int notes[] = {48, 52, 55, 60, 64, 67};
    if (voices == 1)
        engine.noteOn(57, 0.8f);
    else
        for (int i = 0; i < voices; ++i)
            engine.noteOn(notes[i], 0.8f);
    float l = 0.0f, r = 0.0f;
    for (int i = 0; i < 4410; ++i)
        engine.renderSample(l, r);
    for (auto _ : state) {
        for (int i = 0; i < 1024; ++i) {
            engine.renderSample(l, r);
            benchmark::DoNotOptimize(l);
            benchmark::DoNotOptimize(r);
        }
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * 1024);
    state.counters["time_per_frame"] = benchmark::Counter(double(state.iterations()) * 1024.0,
                                                    benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["realtime_x"] = benchmark::Counter(double(state.iterations()) * 1024.0 / 44100.0,
                                                      benchmark::Counter::kIsRate);
}

} // namespace

BENCHMARK_CAPTURE(run, Startup_W0, false, 0);
BENCHMARK_CAPTURE(run, Startup_W1, false, 1);
BENCHMARK_CAPTURE(run, Startup_W6, false, 6);
BENCHMARK_CAPTURE(run, Heavy_W0, true, 0);
BENCHMARK_CAPTURE(run, Heavy_W1, true, 1);
BENCHMARK_CAPTURE(run, Heavy_W6, true, 6);

BENCHMARK_MAIN();
