// The plug-in as a host sees it: loaded with dlopen, created through its
// entry point, driven only through the AEffect record and the dispatcher.
#include "support/TestHost.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

using vemotest::TestHost;

namespace {
// Program 0 ("Startup") values, as the factory bank holds them.
const float kStartup[47] = {0, 0.414079279f, 0.5f, 1, 1, 1, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0,
                            0, 0, 1, 1, 0, 0.691176474f, 0, 0, 0.544117689f, 0, 0, 0, 0, 0,
                            1, 1, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0};

std::string dispatchString(TestHost& host, int32_t opcode, int32_t index = 0, intptr_t value = 0)
{
    char buffer[256];
    std::memset(buffer, 0x55, sizeof(buffer));
    buffer[255] = 0;
    host.dispatch(opcode, index, value, buffer);
    return std::string(buffer);
}
} // namespace

TEST(HostInterface, HostThatRefusesTheVersionQueryGetsNoPlugin)
{
    TestHost host(VEMO_MODULE_PATH, 0);
    ASSERT_NE(host.module.native(), nullptr) << host.loadError;
    EXPECT_EQ(host.effect, nullptr);
    auto calls = host.calls();
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls[0].opcode, audioMasterVersion);
    EXPECT_TRUE(calls[0].nullEffect);
}

TEST(HostInterface, ConstructionState)
{
    TestHost host;
    ASSERT_NE(host.effect, nullptr) << host.loadError;
    AEffect* e = host.effect;
    EXPECT_EQ(e->magic, kEffectMagic);
    EXPECT_EQ(e->uniqueID, 0x38383235);
    EXPECT_EQ(e->version, 1);
    EXPECT_EQ(e->numInputs, 0);
    EXPECT_EQ(e->numOutputs, 2);
    EXPECT_EQ(e->numParams, 47);
    EXPECT_EQ(e->numPrograms, 120);
    EXPECT_EQ(e->initialDelay, 0);
    EXPECT_EQ(e->ioRatio, 1.0f);
    // Can-replacing, program chunks, synth; the editor bit comes with the editor.
    EXPECT_EQ(e->flags & ~effFlagsHasEditor, 0x130);
    for (int i = 0; i < 47; ++i)
        EXPECT_EQ(host.getParameter(i), kStartup[i]) << "parameter " << i;
    EXPECT_EQ(host.dispatch(effGetProgram), 0);
    EXPECT_EQ(dispatchString(host, effGetProgramName), "Startup");
    // The plug-in asked for MIDI while it was built.
    EXPECT_GE(host.countCalls(audioMasterWantMidi), 1);
}

TEST(HostInterface, IdentityAndCapabilities)
{
    TestHost host;
    ASSERT_NE(host.effect, nullptr);
    EXPECT_EQ(dispatchString(host, effGetEffectName), "Ravelle - VEMO");
    EXPECT_EQ(dispatchString(host, effGetProductString), "Ravelle - VEMO");
    EXPECT_EQ(dispatchString(host, effGetVendorString), "VEMO - Kestrune");
    EXPECT_EQ(host.dispatch(effGetVendorVersion), 1000);
    EXPECT_EQ(host.dispatch(effGetVstVersion), 2400);
    EXPECT_EQ(host.dispatch(effGetPlugCategory), kPlugCategSynth); // hosts file it as an instrument
    EXPECT_EQ(host.dispatch(effIdentify), 0x4E764566);
    EXPECT_EQ(host.dispatch(effGetCurrentMidiProgram), -1);
    EXPECT_EQ(host.dispatch(effSetTotalSampleToProcess, 0, 4096), 4096);
    EXPECT_EQ(host.dispatch(effCanBeAutomated, 12), 1);
    EXPECT_EQ(host.dispatch(effCanBeAutomated, 46), 1);

    auto canDo = [&](const char* text) { return host.dispatch(effCanDo, 0, 0, const_cast<char*>(text)); };
    EXPECT_EQ(canDo("receiveVstEvents"), 1);
    EXPECT_EQ(canDo("receiveVstMidiEvent"), 1);
    EXPECT_EQ(canDo("receiveVstMidiEvents"), 1);
    EXPECT_EQ(canDo("receiveVstTimeInfo"), 1);
    EXPECT_EQ(canDo("sendVstMidiEvent"), -1);
    EXPECT_EQ(canDo("receiveVstMidiEventX"), -1);
    EXPECT_EQ(canDo("bypass"), -1);
    EXPECT_EQ(canDo(""), -1);
}

TEST(HostInterface, OpcodesWithoutAnAnswerAnswerZero)
{
    TestHost host;
    ASSERT_NE(host.effect, nullptr);
    char buffer[256] = {};
    for (int32_t op : {9, 16, 17, 18, 20, 21, 27, 28, 30, 31, 32, 33, 34, 36, 37, 38, 39, 40, 41,
                       42, 43, 44, 46, 50, 52, 53, 54, 55, 56, 57, 62, 64, 65, 66, 67, 68, 70, 71,
                       72, 74, 75, 76, 77, 78, 79, 80, 100, 1000, -1})
        EXPECT_EQ(host.dispatch(op, 0, 0, buffer), 0) << "opcode " << op;

    // The speaker arrangement query clears both of the host's pointers.
    void* input = &host;
    void* output = &host;
    EXPECT_EQ(host.dispatch(effGetSpeakerArrangement, 0, reinterpret_cast<intptr_t>(&input), &output), 0);
    EXPECT_EQ(input, nullptr);
    EXPECT_EQ(output, nullptr);
}

TEST(HostInterface, NullBuffersAreRefusedQuietly)
{
    TestHost host;
    ASSERT_NE(host.effect, nullptr);
    for (int32_t op : {effGetParamName, effGetProgramName, effSetProgramName, effCanDo,
                       effGetEffectName, effGetVendorString, effGetProductString,
                       effGetProgramNameIndexed, effEditGetRect, effGetParamLabel,
                       effGetParamDisplay, effGetChunk, effSetChunk, effProcessEvents,
                       effGetSpeakerArrangement, effString2Parameter})
        EXPECT_EQ(host.dispatch(op, 0, 0, nullptr), op == effProcessEvents ? 1 : 0) << "opcode " << op;
    // Nothing changed.
    EXPECT_EQ(host.dispatch(effGetProgram), 0);
    EXPECT_EQ(dispatchString(host, effGetProgramName), "Startup");
}

TEST(HostInterface, ParameterNamesAndLabels)
{
    TestHost host;
    ASSERT_NE(host.effect, nullptr);
    EXPECT_EQ(dispatchString(host, effGetParamName, 12), "CUTOFF");
    EXPECT_EQ(dispatchString(host, effGetParamName, 9), "SQUAREPWINTENSITY");
    EXPECT_EQ(dispatchString(host, effGetParamName, 33), "TRANSPOSE");
    for (int i : {0, 7, 36, 37, 38, 39, 45, 46, 47, -1, 1000})
        EXPECT_EQ(dispatchString(host, effGetParamName, i), "Param") << i;

    // Labels and displays answer 0 (their texts: test_parameter_display).
    char buffer[32];
    EXPECT_EQ(host.dispatch(effGetParamLabel, 12, 0, buffer), 0);
    EXPECT_EQ(host.dispatch(effGetParamDisplay, 12, 0, buffer), 0);

    // A name never writes more than the longest name and its terminator.
    char guard[64];
    std::memset(guard, 0x7f, sizeof(guard));
    host.dispatch(effGetParamName, 9, 0, guard);
    EXPECT_EQ(guard[17], 0);
    EXPECT_EQ(guard[18], 0x7f);
}

TEST(HostInterface, ParametersThroughTheRecord)
{
    TestHost host;
    ASSERT_NE(host.effect, nullptr);
    host.setParameter(12, 0.3f);
    EXPECT_EQ(host.getParameter(12), 0.3f);
    host.setParameter(27, 3.0f); // an index-form value is stored unchanged
    EXPECT_EQ(host.getParameter(27), 3.0f);
    host.setParameter(47, 0.5f);
    EXPECT_EQ(host.getParameter(47), 0.0f);
    EXPECT_EQ(host.getParameter(-1), 0.0f);
    host.setParameter(5, 0.25f);
    EXPECT_EQ(host.getParameter(5), 0.25f);
    EXPECT_EQ(host.getParameter(4), 1.0f); // only index 5 moved
}

TEST(HostInterface, ProgramsAndNames)
{
    TestHost host;
    ASSERT_NE(host.effect, nullptr);
    EXPECT_EQ(dispatchString(host, effGetProgramNameIndexed, 119), "default");
    EXPECT_EQ(dispatchString(host, effGetProgramNameIndexed, 1), "Funky Bass");
    EXPECT_EQ(dispatchString(host, effGetProgramNameIndexed, 71), "Electric Squeezebox");
    // The 24-character names fill their field; the host's 24-byte buffer
    // gets the first 23 and the terminator.
    EXPECT_EQ(dispatchString(host, effGetProgramNameIndexed, 40), "35 Pizzicato Sound 1 Ba");
    EXPECT_EQ(dispatchString(host, effGetProgramNameIndexed, 41), "36 Pizzicato Sound 2 Ba");
    char buffer[64] = "unchanged";
    EXPECT_EQ(host.dispatch(effGetProgramNameIndexed, 120, 0, buffer), 0);
    EXPECT_EQ(host.dispatch(effGetProgramNameIndexed, -1, 0, buffer), 0);
    EXPECT_STREQ(buffer, "unchanged");

    host.dispatch(effSetProgram, 0, 3);
    EXPECT_EQ(host.dispatch(effGetProgram), 3);
    EXPECT_EQ(host.getParameter(7), 1.0f); // "PW Bass" plays the pulse wave
    host.dispatch(effSetProgram, 0, 120);
    EXPECT_EQ(host.dispatch(effGetProgram), 3);
    host.dispatch(effSetProgram, 0, -1);
    EXPECT_EQ(host.dispatch(effGetProgram), 3);
    host.dispatch(effSetProgram, 0, 119);
    EXPECT_EQ(host.dispatch(effGetProgram), 119);
    EXPECT_EQ(dispatchString(host, effGetProgramName), "default");

    // "Init" is shown numbered while current, stored plainly.
    host.dispatch(effSetProgram, 0, 9);
    host.dispatch(effSetProgramName, 0, 0, const_cast<char*>("Init"));
    EXPECT_EQ(dispatchString(host, effGetProgramName), "Init 10");
    EXPECT_EQ(dispatchString(host, effGetProgramNameIndexed, 9), "Init");

    // Names are cut to 23 characters.
    host.dispatch(effSetProgramName, 0, 0, const_cast<char*>("A very long program name indeed"));
    EXPECT_EQ(dispatchString(host, effGetProgramName), "A very long program nam");

    host.dispatch(effSetProgram, 0, 40);
    EXPECT_EQ(dispatchString(host, effGetProgramName), "35 Pizzicato Sound 1 Ba");
}

TEST(HostInterface, ProgramNamesNeverPassTheHostsTwentyFourBytes)
{
    TestHost host;
    ASSERT_NE(host.effect, nullptr);

    // A bank whose every name fills its 24-byte field, as a chunk from
    // anywhere may bring.
    void* data = nullptr;
    const intptr_t size = host.dispatch(effGetChunk, 0, 0, &data);
    ASSERT_EQ(size, 147840);
    std::vector<unsigned char> bank(static_cast<unsigned char*>(data), static_cast<unsigned char*>(data) + size);
    for (int k = 0; k < 120; ++k)
        for (int c = 0; c < 24; ++c)
            bank[size_t(k) * 1232 + size_t(c)] = static_cast<unsigned char>('a' + (k + c) % 26);
    ASSERT_EQ(host.dispatch(effSetChunk, 0, size, bank.data()), 1);

    auto writtenBytes = [&](int32_t opcode, int32_t index) {
        unsigned char buffer[64];
        std::memset(buffer, 0xA5, sizeof(buffer));
        host.dispatch(opcode, index, 0, buffer);
        int last = 63;
        while (last >= 0 && buffer[last] == 0xA5)
            --last;
        return last + 1;
    };
    for (int k = 0; k < 120; ++k) {
        EXPECT_EQ(writtenBytes(effGetProgramNameIndexed, k), 24) << k;
        host.dispatch(effSetProgram, 0, k);
        EXPECT_EQ(writtenBytes(effGetProgramName, 0), 24) << k;
    }

    // The bank keeps the whole names: a chunk taken now is the one restored.
    ASSERT_EQ(host.dispatch(effGetChunk, 0, 0, &data), size);
    EXPECT_EQ(std::memcmp(data, bank.data(), size_t(size)), 0);
}

TEST(HostInterface, EditedValuesStayWithTheirProgram)
{
    TestHost host;
    ASSERT_NE(host.effect, nullptr);
    host.dispatch(effSetProgram, 0, 5);
    host.setParameter(12, 0.123f);
    host.dispatch(effSetProgram, 0, 6);
    EXPECT_NE(host.getParameter(12), 0.123f);
    host.dispatch(effSetProgram, 0, 5);
    EXPECT_EQ(host.getParameter(12), 0.123f);
}

TEST(HostInterface, MainsAndSampleRate)
{
    TestHost host;
    ASSERT_NE(host.effect, nullptr);
    host.clearCalls();
    EXPECT_EQ(host.dispatch(effMainsChanged, 0, 0), 0);
    EXPECT_EQ(host.countCalls(audioMasterWantMidi), 0);
    EXPECT_EQ(host.dispatch(effMainsChanged, 0, 1), 0);
    EXPECT_EQ(host.countCalls(audioMasterWantMidi), 1);
    EXPECT_EQ(host.dispatch(effSetSampleRate, 0, 0, nullptr, 48000.0f), 0);
    EXPECT_EQ(host.dispatch(effSetBlockSize, 0, 256), 0);
    // Nonsense rates are refused without harm.
    host.dispatch(effSetSampleRate, 0, 0, nullptr, 0.0f);
    host.dispatch(effSetSampleRate, 0, 0, nullptr, -44100.0f);
    host.dispatch(effSetSampleRate, 0, 0, nullptr, std::numeric_limits<float>::quiet_NaN());
    std::vector<float> l, r;
    host.render(l, r, 2048, 256, {TestHost::noteOn(0, 60)});
    for (float v : l)
        ASSERT_TRUE(std::isfinite(v));
}

TEST(HostInterface, BlocksWriteExactlyTheirFrames)
{
    TestHost host;
    ASSERT_NE(host.effect, nullptr);
    std::vector<float> left(80, 7.0f), right(80, 7.0f);
    host.process(left.data() + 8, right.data() + 8, 64);
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(left[size_t(i)], 7.0f);
        EXPECT_EQ(right[size_t(i)], 7.0f);
        EXPECT_EQ(left[size_t(72 + i)], 7.0f);
    }
    for (int i = 8; i < 72; ++i)
        EXPECT_NE(left[size_t(i)], 7.0f);
    host.process(left.data(), right.data(), 0);
    host.process(left.data(), right.data(), -5);
}

TEST(HostInterface, CloseDestroysThePlugin)
{
    TestHost host;
    ASSERT_NE(host.effect, nullptr);
    EXPECT_EQ(host.close(), 1);
    EXPECT_EQ(host.effect, nullptr);
}

TEST(HostInterface, OpenTwiceAndProcessBeforeMainsOn)
{
    TestHost host;
    ASSERT_NE(host.effect, nullptr);
    EXPECT_EQ(host.dispatch(effOpen), 0);
    EXPECT_EQ(host.dispatch(effOpen), 0);
    std::vector<float> l, r;
    host.render(l, r, 1024, 128, {TestHost::noteOn(3, 69)});
    EXPECT_TRUE(std::isfinite(l.back()));
}

// The editor's scale from the host's vendor call ('PreS', 'AeCs', the
// factor in opt); other vendor calls are not ours.
TEST(HostInterface, TheScaleVendorCallSizesTheEditor)
{
    TestHost host;
    ASSERT_NE(host.effect, nullptr);
    const int32_t preS = vstFourCC('P', 'r', 'e', 'S'), aeCs = vstFourCC('A', 'e', 'C', 's');
    EXPECT_EQ(host.effect->dispatcher(host.effect, effVendorSpecific, preS, aeCs, nullptr, 2.f), 1);
    ERect* rect = nullptr;
    ASSERT_EQ(host.dispatch(effEditGetRect, 0, 0, &rect), 1);
    EXPECT_EQ(rect->right - rect->left, 1390);
    EXPECT_EQ(rect->bottom - rect->top, 700);
    EXPECT_EQ(host.effect->dispatcher(host.effect, effVendorSpecific, preS, 0, nullptr, 3.f), 0);
    EXPECT_EQ(host.effect->dispatcher(host.effect, effVendorSpecific, 1, aeCs, nullptr, 3.f), 0);
    EXPECT_EQ(host.effect->dispatcher(host.effect, effVendorSpecific, preS, aeCs, nullptr, 1.f), 1);
    ASSERT_EQ(host.dispatch(effEditGetRect, 0, 0, &rect), 1);
    EXPECT_EQ(rect->right - rect->left, 695);
}
