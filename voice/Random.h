// Pseudo-random streams: uniform integers 0..32767.
//
// Everything random in the sound (noise, cutoff jitter, the filter's feedback
// factor, the LFO's random waves) draws from its instrument's own stream, in
// a fixed order per frame, so a render is repeatable from the same start
// state. Each engine owns one stream and hands it to its voices, filters and
// LFOs.
//
// Why per instance: one process-wide stream made every draw of every
// instance write the same cache line, which a host's cores then passed back
// and forth (two instances on two cores each cost 1.6-1.8 times one alone),
// and it interleaved the instances' draws by chance, so the same session
// bounced twice gave two different files. With a stream per engine an
// instance's sound depends on its own notes and parameters alone, whichever
// thread renders it.
//
// Audio thread of the owner only: plain state, no atomics, no locks.
#pragma once

#include <cstdint>

namespace vemo {

// Scale from a draw to 0..1: the single-precision value of 1/32767.
inline constexpr float kRandomScale = 3.0518509e-05f;

// SplitMix64: a Weyl sequence through a strong 64-bit finaliser; passes
// BigCrush, one add and three multiplies per draw. The top 15 bits are used.
class Random {
public:
    static constexpr uint64_t kGamma = 0x9E3779B97F4A7C15ull;

    explicit constexpr Random(uint64_t start = 0) : state(start) {}

    int32_t next()
    {
        uint64_t s = state + kGamma;
        state = s;
        s = (s ^ (s >> 30)) * 0xBF58476D1CE4E5B9ull;
        s = (s ^ (s >> 27)) * 0x94D049BB133111EBull;
        s ^= s >> 31;
        return int32_t(s >> 49);
    }

    void seed(uint64_t start) { state = start; }

    // The start of stream number `index`: stream 0 starts at state 0, stream
    // k exactly k * 2^48 draws further along the same Weyl sequence (its
    // period is 2^64, gamma being odd). Two streams meet only after 2^48
    // draws, years of six sounding voices at 96 kHz, so instances
    // layered on the same notes never play the same noise.
    static constexpr uint64_t streamStart(uint32_t index) { return uint64_t(index) * (kGamma << 48); }

    uint64_t state;
};

namespace detail {
inline Random unitStream{0};
}

// The stream of units built on their own, outside an engine (tests, tools):
// one thread at a time.
inline Random& unitRandom() { return detail::unitStream; }
inline int32_t randomInt() { return detail::unitStream.next(); }
// For tests only: reseeds the units' stream.
inline void seedRandom(uint64_t state) { detail::unitStream.seed(state); }

} // namespace vemo
