// Fuzzes vemo-render's standard MIDI file reader and what the renderer builds
// from a song: the tempo map that turns ticks into seconds and seconds into
// the musical position handed to the plug-in. A file from anywhere may be
// broken in any way: the reader refuses it with a MidiFileError and nothing
// else (no other exception, no crash, no huge allocation); a song it accepts
// has its messages in time order and a tempo map with finite times.
#include "tools/vemo-render/MidiFile.h"
#include "tools/vemo-render/TempoMap.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

using namespace vemo::render;

namespace {

[[noreturn]] void fail(const char* what)
{
    std::fprintf(stderr, "FUZZ FAILURE: %s\n", what);
    std::fflush(stderr);
    std::abort();
}

void checkSong(const MidiSong& song)
{
    uint64_t previous = 0;
    for (const MidiMessage& m : song.messages) {
        if (m.tick < previous)
            fail("messages out of time order");
        previous = m.tick;
        if (m.size != 2 && m.size != 3)
            fail("a channel message of neither 2 nor 3 bytes");
        if ((m.bytes[0] & 0x80) == 0 || m.bytes[0] >= 0xF0)
            fail("a channel message without a channel status byte");
    }
    if (!song.messages.empty() && song.lastTick != song.messages.back().tick)
        fail("lastTick is not the last message's tick");

    const TempoMap map(song, 120.0);
    const double end = map.secondsAtTick(song.endTick);
    const double last = map.secondsAtTick(song.lastTick);
    if (!std::isfinite(end) || !std::isfinite(last) || end < 0.0 || last < 0.0)
        fail("tempo map gives a non-finite or negative time");
    for (double seconds : {0.0, last * 0.5, last, end}) {
        const TempoMap::Position pos = map.positionAtSeconds(seconds);
        if (!std::isfinite(pos.quarters) || !std::isfinite(pos.bpm) || !std::isfinite(pos.barStart) ||
            pos.numerator <= 0 || pos.denominator <= 0)
            fail("tempo map gives a non-finite or impossible position");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    MidiSong song;
    try {
        song = parseMidi(std::span<const uint8_t>(data, size));
    } catch (const MidiFileError&) {
        return 0;
    }
    checkSong(song);

    // What the reader accepts, the writer writes and the reader takes back.
    try {
        const std::vector<uint8_t> again = writeMidi(song);
        const MidiSong reread = parseMidi(again);
        if (reread.messages.size() != song.messages.size())
            fail("a written song reads back with another number of messages");
    } catch (const MidiFileError& e) {
        std::fprintf(stderr, "%s\n", e.what());
        fail("a written song does not read back");
    }
    return 0;
}
