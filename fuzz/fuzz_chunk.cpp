// Fuzzes the state-chunk path: effSetChunk with arbitrary bytes and sizes,
// as a program (index 1) or a bank (index 0), then plays a note, every
// controller and a program change, rendering a few blocks. A host restores
// whatever a project file holds, so nothing in a chunk may crash the plug-in,
// make it read past the chunk or make its output non-finite.
//
// Input: an 8-byte header, then the body.
//   [0] flags: bit 0 program chunk (else bank); bit 1 patch mode (else raw);
//       bit 2 size taken from the header field (else the buffer's length)
//   [1] program selected before and played after (>= 120 is refused)
//   [2] note, [3] velocity
//   [4..7] size field, int32 little-endian
// Raw mode: the body is the chunk. Patch mode: the plug-in's own chunk of
// that kind, overwritten by 7-byte patches (3-byte offset, 4 bytes), and
// lengthened or cut by the low byte of the size field taken as signed.
#include "fuzz/FuzzHost.h"
#include "core/ProgramRecord.h"

#include <algorithm>

using namespace vemo::fuzz;

namespace {

std::vector<uint8_t> currentChunk(FuzzPlugin& p, bool program)
{
    void* data = nullptr;
    const intptr_t size = p.dispatch(effGetChunk, program ? 1 : 0, 0, &data);
    if (size <= 0 || data == nullptr)
        fuzzFail("effGetChunk gave nothing");
    const auto* bytes = static_cast<const uint8_t*>(data);
    return std::vector<uint8_t>(bytes, bytes + size);
}

int32_t readInt32(const uint8_t* p)
{
    return int32_t(uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzzInitialise();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 8)
        return 0;
    const uint8_t flags = data[0];
    const bool isProgram = (flags & 1) != 0;
    const bool patchMode = (flags & 2) != 0;
    const bool sizeFromHeader = (flags & 4) != 0;
    const int program = data[1];
    const int note = data[2] & 0x7F;
    const int velocity = std::max(1, data[3] & 0x7F);
    const int32_t sizeField = readInt32(data + 4);
    const uint8_t* body = data + 8;
    const size_t bodySize = size - 8;

    FuzzPlugin p;
    p.dispatch(effSetProgram, 0, program);

    // The chunk buffer: a heap block of exactly its length.
    std::vector<uint8_t> chunk;
    if (patchMode) {
        chunk = currentChunk(p, isProgram);
        for (size_t at = 0; at + 7 <= bodySize; at += 7) {
            const size_t offset = (size_t(body[at]) | size_t(body[at + 1]) << 8 |
                                   size_t(body[at + 2]) << 16) % chunk.size();
            for (size_t k = 0; k < 4 && offset + k < chunk.size(); ++k)
                chunk[offset + k] = body[at + 3 + k];
        }
        const int delta = int8_t(sizeField & 0xFF);
        chunk.resize(size_t(std::max<int64_t>(0, int64_t(chunk.size()) + delta)), 0);
    } else {
        chunk.assign(body, body + bodySize);
    }
    auto buffer = std::make_unique<uint8_t[]>(std::max<size_t>(chunk.size(), 1));
    std::copy(chunk.begin(), chunk.end(), buffer.get());

    // The size the host claims never exceeds the buffer it passes; it may be
    // smaller, zero or negative.
    int32_t byteSize = int32_t(chunk.size());
    if (sizeFromHeader && sizeField < byteSize)
        byteSize = sizeField;

    const std::vector<uint8_t> bankBefore = currentChunk(p, false);
    const intptr_t accepted = p.dispatch(effSetChunk, isProgram ? 1 : 0, byteSize, buffer.get());
    if (accepted != 0 && accepted != 1)
        fuzzFail("effSetChunk answered neither 0 nor 1");

    // What is taken is kept byte for byte, except parameter values outside
    // their forms, which come back brought into range; what is refused
    // changes nothing.
    if (accepted == 1) {
        const std::vector<uint8_t> after = currentChunk(p, isProgram);
        if (size_t(byteSize) < after.size())
            fuzzFail("a chunk shorter than a record was taken");
        std::vector<uint8_t> expected(buffer.get(), buffer.get() + after.size());
        for (size_t base = 0; base + sizeof(ProgramRecord) <= expected.size(); base += sizeof(ProgramRecord))
            for (int i = 0; i < kNumParameters; ++i) {
                float v;
                std::memcpy(&v, &expected[base + 24 + 4 * size_t(i)], 4);
                v = std::clamp(v, 0.0f, i == 27 ? 4.0f : i == 28 ? 12.0f : 1.0f);
                std::memcpy(&expected[base + 24 + 4 * size_t(i)], &v, 4);
            }
        if (after != expected)
            fuzzFail("restored chunk does not read back as given");
    } else if (currentChunk(p, false) != bankBefore) {
        fuzzFail("refused chunk changed the bank");
    }

    // Every controller (the restored maps may bind anything), then a note.
    std::vector<MidiEventSpec> events;
    for (int c = 0; c < 120; ++c) {
        MidiEventSpec e;
        e.data[0] = 0xB0;
        e.data[1] = uint8_t(c);
        e.data[2] = uint8_t((c * 37 + note) & 0x7F);
        events.push_back(e);
    }
    MidiEventSpec on;
    on.deltaFrames = 1;
    on.data[0] = 0x90;
    on.data[1] = uint8_t(note);
    on.data[2] = uint8_t(velocity);
    events.push_back(on);
    p.sendEvents(events);
    for (int block = 0; block < 3; ++block)
        p.render(256);

    // The restored program through a MIDI program change, then release.
    MidiEventSpec change;
    change.data[0] = 0xC0;
    change.data[1] = uint8_t(program & 0x7F);
    MidiEventSpec again = on;
    again.deltaFrames = 3;
    MidiEventSpec off = on;
    off.data[0] = 0x80;
    off.deltaFrames = 200;
    p.sendEvents({change, again, off});
    for (int block = 0; block < 3; ++block)
        p.render(256);
    return 0;
}
