// Fuzzes vemo-render's .fxp/.fxb reader: any of the four kinds, any header
// values and sizes. A preset file from anywhere is refused with a
// PresetFileError and nothing else; one that is accepted is written back to
// the same bytes' meaning (parse, write, parse gives the same content), and
// the fit check answers or refuses without crashing.
#include "tools/vemo-render/PresetFile.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

using namespace vemo::render;

namespace {

[[noreturn]] void fail(const char* what)
{
    std::fprintf(stderr, "FUZZ FAILURE: %s\n", what);
    std::fflush(stderr);
    std::abort();
}

bool sameFloats(const std::vector<float>& a, const std::vector<float>& b)
{
    return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(float)) == 0);
}

// A name field is 28 bytes with a terminator: the writer keeps at most 27
// characters, the reader also takes a 28th when a file has no terminator.
bool sameName(const std::string& a, const std::string& b) { return a.substr(0, 27) == b.substr(0, 27); }

bool sameContent(const PresetFile& a, const PresetFile& b)
{
    if (a.kind != b.kind || a.fxID != b.fxID || a.fxVersion != b.fxVersion || a.chunk != b.chunk)
        return false;
    switch (a.kind) {
    case PresetKind::ProgramParams:
        return sameName(a.program.name, b.program.name) && sameFloats(a.program.values, b.program.values);
    case PresetKind::ProgramChunk:
        return sameName(a.program.name, b.program.name) && a.numParams == b.numParams;
    case PresetKind::BankParams:
        if (a.programs.size() != b.programs.size())
            return false;
        for (size_t k = 0; k < a.programs.size(); ++k)
            if (!sameName(a.programs[k].name, b.programs[k].name) || !sameFloats(a.programs[k].values, b.programs[k].values))
                return false;
        return a.numPrograms == b.numPrograms;
    case PresetKind::BankChunk:
        return a.numPrograms == b.numPrograms;
    }
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    PresetFile preset;
    try {
        preset = parsePreset(std::span<const uint8_t>(data, size));
    } catch (const PresetFileError&) {
        return 0;
    }

    // The plug-in's own figures and some others: the check refuses or passes.
    for (bool wantBank : {false, true}) {
        for (bool chunks : {true, false}) {
            try {
                checkPresetFits(preset, wantBank, 0x38383235, 47, 120, chunks);
            } catch (const PresetFileError&) {
            }
        }
    }

    PresetFile reread;
    try {
        reread = parsePreset(writePreset(preset));
    } catch (const PresetFileError& e) {
        std::fprintf(stderr, "%s\n", e.what());
        fail("a written preset does not read back");
    }
    if (!sameContent(preset, reread))
        fail("a written preset reads back with other content");
    return 0;
}
