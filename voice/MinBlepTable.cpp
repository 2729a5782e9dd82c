#include "voice/MinBlepTable.h"

#include <algorithm>

namespace {

// The step's shape, generated offline by tools/minblep/generate_minblep.py
// (Blackman-windowed sinc, minimum phase through the real cepstrum, summed,
// normalised to end at exactly 1). Stored rather than computed so the values
// are identical on every platform and compiler.
const float kShape[kMinBlepShapeSize] = {
#include "voice/MinBlepTable.inc"
};

struct Table {
    float values[kMinBlepTableSize];

    Table()
    {
        std::copy(kShape, kShape + kMinBlepShapeSize, values);
        std::fill(values + kMinBlepShapeSize, values + kMinBlepTableSize, 1.0f);
    }
};

} // namespace

const float* minBlepTable()
{
    static const Table table;
    return table.values;
}
