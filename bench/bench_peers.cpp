// bench_peers: VEMO's CPU cost beside a peer synthesizer, both hosted the
// same way in the same run.
//
//   bench_peers [--vemo MODULE] [--peer MODULE] [--rounds N] [--seconds S]
//               [--only vemo|peer] [--workload NAME] [--block N] [--instances N]
//
// Each module is loaded with dlopen, opened, set to 44100 Hz and blocks of
// 256 frames (--block N for others), and played through its VST 2.x interface: note-ons of C3 E3
// G3 C4 E4 G4 (MIDI 48 52 55 60 64 67) with velocity 100, as many as the
// workload names, held. After a second of warm-up the harness renders S
// seconds and measures the thread's CPU time for the processReplacing calls
// alone (events are sent before each block and not counted). The rounds
// alternate the modules, so both see the same load from the rest of the
// machine; medians over the rounds are reported, with the ratio
// VEMO / peer.
//
// Workloads: P0-W0, P0-W1, P0-W6 (VEMO's program 0 "Startup", the peer's
// start-up patch; each take starts from the parameter values the module
// had when it was loaded), Heavy-W1, Heavy-W6 (VEMO: saw, LFO-swept pulse,
// sub-oscillator, noise, key follow 0.7, filter LFO 0.5, resonance 0.5 and
// both chorus modes on every voice's own filter; the peer plays its start-up
// patch), and P0-N1..N6 and Heavy-N1..N6 for the cost per added voice.
//
// --instances N (N >= 2): N instances of each module, as a host runs
// several tracks on several cores. Per round and module, each instance
// renders its take alone on its own thread, pinned to core i; then all N
// render their takes at once, thread i pinned to core i (a barrier starts
// them together). Reported: the medians of the cost per instance alone and
// together, and together / alone, for both modules. What instances share
// (a cache line one of them writes, a lock) shows as a ratio above 1.
//
// Under valgrind --tool=callgrind --collect-atstart=no the measured blocks
// alone are collected, giving instruction counts that do not depend on the
// machine's load (use --rounds 1 --seconds 1 --only ... --workload ...).
#include "vst/aeffect.h"

#include <algorithm>
#include <array>
#include <barrier>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dlfcn.h>
#include <filesystem>
#include <pthread.h>
#include <sched.h>
#include <string>
#include <thread>
#include <vector>

#if __has_include(<valgrind/callgrind.h>)
#include <valgrind/callgrind.h>
#else
#define CALLGRIND_START_INSTRUMENTATION
#define CALLGRIND_STOP_INSTRUMENTATION
#define CALLGRIND_TOGGLE_COLLECT
#endif

namespace {

constexpr float kRate = 44100.0f;
int32_t kBlock = 256; // frames per block (--block)
const int kNotes[6] = {48, 52, 55, 60, 64, 67};

VstTimeInfo timeInfo{};

intptr_t hostCallback(AEffect*, int32_t opcode, int32_t, intptr_t, void* ptr, float)
{
    switch (opcode) {
    case audioMasterVersion: return 2400;
    case audioMasterGetTime: return intptr_t(&timeInfo);
    case audioMasterGetSampleRate: return intptr_t(kRate);
    case audioMasterGetBlockSize: return kBlock;
    case audioMasterGetVendorString: std::strcpy(static_cast<char*>(ptr), "bench"); return 1;
    case audioMasterGetProductString: std::strcpy(static_cast<char*>(ptr), "bench_peers"); return 1;
    case audioMasterCanDo: return 0;
    default: return 0;
    }
}

double threadSeconds()
{
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

struct Workload {
    std::string name;
    bool heavy;
    int voices;
};

// The heavy patch, by VEMO's parameter index.
const std::pair<int, float> kHeavy[] = {
    {3, 1.0f},   // SAW
    {7, 1.0f},   // pulse
    {9, 0.7f},   // SQUAREPWINTENSITY (LFO-swept width)
    {4, 1.0f},   // SUBOSC
    {5, 0.5f},   // SUBOSCVOLUME
    {6, 0.2f},   // NOISEVOLUME
    {17, 0.7f},  // KEYFOLLOW
    {16, 0.5f},  // FILTERLFO
    {24, 0.5f},  // LFO1RATE
    {12, 0.6f},  // CUTOFF
    {13, 0.5f},  // RESONANCE
    {15, 0.8f},  // FILTERCONTOUR
    {18, 0.0f},  // ENVGATE off: the ADSR drives the amplifier
    {22, 0.8f},  // AMPSUSTAIN
    {21, 0.5f},  // AMPDECAY
    {38, 0.0f},  // every voice's own filter
    {34, 1.0f},  // CHORUS1
    {35, 1.0f},  // CHORUS2
};

class Plugin {
public:
    Plugin(const std::string& path, bool isVemo) : isVemo(isVemo)
    {
        module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!module) {
            std::fprintf(stderr, "cannot load %s: %s\n", path.c_str(), dlerror());
            std::exit(2);
        }
        auto entry = reinterpret_cast<VstPluginMainProc>(dlsym(module, "VSTPluginMain"));
        if (!entry)
            entry = reinterpret_cast<VstPluginMainProc>(dlsym(module, "main"));
        effect = entry ? entry(hostCallback) : nullptr;
        if (!effect || effect->magic != kEffectMagic) {
            std::fprintf(stderr, "%s: no VST 2.x plug-in\n", path.c_str());
            std::exit(2);
        }
        dispatch(effOpen);
        dispatch(effSetSampleRate, 0, 0, kRate);
        dispatch(effSetBlockSize, 0, kBlock);
        dispatch(effMainsChanged, 0, 1);
        dispatch(effStartProcess);
        left.assign(kBlock, 0.0f);
        right.assign(kBlock, 0.0f);
        // The sound the module starts with, restored before every take
        // (a parameter change may also rewrite the current program).
        for (int32_t i = 0; i < effect->numParams; ++i)
            initial.push_back(effect->getParameter(effect, i));
    }
    ~Plugin()
    {
        dispatch(effStopProcess);
        dispatch(effMainsChanged, 0, 0);
        dispatch(effClose);
        dlclose(module);
    }

    intptr_t dispatch(int32_t op, int32_t index = 0, intptr_t value = 0, float opt = 0.0f,
                      void* ptr = nullptr)
    {
        return effect->dispatcher(effect, op, index, value, ptr, opt);
    }

    void setUp(const Workload& w)
    {
        // A fresh sound for each take: all notes off, program 0 again.
        pending = {{0xB0, 123, 0}};
        renderBlocks(int(kRate) / kBlock / 2, false);
        for (int32_t i = 0; i < int32_t(initial.size()); ++i)
            effect->setParameter(effect, i, initial[size_t(i)]);
        if (isVemo && w.heavy)
            for (auto [index, value] : kHeavy)
                effect->setParameter(effect, index, value);
        for (int i = 0; i < w.voices; ++i)
            pending.push_back({0x90, uint8_t(kNotes[i]), 100});
        renderBlocks(int(kRate) / kBlock, false); // attacks settle
    }

    // Renders `blocks` blocks; returns the CPU seconds spent in them.
    double renderBlocks(int blocks, bool measure)
    {
        float* outputs[2] = {left.data(), right.data()};
        float* inputs[2] = {nullptr, nullptr};
        double spent = 0.0;
        for (int b = 0; b < blocks; ++b) {
            // Hosts send an event list before every block, empty or not; a
            // plug-in may keep only the latest list for its next block.
            sendMidi(pending);
            pending.clear();
            const double start = threadSeconds();
            if (measure)
                CALLGRIND_TOGGLE_COLLECT;
            effect->processReplacing(effect, inputs, outputs, kBlock);
            if (measure)
                CALLGRIND_TOGGLE_COLLECT;
            spent += threadSeconds() - start;
            sink = sink + left[0] + right[kBlock - 1];
        }
        return spent;
    }

    void sendMidi(const std::vector<std::array<uint8_t, 3>>& messages)
    {
        std::vector<VstMidiEvent> events(messages.size());
        std::vector<VstEvent*> pointers;
        for (size_t i = 0; i < messages.size(); ++i) {
            VstMidiEvent& e = events[i];
            e = VstMidiEvent{};
            e.type = kVstMidiType;
            e.byteSize = sizeof(VstMidiEvent);
            for (int k = 0; k < 3; ++k)
                e.midiData[k] = char(messages[i][size_t(k)]);
            pointers.push_back(reinterpret_cast<VstEvent*>(&e));
        }
        std::vector<char> buffer(sizeof(VstEvents) + pointers.size() * sizeof(VstEvent*));
        auto* list = reinterpret_cast<VstEvents*>(buffer.data());
        list->numEvents = int32_t(pointers.size());
        list->reserved = 0;
        std::memcpy(list->events, pointers.data(), pointers.size() * sizeof(VstEvent*));
        dispatch(effProcessEvents, 0, 0, 0.0f, list);
    }

    bool isVemo;
    void* module = nullptr;
    AEffect* effect = nullptr;
    std::vector<float> left, right;
    std::vector<float> initial;
    std::vector<std::array<uint8_t, 3>> pending; // MIDI for the next block
    volatile float sink = 0.0f; // keeps the renders from being optimised away
};

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n == 0 ? 0.0 : (n % 2 ? v[n / 2] : 0.5 * (v[n / 2 - 1] + v[n / 2]));
}

std::string cpuFeatures()
{
#if defined(__x86_64__)
    std::string f;
    __builtin_cpu_init();
    if (__builtin_cpu_supports("sse4.2"))
        f += " sse4.2";
    if (__builtin_cpu_supports("avx2"))
        f += " avx2";
    if (__builtin_cpu_supports("fma"))
        f += " fma";
    if (__builtin_cpu_supports("avx512f"))
        f += " avx512f";
    return f.empty() ? " sse2" : f;
#elif defined(__aarch64__)
    return " neon"; // GCC has no run-time feature query on aarch64; NEON is always there
#else
    return " plain";
#endif
}

// Keeps the calling thread on one core (modulo the cores there are).
void pinToCore(int core)
{
    cpu_set_t set;
    CPU_ZERO(&set);
    CPU_SET(core % std::max(1, int(std::thread::hardware_concurrency())), &set);
    pthread_setaffinity_np(pthread_self(), sizeof set, &set);
}

// The --instances comparison: `instances` of one module, alone and together.
void compareInstances(const std::vector<Plugin*>& instances, const Workload& w, int blocks, double frames,
                      std::vector<double>& alone, std::vector<double>& together)
{
    for (size_t i = 0; i < instances.size(); ++i) {
        std::thread([&, i] {
            pinToCore(int(i));
            instances[i]->setUp(w);
            alone.push_back(instances[i]->renderBlocks(blocks, true) * 1e9 / frames);
        }).join();
    }
    std::barrier start(std::ptrdiff_t(instances.size()));
    std::vector<double> cost(instances.size());
    std::vector<std::thread> threads;
    for (size_t i = 0; i < instances.size(); ++i)
        threads.emplace_back([&, i] {
            pinToCore(int(i));
            instances[i]->setUp(w);
            start.arrive_and_wait();
            cost[i] = instances[i]->renderBlocks(blocks, true) * 1e9 / frames;
        });
    for (auto& t : threads)
        t.join();
    together.insert(together.end(), cost.begin(), cost.end());
}

} // namespace

int main(int argc, char** argv)
{
    std::string vemoPath = VEMO_BENCH_MODULE;
    std::string peerPath = "/usr/lib/vst/amsynth_vst.so";
    int rounds = 7;
    int instances = 1;
    double seconds = 2.0;
    std::string only, onlyWorkload;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string key = argv[i], value = argv[i + 1];
        if (key == "--vemo")
            vemoPath = value;
        else if (key == "--peer")
            peerPath = value;
        else if (key == "--rounds")
            rounds = std::max(1, std::atoi(value.c_str()));
        else if (key == "--seconds")
            seconds = std::max(0.1, std::atof(value.c_str()));
        else if (key == "--only")
            only = value;
        else if (key == "--workload")
            onlyWorkload = value;
        else if (key == "--instances")
            instances = std::clamp(std::atoi(value.c_str()), 1, 64);
        else if (key == "--block")
            kBlock = std::clamp(std::atoi(value.c_str()), 1, 8192);
        else {
            std::fprintf(stderr, "unknown option %s\n", key.c_str());
            return 2;
        }
    }

    std::vector<Workload> workloads = {{"P0-W0", false, 0}, {"P0-W1", false, 1}, {"P0-W6", false, 6},
                                       {"Heavy-W1", true, 1}, {"Heavy-W6", true, 6}};
    for (int n = 1; n <= 6; ++n)
        workloads.push_back({"Heavy-N" + std::to_string(n), true, n});
    for (int n = 1; n <= 6; ++n)
        workloads.push_back({"P0-N" + std::to_string(n), false, n});
    if (!onlyWorkload.empty())
        workloads.erase(std::remove_if(workloads.begin(), workloads.end(),
                                       [&](const Workload& w) { return w.name != onlyWorkload; }),
                        workloads.end());

    timeInfo.sampleRate = kRate;
    timeInfo.tempo = 120.0;
    timeInfo.flags = kVstTempoValid | kVstPpqPosValid | kVstTransportPlaying;

    // The peer keeps its settings and banks under the user's data folder and
    // gives up when it cannot create one: give it a fresh one of its own.
    char scratch[] = "/tmp/bench_peers.XXXXXX";
    if (!mkdtemp(scratch)) {
        std::perror("mkdtemp");
        return 2;
    }
    setenv("XDG_DATA_HOME", scratch, 1);
    setenv("XDG_CONFIG_HOME", scratch, 1);

    std::vector<Plugin*> plugins;
    if (only != "peer")
        plugins.push_back(new Plugin(vemoPath, true));
    if (only != "vemo")
        plugins.push_back(new Plugin(peerPath, false));

    const int blocks = int(seconds * kRate / kBlock);
    const double frames = double(blocks) * kBlock;
    if (instances > 1) {
        // Every module's N instances; plugins[k] is instance 0 of module k.
        std::vector<std::vector<Plugin*>> sets;
        for (Plugin* p : plugins) {
            sets.push_back({p});
            for (int i = 1; i < instances; ++i)
                sets.back().push_back(new Plugin(p->isVemo ? vemoPath : peerPath, p->isVemo));
        }
        std::printf("bench_peers: %d instances, one thread each on cores 0..%d; %d rounds of %.1f s per "
                    "take, 44100 Hz, blocks of %d; CPU:%s\n",
                    instances, instances - 1, rounds, seconds, kBlock, cpuFeatures().c_str());
        std::printf("VEMO: %s\npeer: %s\n", vemoPath.c_str(), peerPath.c_str());
        std::printf("%-10s %11s %11s %7s %11s %11s %7s\n", "workload", "VEMO alone", "together", "ratio",
                    "peer alone", "together", "ratio");
        for (const Workload& w : workloads) {
            std::vector<double> alone[2], together[2];
            for (int r = 0; r < rounds; ++r)
                for (size_t k = 0; k < sets.size(); ++k) {
                    const auto& set = sets[(k + size_t(r)) % sets.size()];
                    const int m = set[0]->isVemo ? 0 : 1;
                    compareInstances(set, w, blocks, frames, alone[m], together[m]);
                }
            double a[2], t[2];
            for (int m = 0; m < 2; ++m) {
                a[m] = median(alone[m]);
                t[m] = median(together[m]);
            }
            std::printf("%-10s %11.1f %11.1f %7.2f %11.1f %11.1f %7.2f\n", w.name.c_str(), a[0], t[0],
                        a[0] > 0.0 ? t[0] / a[0] : 0.0, a[1], t[1], a[1] > 0.0 ? t[1] / a[1] : 0.0);
            std::fflush(stdout);
        }
        for (auto& set : sets)
            for (size_t i = 1; i < set.size(); ++i)
                delete set[i];
    } else {
        std::printf("bench_peers: %d rounds of %.1f s of audio per take, 44100 Hz, blocks of %d; CPU:%s\n",
                    rounds, seconds, kBlock, cpuFeatures().c_str());
        std::printf("VEMO: %s\npeer: %s\n", vemoPath.c_str(), peerPath.c_str());
        std::printf("%-10s %12s %10s %12s %10s %8s\n", "workload", "VEMO ns/fr", "VEMO RT", "peer ns/fr",
                    "peer RT", "ratio");
        for (const Workload& w : workloads) {
            std::vector<double> cost[2];
            for (int r = 0; r < rounds; ++r) {
                for (size_t p = 0; p < plugins.size(); ++p) {
                    // Alternate which module goes first, too.
                    Plugin* plugin = plugins[(p + size_t(r)) % plugins.size()];
                    plugin->setUp(w);
                    const double ns = plugin->renderBlocks(blocks, true) * 1e9 / frames;
                    cost[plugin->isVemo ? 0 : 1].push_back(ns);
                }
            }
            const double v = median(cost[0]), q = median(cost[1]);
            auto rt = [](double ns) { return ns > 0.0 ? 1e9 / (ns * kRate) : 0.0; };
            std::printf("%-10s %12.1f %10.0f %12.1f %10.0f %8.2f\n", w.name.c_str(), v, rt(v), q, rt(q),
                        q > 0.0 && v > 0.0 ? v / q : 0.0);
            std::fflush(stdout);
        }
    }
    for (Plugin* p : plugins)
        delete p;
    std::error_code ignored;
    std::filesystem::remove_all(scratch, ignored);
    return 0;
}
