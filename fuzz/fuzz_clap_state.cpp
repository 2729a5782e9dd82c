// Fuzzes the CLAP face's state load: any bytes, handed over in pieces of any
// size (the first input byte chooses it), must neither crash the plug-in
// nor read past the stream. A refused stream changes nothing (the saved
// state reads back the same); a taken one leaves an instrument whose output
// stays finite.
#include "fuzz/ClapFuzzHost.h"

#include <algorithm>

namespace {

struct Reader {
    const uint8_t* data;
    size_t size, at, piece;
    static int64_t read(const clap::clap_istream* s, void* buffer, uint64_t size)
    {
        auto* r = static_cast<Reader*>(s->ctx);
        const size_t n = std::min<size_t>({size_t(size), r->size - r->at, r->piece});
        std::memcpy(buffer, r->data + r->at, n);
        r->at += n;
        return int64_t(n);
    }
};

std::vector<uint8_t> saved(clapfuzz::Plugin& p)
{
    std::vector<uint8_t> bytes;
    clap::clap_ostream out{&bytes, [](const clap::clap_ostream* s, const void* b, uint64_t n) -> int64_t {
                               auto* v = static_cast<std::vector<uint8_t>*>(s->ctx);
                               v->insert(v->end(), static_cast<const uint8_t*>(b), static_cast<const uint8_t*>(b) + n);
                               return int64_t(n);
                           }};
    if (!p.state->save(p.plugin, &out))
        clapfuzz::fail("save refused");
    return bytes;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    static clapfuzz::Plugin plugin;
    static const std::vector<uint8_t> factory = saved(plugin);
    // Back to the factory state, then the input's.
    Reader again{factory.data(), factory.size(), 0, factory.size()};
    clap::clap_istream in{&again, &Reader::read};
    if (!plugin.state->load(plugin.plugin, &in))
        clapfuzz::fail("the plug-in's own state is refused");

    Reader reader{data + 1, size - 1, 0, size_t(data[0]) * 97 + 1};
    clap::clap_istream stream{&reader, &Reader::read};
    if (!plugin.state->load(plugin.plugin, &stream) && saved(plugin) != factory)
        clapfuzz::fail("a refused state changed the instrument");
    clapfuzz::EventList notes;
    plugin.process(64, notes);
    return 0;
}
