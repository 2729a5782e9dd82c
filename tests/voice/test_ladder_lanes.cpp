// The lane ladder against the scalar LadderFilter, bit for bit: every lane,
// every path, ordinary and hostile inputs (the shared filter may see loud
// sums; a host may send anything).
#include "voice/LadderFilter.h"
#include "voice/LadderLanes.h"
#include "voice/Random.h"
#include "voice/VoiceLanes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

namespace {

uint32_t bits(float f)
{
    uint32_t b;
    std::memcpy(&b, &f, sizeof b);
    return b;
}

struct Case {
    LadderFilter filter{44100.0f};
    float first, second, cutoff, resonance;
    int32_t draw1, draw2;
};

// A filter in some reachable state and one frame's inputs, with now and
// then a value no voice produces.
Case makeCase(uint64_t& seed)
{
    auto next = [&seed] {
        seed += 0x9E3779B97F4A7C15ull;
        uint64_t z = seed;
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    };
    auto unit = [&] { return float(next() >> 40) * (1.0f / 16777216.0f); };
    const float wild[] = {0.0f, -0.0f, 1.0f, -1.0f, 1e-30f, 8.0f, -8.0f, 1e6f, -1e12f,
                          std::numeric_limits<float>::infinity(), -std::numeric_limits<float>::infinity(),
                          std::numeric_limits<float>::quiet_NaN()};
    auto sample = [&] { return next() % 8 == 0 ? wild[next() % 12] : (unit() - 0.5f) * 2.0f; };
    const float rates[] = {22050.0f, 44100.0f, 48000.0f, 96000.0f, 192000.0f};
    Case c{LadderFilter(rates[next() % 5]), sample(), sample(), unit() * 1.2f - 0.1f,
           unit() * 1.2f - 0.1f, 0, 0};
    if (next() % 10 == 0)
        c.cutoff = wild[next() % 12];
    if (next() % 10 == 0)
        c.resonance = wild[next() % 12];
    // Run the filter a while from rest so its stages hold real values.
    const int warm = int(next() % 64);
    for (int n = 0; n < warm; ++n) {
        float x = (unit() - 0.5f) * 3.0f;
        c.filter.process(&x, unit(), unit(), n % 2 == 0);
    }
    return c;
}

void stage(LadderLaneBlock& b, int lane, const Case& c)
{
    b.first[lane] = c.first;
    b.second[lane] = c.second;
    b.cutoff[lane] = c.cutoff;
    b.resonance[lane] = c.resonance;
    b.rateScale[lane] = c.filter.rateScale;
    b.draw1[lane] = c.draw1;
    b.draw2[lane] = c.draw2;
    const float s[8] = {c.filter.s1, c.filter.s2, c.filter.s3, c.filter.s4,
                        c.filter.s5, c.filter.s6, c.filter.s7, c.filter.s8};
    for (int n = 0; n < 8; ++n)
        b.s[n][lane] = s[n];
    b.output[lane] = c.filter.output;
}

} // namespace

TEST(LadderLanes, EveryLaneOnEveryPathMatchesTheScalarFilter)
{
    using Kernel = void (*)(LadderLaneBlock&);
    struct Path {
        const char* name;
        Kernel run;
        bool offered;
    };
    const Path paths[] = {{"baseline", runLadderLanesBaseline, true},
#if defined(__x86_64__)
                          {"avx2", runLadderLanesAvx2, VoiceLanes::supported(VoiceLanes::Path::Avx2)},
#endif
    };
    uint64_t seed = 42;
    int checked = 0;
    for (int round = 0; round < 400; ++round) {
        Case cases[LadderLaneBlock::kLanes];
        for (Case& c : cases)
            c = makeCase(seed);

        // The scalar filter draws its feedback factors itself: the lanes get
        // the same two draws from the shared source seeded the same way.
        float want[LadderLaneBlock::kLanes][2];
        LadderFilter after[LadderLaneBlock::kLanes] = {
            cases[0].filter, cases[1].filter, cases[2].filter, cases[3].filter,
            cases[4].filter, cases[5].filter, cases[6].filter, cases[7].filter};
        for (int l = 0; l < LadderLaneBlock::kLanes; ++l) {
            vemo::seedRandom(seed + uint64_t(l) * 977);
            cases[l].draw1 = vemo::randomInt();
            cases[l].draw2 = vemo::randomInt();
            vemo::seedRandom(seed + uint64_t(l) * 977);
            float a = cases[l].first, b = cases[l].second;
            after[l].process(&a, cases[l].cutoff, cases[l].resonance, true);
            after[l].process(&b, cases[l].cutoff, cases[l].resonance, false);
            want[l][0] = a;
            want[l][1] = b;
        }

        for (const Path& p : paths) {
            if (!p.offered)
                continue;
            for (int single = 0; single < 2; ++single) {
                LadderLaneBlock block{};
                for (int l = 0; l < LadderLaneBlock::kLanes; ++l)
                    stage(block, l, cases[l]);
                if (single)
                    for (int l = 0; l < LadderLaneBlock::kLanes; ++l)
                        runLadderLane(block, l);
                else
                    p.run(block);
                for (int l = 0; l < LadderLaneBlock::kLanes; ++l) {
                    const LadderFilter& f = after[l];
                    const char* how = single ? "single lane" : p.name;
                    ASSERT_EQ(bits(block.first[l]), bits(want[l][0])) << how << " lane " << l << " round " << round;
                    ASSERT_EQ(bits(block.second[l]), bits(want[l][1])) << how << " lane " << l;
                    const float s[8] = {f.s1, f.s2, f.s3, f.s4, f.s5, f.s6, f.s7, f.s8};
                    for (int n = 0; n < 8; ++n)
                        ASSERT_EQ(bits(block.s[n][l]), bits(s[n])) << how << " lane " << l << " stage " << n + 1;
                    ASSERT_EQ(bits(block.output[l]), bits(f.output));
                    ASSERT_EQ(bits(block.delayedStage8[l]), bits(f.delayedStage8));
                    ASSERT_EQ(bits(block.g[l]), bits(f.g));
                    ASSERT_EQ(bits(block.fc[l]), bits(f.fc));
                    ASSERT_EQ(bits(block.acr[l]), bits(f.acr));
                    ASSERT_EQ(bits(block.feedbackJitter[l]), bits(f.feedbackJitter));
                    ++checked;
                }
            }
        }
    }
    RecordProperty("lanes_checked", checked);
}

// Every build offers the scalar voices and exactly one baseline lane path
// for its architecture (SSE2 on x86-64, NEON on aarch64, plain elsewhere);
// AVX2 only on x86-64; the path an engine takes by default is offered.
TEST(VoiceLanes, EachArchitectureOffersItsBaselinePath)
{
    using P = VoiceLanes::Path;
    struct Expect {
        P path;
        bool offered;
    };
#if defined(__x86_64__)
    const P baseline = P::Sse2;
#elif defined(__aarch64__)
    const P baseline = P::Neon;
#else
    const P baseline = P::Plain;
#endif
    EXPECT_EQ(VoiceLanes::baselinePath(), baseline);
    const Expect table[] = {{P::Scalar, true},
                            {P::Sse2, baseline == P::Sse2},
                            {P::Neon, baseline == P::Neon},
                            {P::Plain, baseline == P::Plain}};
    for (const Expect& e : table)
        EXPECT_EQ(VoiceLanes::supported(e.path), e.offered) << int(e.path);
#if !defined(__x86_64__)
    EXPECT_FALSE(VoiceLanes::supported(P::Avx2));
#endif
    EXPECT_TRUE(VoiceLanes::supported(VoiceLanes::bestPath()));
    EXPECT_TRUE(VoiceLanes().path == VoiceLanes::bestPath());
}
