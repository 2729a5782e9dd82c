// One program: name, the 47 parameter values and the MIDI controller map.
//
// This is also the unit of the state chunk the host stores in its projects,
// so the layout is a storage format: 1232 bytes, little-endian, no padding.
#pragma once

#include "voice/ParameterBlock.h"

#include <cstddef>
#include <cstdint>
#include <type_traits>

inline constexpr int kNumPrograms = 120;
inline constexpr int kProgramNameBytes = 24; // a 24-character name has no terminator
inline constexpr int kControllerMapSize = 255; // entries 0..127 used, the rest stay 0
inline constexpr int kNumControllers = 128;

struct ProgramRecord {
    char name[kProgramNameBytes];
    float parameter[kNumParameters];
    // controllerMap[c]: parameter bound to MIDI controller c, 0 = none.
    int32_t controllerMap[kControllerMapSize];

    // The default record: "default", neutral values, controller 40 on CUTOFF
    // and 42 on RESONANCE.
    ProgramRecord();
};

static_assert(sizeof(ProgramRecord) == 1232);
static_assert(offsetof(ProgramRecord, name) == 0);
static_assert(offsetof(ProgramRecord, parameter) == 24);
static_assert(offsetof(ProgramRecord, controllerMap) == 212);
static_assert(std::is_standard_layout_v<ProgramRecord>);
static_assert(std::is_trivially_copyable_v<ProgramRecord>);
static_assert(sizeof(float) == 4 && sizeof(int32_t) == 4);

inline constexpr int32_t kBankChunkBytes = kNumPrograms * int32_t(sizeof(ProgramRecord)); // 147,840
inline constexpr int32_t kProgramChunkBytes = int32_t(sizeof(ProgramRecord));             // 1,232
