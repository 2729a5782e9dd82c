// The process-wide pseudo-random source: uniform integers 0..32767.
//
// Everything random in the sound (noise, cutoff jitter, the filter's feedback
// factor, the LFO's random waves) draws from this one stream, in a fixed
// order per frame, so a render is repeatable from the same start state.
//
// Audio thread; lock-free and free of data races: the state is an atomic
// read and written with relaxed ordering (plain moves on x86-64). Instances
// on different audio threads share the stream; a draw that overlaps another
// thread's may repeat a value, which no listener can tell from noise.
#pragma once

#include <atomic>
#include <cstdint>

namespace vemo {

// Scale from a draw to 0..1: the single-precision value of 1/32767.
inline constexpr float kRandomScale = 3.0518509e-05f;

namespace detail {
inline std::atomic<uint64_t> randomState{0};
}

// SplitMix64: a Weyl sequence through a strong 64-bit finaliser; passes
// BigCrush, one add and three multiplies per draw. The top 15 bits are used.
inline int32_t randomInt()
{
    uint64_t s = detail::randomState.load(std::memory_order_relaxed) + 0x9E3779B97F4A7C15ull;
    detail::randomState.store(s, std::memory_order_relaxed);
    s = (s ^ (s >> 30)) * 0xBF58476D1CE4E5B9ull;
    s = (s ^ (s >> 27)) * 0x94D049BB133111EBull;
    s ^= s >> 31;
    return int32_t(s >> 49);
}

// For tests only: the shipped module starts from state 0 and never reseeds.
inline void seedRandom(uint64_t state) { detail::randomState.store(state, std::memory_order_relaxed); }

} // namespace vemo
