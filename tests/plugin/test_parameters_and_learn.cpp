// Parameter storage, automation reporting and MIDI learn, inside the object.
#include "PluginFixture.h"

#include <cmath>
#include <limits>

using vemotest::PluginFixture;

using Parameters = PluginFixture;

TEST_F(Parameters, ConstructionLeavesTheLastProgramParameterSelected)
{
    EXPECT_EQ(plugin->getLastParameterIndex(), 46);
    EXPECT_EQ(plugin->getProgram(), 0);
}

TEST_F(Parameters, StoredInTheCurrentProgramAndTheEngine)
{
    plugin->setParameter(12, 0.3f);
    EXPECT_EQ(plugin->getParameter(12), 0.3f);
    EXPECT_EQ(plugin->program(0).parameter[12], 0.3f);
    EXPECT_EQ(plugin->getLastParameterIndex(), 12);

    plugin->setParameter(47, 0.5f);
    plugin->setParameter(-3, 0.5f);
    EXPECT_EQ(plugin->getLastParameterIndex(), 12);

    plugin->setParameter(5, 0.7f);
    EXPECT_EQ(plugin->getLastParameterIndex(), 5);
}

TEST_F(Parameters, NonFiniteValuesAreRefused)
{
    const float before = plugin->getParameter(12);
    plugin->setParameter(20, 0.25f);
    for (float bad : {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                      -std::numeric_limits<float>::infinity()}) {
        plugin->setParameter(12, bad);
        EXPECT_EQ(plugin->getParameter(12), before);
        EXPECT_EQ(plugin->program(0).parameter[12], before);
        EXPECT_EQ(plugin->getLastParameterIndex(), 20);
    }
}

TEST_F(Parameters, OutOfFormValuesAreStoredAndRenderSafely)
{
    // Stored unchanged, and the engine copes: menus truncate safely, no NaN.
    plugin->setParameter(27, 1e9f);
    plugin->setParameter(28, -7.5f);
    plugin->setParameter(13, 3.0f);
    plugin->setParameter(12, -2.0f);
    EXPECT_EQ(plugin->getParameter(27), 1e9f);
    sendEvents({midi(0, 0x90, 60, 100)});
    std::vector<float> l;
    renderFrames(4096, &l);
    for (float v : l)
        ASSERT_FALSE(std::isnan(v));
}

TEST_F(Parameters, AutomatedChangesReachTheHost)
{
    plugin->setParameterAutomated(12, 0.25f);
    EXPECT_EQ(plugin->getParameter(12), 0.25f);
    ASSERT_EQ(countCalls(audioMasterAutomate), 1);
    EXPECT_EQ(calls.back().opcode, audioMasterAutomate);
    EXPECT_EQ(calls.back().index, 12);
    EXPECT_EQ(calls.back().opt, 0.25f);
}

TEST_F(Parameters, ProgramChangeAppliesEveryValue)
{
    plugin->setProgram(3);
    EXPECT_EQ(plugin->getParameter(7), 1.0f);
    EXPECT_EQ(plugin->getLastParameterIndex(), 46);
    for (int i = 0; i < 47; ++i)
        EXPECT_EQ(plugin->getParameter(i), plugin->program(3).parameter[i]);
}

using Learn = PluginFixture;

TEST_F(Learn, FactoryBindingsDriveCutoffAndResonance)
{
    for (int program : {0, 5, 71, 119}) {
        plugin->setProgram(program);
        sendEvents({midi(0, 0xB0, 40, 127), midi(0, 0xB3, 42, 64)});
        renderFrames(1);
        EXPECT_EQ(plugin->getParameter(12), 1.0f) << program;
        EXPECT_EQ(plugin->getParameter(13), 64 * 0.007874016f) << program;
    }
    EXPECT_EQ(plugin->program(27).controllerMap[1], 46);
    EXPECT_EQ(plugin->program(26).controllerMap[1], 0);
}

TEST_F(Learn, IntoTheCurrentProgram)
{
    plugin->setProgram(2);
    plugin->setParameter(46, 1.0f);
    plugin->setParameter(20, 0.9f); // the control the user touches
    sendEvents({midi(0, 0xB0, 7, 64)});
    renderFrames(1);
    EXPECT_EQ(plugin->program(2).controllerMap[7], 20);
    EXPECT_EQ(plugin->getParameter(20), 64 * 0.007874016f); // acts in the same message
    EXPECT_EQ(plugin->program(3).controllerMap[7], 0);

    plugin->setParameter(46, 0.0f);
    plugin->setProgram(3);
    const float before = plugin->getParameter(20);
    sendEvents({midi(0, 0xB0, 7, 10)});
    renderFrames(1);
    EXPECT_EQ(plugin->getParameter(20), before); // other programs do not answer
}

TEST_F(Learn, IntoAllPrograms)
{
    plugin->setParameter(37, 1.0f);
    plugin->setParameter(21, 0.5f);
    sendEvents({midi(0, 0xBF, 7, 127)}); // channel 16 alike
    renderFrames(1);
    for (int k = 0; k < 120; ++k)
        ASSERT_EQ(plugin->program(k).controllerMap[7], 21) << k;
    EXPECT_EQ(plugin->getParameter(21), 1.0f);
}

TEST_F(Learn, LearnSwitchWithNothingTouchedBindsItself)
{
    plugin->setParameter(46, 1.0f);
    sendEvents({midi(0, 0xB0, 20, 0)});
    renderFrames(1);
    EXPECT_EQ(plugin->program(0).controllerMap[20], 46);
    EXPECT_EQ(plugin->getParameter(46), 0.0f); // the controller switched learning off

    // A binding made while the last parameter is 0 unbinds.
    plugin->setParameter(46, 1.0f);
    plugin->setParameter(0, 0.0f);
    sendEvents({midi(0, 0xB0, 40, 5)});
    renderFrames(1);
    EXPECT_EQ(plugin->program(0).controllerMap[40], 0);
}

TEST_F(Learn, AllNotesOffControllersStillLearnAndBind)
{
    plugin->setParameter(46, 1.0f);
    plugin->setParameter(24, 0.1f);
    sendEvents({midi(0, 0xB0, 123, 127), midi(5, 0x90, 60, 100)});
    renderFrames(16);
    EXPECT_EQ(plugin->program(0).controllerMap[123], 24);
    EXPECT_EQ(plugin->getParameter(24), 1.0f);
    EXPECT_TRUE(plugin->getEventQueue().empty()); // the note-on went with the queue
    for (auto& v : plugin->getEngine().voices)
        EXPECT_FALSE(v.gate);
}
