// .fxp/.fxb files: the byte layout other hosts expect, round trips through
// fresh plug-in instances, and files that must be refused.
#include "ToolsTestSupport.h"
#include "tools/vemo-render/PresetFile.h"
#include "tools/vemo-render/PresetIO.h"

#include <gtest/gtest.h>

using namespace vemo::render;
using namespace vemo::render::test;

namespace {

uint32_t be32(const std::vector<uint8_t>& b, size_t at)
{
    return (uint32_t(b[at]) << 24) | (uint32_t(b[at + 1]) << 16) | (uint32_t(b[at + 2]) << 8) | b[at + 3];
}

void setBe32(std::vector<uint8_t>& b, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + size_t(i)] = uint8_t(v >> (24 - 8 * i));
}

std::string refusal(const std::vector<uint8_t>& bytes)
{
    try {
        parsePreset(bytes);
    } catch (const PresetFileError& e) {
        return e.what();
    }
    return "";
}

// Edits the plug-in so that its state differs from the defaults everywhere.
void scramble(PluginHost& host)
{
    for (int p = 0; p < host.info().numPrograms; ++p) {
        host.setProgram(p);
        host.setCurrentProgramName("Edited " + std::to_string(p * 7));
        for (int i = 0; i < host.info().numParams; ++i)
            host.setParameter(i, float(p * 10 + i) / 100.0f);
    }
    host.setProgram(2);
}

} // namespace

TEST(PresetFile, ChunkFilesHaveTheStandardLayout)
{
    PresetFile program;
    program.kind = PresetKind::ProgramChunk;
    program.fxID = 0x38383235;
    program.fxVersion = 1;
    program.numParams = 47;
    program.program.name = "A name longer than the twenty-seven characters";
    program.chunk = std::vector<uint8_t>(1232, 0xAB);
    std::vector<uint8_t> fxp = writePreset(program);
    ASSERT_EQ(fxp.size(), 60u + 1232u);
    EXPECT_EQ(std::string(fxp.begin(), fxp.begin() + 4), "CcnK");
    EXPECT_EQ(be32(fxp, 4), fxp.size() - 8);
    EXPECT_EQ(std::string(fxp.begin() + 8, fxp.begin() + 12), "FPCh");
    EXPECT_EQ(be32(fxp, 12), 1u);
    EXPECT_EQ(be32(fxp, 16), 0x38383235u);
    EXPECT_EQ(be32(fxp, 20), 1u);
    EXPECT_EQ(be32(fxp, 24), 47u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&fxp[28])), "A name longer than the twen");
    EXPECT_EQ(be32(fxp, 56), 1232u);
    EXPECT_EQ(fxp[60], 0xAB);

    PresetFile bank = program;
    bank.kind = PresetKind::BankChunk;
    bank.numPrograms = 120;
    bank.currentProgram = 5;
    bank.chunk = std::vector<uint8_t>(147840, 0x11);
    std::vector<uint8_t> fxb = writePreset(bank);
    ASSERT_EQ(fxb.size(), 160u + 147840u);
    EXPECT_EQ(be32(fxb, 4), fxb.size() - 8);
    EXPECT_EQ(std::string(fxb.begin() + 8, fxb.begin() + 12), "FBCh");
    EXPECT_EQ(be32(fxb, 12), 1u); // version 1 even with a current program
    EXPECT_EQ(be32(fxb, 24), 120u);
    EXPECT_EQ(be32(fxb, 28), 5u);
    EXPECT_EQ(be32(fxb, 156), 147840u);

    PresetFile back = parsePreset(fxb);
    EXPECT_EQ(back.kind, PresetKind::BankChunk);
    EXPECT_EQ(back.chunk, bank.chunk);
    EXPECT_EQ(back.currentProgram, -1); // version 1 carries none
    setBe32(fxb, 12, 2);
    EXPECT_EQ(parsePreset(fxb).currentProgram, 5);
}

TEST(PresetFile, ParameterFilesHaveTheStandardLayout)
{
    PresetFile bank;
    bank.kind = PresetKind::BankParams;
    bank.fxID = 0x41424344;
    bank.fxVersion = 9;
    for (int p = 0; p < 3; ++p)
        bank.programs.push_back({"P" + std::to_string(p), {0.5f, -1.0f, float(p)}});
    bank.numPrograms = 3;
    std::vector<uint8_t> fxb = writePreset(bank);
    ASSERT_EQ(fxb.size(), 156u + 3 * (56u + 12u));
    EXPECT_EQ(std::string(fxb.begin() + 8, fxb.begin() + 12), "FxBk");
    EXPECT_EQ(be32(fxb, 4), fxb.size() - 8);
    size_t second = 156 + 68;
    EXPECT_EQ(std::string(fxb.begin() + long(second), fxb.begin() + long(second) + 4), "CcnK");
    EXPECT_EQ(be32(fxb, second + 4), 60u);
    EXPECT_EQ(std::string(fxb.begin() + long(second) + 8, fxb.begin() + long(second) + 12), "FxCk");
    EXPECT_EQ(be32(fxb, second + 24), 3u);
    EXPECT_EQ(be32(fxb, second + 56), 0x3F000000u); // 0.5f, big-endian
    EXPECT_EQ(be32(fxb, second + 60), 0xBF800000u); // -1.0f

    PresetFile back = parsePreset(fxb);
    ASSERT_EQ(back.programs.size(), 3u);
    EXPECT_EQ(back.programs[2].name, "P2");
    EXPECT_EQ(back.programs[2].values, (std::vector<float>{0.5f, -1.0f, 2.0f}));
}

TEST(PresetFile, FilesThatDoNotAddUpAreRefused)
{
    PresetFile program;
    program.kind = PresetKind::ProgramChunk;
    program.fxID = 1;
    program.chunk = {1, 2, 3, 4, 5};
    std::vector<uint8_t> good = writePreset(program);
    ASSERT_EQ(refusal(good), "");

    auto edited = [&](size_t at, uint32_t value) {
        std::vector<uint8_t> b = good;
        setBe32(b, at, value);
        return b;
    };
    std::vector<uint8_t> longer = good;
    longer.push_back(0);
    EXPECT_NE(refusal(edited(0, 0x43636E4C)).find("CcnK"), std::string::npos);
    EXPECT_NE(refusal(edited(4, uint32_t(good.size()))).find("does not match"), std::string::npos);
    EXPECT_NE(refusal(edited(8, 0x58585858)).find("unknown preset kind 'XXXX'"), std::string::npos);
    EXPECT_NE(refusal(edited(12, 3)).find("version 3"), std::string::npos);
    EXPECT_NE(refusal(edited(56, 6)).find("chunk size"), std::string::npos);
    EXPECT_NE(refusal(edited(56, 0xFFFFFFFF)).find("chunk size"), std::string::npos);
    EXPECT_NE(refusal(longer).find("does not match"), std::string::npos);

    // Every cut of every kind is refused, never read past its end.
    PresetFile params;
    params.kind = PresetKind::BankParams;
    params.programs = {{"a", {1, 2}}, {"b", {3, 4}}};
    params.numPrograms = 2;
    for (const auto& bytes : {good, writePreset(params)})
        for (size_t n = 0; n < bytes.size(); ++n) {
            std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + long(n));
            if (n >= 8)
                setBe32(cut, 4, uint32_t(n - 8)); // even with a matching outer size
            EXPECT_NE(refusal(cut), "") << n;
        }
    std::vector<uint8_t> bank = writePreset(params);
    setBe32(bank, 24, 1000000); // more programs than the file holds
    EXPECT_NE(refusal(bank).find("declares 1000000 programs"), std::string::npos);
}

TEST(PresetFile, FilesForAnotherPluginOrOfTheWrongKindAreRefused)
{
    PresetFile bank;
    bank.kind = PresetKind::BankChunk;
    bank.fxID = 0x38383235;
    bank.chunk = {0};
    EXPECT_NO_THROW(checkPresetFits(bank, true, 0x38383235, 47, 120, true));
    try {
        checkPresetFits(bank, true, 0x12345678, 47, 120, true);
        FAIL();
    } catch (const PresetFileError& e) {
        EXPECT_NE(std::string(e.what()).find("0x38383235 ('8825')"), std::string::npos) << e.what();
        EXPECT_NE(std::string(e.what()).find("not for this plug-in"), std::string::npos) << e.what();
    }
    EXPECT_THROW(checkPresetFits(bank, false, 0x38383235, 47, 120, true), PresetFileError);
    EXPECT_THROW(checkPresetFits(bank, true, 0x38383235, 47, 120, false), PresetFileError);
    PresetFile program;
    program.kind = PresetKind::ProgramParams;
    program.fxID = 7;
    program.program.values = {0.0f, 1.0f};
    EXPECT_THROW(checkPresetFits(program, false, 7, 3, 1, false), PresetFileError);
}

TEST(PresetIO, ChunkPresetsRoundTripIntoAFreshInstance)
{
    TempDir dir;
    std::vector<uint8_t> bankChunk, programChunk;
    {
        PluginHost host(TEST_SYNTH_CHUNKS_PATH, 44100.0, 64);
        scramble(host);
        bankChunk = host.getChunk(false);
        programChunk = host.getChunk(true);
        savePresetFile(host, dir.file("bank.fxb"), true);
        savePresetFile(host, dir.file("sub/program.fxp"), false);
    }
    std::vector<uint8_t> fxp = readFileBytes(dir.file("sub/program.fxp"), 1 << 20);
    EXPECT_EQ(std::string(fxp.begin() + 8, fxp.begin() + 12), "FPCh");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&fxp[28])), "Edited 14");
    {
        PluginHost fresh(TEST_SYNTH_CHUNKS_PATH, 44100.0, 64);
        ASSERT_NE(fresh.getChunk(false), bankChunk);
        loadPresetFile(fresh, dir.file("bank.fxb"), true);
        EXPECT_EQ(fresh.getChunk(false), bankChunk);
    }
    {
        PluginHost fresh(TEST_SYNTH_CHUNKS_PATH, 44100.0, 64);
        fresh.setProgram(5); // a program file lands in the current slot
        loadPresetFile(fresh, dir.file("sub/program.fxp"), false);
        EXPECT_EQ(fresh.getChunk(true), programChunk);
        EXPECT_EQ(fresh.currentProgram(), 5);
        EXPECT_EQ(fresh.programName(2), "Sine 3");
    }
}

TEST(PresetIO, ParameterPresetsRoundTripIntoAFreshInstance)
{
    TempDir dir;
    std::vector<std::vector<float>> values;
    std::vector<std::string> names;
    {
        PluginHost host(TEST_SYNTH_PARAMS_PATH, 44100.0, 64);
        ASSERT_FALSE(host.usesChunks());
        scramble(host);
        for (int p = 0; p < host.info().numPrograms; ++p) {
            host.setProgram(p);
            names.push_back(host.currentProgramName());
            values.emplace_back();
            for (int i = 0; i < host.info().numParams; ++i)
                values.back().push_back(host.getParameter(i));
        }
        host.setProgram(2);
        savePresetFile(host, dir.file("bank.fxb"), true);
        savePresetFile(host, dir.file("program.fxp"), false);
        EXPECT_EQ(host.currentProgram(), 2); // saving a bank leaves the current program alone
    }
    std::vector<uint8_t> fxb = readFileBytes(dir.file("bank.fxb"), 1 << 20);
    EXPECT_EQ(std::string(fxb.begin() + 8, fxb.begin() + 12), "FxBk");
    {
        PluginHost fresh(TEST_SYNTH_PARAMS_PATH, 44100.0, 64);
        loadPresetFile(fresh, dir.file("bank.fxb"), true);
        for (int p = 0; p < fresh.info().numPrograms; ++p) {
            fresh.setProgram(p);
            EXPECT_EQ(fresh.currentProgramName(), names[size_t(p)]);
            for (int i = 0; i < fresh.info().numParams; ++i)
                EXPECT_EQ(fresh.getParameter(i), values[size_t(p)][size_t(i)]);
        }
    }
    {
        PluginHost fresh(TEST_SYNTH_PARAMS_PATH, 44100.0, 64);
        fresh.setProgram(6);
        loadPresetFile(fresh, dir.file("program.fxp"), false);
        EXPECT_EQ(fresh.currentProgramName(), names[2]);
        for (int i = 0; i < fresh.info().numParams; ++i)
            EXPECT_EQ(fresh.getParameter(i), values[2][size_t(i)]);
    }
}

TEST(PresetIO, ABankForAnotherPluginIsRefusedAndChangesNothing)
{
    TempDir dir;
    {
        PluginHost chunks(TEST_SYNTH_CHUNKS_PATH, 44100.0, 64);
        scramble(chunks);
        savePresetFile(chunks, dir.file("other.fxb"), true);
    }
    PluginHost host(TEST_SYNTH_PARAMS_PATH, 44100.0, 64);
    std::vector<float> before;
    for (int i = 0; i < host.info().numParams; ++i)
        before.push_back(host.getParameter(i));
    try {
        loadPresetFile(host, dir.file("other.fxb"), true);
        FAIL();
    } catch (const PresetFileError& e) {
        std::string what = e.what();
        EXPECT_NE(what.find(dir.file("other.fxb")), std::string::npos) << what;
        EXPECT_NE(what.find("'VtSc'"), std::string::npos) << what;
    }
    for (int i = 0; i < host.info().numParams; ++i)
        EXPECT_EQ(host.getParameter(i), before[size_t(i)]);
}
