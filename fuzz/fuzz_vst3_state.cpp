// Fuzzes the VST 3 face's component state: any bytes, handed over in pieces
// of any size (the first input byte chooses it; 255 makes a stream that
// claims one byte more than it was asked for), must neither crash the
// plug-in nor read past the stream. A refused stream changes nothing (the
// saved state reads back the same); a taken one leaves an instrument whose
// output stays finite. The plug-in is reached through GetPluginFactory as
// hosts reach it.
#include "fuzz/Vst3FuzzHost.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

using namespace vst3;
using vst3fuzz::fail;
using vst3fuzz::Plugin;

namespace {

class Stream final : public IBStream {
public:
    tresult queryInterface(const TUID, void** obj) override
    {
        *obj = nullptr;
        return kNoInterface;
    }
    uint32 addRef() override { return 1; }
    uint32 release() override { return 1; }
    tresult read(void* buffer, int32 numBytes, int32* numBytesRead) override
    {
        const size_t n = std::min<size_t>({size_t(std::max(numBytes, 0)), size - at, piece});
        std::memcpy(buffer, data + at, n);
        at += n;
        *numBytesRead = int32(n) + (lies ? 1 : 0);
        return kResultOk;
    }
    tresult write(void* buffer, int32 numBytes, int32* numBytesWritten) override
    {
        written.insert(written.end(), static_cast<uint8_t*>(buffer), static_cast<uint8_t*>(buffer) + numBytes);
        *numBytesWritten = numBytes;
        return kResultOk;
    }
    tresult seek(int64, int32, int64*) override { return kResultFalse; }
    tresult tell(int64* pos) override
    {
        *pos = int64(at);
        return kResultOk;
    }
    const uint8_t* data = nullptr;
    size_t size = 0, at = 0, piece = SIZE_MAX;
    bool lies = false;
    std::vector<uint8_t> written;
};

std::vector<uint8_t> saved(Plugin& plugin)
{
    Stream out;
    if (plugin.component->getState(&out) != kResultOk)
        fail("save refused");
    return out.written;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    static Plugin plugin;
    static const std::vector<uint8_t> factory = saved(plugin);
    // Back to the factory state, then the input's.
    Stream again;
    again.data = factory.data();
    again.size = factory.size();
    if (plugin.component->setState(&again) != kResultOk)
        fail("the plug-in's own state is refused");

    Stream stream;
    stream.data = data + 1;
    stream.size = size - 1;
    stream.piece = size_t(data[0]) * 97 + 1;
    stream.lies = data[0] == 255;
    const tresult taken = plugin.component->setState(&stream);
    if (taken != kResultOk && saved(plugin) != factory)
        fail("a refused state changed the instrument");
    if (taken == kResultOk && stream.lies)
        fail("a stream that claims more than it was asked for was believed");
    ProcessData block{};
    plugin.process(block, Plugin::kBlock);
    return 0;
}
