#include "tools/vemo-render/VemoParameters.h"

namespace vemo::render {

namespace {

constexpr int32_t kVemoUniqueId = 0x38383235; // '8825'

} // namespace

bool isVemo(const PluginInfo& info) { return info.uniqueID == kVemoUniqueId && info.numParams == kNumParameters; }

} // namespace vemo::render
