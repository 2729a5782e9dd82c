// A small VST 2.x instrument for testing the host: one cosine per note
// (full level from the note-on frame, so onsets are exact), velocity
// scaled, optionally released over "Release" seconds. Eight programs of
// four parameters; state as chunks when built with TEST_SYNTH_CHUNKS.
// It records what its host does into a TestSynthLog.
#include "TestSynthLog.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {

constexpr int kPrograms = 8;
constexpr int kParams = 4; // Gain, Release, Detune, Spare
constexpr int kVoices = 16;
constexpr int kQueue = 1024;
const char* const kParamNames[kParams] = {"Gain", "Release", "Detune", "Spare"};

TestSynthLog g_log;

struct Program {
    char name[24];
    float values[kParams];
};

struct Voice {
    int note = -1;
    double phase = 0.0;
    double increment = 0.0;
    float level = 0.0f;
    float releaseStep = 0.0f; // per frame, while released
    bool released = false;
};

struct Synth {
    AEffect effect{};
    audioMasterCallback host = nullptr;
    Program programs[kPrograms];
    int current = 0;
    float sampleRate = 44100.0f;
    Voice voices[kVoices];
    VstMidiEvent queue[kQueue];
    int queued = 0;
    int queuedBlockFrames = 0;
    int64_t songFrame = 0;
    unsigned char chunk[sizeof(Program) * kPrograms + 8];
};

Synth* self(AEffect* e) { return static_cast<Synth*>(e->object); }

void logCall(int32_t opcode, int32_t index, intptr_t value, float opt)
{
    if (g_log.callCount < TestSynthLog::kMaxCalls)
        g_log.calls[g_log.callCount++] = {opcode, index, int64_t(value), opt};
}

void noteOn(Synth& s, int note, int velocity)
{
    if (s.host && g_log.timeCount < TestSynthLog::kMaxTimes) {
        auto* info = reinterpret_cast<VstTimeInfo*>(
            s.host(&s.effect, audioMasterGetTime, 0, kVstPpqPosValid | kVstTempoValid, nullptr, 0.0f));
        if (info)
            g_log.times[g_log.timeCount++] = {s.songFrame, *info};
    }
    Voice* v = nullptr;
    for (Voice& candidate : s.voices)
        if (candidate.note < 0) {
            v = &candidate;
            break;
        }
    if (!v)
        v = &s.voices[0];
    const float* p = s.programs[s.current].values;
    double detune = (p[2] - 0.5) * 2.0; // +-1 semitone
    v->note = note;
    v->phase = 0.0;
    v->increment = 440.0 * std::pow(2.0, (note - 69 + detune) / 12.0) / s.sampleRate;
    v->level = 0.25f * (velocity / 127.0f) * p[0];
    v->released = false;
    float release = p[1] * 2.0f * s.sampleRate;
    v->releaseStep = release >= 1.0f ? v->level / release : v->level;
}

void noteOff(Synth& s, int note)
{
    for (Voice& v : s.voices)
        if (v.note == note && !v.released)
            v.released = true;
}

void apply(Synth& s, const VstMidiEvent& e)
{
    uint8_t status = uint8_t(e.midiData[0]) & 0xF0;
    int data1 = e.midiData[1] & 0x7F;
    int data2 = e.midiData[2] & 0x7F;
    if (g_log.eventCount < TestSynthLog::kMaxEvents) {
        TestSynthEvent& r = g_log.events[g_log.eventCount++];
        r.frame = s.songFrame;
        r.deltaFrames = e.deltaFrames;
        r.blockFrames = s.queuedBlockFrames;
        std::memcpy(r.bytes, e.midiData, 3);
    }
    if (status == 0x90 && data2 > 0)
        noteOn(s, data1, data2);
    else if (status == 0x80 || status == 0x90)
        noteOff(s, data1);
    else if (status == 0xC0 && data1 < kPrograms)
        s.current = data1;
}

void processReplacing(AEffect* e, float** /*inputs*/, float** outputs, int32_t frames)
{
    Synth& s = *self(e);
    ++g_log.processCalls;
    if (frames > g_log.largestBlock)
        g_log.largestBlock = frames;
    s.queuedBlockFrames = frames;
    for (int q = 0; q < s.queued; ++q)
        if (s.queue[q].deltaFrames < 0 || s.queue[q].deltaFrames >= frames)
            ++g_log.eventsOutsideBlock;
    int next = 0;
    for (int i = 0; i < frames; ++i) {
        while (next < s.queued && s.queue[next].deltaFrames <= i)
            apply(s, s.queue[next++]);
        float sum = 0.0f;
        for (Voice& v : s.voices) {
            if (v.note < 0)
                continue;
            sum += v.level * float(std::cos(2.0 * M_PI * v.phase));
            v.phase += v.increment;
            v.phase -= std::floor(v.phase);
            if (v.released) {
                v.level -= v.releaseStep;
                if (v.level <= 0.0f)
                    v.note = -1;
            }
        }
        outputs[0][i] = sum;
        outputs[1][i] = sum;
        ++s.songFrame;
    }
    while (next < s.queued) // beyond the block: applied at its end
        apply(s, s.queue[next++]);
    s.queued = 0;
    g_log.framesProcessed += frames;
}

void setParameter(AEffect* e, int32_t index, float value)
{
    if (g_log.parameterCount < TestSynthLog::kMaxParameters)
        g_log.parameters[g_log.parameterCount++] = {self(e)->songFrame, index, value};
    if (index >= 0 && index < kParams)
        self(e)->programs[self(e)->current].values[index] = value;
}

float getParameter(AEffect* e, int32_t index)
{
    return index >= 0 && index < kParams ? self(e)->programs[self(e)->current].values[index] : 0.0f;
}

void writeLogFile()
{
    const char* path = std::getenv("TEST_SYNTH_LOG_FILE");
    if (!path || !*path)
        return;
    FILE* f = std::fopen(path, "w");
    if (!f)
        return;
    for (int i = 0; i < g_log.eventCount; ++i) {
        const TestSynthEvent& e = g_log.events[i];
        std::fprintf(f, "E %lld %u %u %u\n", (long long)e.frame, unsigned(e.bytes[0]), unsigned(e.bytes[1]),
                     unsigned(e.bytes[2]));
    }
    for (int i = 0; i < g_log.parameterCount; ++i) {
        const TestSynthParameter& p = g_log.parameters[i];
        std::fprintf(f, "P %lld %d %.9g\n", (long long)p.frame, int(p.index), double(p.value));
    }
    std::fclose(f);
}

void copyString(void* ptr, const char* text, size_t size)
{
    if (ptr)
        std::snprintf(static_cast<char*>(ptr), size, "%s", text);
}

intptr_t dispatcher(AEffect* e, int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt)
{
    Synth& s = *self(e);
    if (opcode != effProcessEvents && opcode != effGetParamName && opcode != effGetParamDisplay &&
        opcode != effGetParamLabel && opcode != effGetProgramNameIndexed)
        logCall(opcode, index, value, opt);
    switch (opcode) {
    case effClose:
        writeLogFile();
        delete &s;
        return 1;
    case effSetProgram:
        if (value >= 0 && value < kPrograms)
            s.current = int(value);
        return 0;
    case effGetProgram:
        return s.current;
    case effSetProgramName:
        std::snprintf(s.programs[s.current].name, 24, "%s", static_cast<const char*>(ptr));
        return 0;
    case effGetProgramName:
        copyString(ptr, s.programs[s.current].name, 24);
        return 0;
    case effGetProgramNameIndexed:
        if (index < 0 || index >= kPrograms)
            return 0;
        copyString(ptr, s.programs[index].name, 24);
        return 1;
    case effGetParamName:
        if (index >= 0 && index < kParams)
            copyString(ptr, kParamNames[index], 9);
        return 0;
    case effGetParamDisplay:
        if (index >= 0 && index < kParams) {
            char text[8];
            std::snprintf(text, sizeof text, "%.2f", double(s.programs[s.current].values[index]));
            copyString(ptr, text, 8);
        }
        return 0;
    case effSetSampleRate:
        s.sampleRate = opt;
        g_log.sampleRate = opt;
        return 0;
    case effSetBlockSize:
        g_log.blockSize = int32_t(value);
        return 0;
    case effProcessEvents: {
        auto* list = static_cast<VstEvents*>(ptr);
        for (int i = 0; i < list->numEvents && s.queued < kQueue; ++i)
            if (list->events[i]->type == kVstMidiType)
                s.queue[s.queued++] = *reinterpret_cast<VstMidiEvent*>(list->events[i]);
        return 1;
    }
    case effGetChunk: {
        if (!ptr)
            return 0;
        size_t count = index ? 1 : kPrograms;
        const Program* first = index ? &s.programs[s.current] : s.programs;
        std::memcpy(s.chunk, "TSYN", 4);
        uint32_t n = uint32_t(count);
        std::memcpy(s.chunk + 4, &n, 4);
        std::memcpy(s.chunk + 8, first, count * sizeof(Program));
        *static_cast<void**>(ptr) = s.chunk;
        return intptr_t(8 + count * sizeof(Program));
    }
    case effSetChunk: {
        size_t count = index ? 1 : kPrograms;
        if (!ptr || size_t(value) != 8 + count * sizeof(Program) || std::memcmp(ptr, "TSYN", 4) != 0)
            return 0;
        Program* first = index ? &s.programs[s.current] : s.programs;
        std::memcpy(first, static_cast<const char*>(ptr) + 8, count * sizeof(Program));
        return 1;
    }
    case effGetEffectName:
        copyString(ptr, "Test Sine", 32);
        return 1;
    case effGetVendorString:
        copyString(ptr, "VEMO tests", 64);
        return 1;
    case effGetProductString:
        copyString(ptr, "Test Sine Instrument", 64);
        return 1;
    case effGetVendorVersion:
        return 7;
    case effGetPlugCategory:
        return kPlugCategSynth;
    case effGetVstVersion:
        return 2400;
    case effCanDo:
        return ptr && std::strcmp(static_cast<const char*>(ptr), "receiveVstMidiEvent") == 0 ? 1 : -1;
    default:
        return 0;
    }
}

} // namespace

extern "C" {

__attribute__((visibility("default"))) TestSynthLog* testSynthLog() { return &g_log; }

__attribute__((visibility("default"))) AEffect* VSTPluginMain(audioMasterCallback host)
{
    std::memset(&g_log, 0, sizeof g_log);
    if (!host)
        return nullptr;
    g_log.hostVersion = int32_t(host(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f));
    if (g_log.hostVersion == 0)
        return nullptr;
    Synth* s = new (std::nothrow) Synth;
    if (!s)
        return nullptr;
    s->host = host;
    for (int p = 0; p < kPrograms; ++p) {
        std::snprintf(s->programs[p].name, 24, "Sine %d", p + 1);
        s->programs[p].values[0] = 1.0f - 0.1f * float(p);
        s->programs[p].values[1] = 0.0f;
        s->programs[p].values[2] = 0.5f;
        s->programs[p].values[3] = 0.125f * float(p);
    }
    std::snprintf(s->programs[3].name, 24, "Soft Pad");
    s->programs[3].values[1] = 0.25f; // half a second of release
    AEffect& e = s->effect;
    e.magic = kEffectMagic;
    e.dispatcher = dispatcher;
    e.setParameter = setParameter;
    e.getParameter = getParameter;
    e.processReplacing = processReplacing;
    e.numPrograms = kPrograms;
    e.numParams = kParams;
    e.numInputs = 0;
    e.numOutputs = 2;
    e.flags = effFlagsIsSynth | effFlagsCanReplacing;
#ifdef TEST_SYNTH_CHUNKS
    e.flags |= effFlagsProgramChunks;
    e.uniqueID = kTestSynthChunkId;
#else
    e.uniqueID = kTestSynthParamsId;
#endif
    e.version = 3;
    e.ioRatio = 1.0f;
    e.object = s;
    host(&e, audioMasterWantMidi, 0, 1, nullptr, 0.0f);
    return &e;
}
}
