// State chunks: the bank or one program as raw records, restored safely.
#include "PluginFixture.h"
#include "core/FactoryBank.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

using vemotest::PluginFixture;

using Chunks = PluginFixture;

namespace {
std::vector<unsigned char> take(VemoVst& p, bool preset)
{
    void* data = nullptr;
    const int32_t size = p.getChunk(&data, preset);
    const auto* bytes = static_cast<const unsigned char*>(data);
    return std::vector<unsigned char>(bytes, bytes + size);
}
} // namespace

TEST_F(Chunks, BankAfterConstructionIsTheFactoryBank)
{
    auto bank = take(*plugin, false);
    ASSERT_EQ(bank.size(), 147840u);
    EXPECT_EQ(std::memcmp(bank.data(), factoryBank(), bank.size()), 0);
    // Little-endian records: program 0's name, then CUTOFF of program 0 at 24 + 4*12.
    EXPECT_EQ(std::memcmp(bank.data(), "Startup", 8), 0);
    const unsigned char one[4] = {0x00, 0x00, 0x80, 0x3f};
    EXPECT_EQ(std::memcmp(bank.data() + 24 + 4 * 12, one, 4), 0);
    // Controller 40 of program 1 binds parameter 12.
    EXPECT_EQ(bank[1232 + 212 + 4 * 40], 12);
}

TEST_F(Chunks, BankRoundTripRestoresNamesValuesAndBindings)
{
    // A learned binding and an edit in the saved state.
    plugin->setProgram(7);
    plugin->setParameter(46, 1.0f);
    plugin->setParameter(15, 0.42f);
    sendEvents({midi(0, 0xB0, 9, 100)});
    renderFrames(1);
    plugin->setParameter(46, 0.0f);
    char name[] = "My Sound";
    plugin->setProgramName(name);
    auto saved = take(*plugin, false);

    // Change everything.
    for (int k = 0; k < 120; ++k) {
        plugin->setProgram(k);
        char other[] = "other";
        plugin->setProgramName(other);
        for (int i = 0; i < 47; ++i)
            plugin->setParameter(i, 0.5f);
    }
    plugin->setProgram(7);
    ASSERT_EQ(plugin->setChunk(saved.data(), int32_t(saved.size()), false), 1);
    EXPECT_EQ(take(*plugin, false), saved);
    // The learned controller set its parameter as it was bound.
    EXPECT_EQ(plugin->getParameter(15), 100 * 0.007874016f); // the current program applied at once
    EXPECT_EQ(plugin->getLastParameterIndex(), 46);
    EXPECT_EQ(plugin->program(7).controllerMap[9], 15);
    sendEvents({midi(0, 0xB0, 9, 127)});
    renderFrames(1);
    EXPECT_EQ(plugin->getParameter(15), 1.0f); // the binding is in force
}

TEST_F(Chunks, ProgramChunkRestoresIntoTheCurrentSlot)
{
    plugin->setProgram(2);
    auto two = take(*plugin, true);
    ASSERT_EQ(two.size(), 1232u);
    const ProgramRecord before2 = plugin->program(2);
    plugin->setProgram(5);
    ASSERT_EQ(plugin->setChunk(two.data(), int32_t(two.size()), true), 1);
    EXPECT_EQ(std::memcmp(&plugin->program(5), two.data(), 1232), 0);
    EXPECT_EQ(std::memcmp(&plugin->program(2), &before2, 1232), 0);
    EXPECT_EQ(plugin->getProgram(), 5);
    for (int i = 0; i < 47; ++i)
        EXPECT_EQ(plugin->getParameter(i), before2.parameter[i]);
}

TEST_F(Chunks, BadChunksAreRefusedAndChangeNothing)
{
    plugin->setProgram(4);
    const auto bank = take(*plugin, false);
    const float cutoff = plugin->getParameter(12);
    std::vector<unsigned char> data(bank);

    EXPECT_EQ(plugin->setChunk(nullptr, 147840, false), 0);
    for (int32_t size : {0, -1, 1, 1231, 1233, 147839, 147841, 2 * 147840})
        EXPECT_EQ(plugin->setChunk(data.data(), size, false), 0) << size;
    for (int32_t size : {0, 1231, 1233, 147840})
        EXPECT_EQ(plugin->setChunk(data.data(), size, true), 0) << size;

    // One NaN or infinity anywhere refuses the whole bank.
    for (float bad : {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity()}) {
        std::vector<unsigned char> poisoned(bank);
        std::memcpy(poisoned.data() + 1232 * 100 + 24 + 4 * 30, &bad, 4);
        std::memcpy(poisoned.data(), "Overwritten", 12);
        EXPECT_EQ(plugin->setChunk(poisoned.data(), 147840, false), 0);
        std::vector<unsigned char> program(poisoned.begin() + 1232 * 100, poisoned.begin() + 1232 * 101);
        EXPECT_EQ(plugin->setChunk(program.data(), 1232, true), 0);
    }
    EXPECT_EQ(take(*plugin, false), bank);
    EXPECT_EQ(plugin->getParameter(12), cutoff);
    EXPECT_EQ(plugin->getProgram(), 4);
}

TEST_F(Chunks, ThroughTheDispatcher)
{
    void* data = nullptr;
    EXPECT_EQ(dispatch(effGetChunk, 0, 0, &data), 147840);
    std::vector<unsigned char> copy(static_cast<unsigned char*>(data), static_cast<unsigned char*>(data) + 147840);
    EXPECT_EQ(dispatch(effGetChunk, 1, 0, &data), 1232);
    EXPECT_EQ(dispatch(effSetChunk, 0, 147840, copy.data()), 1);
    EXPECT_EQ(dispatch(effSetChunk, 1, 1232, copy.data() + 1232 * 3), 1);
    EXPECT_EQ(std::memcmp(&plugin->program(0), copy.data() + 1232 * 3, 1232), 0);
    EXPECT_EQ(dispatch(effGetChunk, 0, 0, nullptr), 0);
}

TEST_F(Chunks, UnboundAndOutOfRangeBindingsAreHarmless)
{
    auto program = take(*plugin, true);
    int32_t map[3] = {0, 47, -5};
    std::memcpy(program.data() + 212 + 4 * 10, &map[1], 4);
    std::memcpy(program.data() + 212 + 4 * 11, &map[2], 4);
    std::memcpy(program.data() + 212 + 4 * 127, &map[1], 4);
    ASSERT_EQ(plugin->setChunk(program.data(), 1232, true), 1);
    sendEvents({midi(0, 0xB0, 10, 100), midi(0, 0xB0, 11, 100), midi(0, 0xB0, 127, 100)});
    renderFrames(4);
    EXPECT_EQ(plugin->getLastParameterIndex(), 46);
}
