// 2:1 decimator from the voices' sub-sample rate to the host rate: a 19-tap
// symmetric half-band FIR (taps c5 0 c4 0 c3 0 c2 0 c1 0.5 c1 0 c2 0 c3 0 c4 0
// c5) in transposed form, evaluated only at every second position. The
// half-band zeros and the polyphase split leave ten products per frame.
//
// The taps are exact dyadic fractions summing to 1, so a constant input comes
// out exactly unchanged once the filter has filled (delay: 4.5 frames).
//
// Audio thread only; no allocation.
#pragma once

class HalfBandDecimator {
public:
    HalfBandDecimator() = default;

    // first, second: the two sub-samples of one frame, first the earlier.
    // Returns one sample at the host rate.
    inline float process(float first, float second)
    {
        const float x = first;
        const float y = second;
        float* s = state;
        output = s[8] + c5 * x;
        s[8] = s[7] + c4 * x;
        s[7] = s[6] + c3 * x;
        s[6] = s[5] + c2 * x;
        s[5] = s[4] + c1 * x;
        s[4] = s[3] + c1 * x + centreTap * y;
        s[3] = s[2] + c2 * x;
        s[2] = s[1] + c3 * x;
        s[1] = s[0] + c4 * x;
        s[0] = c5 * x;
        return output;
    }

    float state[9] = {}; // partial sums s0..s8 of the transposed FIR
    float centreTap = 0.5f;
    float c1 = 0.3077392578125f;    //  2521/8192
    float c2 = -0.07794189453125f;  // -1277/16384
    float c3 = 0.02618408203125f;   //   429/16384
    float c4 = -0.007080078125f;    //   -29/4096
    float c5 = 0.0010986328125f;    //     9/8192
    float output = 0.0f;
};
