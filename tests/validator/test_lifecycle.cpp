// What plug-in validators check first: the module loads cold and warm, the
// entry point builds a sane AEffect, hosts' differing start-up orders work,
// every program can be selected and named, and saved state comes back
// exactly.
#include "support/ValidatorHost.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <dlfcn.h>
#include <memory>
#include <random>

using namespace validator;

namespace {

constexpr int32_t kPrograms = 120;
constexpr int32_t kParameters = 47;
constexpr size_t kRecordBytes = 1232;
constexpr size_t kBankBytes = kRecordBytes * kPrograms;

std::vector<unsigned char> chunk(Host& host, bool program)
{
    void* data = nullptr;
    const intptr_t size = host.dispatch(effGetChunk, program ? 1 : 0, 0, &data);
    if (size <= 0 || data == nullptr)
        return {};
    const auto* bytes = static_cast<const unsigned char*>(data);
    return std::vector<unsigned char>(bytes, bytes + size);
}

std::vector<float> parameters(Host& host)
{
    std::vector<float> values(kParameters);
    for (int32_t i = 0; i < kParameters; ++i)
        values[size_t(i)] = host.getParameter(i);
    return values;
}

float recordParameter(const std::vector<unsigned char>& bank, int32_t program, int32_t index)
{
    float v = 0.0f;
    std::memcpy(&v, bank.data() + size_t(program) * kRecordBytes + 24 + size_t(index) * 4, 4);
    return v;
}

// A host buffer pre-filled with a canary: how many bytes the plug-in wrote
// is the position of the last changed byte.
struct CanaryBuffer {
    static constexpr unsigned char kCanary = 0xA5;
    explicit CanaryBuffer(size_t size = 256) : bytes(size, kCanary) {}
    char* data() { return reinterpret_cast<char*>(bytes.data()); }
    std::string text() const { return std::string(reinterpret_cast<const char*>(bytes.data())); }
    size_t written() const
    {
        size_t last = 0;
        for (size_t i = 0; i < bytes.size(); ++i)
            if (bytes[i] != kCanary)
                last = i + 1;
        return last;
    }
    std::vector<unsigned char> bytes;
};

void expectSounds(Host& host, const char* what)
{
    const Rendered r = render(host, 8192, 512, {midiEvent(100, 0x90, 60, 100), midiEvent(6000, 0x80, 60, 0)});
    EXPECT_TRUE(r.check.clean()) << what << ": " << r.check.describe();
    EXPECT_GT(r.check.peak, 1e-3) << what << ": no sound from a note";
}

} // namespace

TEST(Lifecycle, EntryPointBuildsTheRecordHostsExpect)
{
    for (const char* entryName : {"VSTPluginMain", "main"}) {
        void* module = dlopen(VEMO_MODULE_PATH, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(module, nullptr) << dlerror();
        auto entry = reinterpret_cast<VstPluginMainProc>(dlsym(module, entryName));
        ASSERT_NE(entry, nullptr) << entryName;
        // A host that answers 0 to the version query gets no plug-in.
        static intptr_t versionAnswer = 0;
        auto callback = [](AEffect*, int32_t opcode, int32_t, intptr_t, void*, float) -> intptr_t {
            return opcode == audioMasterVersion ? versionAnswer : 0;
        };
        versionAnswer = 0;
        EXPECT_EQ(entry(callback), nullptr) << entryName;
        EXPECT_EQ(entry(nullptr), nullptr) << entryName;
        versionAnswer = 2400;
        AEffect* e = entry(callback);
        ASSERT_NE(e, nullptr) << entryName;
        EXPECT_EQ(e->magic, kEffectMagic);
        EXPECT_EQ(e->flags, 0x131); // editor, replacing, chunks, synth
        EXPECT_EQ(e->numInputs, 0);
        EXPECT_EQ(e->numOutputs, 2);
        EXPECT_EQ(e->numParams, kParameters);
        EXPECT_EQ(e->numPrograms, kPrograms);
        EXPECT_EQ(e->uniqueID, 0x38383235);
        EXPECT_EQ(e->initialDelay, 0);
        EXPECT_NE(e->processReplacing, nullptr);
        EXPECT_EQ(e->dispatcher(e, effClose, 0, 0, nullptr, 0.0f), 1);
        dlclose(module);
    }
}

TEST(Lifecycle, OpensColdAndWarmWithIndependentInstances)
{
    std::vector<unsigned char> coldBank;
    {
        Host cold;
        ASSERT_NE(cold.effect, nullptr) << cold.error;
        EXPECT_EQ(cold.foreignCalls(), 0);
        EXPECT_GE(cold.calls(audioMasterVersion), 1);
        cold.start(48000.0f, 512);
        EXPECT_EQ(cold.dispatch(effGetVstVersion), 2400);
        expectSounds(cold, "cold instance");
        cold.setParameter(12, 0.25f); // must not leak into the next instance
        cold.dispatch(effSetProgram, 0, 0);
        coldBank = chunk(cold, false);
        ASSERT_EQ(coldBank.size(), kBankBytes);
        EXPECT_EQ(cold.close(), 1);
    }
    // Everything closed and released: the module leaves the process (a
    // plug-in scanner loads and unloads hundreds of modules), and the next
    // load starts from scratch with the factory bank.
    if (void* still = dlopen(VEMO_MODULE_PATH, RTLD_NOW | RTLD_NOLOAD)) {
        dlclose(still);
        ADD_FAILURE() << "the module stays loaded after its last instance is closed and released";
    }
    Host warm;
    ASSERT_NE(warm.effect, nullptr) << warm.error;
    warm.start(44100.0f, 256);
    std::vector<unsigned char> warmBank = chunk(warm, false);
    ASSERT_EQ(warmBank.size(), kBankBytes);
    EXPECT_NE(recordParameter(warmBank, 0, 12), 0.25f);
    EXPECT_EQ(std::memcmp(coldBank.data() + kRecordBytes, warmBank.data() + kRecordBytes,
                          kBankBytes - kRecordBytes),
              0)
        << "programs 1..119 differ between a first and a later instance";

    // A second instance alongside: its own parameters, programs and voices.
    Host second;
    ASSERT_NE(second.effect, nullptr) << second.error;
    second.start(96000.0f, 64);
    second.setParameter(12, 0.125f);
    second.dispatch(effSetProgram, 0, 5);
    EXPECT_EQ(warm.dispatch(effGetProgram), 0);
    EXPECT_EQ(second.dispatch(effGetProgram), 5);
    EXPECT_NE(warm.getParameter(12), 0.125f);
    // Silence is not exactly 0 (the output high-pass settles at a tiny
    // offset that keeps its state normal), but far below anything audible.
    const Rendered quiet = render(warm, 4096, 512);
    EXPECT_LT(quiet.check.peak, 1e-5);
    expectSounds(second, "second instance");
    const Rendered stillQuiet = render(warm, 4096, 512);
    EXPECT_LT(stillQuiet.check.peak, 1e-5) << "a note on one instance sounds in another";
    EXPECT_EQ(warm.foreignCalls() + second.foreignCalls(), 0);
}

TEST(Lifecycle, StartsInTheOrdersRealHostsUse)
{
    {
        // Ardour: open, version, rate, block, mains on; never effStartProcess.
        Host ardour;
        ASSERT_NE(ardour.effect, nullptr) << ardour.error;
        ardour.start(48000.0f, 1024);
        expectSounds(ardour, "Ardour order");
        ardour.dispatch(effMainsChanged, 0, 0);
    }
    {
        // Carla: rate and block before open, then mains on and start process.
        Host carla;
        ASSERT_NE(carla.effect, nullptr) << carla.error;
        carla.dispatch(effSetSampleRate, 0, 0, nullptr, 44100.0f);
        carla.dispatch(effSetBlockSize, 0, 512);
        carla.dispatch(effOpen);
        carla.dispatch(effMainsChanged, 0, 1);
        carla.dispatch(effStartProcess);
        expectSounds(carla, "Carla order");
        carla.dispatch(effStopProcess);
        carla.dispatch(effMainsChanged, 0, 0);
    }
    {
        // JUCE-based hosts and validators: effOpen twice, program 0, every
        // program name into a large buffer, rate changes while mains is on.
        Host juce;
        ASSERT_NE(juce.effect, nullptr) << juce.error;
        juce.dispatch(effOpen);
        juce.dispatch(effOpen);
        juce.dispatch(effSetProgram, 0, 0);
        for (int32_t p = 0; p < kPrograms; ++p) {
            CanaryBuffer name(256);
            EXPECT_EQ(juce.dispatch(effGetProgramNameIndexed, p, -1, name.data()), 1);
            EXPECT_FALSE(name.text().empty()) << "program " << p;
        }
        juce.dispatch(effSetSampleRate, 0, 0, nullptr, 44100.0f);
        juce.dispatch(effSetBlockSize, 0, 480);
        juce.dispatch(effMainsChanged, 0, 1);
        juce.dispatch(effSetSampleRate, 0, 0, nullptr, 48000.0f);
        expectSounds(juce, "JUCE order");
    }
    {
        // A host that never opens, never sets a rate and never switches
        // mains on still gets sound at the default rate.
        Host bare;
        ASSERT_NE(bare.effect, nullptr) << bare.error;
        expectSounds(bare, "no set-up calls");
    }
}

TEST(Lifecycle, ClosesWithNotesSoundingAndEventsQueued)
{
    Host host;
    ASSERT_NE(host.effect, nullptr) << host.error;
    host.start(44100.0f, 128);
    EventList list;
    for (int n = 0; n < 6; ++n)
        list.add(midiEvent(n, 0x90, 48 + n * 3, 110));
    list.add(midiEvent(100000, 0x80, 48, 0)); // far beyond the block: stays queued
    host.processEvents(list);
    std::vector<float> left(128), right(128);
    host.process(left.data(), right.data(), 128);
    host.dispatch(effMainsChanged, 0, 0);
    EXPECT_EQ(host.close(), 1);
    EXPECT_EQ(host.effect, nullptr);
}

TEST(Parameters, NamesFitAndEveryParameterIsAutomatable)
{
    Host host;
    ASSERT_NE(host.effect, nullptr) << host.error;
    for (int32_t i = 0; i < kParameters; ++i) {
        CanaryBuffer name(64);
        host.dispatch(effGetParamName, i, 0, name.data());
        EXPECT_FALSE(name.text().empty()) << "parameter " << i;
        EXPECT_LE(name.written(), 18u) << "parameter " << i << " name " << name.text();
        EXPECT_EQ(host.dispatch(effCanBeAutomated, i), 1) << "parameter " << i;
        const float v = host.getParameter(i);
        EXPECT_TRUE(std::isfinite(v)) << "parameter " << i;
    }
    EXPECT_EQ(host.getParameter(kParameters), 0.0f);
    EXPECT_EQ(host.getParameter(-1), 0.0f);
    CanaryBuffer effectName(64), vendor(64), product(64);
    EXPECT_EQ(host.dispatch(effGetEffectName, 0, 0, effectName.data()), 1);
    EXPECT_EQ(host.dispatch(effGetVendorString, 0, 0, vendor.data()), 1);
    EXPECT_EQ(host.dispatch(effGetProductString, 0, 0, product.data()), 1);
    EXPECT_EQ(effectName.text(), "Ravelle - VEMO");
    EXPECT_EQ(vendor.text(), "VEMO - Kestrune");
    EXPECT_EQ(product.text(), "Ravelle - VEMO");
    EXPECT_LE(effectName.written(), size_t(kVstMaxEffectNameLen));
    EXPECT_LE(vendor.written(), size_t(kVstMaxVendorStrLen));
    EXPECT_EQ(host.dispatch(effCanDo, 0, 0, const_cast<char*>("receiveVstMidiEvent")), 1);
    EXPECT_EQ(host.dispatch(effCanDo, 0, 0, const_cast<char*>("sendVstMidiEvent")), -1);
}

TEST(Programs, EveryProgramIsSelectedNamedAndPlayed)
{
    Host host;
    ASSERT_NE(host.effect, nullptr) << host.error;
    host.start(44100.0f, 256);
    const std::vector<unsigned char> bank = chunk(host, false);
    ASSERT_EQ(bank.size(), kBankBytes);
    for (int32_t p = 0; p < kPrograms; ++p) {
        SCOPED_TRACE("program " + std::to_string(p));
        host.dispatch(effSetProgram, 0, p);
        ASSERT_EQ(host.dispatch(effGetProgram), p);

        CanaryBuffer current(256), indexed(256);
        host.dispatch(effGetProgramName, 0, 0, current.data());
        EXPECT_EQ(host.dispatch(effGetProgramNameIndexed, p, 0, indexed.data()), 1);
        EXPECT_FALSE(current.text().empty());
        EXPECT_EQ(current.text(), indexed.text());
        // At most 24 characters and the terminator: what hosts allocate for
        // a program name (the documented 24 plus one).
        EXPECT_LE(current.text().size(), 24u);
        EXPECT_LE(current.written(), 25u);
        EXPECT_LE(indexed.written(), 25u);

        for (int32_t i = 0; i < kParameters; ++i)
            EXPECT_EQ(host.getParameter(i), recordParameter(bank, p, i)) << "parameter " << i;

        // Each sound plays: a short chord, released, all samples clean.
        const Rendered r = render(host, 3000, 256,
                                  {midiEvent(0, 0x90, 48, 100), midiEvent(0, 0x90, 55, 90),
                                   midiEvent(10, 0x90, 64, 80), midiEvent(1500, 0xB0, 123, 0)});
        EXPECT_TRUE(r.check.clean()) << r.check.describe();
    }
    // Out-of-range requests change nothing and write nothing.
    CanaryBuffer none(64);
    EXPECT_EQ(host.dispatch(effGetProgramNameIndexed, kPrograms, 0, none.data()), 0);
    EXPECT_EQ(none.written(), 0u);
    host.dispatch(effSetProgram, 0, kPrograms);
    EXPECT_EQ(host.dispatch(effGetProgram), kPrograms - 1);
}

namespace {

// Randomises every parameter within its form, renames the program and
// learns a controller binding: all of it must go when the state comes back.
void scramble(Host& host, std::mt19937& rng)
{
    for (int32_t i = 0; i < kParameters; ++i)
        if (i != 37 && i != 46)
            host.setParameter(i, randomValue(i, rng));
    char name[] = "scrambled";
    host.dispatch(effSetProgramName, 0, 0, name);
    host.setParameter(46, 1.0f); // learn into this program: CC 77 -> last touched
    host.setParameter(24, 0.3f);
    EventList list;
    list.add(midiEvent(0, 0xB0, 77, 100));
    host.processEvents(list);
    std::vector<float> l(16), r(16);
    host.process(l.data(), r.data(), 16);
    host.setParameter(46, 0.0f);
}

} // namespace

TEST(State, BankSavedScrambledAndRestoredComesBackExactly)
{
    Host host;
    ASSERT_NE(host.effect, nullptr) << host.error;
    host.start(44100.0f, 512);
    std::mt19937 rng(1234);
    host.dispatch(effSetProgram, 0, 14);
    // Some prior edits so the saved state is not the factory bank.
    for (int32_t i = 0; i < kParameters; ++i)
        if (i != 37 && i != 46)
            host.setParameter(i, randomValue(i, rng));
    const std::vector<unsigned char> saved = chunk(host, false);
    const std::vector<float> values = parameters(host);
    ASSERT_EQ(saved.size(), kBankBytes);

    for (int round = 0; round < 3; ++round) {
        for (int32_t p : {14, 3, 77}) {
            host.dispatch(effSetProgram, 0, p);
            scramble(host, rng);
        }
        host.dispatch(effSetProgram, 0, 14);
        ASSERT_NE(chunk(host, false), saved);
        EXPECT_EQ(host.dispatch(effSetChunk, 0, intptr_t(saved.size()), const_cast<unsigned char*>(saved.data())), 1);
        EXPECT_EQ(parameters(host), values) << "round " << round;
        EXPECT_EQ(chunk(host, false), saved) << "round " << round;
    }

    // A project reload: the saved bank into a fresh instance, then its program.
    Host reloaded;
    ASSERT_NE(reloaded.effect, nullptr) << reloaded.error;
    reloaded.start(48000.0f, 512);
    EXPECT_EQ(reloaded.dispatch(effSetChunk, 0, intptr_t(saved.size()), const_cast<unsigned char*>(saved.data())), 1);
    reloaded.dispatch(effSetProgram, 0, 14);
    EXPECT_EQ(parameters(reloaded), values);
    EXPECT_EQ(chunk(reloaded, false), saved);
}

TEST(State, ProgramSavedScrambledAndRestoredComesBackExactly)
{
    Host host;
    ASSERT_NE(host.effect, nullptr) << host.error;
    host.start(44100.0f, 512);
    std::mt19937 rng(99);
    for (int32_t p : {0, 27, 40, 119}) {
        SCOPED_TRACE("program " + std::to_string(p));
        host.dispatch(effSetProgram, 0, p);
        const std::vector<unsigned char> saved = chunk(host, true);
        const std::vector<unsigned char> bankBefore = chunk(host, false);
        const std::vector<float> values = parameters(host);
        ASSERT_EQ(saved.size(), kRecordBytes);
        scramble(host, rng);
        ASSERT_NE(chunk(host, true), saved);
        EXPECT_EQ(host.dispatch(effSetChunk, 1, intptr_t(saved.size()), const_cast<unsigned char*>(saved.data())), 1);
        EXPECT_EQ(parameters(host), values);
        EXPECT_EQ(chunk(host, true), saved);
        EXPECT_EQ(chunk(host, false), bankBefore) << "other programs changed";
    }
}
