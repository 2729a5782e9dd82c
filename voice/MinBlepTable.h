// The band-limited step shared by every oscillator of every voice.
//
// Entry j is the value of a minimum-phase band-limited unit step (rising from
// 0 to 1) j/32 sub-samples after the step's nominal instant. It stays near 0
// for the first few sub-samples, rises steeply, overshoots by about 21 % and
// rings out around 1; the band edge sits at the host Nyquist frequency (the
// voices run at twice the host rate). Entries 2025 (kMinBlepSettled) to the
// end are exactly 1.0, so a correction 1 - table[j] read there adds exactly
// nothing; entry 2024 is 0.99999994, the float just below 1.
#pragma once

// Entries in the table; an oscillator may read any index 0..kMinBlepTableSize-1.
constexpr int kMinBlepTableSize = 3368;

// Table entries per oscillator sub-sample.
constexpr int kMinBlepStepsPerSample = 32;

// Entries that carry the step's shape (64 sub-samples); the pulse drops
// corrections from here on.
constexpr int kMinBlepShapeSize = 2048;

// First entry of the settled step: this one and every later one is 1.0.
constexpr int kMinBlepSettled = 2025;

// The read-only table, built on the first call (thread-safe; that call copies
// 13 KB and must not come from the audio thread; oscillator constructors make
// it). Later calls only return the pointer.
const float* minBlepTable();
