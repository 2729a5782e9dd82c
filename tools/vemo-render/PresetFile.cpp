#include "tools/vemo-render/PresetFile.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace vemo::render {

namespace {

constexpr size_t kProgramHeader = 56; // through the name
constexpr size_t kBankHeader = 156;   // through the reserved bytes

int32_t fourCC(const char* s)
{
    return int32_t((uint32_t(uint8_t(s[0])) << 24) | (uint32_t(uint8_t(s[1])) << 16) |
                   (uint32_t(uint8_t(s[2])) << 8) | uint32_t(uint8_t(s[3])));
}

uint32_t getU32(const uint8_t* p)
{
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | uint32_t(p[3]);
}

int32_t getI32(const uint8_t* p) { return int32_t(getU32(p)); }

float getFloat(const uint8_t* p)
{
    uint32_t bits = getU32(p);
    float value;
    std::memcpy(&value, &bits, 4);
    return value;
}

void putU32(std::vector<uint8_t>& out, uint32_t v)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(uint8_t(v >> shift));
}

void putFloat(std::vector<uint8_t>& out, float value)
{
    uint32_t bits;
    std::memcpy(&bits, &value, 4);
    putU32(out, bits);
}

void setU32(std::vector<uint8_t>& out, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out[at + size_t(i)] = uint8_t(v >> (24 - 8 * i));
}

void putName(std::vector<uint8_t>& out, const std::string& name)
{
    uint8_t field[28] = {};
    std::memcpy(field, name.data(), std::min<size_t>(name.size(), 27));
    out.insert(out.end(), field, field + 28);
}

std::string getName(const uint8_t* p)
{
    size_t length = 0;
    while (length < 28 && p[length] != 0)
        ++length;
    return std::string(reinterpret_cast<const char*>(p), length);
}

std::string fourCCText(int32_t id)
{
    std::string text;
    for (int shift = 24; shift >= 0; shift -= 8) {
        char c = char((uint32_t(id) >> shift) & 0xFF);
        text += (c >= 32 && c < 127) ? c : '.';
    }
    return text;
}

// One 'FxCk' record (inside a bank or as the whole file), of exactly size bytes.
ProgramParams parseParamsRecord(const uint8_t* p, size_t size, int32_t& fxID, const std::string& where)
{
    if (size < kProgramHeader)
        throw PresetFileError(where + "is too short for a program record");
    int32_t numParams = getI32(p + 24);
    if (numParams < 0 || uint64_t(numParams) * 4 != size - kProgramHeader)
        throw PresetFileError(where + "declares " + std::to_string(numParams) +
                              " parameters, which does not match its size of " +
                              std::to_string(size) + " bytes");
    fxID = getI32(p + 16);
    ProgramParams program;
    program.name = getName(p + 28);
    program.values.resize(size_t(numParams));
    for (int32_t i = 0; i < numParams; ++i)
        program.values[size_t(i)] = getFloat(p + kProgramHeader + 4 * size_t(i));
    return program;
}

} // namespace

bool isBank(PresetKind kind) { return kind == PresetKind::BankParams || kind == PresetKind::BankChunk; }

const char* kindName(PresetKind kind)
{
    switch (kind) {
    case PresetKind::ProgramParams: return "FxCk";
    case PresetKind::ProgramChunk: return "FPCh";
    case PresetKind::BankParams: return "FxBk";
    case PresetKind::BankChunk: return "FBCh";
    }
    return "?";
}

std::string describeId(int32_t id)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", unsigned(id));
    return std::string(text) + " ('" + fourCCText(id) + "')";
}

PresetFile parsePreset(std::span<const uint8_t> data)
{
    const uint8_t* p = data.data();
    size_t size = data.size();
    if (size < 28 || getI32(p) != fourCC("CcnK"))
        throw PresetFileError(size < 28 ? "too short to be a preset file (" + std::to_string(size) +
                                              " bytes)"
                                        : "not a VST preset file (no 'CcnK' header)");
    uint32_t byteSize = getU32(p + 4);
    if (uint64_t(byteSize) + 8 != size)
        throw PresetFileError("the header's size (" + std::to_string(byteSize) + " + 8 bytes) does not match the file's " +
                              std::to_string(size) + " bytes");

    PresetFile preset;
    int32_t magic = getI32(p + 8);
    if (magic == fourCC("FxCk"))
        preset.kind = PresetKind::ProgramParams;
    else if (magic == fourCC("FPCh"))
        preset.kind = PresetKind::ProgramChunk;
    else if (magic == fourCC("FxBk"))
        preset.kind = PresetKind::BankParams;
    else if (magic == fourCC("FBCh"))
        preset.kind = PresetKind::BankChunk;
    else
        throw PresetFileError("unknown preset kind '" + fourCCText(magic) + "'");
    preset.version = getI32(p + 12);
    if (preset.version != 1 && preset.version != 2)
        throw PresetFileError("unsupported preset file version " + std::to_string(preset.version) +
                              " (1 and 2 are read)");
    preset.fxID = getI32(p + 16);
    preset.fxVersion = getI32(p + 20);

    switch (preset.kind) {
    case PresetKind::ProgramParams: {
        int32_t id = 0;
        preset.program = parseParamsRecord(p, size, id, "the program ");
        break;
    }
    case PresetKind::ProgramChunk: {
        if (size < kProgramHeader + 4)
            throw PresetFileError("too short for a program chunk");
        preset.numParams = getI32(p + 24);
        preset.program.name = getName(p + 28);
        uint32_t chunkSize = getU32(p + kProgramHeader);
        if (uint64_t(chunkSize) != size - kProgramHeader - 4)
            throw PresetFileError("the chunk size (" + std::to_string(chunkSize) +
                                  " bytes) does not match the " +
                                  std::to_string(size - kProgramHeader - 4) + " bytes after it");
        preset.chunk.assign(p + kProgramHeader + 4, p + size);
        break;
    }
    case PresetKind::BankParams:
    case PresetKind::BankChunk: {
        if (size < kBankHeader + (preset.kind == PresetKind::BankChunk ? 4 : 0))
            throw PresetFileError("too short for a bank");
        preset.numPrograms = getI32(p + 24);
        if (preset.numPrograms < 0)
            throw PresetFileError("negative number of programs");
        if (preset.version == 2)
            preset.currentProgram = getI32(p + 28);
        if (preset.kind == PresetKind::BankChunk) {
            uint32_t chunkSize = getU32(p + kBankHeader);
            if (uint64_t(chunkSize) != size - kBankHeader - 4)
                throw PresetFileError("the chunk size (" + std::to_string(chunkSize) +
                                      " bytes) does not match the " +
                                      std::to_string(size - kBankHeader - 4) + " bytes after it");
            preset.chunk.assign(p + kBankHeader + 4, p + size);
            break;
        }
        size_t pos = kBankHeader;
        for (int32_t i = 0; i < preset.numPrograms; ++i) {
            std::string where = "program " + std::to_string(i) + " of the bank ";
            if (size - pos < 28)
                throw PresetFileError("the bank declares " + std::to_string(preset.numPrograms) +
                                      " programs but ends after " + std::to_string(i));
            const uint8_t* r = p + pos;
            if (getI32(r) != fourCC("CcnK") || getI32(r + 8) != fourCC("FxCk"))
                throw PresetFileError(where + "is not a 'CcnK'/'FxCk' record");
            uint64_t recordSize = uint64_t(getU32(r + 4)) + 8;
            if (recordSize > size - pos)
                throw PresetFileError(where + "declares more bytes than the file holds");
            int32_t id = 0;
            preset.programs.push_back(parseParamsRecord(r, size_t(recordSize), id, where));
            if (id != preset.fxID)
                throw PresetFileError(where + "is for plug-in " + describeId(id) +
                                      ", the bank for " + describeId(preset.fxID));
            if (preset.programs.back().values.size() != preset.programs.front().values.size())
                throw PresetFileError(where + "has a different number of parameters");
            pos += size_t(recordSize);
        }
        if (pos != size)
            throw PresetFileError(std::to_string(size - pos) + " bytes after the last program");
        break;
    }
    }
    return preset;
}

std::vector<uint8_t> writePreset(const PresetFile& preset)
{
    auto programRecord = [&](std::vector<uint8_t>& out, const ProgramParams& program) {
        size_t start = out.size();
        putU32(out, uint32_t(fourCC("CcnK")));
        putU32(out, 0);
        putU32(out, uint32_t(fourCC("FxCk")));
        putU32(out, 1);
        putU32(out, uint32_t(preset.fxID));
        putU32(out, uint32_t(preset.fxVersion));
        putU32(out, uint32_t(program.values.size()));
        putName(out, program.name);
        for (float v : program.values)
            putFloat(out, v);
        setU32(out, start + 4, uint32_t(out.size() - start - 8));
    };

    std::vector<uint8_t> out;
    switch (preset.kind) {
    case PresetKind::ProgramParams:
        programRecord(out, preset.program);
        return out;
    case PresetKind::ProgramChunk:
    case PresetKind::BankParams:
    case PresetKind::BankChunk:
        break;
    }
    putU32(out, uint32_t(fourCC("CcnK")));
    putU32(out, 0);
    putU32(out, uint32_t(fourCC(kindName(preset.kind))));
    putU32(out, 1); // version 1: what every loader accepts
    putU32(out, uint32_t(preset.fxID));
    putU32(out, uint32_t(preset.fxVersion));
    if (preset.kind == PresetKind::ProgramChunk) {
        putU32(out, uint32_t(preset.numParams));
        putName(out, preset.program.name);
    } else {
        int32_t count = preset.kind == PresetKind::BankParams ? int32_t(preset.programs.size())
                                                              : preset.numPrograms;
        putU32(out, uint32_t(count));
        // A current program here is what version 2 adds; version 1 readers
        // treat these bytes as reserved.
        putU32(out, uint32_t(preset.currentProgram < 0 ? 0 : preset.currentProgram));
        out.resize(out.size() + 124, 0);
    }
    if (preset.kind == PresetKind::BankParams) {
        for (const ProgramParams& program : preset.programs)
            programRecord(out, program);
    } else {
        putU32(out, uint32_t(preset.chunk.size()));
        out.insert(out.end(), preset.chunk.begin(), preset.chunk.end());
    }
    setU32(out, 4, uint32_t(out.size() - 8));
    return out;
}

void checkPresetFits(const PresetFile& preset, bool wantBank, int32_t uniqueID, int32_t numParams,
                     int32_t numPrograms, bool pluginUsesChunks)
{
    if (isBank(preset.kind) != wantBank)
        throw PresetFileError(std::string("this is ") +
                              (isBank(preset.kind) ? "a bank ('" : "a single program ('") +
                              kindName(preset.kind) + "'); load it with " +
                              (isBank(preset.kind) ? "--fxb" : "--fxp"));
    if (preset.fxID != uniqueID)
        throw PresetFileError("the preset is for plug-in " + describeId(preset.fxID) +
                              ", not for this plug-in " + describeId(uniqueID));
    bool chunk = preset.kind == PresetKind::ProgramChunk || preset.kind == PresetKind::BankChunk;
    if (chunk && !pluginUsesChunks)
        throw PresetFileError("the preset holds an opaque chunk ('" + std::string(kindName(preset.kind)) +
                              "') but the plug-in does not take chunks");
    if (preset.kind == PresetKind::ProgramParams && int64_t(preset.program.values.size()) != numParams)
        throw PresetFileError("the program holds " + std::to_string(preset.program.values.size()) +
                              " parameters; the plug-in has " + std::to_string(numParams));
    if (preset.kind == PresetKind::BankParams) {
        if (preset.numPrograms > numPrograms)
            throw PresetFileError("the bank holds " + std::to_string(preset.numPrograms) +
                                  " programs; the plug-in has " + std::to_string(numPrograms));
        if (!preset.programs.empty() && int64_t(preset.programs.front().values.size()) != numParams)
            throw PresetFileError("the bank's programs hold " +
                                  std::to_string(preset.programs.front().values.size()) +
                                  " parameters; the plug-in has " + std::to_string(numParams));
    }
}

} // namespace vemo::render
