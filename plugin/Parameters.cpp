#include "plugin/Parameters.h"

namespace {
const char* const kNames[] = {
    "Param",            // 0
    "VOLUME",           // 1
    "MASTERPITCH",      // 2
    "SAW",              // 3
    "SUBOSC",           // 4
    "SUBOSCVOLUME",     // 5
    "NOISEVOLUME",      // 6
    "Param",            // 7: pulse wave on
    "SQUAREPWMODE",     // 8
    "SQUAREPWINTENSITY", // 9
    "OSCLFOINTENSITY",  // 10
    "HPCUTOFF",         // 11
    "CUTOFF",           // 12
    "RESONANCE",        // 13
    "FILTERCONTOURBIAS", // 14
    "FILTERCONTOUR",    // 15
    "FILTERLFO",        // 16
    "KEYFOLLOW",        // 17
    "ENVGATE",          // 18
    "ENVVOLUME",        // 19
    "AMPATTACK",        // 20
    "AMPDECAY",         // 21
    "AMPSUSTAIN",       // 22
    "AMPRELEASE",       // 23
    "LFO1RATE",         // 24
    "LFO1DELAY",        // 25
    "LFO1TRIGGER",      // 26
    "LFO1WAVEFORM",     // 27
    "LFO1CLOCK",        // 28
    "ENVVELOCITY",      // 29
    "CUTOFFSMOOTH",     // 30
    "MODDCO",           // 31
    "MODVCF",           // 32
    "TRANSPOSE",        // 33
    "CHORUS1",          // 34
    "CHORUS2",          // 35
};
constexpr int kNamedCount = int(sizeof(kNames) / sizeof(kNames[0]));
} // namespace

const char* parameterName(int32_t index)
{
    if (index < 0 || index >= kNamedCount)
        return "Param";
    return kNames[index];
}
