// vemo-hostcheck: a small VST 2.x host that loads the VEMO module the way
// hosts do (LoadLibrary/GetProcAddress on Windows, dlopen/dlsym on Linux) and
// checks it from outside, through the AEffect record only.
//
//   vemo-hostcheck reference MODULE DIR   writes what MODULE answers, its
//                                         chunks and the render of a fixed
//                                         MIDI sequence into DIR
//   vemo-hostcheck check MODULE DIR       checks MODULE and compares it with
//                                         the reference in DIR; on Windows it
//                                         also drives the editor in a real
//                                         window and compares a screenshot
//                                         with DIR/editor.rgb
//   vemo-hostcheck png2raw IN.png OUT.rgb (Linux) PNG -> raw 8-bit RGB rows
//   vemo-hostcheck clap-render MODULE FILE the CLAP module's render of a fixed
//                                         score (clapcheck.cpp)
//   vemo-hostcheck vst3-render MODULE FILE the VST 3 module's render of a fixed
//                                         score (vst3check.cpp)
//   vemo-hostcheck vst3-editor MODULE     (Windows) the VST 3 view in a real
//                                         window (vst3check.cpp)
//
// The reference and the check run the same calls in the same order from a
// fresh process, so the process-wide random source of the module is in the
// same state when the fixed sequence is rendered: the two renders must agree
// bit for bit. The last line of a check is "N passed, M failed".
#include "support/Signal.h"
#include "support/TestHost.h"
#include "vst/aeffect.h"

#include <algorithm>
#include <cinttypes>
#include <cstdarg>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <objbase.h>
#else
#include <dlfcn.h>
#endif

#ifdef VEMO_HOSTCHECK_PNG
#include <png.h>
#endif

namespace {

// ------------------------------------------------------------------ results

int passed = 0;
int failed = 0;

bool check(bool ok, const std::string& name, const std::string& detail = {})
{
    if (ok)
        ++passed;
    else
        ++failed;
    std::printf("%s %s%s%s\n", ok ? "ok  " : "FAIL", name.c_str(), (!ok && !detail.empty()) ? ": " : "",
                ok ? "" : detail.c_str());
    std::fflush(stdout);
    return ok;
}

std::string format(const char* fmt, ...) __attribute__((format(gnu_printf, 1, 2)));
std::string format(const char* fmt, ...)
{
    char buffer[512];
    va_list args;
    va_start(args, fmt);
    std::vsnprintf(buffer, sizeof buffer, fmt, args);
    va_end(args);
    return buffer;
}

uint32_t bitsOf(float f)
{
    uint32_t u;
    std::memcpy(&u, &f, 4);
    return u;
}

// ------------------------------------------------------------------ files

bool writeFile(const std::string& path, const void* data, size_t size)
{
    std::ofstream out(path, std::ios::binary);
    out.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
    return bool(out);
}

bool readFile(const std::string& path, std::vector<uint8_t>& data)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    data.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        out.push_back(line);
    }
    return out;
}

// ------------------------------------------------------------------ host

using Module = vemotest::HostModule;
using Call = vemotest::HostCall;

// One plug-in instance behind the one test host (tests/support/TestHost.h),
// as this check drives it: the host says 48 kHz, the log leaves out the time
// queries and host idles, and blocks without events get no event list.
class Host : public vemotest::TestHost {
public:
    explicit Host(VstPluginMainProc entry, intptr_t versionAnswer = 2400) : TestHost(entry, versionAnswer)
    {
        leaveOutOfLog = [](int32_t opcode) { return opcode == audioMasterGetTime || opcode == audioMasterIdle; };
        timeInfo.sampleRate = 48000.0;
        timeInfo.flags = kVstTempoValid | kVstPpqPosValid | kVstTransportPlaying;
        hostSampleRate = 48000.0f;
    }

    std::string text(int32_t opcode, int32_t index = 0)
    {
        char buffer[256] = {};
        dispatch(opcode, index, 0, buffer);
        buffer[sizeof buffer - 1] = 0;
        return buffer;
    }

    // Renders `frames` frames in blocks of the given sizes (cycled), sending
    // each event (deltaFrames = absolute frame) with the block it falls in.
    void render(std::vector<float>& left, std::vector<float>& right, int32_t frames,
                const std::vector<int32_t>& blocks, const std::vector<VstMidiEvent>& events)
    {
        renderBlocks(left, right, frames, blocks, events, false);
    }

    int count(int32_t opcode) const { return static_cast<int>(countCalls(opcode)); }
};

VstPluginMainProc entryOf(const Module& module) { return module.entryPoint(); }

// ------------------------------------------------------------ what is compared

// Everything a host can ask of a freshly made instance, as text: the AEffect
// fields, identity and capabilities, every parameter of program 0 (value bits,
// name, label, display), every program name, and program 5's values.
std::string answersOf(Host& h)
{
    std::string out;
    const AEffect* e = h.effect;
    out += format("aeffect magic=%08x flags=%x programs=%d params=%d inputs=%d outputs=%d delay=%d "
                  "ioRatio=%08x uniqueID=%08x version=%d\n",
                  static_cast<unsigned>(e->magic), static_cast<unsigned>(e->flags), e->numPrograms,
                  e->numParams, e->numInputs, e->numOutputs, e->initialDelay, bitsOf(e->ioRatio),
                  static_cast<unsigned>(e->uniqueID), e->version);
    out += format("wantMidi during construction=%d\n", h.count(audioMasterWantMidi));
    out += "effectName=" + h.text(effGetEffectName) + "\n";
    out += "vendor=" + h.text(effGetVendorString) + "\n";
    out += "product=" + h.text(effGetProductString) + "\n";
    out += format("vendorVersion=%d vstVersion=%d category=%d\n",
                  static_cast<int>(h.dispatch(effGetVendorVersion)),
                  static_cast<int>(h.dispatch(effGetVstVersion)),
                  static_cast<int>(h.dispatch(effGetPlugCategory)));
    for (const char* cap : {"receiveVstEvents", "receiveVstMidiEvent", "receiveVstMidiEvents",
                            "receiveVstTimeInfo", "sendVstMidiEvent", "offline", "bypass"}) {
        char buffer[64];
        std::snprintf(buffer, sizeof buffer, "%s", cap);
        out += format("canDo %s=%d\n", cap, static_cast<int>(h.dispatch(effCanDo, 0, 0, buffer)));
    }
    ERect* rect = nullptr;
    const intptr_t gotRect = h.dispatch(effEditGetRect, 0, 0, &rect);
    if (gotRect != 0 && rect != nullptr)
        out += format("editRect=%d %d %d %d\n", rect->top, rect->left, rect->bottom, rect->right);
    else
        out += "editRect=none\n";
    out += format("program=%d\n", static_cast<int>(h.dispatch(effGetProgram)));
    for (int32_t i = 0; i < 47; ++i)
        out += format("param %d %08x name=%s label=%s display=%s automatable=%d\n", i,
                      bitsOf(h.getParameter(i)), h.text(effGetParamName, i).c_str(),
                      h.text(effGetParamLabel, i).c_str(), h.text(effGetParamDisplay, i).c_str(),
                      static_cast<int>(h.dispatch(effCanBeAutomated, i)));
    for (int32_t p = 0; p < 120; ++p) {
        char name[64] = {};
        h.dispatch(effGetProgramNameIndexed, p, 0, name);
        out += format("programName %d=%s\n", p, name);
    }
    h.dispatch(effSetProgram, 0, 5);
    out += format("after setProgram 5: program=%d name=%s\n", static_cast<int>(h.dispatch(effGetProgram)),
                  h.text(effGetProgramName).c_str());
    for (int32_t i = 0; i < 47; ++i)
        out += format("program5 param %d %08x display=%s\n", i, bitsOf(h.getParameter(i)),
                      h.text(effGetParamDisplay, i).c_str());
    h.dispatch(effSetProgram, 0, 0);
    return out;
}

struct Scenario {
    std::vector<float> audio; // left and right, interleaved
    std::vector<uint8_t> bank;
    std::vector<uint8_t> program;
};

constexpr int32_t kScenarioFrames = 96000; // 2 s at 48 kHz
constexpr int32_t kSweepSteps = 96;         // then 96 x 1024 frames at 44.1 kHz

// A fixed performance touching every random and stateful part of the sound:
// noise, the noise LFO, resonance, chorus, pitch bend, overlapping notes,
// a program change, all-notes-off; odd block sizes. Then the chunks.
Scenario runScenario(Host& h)
{
    h.dispatch(effOpen);
    h.dispatch(effSetSampleRate, 0, 0, nullptr, 48000.f);
    h.dispatch(effSetBlockSize, 0, 512);
    h.dispatch(effMainsChanged, 0, 1);
    h.dispatch(effSetProgram, 0, 7);
    h.setParameter(6, 0.3f);  // noise
    h.setParameter(13, 0.6f); // resonance
    h.setParameter(16, 0.3f); // filter LFO
    h.setParameter(24, 0.5f); // LFO rate
    h.setParameter(27, 4.f);  // LFO wave: noise
    h.setParameter(34, 1.f);  // chorus 1
    const std::vector<VstMidiEvent> events = {
        Host::midi(0, 0x90, 48, 100),     Host::midi(1200, 0x90, 55, 90),
        Host::midi(2400, 0x90, 60, 80),   Host::midi(2401, 0x90, 64, 70),
        Host::midi(9000, 0xE0, 0x10, 0x48), Host::midi(15000, 0x80, 55, 0),
        Host::midi(20000, 0x90, 67, 127), Host::midi(30000, 0xE0, 0x00, 0x40),
        Host::midi(36000, 0xC0, 12, 0),   Host::midi(40000, 0x90, 72, 100),
        Host::midi(50000, 0x80, 48, 0),   Host::midi(50000, 0x80, 60, 0),
        Host::midi(50001, 0x80, 64, 0),   Host::midi(50002, 0x80, 67, 0),
        Host::midi(60000, 0x90, 45, 60),  Host::midi(70000, 0x80, 45, 0),
        Host::midi(80000, 0x90, 57, 110), Host::midi(90000, 0xB0, 123, 0),
    };
    std::vector<float> left, right;
    Scenario s;
    auto keep = [&] {
        for (size_t i = 0; i < left.size(); ++i) {
            s.audio.push_back(left[i]);
            s.audio.push_back(right[i]);
        }
    };
    h.render(left, right, kScenarioFrames, {512, 333, 64, 1, 200, 17, 512}, events);
    keep();

    // Then at another rate, the whole sound swept by host automation: each
    // step sets every parameter with a control to a new value (the menus to
    // an entry) and plays a bent note, so pitch, key follow, envelope, LFO
    // sync and filter arithmetic meet many different values.
    h.dispatch(effMainsChanged, 0, 0);
    h.dispatch(effSetSampleRate, 0, 0, nullptr, 44100.f);
    h.dispatch(effMainsChanged, 0, 1);
    for (int32_t step = 0; step < kSweepSteps; ++step) {
        for (int32_t k = 1; k <= 38; ++k) {
            if (k == 30 || k == 37)
                continue;
            float v = std::fmod(0.6180339f * float(step + 1) + 0.3772f * float(k), 1.f);
            if (k == 27)
                v = float((step + k) % 5);
            else if (k == 28)
                v = float((step + k) % 13);
            h.setParameter(k, v);
        }
        const uint8_t note = static_cast<uint8_t>(24 + (step * 7) % 80);
        h.render(left, right, 1024, {256, 100},
                 {Host::midi(0, 0x90, note, static_cast<uint8_t>(1 + step % 127)),
                  Host::midi(300, 0xE0, 0, static_cast<uint8_t>((step * 13) % 128)),
                  Host::midi(900, 0x80, note, 0)});
        keep();
    }
    char name[] = "Cross-platform";
    h.dispatch(effSetProgramName, 0, 0, name);
    h.setParameter(12, 0.4321f);
    for (int index : {0, 1}) {
        void* data = nullptr;
        const intptr_t size = h.dispatch(effGetChunk, index, 0, &data);
        std::vector<uint8_t>& out = index == 0 ? s.bank : s.program;
        if (data != nullptr && size > 0)
            out.assign(static_cast<const uint8_t*>(data), static_cast<const uint8_t*>(data) + size);
    }
    return s;
}

// The editor's picture comes from vemo-screenshot, which takes the
// parameters as --set arguments: program 0's values, as this module has them.
std::string screenshotArgs(Host& h)
{
    std::string out;
    for (int32_t i = 0; i < 47; ++i)
        out += format("--set %d=%.9g\n", i, static_cast<double>(h.getParameter(i)));
    return out;
}

// ------------------------------------------------------------------ modes

int writeReference(const std::string& modulePath, const std::string& dir)
{
    Module module;
    if (!module.open(modulePath)) {
        std::fprintf(stderr, "cannot load %s\n", modulePath.c_str());
        return 1;
    }
    Host h(entryOf(module));
    if (h.effect == nullptr) {
        std::fprintf(stderr, "no plug-in from %s\n", modulePath.c_str());
        return 1;
    }
    const std::string answers = answersOf(h);
    const std::string args = screenshotArgs(h);
    const Scenario s = runScenario(h);
    h.close();
    module.close();
    const bool ok = writeFile(dir + "/answers.txt", answers.data(), answers.size()) &&
                    writeFile(dir + "/editor-args.txt", args.data(), args.size()) &&
                    writeFile(dir + "/render.f32", s.audio.data(), s.audio.size() * sizeof(float)) &&
                    writeFile(dir + "/bank.chunk", s.bank.data(), s.bank.size()) &&
                    writeFile(dir + "/program.chunk", s.program.data(), s.program.size());
    if (!ok) {
        std::fprintf(stderr, "cannot write the reference into %s\n", dir.c_str());
        return 1;
    }
    std::printf("reference written to %s (%zu frames)\n", dir.c_str(), s.audio.size() / 2);
    return 0;
}

void compareAnswers(const std::string& got, const std::string& dir)
{
    std::vector<uint8_t> file;
    if (!check(readFile(dir + "/answers.txt", file), "reference answers are readable"))
        return;
    const auto want = lines(std::string(file.begin(), file.end()));
    const auto have = lines(got);
    size_t differing = 0;
    std::string first;
    for (size_t i = 0; i < std::max(want.size(), have.size()); ++i) {
        const std::string a = i < want.size() ? want[i] : "<missing>";
        const std::string b = i < have.size() ? have[i] : "<missing>";
        if (a != b && differing++ == 0)
            first = "line " + std::to_string(i + 1) + ": reference \"" + a + "\", here \"" + b + "\"";
    }
    check(differing == 0, "dispatcher answers, parameters and programs equal the reference (" +
                              std::to_string(have.size()) + " lines)",
          std::to_string(differing) + " lines differ; first " + first);
}

void compareRender(const std::vector<float>& got, const std::string& dir)
{
    std::vector<uint8_t> file;
    if (!check(readFile(dir + "/render.f32", file), "reference render is readable"))
        return;
    std::vector<float> want(file.size() / sizeof(float));
    std::memcpy(want.data(), file.data(), want.size() * sizeof(float));
    if (!check(want.size() == got.size(), "render has the reference's length",
               format("%zu samples here, %zu in the reference", got.size(), want.size())))
        return;
    size_t differing = 0;
    size_t first = 0;
    double maxDiff = 0.0;
    for (size_t i = 0; i < got.size(); ++i) {
        if (bitsOf(got[i]) != bitsOf(want[i])) {
            if (differing++ == 0)
                first = i;
            maxDiff = std::max(maxDiff, std::fabs(double(got[i]) - double(want[i])));
        }
    }
    check(differing == 0,
          format("render of the fixed MIDI sequence equals the reference sample for sample (%zu frames)",
                 got.size() / 2),
          format("%zu samples differ, first at frame %zu (%s), largest difference %.3g", differing,
                 first / 2, first % 2 ? "right" : "left", maxDiff));
    double energy = 0.0;
    for (float x : got)
        energy += double(x) * double(x);
    check(std::isfinite(energy) && energy > 1.0, "the fixed sequence is audible and finite",
          format("energy %g", energy));
}

void compareBytes(const std::vector<uint8_t>& got, const std::string& path, const std::string& name)
{
    std::vector<uint8_t> want;
    if (!check(readFile(path, want), name + ": reference is readable"))
        return;
    size_t first = 0;
    while (first < std::min(got.size(), want.size()) && got[first] == want[first])
        ++first;
    check(got == want, name, format("%zu bytes here, %zu in the reference, first difference at byte %zu",
                                    got.size(), want.size(), first));
}

#ifdef _WIN32
void checkEditor(const Module& module, VstPluginMainProc entry, const std::string& dir);
#endif

int runChecks(const std::string& modulePath, const std::string& dir)
{
    Module module;
    if (!check(module.open(modulePath), "module loads", modulePath))
        return 1;
    const VstPluginMainProc entry = reinterpret_cast<VstPluginMainProc>(module.symbol("VSTPluginMain"));
    check(entry != nullptr, "VSTPluginMain is exported");
    if (entry == nullptr)
        return 1;

    // Same calls in the same order as writeReference, before anything else
    // makes sound in this process.
    {
        Host h(entry);
        if (!check(h.effect != nullptr, "VSTPluginMain gives a plug-in"))
            return 1;
        const AEffect* e = h.effect;
        check(e->magic == kEffectMagic && e->flags == 0x131 && e->numInputs == 0 &&
                  e->numOutputs == 2 && e->numParams == 47 && e->numPrograms == 120 &&
                  e->uniqueID == 0x38383235 && e->version == 1 && e->processReplacing != nullptr,
              "construction state: magic, flags 0x131, 0 in / 2 out, 47 parameters, 120 programs, id '8825'",
              format("magic %08x flags %x in %d out %d params %d programs %d id %08x",
                     static_cast<unsigned>(e->magic), static_cast<unsigned>(e->flags), e->numInputs,
                     e->numOutputs, e->numParams, e->numPrograms, static_cast<unsigned>(e->uniqueID)));
        check(h.count(audioMasterWantMidi) == 1, "construction asks the host for MIDI once");
        check(h.dispatch(effGetProgram) == 0, "program 0 is current after construction");
        check(h.text(effGetEffectName) == "Ravelle - VEMO" && h.text(effGetVendorString) == "VEMO - Kestrune",
              "effect name and vendor strings");
        bool caps = true;
        for (const char* cap : {"receiveVstEvents", "receiveVstMidiEvent", "receiveVstMidiEvents",
                                "receiveVstTimeInfo"}) {
            char buffer[64];
            std::snprintf(buffer, sizeof buffer, "%s", cap);
            caps = caps && h.dispatch(effCanDo, 0, 0, buffer) == 1;
        }
        check(caps, "the four MIDI and time capabilities answer 1");
        ERect* rect = nullptr;
        check(h.dispatch(effEditGetRect, 0, 0, &rect) != 0 && rect != nullptr && rect->top == 0 &&
                  rect->left == 0 && rect->bottom == 350 && rect->right == 695,
              "effEditGetRect before any open gives 695 x 350");

        compareAnswers(answersOf(h), dir);
        screenshotArgs(h);
        const Scenario s = runScenario(h);
        compareRender(s.audio, dir);
        compareBytes(s.bank, dir + "/bank.chunk", "bank chunk equals the reference module's");
        compareBytes(s.program, dir + "/program.chunk", "program chunk equals the reference module's");
        check(s.bank.size() == 147840 && s.program.size() == 1232, "chunk sizes 147840 and 1232");
    }

    // Older hosts look up "main": it must make the same plug-in (on Windows
    // it is the very same entry, an alias in the export table).
    {
        const auto mainEntry = reinterpret_cast<VstPluginMainProc>(module.symbol("main"));
        bool same = mainEntry != nullptr;
#ifdef _WIN32
        same = same && reinterpret_cast<void*>(mainEntry) == reinterpret_cast<void*>(entry);
#endif
        bool works = false;
        if (mainEntry != nullptr) {
            Host h(mainEntry);
            works = h.effect != nullptr && h.effect->uniqueID == 0x38383235;
        }
        check(same && works, "main is exported as the same entry");
    }

    // A chunk saved by the reference module restores here.
    {
        Host h(entry);
        std::vector<uint8_t> bank;
        if (readFile(dir + "/bank.chunk", bank) && !bank.empty()) {
            check(h.dispatch(effSetChunk, 0, static_cast<intptr_t>(bank.size()), bank.data()) == 1,
                  "the reference bank chunk is accepted");
            void* data = nullptr;
            const intptr_t size = h.dispatch(effGetChunk, 0, 0, &data);
            check(size == static_cast<intptr_t>(bank.size()) && data != nullptr &&
                      std::memcmp(data, bank.data(), bank.size()) == 0,
                  "the restored bank is saved again byte for byte");
            char name[64] = {};
            h.dispatch(effGetProgramNameIndexed, 12, 0, name);
            h.dispatch(effSetProgram, 0, 12);
            check(std::string(name) == "Cross-platform" && h.getParameter(12) == 0.4321f,
                  "the restored bank holds the renamed program with its changed value",
                  format("name \"%s\", cutoff %g", name, double(h.getParameter(12))));
        }
    }

    // Programs.
    {
        Host h(entry);
        h.dispatch(effSetProgram, 0, 5);
        const bool five = h.dispatch(effGetProgram) == 5;
        h.dispatch(effSetProgram, 0, 500);
        h.dispatch(effSetProgram, 0, -1);
        check(five && h.dispatch(effGetProgram) == 5, "effSetProgram selects; out-of-range numbers are ignored");
        char name[] = "Renamed";
        h.dispatch(effSetProgramName, 0, 0, name);
        char indexed[64] = {};
        h.dispatch(effGetProgramNameIndexed, 5, 0, indexed);
        check(h.text(effGetProgramName) == "Renamed" && std::string(indexed) == "Renamed",
              "effSetProgramName renames the current program");
        check(h.dispatch(effGetProgramNameIndexed, 120, 0, indexed) == 0, "program 120 has no name");
    }

    // A note at the right pitch.
    {
        Host h(entry);
        h.dispatch(effSetSampleRate, 0, 0, nullptr, 44100.f);
        h.dispatch(effSetBlockSize, 0, 256);
        h.dispatch(effMainsChanged, 0, 1);
        h.dispatch(effSetProgram, 0, 119); // plain saw, filter open
        std::vector<float> left, right;
        h.timeInfo.sampleRate = 44100.0;
        h.render(left, right, 16384, {256}, {Host::midi(0, 0x90, 69, 100)});
        const double a4 = vemotest::estimatePitch(left, 44100.0, 4096, 16384);
        h.render(left, right, 16384, {256}, {Host::midi(0, 0x80, 69, 0), Host::midi(0, 0x90, 81, 100)});
        const double a5 = vemotest::estimatePitch(left, 44100.0, 4096, 16384);
        check(std::fabs(a4 - 440.0) < 1.0 && std::fabs(a5 - 880.0) < 2.0,
              "notes 69 and 81 sound at 440 and 880 Hz", format("measured %.2f and %.2f Hz", a4, a5));
        check(vemotest::allFinite(left) && vemotest::allFinite(right), "the note renders finite samples");
    }

    // The entry point refuses a host that does not answer the version query.
    {
        Host h(entry, 0);
        check(h.effect == nullptr, "a host answering 0 to audioMasterVersion gets no plug-in");
    }

#ifdef _WIN32
    checkEditor(module, entry, dir);
#endif
    module.close();
    return 0;
}

// ------------------------------------------------------------ Windows editor

#ifdef _WIN32

constexpr int32_t kWidth = 695;
constexpr int32_t kHeight = 350;
constexpr const char* kFrameClass = "VemoEditorFrame";

enum class Kind { Knob, Slider, Lever, Push, Learn, Switch, Menu };

struct Control {
    int32_t tag;
    Kind kind;
    RECT r;
};

// The 38 controls as the panel lays them out (creation order).
const Control kControls[] = {
    {1, Kind::Knob, {173, 258, 206, 291}},     {2, Kind::Knob, {128, 258, 161, 291}},
    {10, Kind::Slider, {368, 107, 392, 186}},  {9, Kind::Slider, {395, 107, 419, 186}},
    {8, Kind::Lever, {433, 119, 448, 149}},    {7, Kind::Push, {468, 111, 493, 151}},
    {3, Kind::Push, {491, 111, 516, 151}},     {4, Kind::Push, {514, 111, 539, 151}},
    {5, Kind::Slider, {561, 107, 585, 186}},   {6, Kind::Slider, {612, 107, 636, 186}},
    {11, Kind::Slider, {243, 248, 267, 327}},  {12, Kind::Slider, {284, 248, 308, 327}},
    {13, Kind::Slider, {311, 248, 335, 327}},  {14, Kind::Lever, {338, 269, 353, 299}},
    {15, Kind::Slider, {361, 248, 385, 327}},  {16, Kind::Slider, {388, 248, 412, 327}},
    {17, Kind::Slider, {415, 248, 439, 327}},  {18, Kind::Lever, {453, 269, 468, 299}},
    {19, Kind::Slider, {484, 248, 508, 327}},  {20, Kind::Slider, {530, 248, 554, 327}},
    {21, Kind::Slider, {557, 248, 581, 327}},  {22, Kind::Slider, {584, 248, 608, 327}},
    {23, Kind::Slider, {611, 248, 635, 327}},  {24, Kind::Slider, {243, 107, 267, 186}},
    {25, Kind::Slider, {270, 107, 294, 186}},  {26, Kind::Lever, {314, 119, 329, 149}},
    {27, Kind::Menu, {300, 169, 327, 182}},    {28, Kind::Menu, {329, 169, 356, 182}},
    {29, Kind::Slider, {62, 107, 86, 186}},    {36, Kind::Lever, {433, 155, 448, 185}},
    {38, Kind::Push, {120, 111, 145, 151}},    {34, Kind::Push, {169, 111, 194, 151}},
    {35, Kind::Push, {192, 111, 217, 151}},    {31, Kind::Slider, {65, 248, 89, 327}},
    {32, Kind::Slider, {92, 248, 116, 327}},   {33, Kind::Switch, {138, 300, 195, 313}},
    {46, Kind::Learn, {135, 320, 165, 340}},   {37, Kind::Learn, {166, 320, 196, 340}},
};

void pumpMessages()
{
    MSG msg;
    for (int i = 0; i < 1000 && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE); ++i) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

// What a host does between user actions: run its message loop and send the
// editor its idle call.
void hostIdle(Host& h, int rounds = 1)
{
    for (int i = 0; i < rounds; ++i) {
        pumpMessages();
        h.dispatch(effEditIdle);
        pumpMessages();
    }
}

// The host's window: records the keys that reach it and, like some hosts,
// hands each one to its child window again.
WPARAM lastHostKey = 0;

LRESULT CALLBACK hostWindowProc(HWND w, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_KEYDOWN) {
        lastHostKey = wParam;
        if (HWND child = GetWindow(w, GW_CHILD))
            SendMessageA(child, message, wParam, lParam);
        return 0;
    }
    return DefWindowProcA(w, message, wParam, lParam);
}

HWND makeHostWindow()
{
    static bool registered = false;
    HINSTANCE instance = GetModuleHandleA(nullptr);
    if (!registered) {
        WNDCLASSEXA wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = hostWindowProc;
        wc.hInstance = instance;
        wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
        wc.lpszClassName = "VemoHostCheckWindow";
        registered = RegisterClassExA(&wc) != 0;
    }
    RECT r{0, 0, kWidth, kHeight};
    AdjustWindowRectEx(&r, WS_OVERLAPPEDWINDOW, FALSE, 0);
    HWND w = CreateWindowExA(0, "VemoHostCheckWindow", "VEMO host check",
                             WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 20, 20, r.right - r.left,
                             r.bottom - r.top, nullptr, nullptr, instance, nullptr);
    if (w != nullptr) {
        ShowWindow(w, SW_SHOWNORMAL);
        UpdateWindow(w);
        pumpMessages();
    }
    return w;
}

// The window's pixels as the screen shows them, 0x00RRGGBB, top row first.
std::vector<uint32_t> capture(HWND w)
{
    std::vector<uint32_t> pixels(static_cast<size_t>(kWidth) * kHeight, 0);
    HDC src = GetDC(w);
    HDC mem = CreateCompatibleDC(src);
    BITMAPINFO bmi{};
    bmi.bmiHeader.biSize = sizeof bmi.bmiHeader;
    bmi.bmiHeader.biWidth = kWidth;
    bmi.bmiHeader.biHeight = -kHeight;
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    bmi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(src, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (mem != nullptr && dib != nullptr && bits != nullptr) {
        HGDIOBJ old = SelectObject(mem, dib);
        BitBlt(mem, 0, 0, kWidth, kHeight, src, 0, 0, SRCCOPY);
        GdiFlush();
        const auto* p = static_cast<const uint32_t*>(bits);
        for (size_t i = 0; i < pixels.size(); ++i)
            pixels[i] = p[i] & 0x00FFFFFFu;
        SelectObject(mem, old);
    }
    if (dib != nullptr)
        DeleteObject(dib);
    if (mem != nullptr)
        DeleteDC(mem);
    ReleaseDC(w, src);
    return pixels;
}

bool writeBmp(const std::string& path, const std::vector<uint32_t>& pixels)
{
    const uint32_t stride = (kWidth * 3 + 3) & ~3u;
    std::vector<uint8_t> file(54 + static_cast<size_t>(stride) * kHeight, 0);
    auto put32 = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            file[at + i] = static_cast<uint8_t>(v >> (8 * i));
    };
    file[0] = 'B';
    file[1] = 'M';
    put32(2, static_cast<uint32_t>(file.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, kWidth);
    put32(22, kHeight);
    file[26] = 1;
    file[28] = 24;
    for (int32_t y = 0; y < kHeight; ++y) {
        uint8_t* row = file.data() + 54 + static_cast<size_t>(kHeight - 1 - y) * stride;
        for (int32_t x = 0; x < kWidth; ++x) {
            const uint32_t p = pixels[static_cast<size_t>(y) * kWidth + x];
            row[x * 3 + 0] = static_cast<uint8_t>(p);
            row[x * 3 + 1] = static_cast<uint8_t>(p >> 8);
            row[x * 3 + 2] = static_cast<uint8_t>(p >> 16);
        }
    }
    return writeFile(path, file.data(), file.size());
}

// Pixels that differ between a and b outside `skip` and `alsoSkip` (an empty
// rect skips nothing).
std::string pictureDifference(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b,
                              RECT skip = {0, 0, 0, 0}, RECT alsoSkip = {0, 0, 0, 0})
{
    size_t count = 0;
    std::string first;
    auto inside = [](const RECT& r, int32_t x, int32_t y) {
        return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
    };
    for (int32_t y = 0; y < kHeight; ++y) {
        for (int32_t x = 0; x < kWidth; ++x) {
            if (inside(skip, x, y) || inside(alsoSkip, x, y))
                continue;
            const size_t i = static_cast<size_t>(y) * kWidth + x;
            if (a[i] != b[i] && count++ == 0)
                first = format("first at (%d, %d): %06x, expected %06x", x, y, a[i], b[i]);
        }
    }
    return count == 0 ? std::string() : format("%zu pixels differ, ", count) + first;
}

LPARAM at(int32_t x, int32_t y) { return MAKELPARAM(x, y); }

// System mouse input (as from the mouse itself) at a point of `w`.
void sendMouse(HWND w, DWORD buttonFlags, int32_t x, int32_t y)
{
    POINT p{x, y};
    ClientToScreen(w, &p);
    const int sw = GetSystemMetrics(SM_CXSCREEN);
    const int sh = GetSystemMetrics(SM_CYSCREEN);
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dx = MulDiv(p.x, 65535, sw - 1);
    in.mi.dy = MulDiv(p.y, 65535, sh - 1);
    in.mi.dwFlags = buttonFlags | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    SendInput(1, &in, sizeof in);
}

struct Gesture {
    int begins = 0, ends = 0, automates = 0;
    bool onlyTag = true;   // every gesture call and automation was for the tag
    bool ordered = true;   // BeginEdit first, EndEdit last
    float lastValue = -1.f;
};

Gesture gestureOf(const std::vector<Call>& calls, size_t from, int32_t tag)
{
    Gesture g;
    std::vector<const Call*> relevant;
    for (size_t i = from; i < calls.size(); ++i) {
        const Call& c = calls[i];
        if (c.opcode != audioMasterBeginEdit && c.opcode != audioMasterEndEdit &&
            c.opcode != audioMasterAutomate)
            continue;
        relevant.push_back(&c);
        if (c.index != tag)
            g.onlyTag = false;
        if (c.opcode == audioMasterBeginEdit)
            ++g.begins;
        else if (c.opcode == audioMasterEndEdit)
            ++g.ends;
        else {
            ++g.automates;
            g.lastValue = c.opt;
        }
    }
    g.ordered = !relevant.empty() && relevant.front()->opcode == audioMasterBeginEdit &&
                relevant.back()->opcode == audioMasterEndEdit;
    return g;
}

bool classRegistered(const Module& module)
{
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    return GetClassInfoExA(static_cast<HINSTANCE>(module.native()), kFrameClass, &wc) != 0;
}

// 0 when this thread has no COM apartment, else what CoInitializeEx found.
HRESULT apartmentProbe()
{
    const HRESULT hr = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    if (SUCCEEDED(hr)) {
        CoUninitialize();
        return 0;
    }
    return hr;
}

void checkEditor(const Module& module, VstPluginMainProc entry, const std::string& dir)
{
    check(apartmentProbe() == 0, "no instance alive: the thread has no OLE apartment");
    auto h = std::make_unique<Host>(entry);
    check(apartmentProbe() == RPC_E_CHANGED_MODE,
          "a live editor has OLE initialised on the thread that made it");

    HWND parent = makeHostWindow();
    if (!check(parent != nullptr, "the host's window is created"))
        return;
    check(h->dispatch(effEditOpen, 0, 0, parent) == 1, "effEditOpen answers 1");
    HWND child = GetWindow(parent, GW_CHILD);
    RECT client{};
    if (child != nullptr)
        GetClientRect(child, &client);
    check(child != nullptr && GetWindow(child, GW_HWNDNEXT) == nullptr &&
              (GetWindowLongA(child, GWL_STYLE) & WS_CHILD) != 0 && IsWindowVisible(child) &&
              client.right == kWidth && client.bottom == kHeight,
          "the editor is one visible 695 x 350 child window of the host's window");
    if (child == nullptr)
        return;
    check(classRegistered(module), "the frame's window class is registered while it is open");
    hostIdle(*h, 3);

    // The screenshot equals the offscreen rendering of the same parameters.
    const std::vector<uint32_t> shown = capture(child);
    writeBmp(dir + "/window.bmp", shown);
    std::vector<uint8_t> rgb;
    if (check(readFile(dir + "/editor.rgb", rgb) && rgb.size() == size_t(kWidth) * kHeight * 3,
              "offscreen reference picture is readable (695 x 350 RGB)")) {
        std::vector<uint32_t> want(size_t(kWidth) * kHeight);
        for (size_t i = 0; i < want.size(); ++i)
            want[i] = (uint32_t(rgb[3 * i]) << 16) | (uint32_t(rgb[3 * i + 1]) << 8) | rgb[3 * i + 2];
        const std::string diff = pictureDifference(shown, want);
        check(diff.empty(), "a screenshot of the window equals the offscreen rendering", diff);
    }

    // Uncovered parts are painted again from WM_PAINT.
    InvalidateRect(child, nullptr, FALSE);
    hostIdle(*h);
    check(pictureDifference(capture(child), shown).empty(), "WM_PAINT repaints the window unchanged");

    // A click on a button (SAW) toggles its parameter, reported as an
    // automated change between BeginEdit and EndEdit.
    {
        const float before = h->getParameter(3);
        const size_t from = h->calls().size();
        PostMessageA(child, WM_LBUTTONDOWN, MK_LBUTTON, at(503, 131));
        PostMessageA(child, WM_LBUTTONUP, 0, at(503, 131));
        hostIdle(*h);
        const Gesture g = gestureOf(h->calls(), from, 3);
        const float expected = before != 0.f ? 0.f : 1.f;
        check(g.begins == 1 && g.ends == 1 && g.automates == 1 && g.onlyTag && g.ordered &&
                  g.lastValue == expected && h->getParameter(3) == expected,
              "a click on the SAW button: BeginEdit 3, audioMasterAutomate 3, EndEdit 3",
              format("begins %d ends %d automates %d last %g parameter %g", g.begins, g.ends,
                     g.automates, double(g.lastValue), double(h->getParameter(3))));
    }

    // A drag on the cutoff slider, to 0.25.
    {
        const size_t from = h->calls().size();
        PostMessageA(child, WM_LBUTTONDOWN, MK_LBUTTON, at(296, 270));
        PostMessageA(child, WM_MOUSEMOVE, MK_LBUTTON, at(296, 290));
        hostIdle(*h);
        const bool captured = GetCapture() == child;
        PostMessageA(child, WM_MOUSEMOVE, MK_LBUTTON, at(296, 304));
        PostMessageA(child, WM_LBUTTONUP, 0, at(296, 304));
        hostIdle(*h);
        const Gesture g = gestureOf(h->calls(), from, 12);
        check(captured, "the window holds the mouse capture during a drag");
        check(GetCapture() != child, "the capture is released with the button");
        check(g.begins == 1 && g.ends == 1 && g.automates >= 2 && g.onlyTag && g.ordered &&
                  g.lastValue == 0.25f && h->getParameter(12) == 0.25f,
              "a drag on the cutoff slider: BeginEdit 12, automation up to 0.25, EndEdit 12",
              format("begins %d ends %d automates %d last %g", g.begins, g.ends, g.automates,
                     double(g.lastValue)));
    }

    // Arrow keys reach the control last touched; the host's keys too.
    {
        size_t from = h->calls().size();
        PostMessageA(child, WM_KEYDOWN, VK_UP, 1);
        PostMessageA(child, WM_KEYUP, VK_UP, 1);
        hostIdle(*h);
        Gesture g = gestureOf(h->calls(), from, 12);
        check(g.automates == 1 && g.onlyTag && std::fabs(h->getParameter(12) - 0.35f) < 1e-6f,
              "the up arrow in the window moves the slider last touched by 0.1",
              format("automates %d value %g", g.automates, double(h->getParameter(12))));
        from = h->calls().size();
        const intptr_t used = h->dispatch(effEditKeyDown, 0, VKEY_DOWN, nullptr, 0.f);
        g = gestureOf(h->calls(), from, 12);
        check(used == 1 && g.automates == 1 && std::fabs(h->getParameter(12) - 0.25f) < 1e-6f,
              "effEditKeyDown with the down arrow moves it back and answers 1");
    }

    // The wheel over a slider.
    {
        const float before = h->getParameter(13);
        POINT p{323, 287};
        ClientToScreen(child, &p);
        const size_t from = h->calls().size();
        PostMessageA(child, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), MAKELPARAM(p.x, p.y));
        hostIdle(*h);
        const Gesture g = gestureOf(h->calls(), from, 13);
        const float expected = std::min(1.f, before + 0.1f);
        check(g.begins == 1 && g.ends == 1 && g.onlyTag &&
                  std::fabs(h->getParameter(13) - expected) < 1e-6f,
              "one wheel notch over the resonance slider adds 0.1, as a gesture",
              format("from %g to %g", double(before), double(h->getParameter(13))));
    }

    // A drag with the system's mouse that leaves the window: the capture
    // keeps the slider (attack) following above its top, to 1.0.
    {
        const size_t from = h->calls().size();
        sendMouse(child, 0, 542, 287);
        hostIdle(*h);
        sendMouse(child, MOUSEEVENTF_LEFTDOWN, 542, 287);
        hostIdle(*h);
        sendMouse(child, 0, 542, -30);
        hostIdle(*h);
        const bool captured = GetCapture() == child;
        sendMouse(child, MOUSEEVENTF_LEFTUP, 542, -30);
        hostIdle(*h, 2);
        const Gesture g = gestureOf(h->calls(), from, 20);
        check(captured && GetCapture() != child && g.begins == 1 && g.ends == 1 && g.onlyTag &&
                  g.ordered && h->getParameter(20) == 1.f,
              "a mouse drag (SendInput) leaving the window keeps driving the slider until release",
              format("captured %d begins %d ends %d automates %d value %g", captured, g.begins,
                     g.ends, g.automates, double(h->getParameter(20))));
    }

    // Keys no control uses reach the host's window; one the host sends
    // straight back does not go round in circles.
    {
        lastHostKey = 0;
        PostMessageA(child, WM_KEYDOWN, 'A', 1);
        hostIdle(*h);
        check(lastHostKey == 'A', "a key no control uses is passed on to the host's window");
    }

    // The window repaints itself from the one WM_PAINT an idle cycle
    // dispatches, with the host pumping nothing: blacken the window behind
    // the plug-in's back, invalidate it, click a button (its click runs the
    // idle cycle) and idle.
    {
        Sleep(150); // the idle cycle runs at most every 100 ms
        const std::vector<uint32_t> before = capture(child);
        if (HDC dc = GetDC(child)) {
            PatBlt(dc, 0, 0, kWidth, kHeight, BLACKNESS);
            ReleaseDC(child, dc);
        }
        InvalidateRect(child, nullptr, FALSE);
        PostMessageA(child, WM_LBUTTONDOWN, MK_LBUTTON, at(181, 131)); // CHORUS1
        PostMessageA(child, WM_LBUTTONUP, 0, at(181, 131));
        h->dispatch(effEditIdle);
        // The button changes, and so does the header's display, which shows
        // the parameter just touched.
        const std::string diff =
            pictureDifference(capture(child), before, RECT{169, 111, 195, 152}, RECT{262, 14, 572, 62});
        check(diff.empty(), "the idle cycle of a button click dispatches the pending WM_PAINT", diff);
    }

    // Every one of the 38 controls answers a click at its place with a
    // gesture on its own parameter (the menus: a click opens the list, the
    // down arrow and Return choose the next entry).
    {
        int answered = 0;
        std::string missing;
        for (const Control& c : kControls) {
            const int32_t cx = (c.r.left + c.r.right) / 2;
            const int32_t cy = (c.r.top + c.r.bottom) / 2;
            const int32_t y = c.kind == Kind::Knob ? c.r.top + 3 : cy;
            const size_t from = h->calls().size();
            PostMessageA(child, WM_LBUTTONDOWN, MK_LBUTTON, at(cx, y));
            PostMessageA(child, WM_LBUTTONUP, 0, at(cx, y));
            if (c.kind == Kind::Menu) {
                hostIdle(*h);
                PostMessageA(child, WM_KEYDOWN, VK_DOWN, 1);
                PostMessageA(child, WM_KEYDOWN, VK_RETURN, 1);
            }
            hostIdle(*h);
            const Gesture g = gestureOf(h->calls(), from, c.tag);
            const bool valueAgrees = g.automates == 0 || g.lastValue == h->getParameter(c.tag);
            if (g.begins == 1 && g.ends == 1 && g.onlyTag && g.ordered && valueAgrees)
                ++answered;
            else
                missing += format(" %d(b%d e%d a%d%s)", c.tag, g.begins, g.ends, g.automates,
                                  g.onlyTag ? "" : " other tags");
        }
        check(answered == 38, "38 controls, each with a gesture on its own parameter at its place",
              format("%d answered; wrong:%s", answered, missing.c_str()));
    }

    h->dispatch(effEditClose);
    check(GetWindow(parent, GW_CHILD) == nullptr, "closing the editor destroys its window");
    check(!classRegistered(module), "with no window left the class is unregistered (safe to unload)");
    check(h->dispatch(effEditOpen, 0, 0, parent) == 1 && GetWindow(parent, GW_CHILD) != nullptr,
          "the editor opens again in the same window");
    hostIdle(*h, 2);
    h->dispatch(effEditClose);

    // At twice the size, as a host of a high-resolution screen asks with the
    // 'PreS' vendor call: a Win32 window of 1390 x 700 whose SAW button
    // answers at its doubled place.
    {
        check(h->dispatch(effVendorSpecific, vstFourCC('P', 'r', 'e', 'S'), vstFourCC('A', 'e', 'C', 's'), nullptr,
                          2.f) == 1,
              "the 'PreS' scale call is taken");
        ERect* big = nullptr;
        check(h->dispatch(effEditGetRect, 0, 0, &big) != 0 && big != nullptr && big->right == 2 * kWidth &&
                  big->bottom == 2 * kHeight,
              "effEditGetRect then gives 1390 x 700");
        h->dispatch(effEditOpen, 0, 0, parent);
        HWND scaled = GetWindow(parent, GW_CHILD);
        RECT area{};
        if (scaled != nullptr)
            GetClientRect(scaled, &area);
        check(area.right == 2 * kWidth && area.bottom == 2 * kHeight, "the window is 1390 x 700",
              format("%ld x %ld", area.right, area.bottom));
        hostIdle(*h);
        const float before = h->getParameter(3);
        PostMessageA(scaled, WM_LBUTTONDOWN, MK_LBUTTON, at(2 * 503, 2 * 131));
        PostMessageA(scaled, WM_LBUTTONUP, 0, at(2 * 503, 2 * 131));
        hostIdle(*h);
        check(h->getParameter(3) == (before != 0.f ? 0.f : 1.f), "a click at the doubled place toggles SAW");
        h->dispatch(effEditClose);
        h->dispatch(effVendorSpecific, vstFourCC('P', 'r', 'e', 'S'), vstFourCC('A', 'e', 'C', 's'), nullptr, 1.f);
    }

    // A host that destroys its window before closing the editor.
    h->dispatch(effEditOpen, 0, 0, parent);
    hostIdle(*h);
    DestroyWindow(parent);
    pumpMessages();
    h->dispatch(effEditIdle);
    h->dispatch(effEditIdle);
    h->dispatch(effEditClose);
    check(!classRegistered(module), "an editor whose parent the host destroyed first closes cleanly");

    h->close();
    check(apartmentProbe() == 0, "closing the plug-in releases OLE on the thread");
}

#endif // _WIN32

// ------------------------------------------------------------------ png

#ifdef VEMO_HOSTCHECK_PNG
int pngToRaw(const std::string& in, const std::string& out)
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, in.c_str())) {
        std::fprintf(stderr, "cannot read %s\n", in.c_str());
        return 1;
    }
    image.format = PNG_FORMAT_RGB;
    std::vector<uint8_t> pixels(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) {
        std::fprintf(stderr, "cannot decode %s\n", in.c_str());
        return 1;
    }
    return writeFile(out, pixels.data(), pixels.size()) ? 0 : 1;
}
#endif

int usage()
{
    std::fprintf(stderr, "usage: vemo-hostcheck reference|check MODULE DIR\n"
                         "       vemo-hostcheck clap-render|vst3-render MODULE FILE\n"
#if defined(_WIN32)
                         "       vemo-hostcheck vst3-editor MODULE\n"
#endif
#ifdef VEMO_HOSTCHECK_PNG
                         "       vemo-hostcheck png2raw IN.png OUT.rgb\n"
#endif
    );
    return 2;
}

} // namespace

int clapRender(const std::string& path, const std::string& out);
int vst3Render(const std::string& path, const std::string& out);
#if defined(_WIN32)
int vst3Editor(const std::string& path);
#endif

int main(int argc, char** argv)
{
#if defined(_WIN32)
    if (argc == 3 && std::string(argv[1]) == "vst3-editor")
        return vst3Editor(argv[2]);
#endif
    if (argc != 4)
        return usage();
    const std::string mode = argv[1];
    if (mode == "clap-render")
        return clapRender(argv[2], argv[3]);
    if (mode == "vst3-render")
        return vst3Render(argv[2], argv[3]);
    if (mode == "reference")
        return writeReference(argv[2], argv[3]);
#ifdef VEMO_HOSTCHECK_PNG
    if (mode == "png2raw")
        return pngToRaw(argv[2], argv[3]);
#endif
    if (mode != "check")
        return usage();
    runChecks(argv[2], argv[3]);
    std::printf("%d passed, %d failed\n", passed, failed);
    return failed == 0 && passed > 0 ? 0 : 1;
}
