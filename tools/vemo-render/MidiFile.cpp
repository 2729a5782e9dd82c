#include "tools/vemo-render/MidiFile.h"

#include <algorithm>
#include <cstring>
#include <cstdio>
#include <fstream>
#include <map>

namespace vemo::render {

namespace {

std::string hex8(unsigned v)
{
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", v & 0xFFu);
    return text;
}

uint32_t be32(const uint8_t* p)
{
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | uint32_t(p[3]);
}

uint16_t be16(const uint8_t* p) { return uint16_t((p[0] << 8) | p[1]); }

// A cursor over one chunk's bytes; every read is bounds-checked and a short
// read is reported with the absolute file offset.
class Reader {
public:
    Reader(const uint8_t* base, size_t begin, size_t end, int track)
        : base_(base), pos_(begin), end_(end), track_(track)
    {
    }

    bool atEnd() const { return pos_ >= end_; }
    size_t offset() const { return pos_; }

    uint8_t byte(const char* what)
    {
        if (pos_ >= end_)
            fail(std::string("the track ends in the middle of ") + what);
        return base_[pos_++];
    }

    uint8_t peek() const { return base_[pos_]; }

    // Variable-length quantity: at most four bytes, 28 bits.
    uint32_t vlq(const char* what)
    {
        uint32_t value = 0;
        for (int i = 0; i < 4; ++i) {
            uint8_t b = byte(what);
            value = (value << 7) | (b & 0x7Fu);
            if (!(b & 0x80u))
                return value;
        }
        fail(std::string("a variable-length number (") + what + ") is longer than four bytes");
    }

    void skip(uint32_t count, const char* what)
    {
        if (count > end_ - pos_)
            fail(std::string("the track ends in the middle of ") + what + " (" +
                 std::to_string(count) + " bytes declared, " + std::to_string(end_ - pos_) +
                 " left)");
        pos_ += count;
    }

    const uint8_t* here() const { return base_ + pos_; }

    [[noreturn]] void fail(const std::string& message) const
    {
        throw MidiFileError("track " + std::to_string(track_ + 1) + ", byte " +
                            std::to_string(pos_) + ": " + message);
    }

private:
    const uint8_t* base_;
    size_t pos_;
    size_t end_;
    int track_;
};

int dataBytesFor(uint8_t status)
{
    switch (status & 0xF0) {
    case 0xC0:
    case 0xD0:
        return 1;
    default:
        return 2;
    }
}

void parseTrack(Reader& in, int track, MidiSong& song)
{
    uint64_t tick = 0;
    uint8_t running = 0; // 0: no running status yet
    while (!in.atEnd()) {
        tick += in.vlq("an event's delta time");
        uint8_t first = in.byte("an event");
        if (first == 0xFF) {
            uint8_t type = in.byte("a meta event");
            uint32_t length = in.vlq("a meta event's length");
            const uint8_t* data = in.here();
            in.skip(length, "a meta event");
            if (type == 0x2F) { // end of track: anything after it is ignored
                song.endTick = std::max(song.endTick, tick);
                return;
            }
            if (type == 0x51 && length >= 3) {
                uint32_t micros = (uint32_t(data[0]) << 16) | (uint32_t(data[1]) << 8) | data[2];
                if (micros == 0)
                    in.fail("a tempo of 0 microseconds per quarter note");
                song.tempos.push_back({tick, micros});
            } else if (type == 0x58 && length >= 2) {
                if (data[0] == 0 || data[1] > 7)
                    in.fail("an impossible time signature");
                song.timeSignatures.push_back({tick, data[0], 1 << data[1]});
            }
            continue; // other meta events carry text or data the sound does not use
        }
        if (first == 0xF0 || first == 0xF7) {
            // System exclusive (or an escape): a length and opaque bytes.
            uint32_t length = in.vlq("a system-exclusive length");
            in.skip(length, "a system-exclusive message");
            running = 0;
            continue;
        }
        if (first > 0xF0)
            in.fail("status byte " + hex8(first) + " does not belong in a MIDI file");

        MidiMessage message;
        message.tick = tick;
        message.track = uint16_t(track);
        uint8_t data1;
        if (first & 0x80) {
            running = first;
            data1 = in.byte("a channel message");
        } else {
            if (running == 0)
                in.fail("data byte " + hex8(first) + " without a status byte before it");
            data1 = first;
        }
        if (data1 & 0x80)
            in.fail("a channel message is cut short by status byte " + hex8(data1));
        message.bytes[0] = running;
        message.bytes[1] = data1;
        message.size = 2;
        if (dataBytesFor(running) == 2) {
            uint8_t data2 = in.byte("a channel message");
            if (data2 & 0x80)
                in.fail("a channel message is cut short by status byte " + hex8(data2));
            message.bytes[2] = data2;
            message.size = 3;
        }
        song.messages.push_back(message);
        song.lastTick = std::max(song.lastTick, tick);
    }
    song.endTick = std::max(song.endTick, tick); // lenient: no end-of-track event
}

} // namespace

MidiSong parseMidi(std::span<const uint8_t> data)
{
    if (data.size() < 14 || std::memcmp(data.data(), "MThd", 4) != 0) {
        if (data.size() >= 4 && std::memcmp(data.data(), "RIFF", 4) == 0)
            throw MidiFileError("this is a RIFF file (a .rmi or audio file?), not a standard MIDI file");
        throw MidiFileError(data.size() < 14 ? "too short to be a MIDI file (" +
                                                   std::to_string(data.size()) + " bytes)"
                                             : "not a MIDI file (no 'MThd' header)");
    }
    const uint8_t* base = data.data();
    uint32_t headerLength = be32(base + 4);
    if (headerLength < 6 || headerLength > data.size() - 8)
        throw MidiFileError("the header declares a length of " + std::to_string(headerLength) +
                            " bytes, which does not fit the file");

    MidiSong song;
    song.format = be16(base + 8);
    int declaredTracks = be16(base + 10);
    uint16_t division = be16(base + 12);
    if (song.format > 1)
        throw MidiFileError(song.format == 2
                                ? "format 2 (independent sequences) is not supported; use type 0 or 1"
                                : "unknown MIDI file format " + std::to_string(song.format));
    if (declaredTracks == 0)
        throw MidiFileError("the header declares no tracks");
    if (song.format == 0 && declaredTracks != 1)
        throw MidiFileError("a type 0 file must have exactly one track, this one declares " +
                            std::to_string(declaredTracks));
    if (division & 0x8000) {
        int fps = -int(int8_t(division >> 8));
        int perFrame = division & 0xFF;
        if ((fps != 24 && fps != 25 && fps != 29 && fps != 30) || perFrame == 0)
            throw MidiFileError("invalid SMPTE time division " + std::to_string(division));
        song.ticksPerQuarter = 0;
        song.smpteTicksPerSecond = (fps == 29 ? 29.97 : double(fps)) * perFrame;
    } else {
        if (division == 0)
            throw MidiFileError("the time division is 0 ticks per quarter note");
        song.ticksPerQuarter = division;
    }

    size_t pos = 8 + size_t(headerLength);
    int track = 0;
    while (track < declaredTracks) {
        if (pos == data.size())
            throw MidiFileError("the header declares " + std::to_string(declaredTracks) +
                                " tracks but the file ends after " + std::to_string(track));
        if (data.size() - pos < 8)
            throw MidiFileError("byte " + std::to_string(pos) + ": truncated chunk header");
        uint32_t length = be32(base + pos + 4);
        if (length > data.size() - pos - 8)
            throw MidiFileError("byte " + std::to_string(pos) + ": track " + std::to_string(track + 1) +
                                " declares " + std::to_string(length) + " bytes but only " +
                                std::to_string(data.size() - pos - 8) +
                                " remain (the file is truncated)");
        size_t begin = pos + 8;
        size_t end = begin + length;
        if (std::memcmp(base + pos, "MTrk", 4) == 0) {
            Reader in(base, begin, end, track);
            parseTrack(in, track, song);
            ++track;
        }
        // Chunks of unknown kinds are skipped, as the format asks.
        pos = end;
    }
    song.trackCount = track;

    // Merge: stable, so messages at the same tick keep track order and, within
    // a track, file order.
    std::stable_sort(song.messages.begin(), song.messages.end(),
                     [](const MidiMessage& a, const MidiMessage& b) { return a.tick < b.tick; });
    std::stable_sort(song.tempos.begin(), song.tempos.end(),
                     [](const TempoChange& a, const TempoChange& b) { return a.tick < b.tick; });
    std::stable_sort(song.timeSignatures.begin(), song.timeSignatures.end(),
                     [](const TimeSignature& a, const TimeSignature& b) { return a.tick < b.tick; });
    return song;
}

std::vector<uint8_t> readFileBytes(const std::string& path, size_t maxBytes)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error(path + ": cannot open the file");
    in.seekg(0, std::ios::end);
    std::streamoff size = in.tellg();
    if (size < 0)
        throw std::runtime_error(path + ": cannot read the file");
    if (uint64_t(size) > maxBytes)
        throw std::runtime_error(path + ": the file is too large (" + std::to_string(size) +
                                 " bytes; at most " + std::to_string(maxBytes) + ")");
    in.seekg(0, std::ios::beg);
    std::vector<uint8_t> bytes(static_cast<size_t>(size));
    if (size > 0 && !in.read(reinterpret_cast<char*>(bytes.data()), size))
        throw std::runtime_error(path + ": read error");
    return bytes;
}

MidiSong readMidiFile(const std::string& path)
{
    std::vector<uint8_t> bytes;
    try {
        bytes = readFileBytes(path, kMaxMidiFileBytes);
    } catch (const std::runtime_error& e) {
        throw MidiFileError(e.what());
    }
    try {
        return parseMidi(bytes);
    } catch (const MidiFileError& e) {
        throw MidiFileError(path + ": " + e.what());
    }
}

namespace {

void putBe32(std::vector<uint8_t>& out, uint32_t v)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(uint8_t(v >> shift));
}

constexpr uint32_t kMaxDelta = 0x0FFFFFFF;

void putVlq(std::vector<uint8_t>& out, uint32_t v)
{
    uint8_t groups[4];
    int n = 0;
    do {
        groups[n++] = uint8_t(v & 0x7F);
        v >>= 7;
    } while (v && n < 4);
    while (n-- > 0)
        out.push_back(uint8_t(groups[n] | (n ? 0x80 : 0)));
}

} // namespace

std::vector<uint8_t> writeMidi(const MidiSong& song)
{
    int tracks = song.format == 0 ? 1 : std::max(1, song.trackCount);
    // Per track: (tick, order, bytes) so that meta events come first at a tick.
    struct Item {
        uint64_t tick;
        int order;
        std::vector<uint8_t> bytes;
        bool channel;
    };
    std::vector<std::vector<Item>> items(static_cast<size_t>(tracks));
    int order = 0;
    for (const TempoChange& t : song.tempos)
        items[0].push_back({t.tick, order++,
                            {0xFF, 0x51, 0x03, uint8_t(t.microsPerQuarter >> 16),
                             uint8_t(t.microsPerQuarter >> 8), uint8_t(t.microsPerQuarter)},
                            false});
    for (const TimeSignature& s : song.timeSignatures) {
        uint8_t power = 0;
        while ((1 << power) < s.denominator && power < 7)
            ++power;
        items[0].push_back(
            {s.tick, order++, {0xFF, 0x58, 0x04, uint8_t(s.numerator), power, 24, 8}, false});
    }
    for (const MidiMessage& m : song.messages) {
        size_t t = song.format == 0 ? 0 : std::min<size_t>(m.track, size_t(tracks - 1));
        items[t].push_back({m.tick, order++, std::vector<uint8_t>(m.bytes, m.bytes + m.size), true});
    }

    std::vector<uint8_t> out = {'M', 'T', 'h', 'd', 0, 0, 0, 6};
    out.push_back(0);
    out.push_back(uint8_t(song.format == 0 ? 0 : 1));
    out.push_back(uint8_t(tracks >> 8));
    out.push_back(uint8_t(tracks));
    uint16_t division = uint16_t(song.ticksPerQuarter > 0 ? song.ticksPerQuarter : 480);
    out.push_back(uint8_t(division >> 8));
    out.push_back(uint8_t(division));

    for (auto& list : items) {
        std::stable_sort(list.begin(), list.end(), [](const Item& a, const Item& b) {
            return a.tick != b.tick ? a.tick < b.tick : (!a.channel && b.channel);
        });
        std::vector<uint8_t> body;
        uint64_t tick = 0;
        uint8_t running = 0;
        // A delta holds at most 28 bits; longer gaps are bridged with empty
        // text events. Meta events end running status, as the format says.
        auto advance = [&](uint64_t to) {
            while (to - tick > kMaxDelta) {
                putVlq(body, kMaxDelta);
                body.insert(body.end(), {0xFF, 0x01, 0x00});
                tick += kMaxDelta;
                running = 0;
            }
            putVlq(body, uint32_t(to - tick));
            tick = to;
        };
        for (const Item& item : list) {
            advance(item.tick);
            size_t skip = 0;
            if (item.channel) {
                if (item.bytes[0] == running)
                    skip = 1; // running status
                running = item.bytes[0];
            } else {
                running = 0;
            }
            body.insert(body.end(), item.bytes.begin() + long(skip), item.bytes.end());
        }
        advance(std::max(tick, song.endTick));
        body.insert(body.end(), {0xFF, 0x2F, 0x00});
        out.insert(out.end(), {'M', 'T', 'r', 'k'});
        putBe32(out, uint32_t(body.size()));
        out.insert(out.end(), body.begin(), body.end());
    }
    return out;
}

} // namespace vemo::render
