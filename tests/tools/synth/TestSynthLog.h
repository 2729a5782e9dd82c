// What the test instrument saw of its host: the dispatcher calls in order,
// every MIDI event with the song frame it was applied at, every parameter
// change, and the time info it got at each note-on. One log per module,
// reset when an instance is made; read through the exported function
// testSynthLog() while the module is loaded. When the environment names a
// file in TEST_SYNTH_LOG_FILE, the events and parameter changes are also
// written there as text when the instance closes (for tests that run the
// command line in another process): "E frame status data1 data2" and
// "P frame index value" lines.
#pragma once

#include "vst/aeffect.h"

#include <cstdint>

struct TestSynthCall {
    int32_t opcode;
    int32_t index;
    int64_t value;
    float opt;
};

struct TestSynthEvent {
    int64_t frame;       // song frame the event was applied at
    int32_t deltaFrames; // as the host sent it
    int32_t blockFrames; // length of the block it came with
    uint8_t bytes[3];
};

struct TestSynthParameter {
    int64_t frame; // song frame of the next frame to render when it was set
    int32_t index;
    float value;
};

struct TestSynthTime {
    int64_t frame; // song frame of the note-on that asked
    VstTimeInfo info;
};

struct TestSynthLog {
    static constexpr int kMaxCalls = 512;
    static constexpr int kMaxEvents = 8192;
    static constexpr int kMaxTimes = 2048;
    static constexpr int kMaxParameters = 8192;
    int32_t callCount;
    TestSynthCall calls[kMaxCalls];
    int32_t eventCount;
    TestSynthEvent events[kMaxEvents];
    int32_t timeCount;
    TestSynthTime times[kMaxTimes];
    int32_t parameterCount;
    TestSynthParameter parameters[kMaxParameters];
    int64_t framesProcessed;
    int32_t processCalls;
    int32_t largestBlock;
    int32_t eventsOutsideBlock; // deltaFrames < 0 or >= the block's length
    int32_t hostVersion;        // the answer to audioMasterVersion
    float sampleRate;
    int32_t blockSize;
};

using TestSynthLogProc = TestSynthLog* (*)();

// Unique IDs of the two builds: with state chunks and with parameters only.
constexpr int32_t kTestSynthChunkId = vstFourCC('V', 't', 'S', 'c');
constexpr int32_t kTestSynthParamsId = vstFourCC('V', 't', 'S', 'p');
