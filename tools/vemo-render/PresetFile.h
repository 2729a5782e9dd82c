// The .fxp (one program) and .fxb (bank) preset files every VST 2.x host
// reads: big-endian 32-bit fields behind a 'CcnK' header. A plug-in that
// keeps its state as an opaque chunk is saved as 'FPCh' / 'FBCh'; any other
// as its parameter values ('FxCk' / 'FxBk').
//
// Parsing checks every declared size against the bytes really present
// before reading or allocating anything, and refuses a file that does not
// add up with a PresetFileError naming the problem.
#pragma once

#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

namespace vemo::render {

class PresetFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

enum class PresetKind {
    ProgramParams, // 'FxCk'
    ProgramChunk,  // 'FPCh'
    BankParams,    // 'FxBk'
    BankChunk,     // 'FBCh'
};

struct ProgramParams {
    std::string name; // at most 27 characters are stored
    std::vector<float> values;
};

struct PresetFile {
    PresetKind kind = PresetKind::ProgramChunk;
    int32_t version = 1;   // 1 is written; 1 and 2 are read
    int32_t fxID = 0;      // the plug-in's unique ID
    int32_t fxVersion = 0; // the plug-in's version
    // Programs: the program's name and either values (FxCk) or chunk (FPCh).
    ProgramParams program;
    int32_t numParams = 0; // FPCh: the plug-in's parameter count, as the header records it
    // Banks: the programs (FxBk) or the chunk (FBCh); numPrograms as in the
    // header (for FxBk it equals programs.size()).
    int32_t numPrograms = 0;
    std::vector<ProgramParams> programs;
    int32_t currentProgram = -1; // bank version 2 only; -1 when absent
    std::vector<uint8_t> chunk;  // FPCh and FBCh
};

constexpr size_t kMaxPresetFileBytes = 256u << 20;

bool isBank(PresetKind kind);
const char* kindName(PresetKind kind); // "FxCk", ...

// "0x38383235 ('8825')"
std::string describeId(int32_t id);

PresetFile parsePreset(std::span<const uint8_t> data);
std::vector<uint8_t> writePreset(const PresetFile& preset);

// Whether a parsed file fits a plug-in; throws PresetFileError with the
// reason (other ID, a bank given as a program or the reverse, counts that
// do not match, a chunk for a plug-in that takes none).
void checkPresetFits(const PresetFile& preset, bool wantBank, int32_t uniqueID, int32_t numParams,
                     int32_t numPrograms, bool pluginUsesChunks);

} // namespace vemo::render
