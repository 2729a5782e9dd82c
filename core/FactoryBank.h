// The factory bank compiled into the module: 120 programs, copied whole into
// the working bank when the plug-in is built.
#pragma once

#include "core/ProgramRecord.h"

// Built once per process on first use (never on the audio path); read-only.
const ProgramRecord* factoryBank();
