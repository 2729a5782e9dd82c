#include "tools/vemo-render/PresetIO.h"

#include "tools/vemo-render/MidiFile.h"
#include "tools/vemo-render/PluginHost.h"

#include <filesystem>
#include <fstream>

namespace vemo::render {

namespace {

ProgramParams currentValues(PluginHost& host)
{
    ProgramParams program;
    program.name = host.currentProgramName();
    program.values.resize(size_t(host.info().numParams));
    for (int i = 0; i < host.info().numParams; ++i)
        program.values[size_t(i)] = host.getParameter(i);
    return program;
}

void applyValues(PluginHost& host, const ProgramParams& program)
{
    host.setCurrentProgramName(program.name);
    for (size_t i = 0; i < program.values.size(); ++i)
        host.setParameter(int(i), program.values[i]);
}

} // namespace

PresetFile capturePreset(PluginHost& host, bool bank)
{
    const PluginInfo& info = host.info();
    PresetFile preset;
    preset.fxID = info.uniqueID;
    preset.fxVersion = info.version;
    preset.numParams = info.numParams;
    preset.numPrograms = info.numPrograms;
    int current = host.currentProgram();
    preset.currentProgram = current;
    if (host.usesChunks()) {
        preset.kind = bank ? PresetKind::BankChunk : PresetKind::ProgramChunk;
        preset.program.name = host.currentProgramName();
        preset.chunk = host.getChunk(!bank);
        if (preset.chunk.empty())
            throw PresetFileError("the plug-in gave no state chunk");
    } else if (!bank) {
        preset.kind = PresetKind::ProgramParams;
        preset.program = currentValues(host);
    } else {
        preset.kind = PresetKind::BankParams;
        for (int p = 0; p < info.numPrograms; ++p) {
            host.setProgram(p);
            preset.programs.push_back(currentValues(host));
        }
        if (info.numPrograms > 0)
            host.setProgram(current);
    }
    return preset;
}

void applyPreset(PluginHost& host, const PresetFile& preset, bool bank)
{
    const PluginInfo& info = host.info();
    checkPresetFits(preset, bank, info.uniqueID, info.numParams, info.numPrograms, host.usesChunks());
    switch (preset.kind) {
    case PresetKind::ProgramParams:
        applyValues(host, preset.program);
        break;
    case PresetKind::ProgramChunk:
    case PresetKind::BankChunk:
        if (!host.setChunk(preset.chunk, preset.kind == PresetKind::ProgramChunk))
            throw PresetFileError("the plug-in refused the state chunk");
        break;
    case PresetKind::BankParams: {
        int current = host.currentProgram();
        for (size_t p = 0; p < preset.programs.size(); ++p) {
            host.setProgram(int(p));
            applyValues(host, preset.programs[p]);
        }
        host.setProgram(current);
        break;
    }
    }
    if (isBank(preset.kind) && preset.currentProgram >= 0 && preset.currentProgram < info.numPrograms)
        host.setProgram(preset.currentProgram);
}

void savePresetFile(PluginHost& host, const std::string& path, bool bank)
{
    std::vector<uint8_t> bytes;
    try {
        bytes = writePreset(capturePreset(host, bank));
    } catch (const PresetFileError& e) {
        throw PresetFileError(path + ": " + e.what());
    }
    std::filesystem::path target(path);
    std::error_code ignored;
    if (target.has_parent_path())
        std::filesystem::create_directories(target.parent_path(), ignored);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out || !out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size())) ||
        !out.flush())
        throw PresetFileError(path + ": cannot write the file");
}

void loadPresetFile(PluginHost& host, const std::string& path, bool bank)
{
    std::vector<uint8_t> bytes;
    try {
        bytes = readFileBytes(path, kMaxPresetFileBytes);
        applyPreset(host, parsePreset(bytes), bank);
    } catch (const PresetFileError& e) {
        throw PresetFileError(path + ": " + e.what());
    } catch (const std::runtime_error& e) {
        throw PresetFileError(e.what()); // readFileBytes names the path already
    }
}

} // namespace vemo::render
