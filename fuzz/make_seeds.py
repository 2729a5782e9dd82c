#!/usr/bin/env python3
"""Writes the seed corpora of the fuzzers that read files or chunks:
fuzz/corpus/chunk (the factory bank and a program as chunks, in
fuzz_chunk's input layout), fuzz/corpus/midifile (small MIDI files of
every kind the reader knows) and fuzz/corpus/preset (.fxp/.fxb files
written by vemo-render, plus parameter-kind presets).

The seeds of fuzz_midi and fuzz_dispatcher are inputs in those fuzzers'
own encodings, picked from fuzzing runs, and are committed as they are; so
is every input that once found a fault (chunk/out-of-form-values), to keep
it fixed.

Usage: fuzz/make_seeds.py <vemo-render>   (run from anywhere)
"""

import os
import struct
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
CORPUS = os.path.join(HERE, "corpus")


def put(target, name, data):
    os.makedirs(os.path.join(CORPUS, target), exist_ok=True)
    with open(os.path.join(CORPUS, target, name), "wb") as f:
        f.write(data)


def vlq(value):
    out = [value & 0x7F]
    value >>= 7
    while value:
        out.append(0x80 | (value & 0x7F))
        value >>= 7
    return bytes(reversed(out))


def track(events):
    body = b"".join(vlq(delta) + data for delta, data in events)
    return b"MTrk" + struct.pack(">I", len(body)) + body


def smf(fmt, division, tracks):
    return b"MThd" + struct.pack(">IHHH", 6, fmt, len(tracks), division) + b"".join(tracks)


END = b"\xff\x2f\x00"


def midi_seeds():
    # Type 0: tempo, meter, notes with running status, a controller, bend.
    put("midifile", "type0.mid", smf(0, 480, [track([
        (0, b"\xff\x51\x03\x07\xa1\x20"), (0, b"\xff\x58\x04\x03\x02\x18\x08"),
        (0, b"\x90\x3c\x64"), (0, b"\x40\x64"), (480, b"\x3c\x00"), (0, b"\x40\x00"),
        (10, b"\xb0\x07\x40"), (10, b"\xe0\x00\x50"), (10, b"\xc0\x05"), (0, END)])]))
    # Type 1: a conductor track and two note tracks, a tempo change midway,
    # a system-exclusive message and a text event.
    put("midifile", "type1.mid", smf(1, 96, [
        track([(0, b"\xff\x51\x03\x09\x27\xc0"), (192, b"\xff\x51\x03\x05\x16\x15"), (0, END)]),
        track([(0, b"\xff\x03\x04lead"), (0, b"\x91\x45\x70"), (96, b"\x81\x45\x40"),
               (0, b"\xf0\x05\x7e\x7f\x09\x01\xf7"), (0, END)]),
        track([(48, b"\x99\x24\x7f"), (48, b"\x89\x24\x00"), (0, b"\xd9\x30"), (0, END)])]))
    # SMPTE timing: 25 frames per second, 40 ticks per frame.
    put("midifile", "smpte.mid", smf(0, ((256 - 25) << 8) | 40, [track([
        (0, b"\x90\x40\x50"), (1000, b"\x80\x40\x00"), (0, END)])]))
    # Long deltas (four-byte quantities) and a polyphonic pressure message.
    put("midifile", "long-delta.mid", smf(0, 960, [track([
        (0, b"\x90\x30\x20"), (0x0FFFFFFF, b"\xa0\x30\x10"), (1, b"\x80\x30\x00"), (0, END)])]))


def be32(v):
    return struct.pack(">i", v)


def preset_seeds(render):
    with tempfile.TemporaryDirectory() as tmp:
        fxb = os.path.join(tmp, "bank.fxb")
        fxp = os.path.join(tmp, "program.fxp")
        subprocess.run([render, "-q", "--save-fxb", fxb], check=True)
        subprocess.run([render, "-q", "--program", "Funky Bass", "--set", "CUTOFF=0.3",
                        "--save-fxp", fxp], check=True)
        bank = open(fxb, "rb").read()
        program = open(fxp, "rb").read()
    put("preset", "factory-bank.fxb", bank)
    put("preset", "funky-bass.fxp", program)

    # Parameter kinds, small: an FxCk of three values and an FxBk (version
    # 2, with a current program) of two such programs.
    def fxck(name, values):
        body = b"FxCk" + be32(1) + be32(0x38383235) + be32(1) + be32(len(values))
        body += name.encode().ljust(28, b"\0") + b"".join(struct.pack(">f", v) for v in values)
        return b"CcnK" + be32(len(body)) + body

    put("preset", "params.fxp", fxck("three", [0.0, 0.5, 1.0]))
    programs = [fxck("one", [0.25, 0.75, 1.0]), fxck("two", [1.0, 0.0, 0.5])]
    body = b"FxBk" + be32(2) + be32(0x38383235) + be32(1) + be32(len(programs))
    body += be32(1) + bytes(124) + b"".join(programs)
    put("preset", "params-v2.fxb", b"CcnK" + be32(len(body)) + body)

    # fuzz_chunk's layout: flags, program, note, velocity, size field, body.
    bank_chunk = bank[160:]
    program_chunk = program[60:]
    put("chunk", "bank-raw", bytes([0, 0, 60, 100]) + struct.pack("<i", 0) + bank_chunk)
    put("chunk", "program-raw", bytes([1, 5, 48, 90]) + struct.pack("<i", 0) + program_chunk)
    # Patch mode: the plug-in's own chunk with a few changes; the size
    # field's low byte lengthens or cuts it.
    patches = b"".join(struct.pack("<I", off)[:3] + val for off, val in [
        (212 + 4 * 7, struct.pack("<i", 25)),      # controller 7 -> parameter 25
        (24 + 4 * 12, struct.pack("<f", 1.0)),     # cutoff fully open
        (24 + 4 * 27, struct.pack("<f", 4.0)),     # last LFO waveform
        (0, b"Init")])
    put("chunk", "bank-patched", bytes([2, 27, 72, 127]) + struct.pack("<i", 0) + patches)
    put("chunk", "program-cut", bytes([3, 119, 36, 1]) + struct.pack("<i", -4) + patches)
    put("chunk", "program-size-claim", bytes([5, 0, 60, 64]) + struct.pack("<i", 1000) + program_chunk)


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    midi_seeds()
    preset_seeds(sys.argv[1])


if __name__ == "__main__":
    main()
