"""Small audio and MIDI helpers for the real-host test, standard library only:
a standard MIDI file writer, a WAV reader (PCM and float) and a pitch
estimate by normalised autocorrelation."""

import math
import struct


def _vlq(value):
    out = [value & 0x7F]
    value >>= 7
    while value:
        out.append(0x80 | (value & 0x7F))
        value >>= 7
    return bytes(reversed(out))


def write_smf(path, events, ticks_per_quarter=480, bpm=120.0):
    """Writes a type 0 file. events: (tick, bytes) in any order; note-offs
    sort before note-ons at the same tick."""
    body = bytearray()
    tempo = int(round(60_000_000 / bpm))
    body += _vlq(0) + bytes([0xFF, 0x51, 0x03]) + tempo.to_bytes(3, "big")
    body += _vlq(0) + bytes([0xFF, 0x58, 0x04, 4, 2, 24, 8])
    last = 0
    order = sorted(events, key=lambda e: (e[0], 0 if (e[1][0] & 0xF0) == 0x80 else 1))
    for tick, data in order:
        body += _vlq(tick - last) + bytes(data)
        last = tick
    body += _vlq(0) + bytes([0xFF, 0x2F, 0x00])
    header = b"MThd" + struct.pack(">IHHH", 6, 0, 1, ticks_per_quarter)
    with open(path, "wb") as f:
        f.write(header + b"MTrk" + struct.pack(">I", len(body)) + body)


def read_wav(path):
    """Answers (rate, channels) with channels a list of lists of floats."""
    with open(path, "rb") as f:
        data = f.read()
    if data[:4] not in (b"RIFF", b"RF64") or data[8:12] != b"WAVE":
        raise ValueError(f"{path}: not a WAV file")
    pos = 12
    fmt = None
    samples = None
    while pos + 8 <= len(data):
        cid = data[pos:pos + 4]
        size = struct.unpack("<I", data[pos + 4:pos + 8])[0]
        chunk = data[pos + 8:pos + 8 + size]
        if cid == b"fmt ":
            tag, channels, rate = struct.unpack("<HHI", chunk[:8])
            bits = struct.unpack("<H", chunk[14:16])[0]
            if tag == 0xFFFE and len(chunk) >= 26:  # extensible: the real tag is in the GUID
                tag = struct.unpack("<H", chunk[24:26])[0]
            fmt = (tag, channels, rate, bits)
        elif cid == b"data":
            samples = chunk
        pos += 8 + size + (size & 1)
    if fmt is None or samples is None:
        raise ValueError(f"{path}: no fmt or data chunk")
    tag, channels, rate, bits = fmt
    width = bits // 8
    count = len(samples) // width
    if tag == 3 and bits == 32:
        values = struct.unpack(f"<{count}f", samples[:count * 4])
    elif tag == 3 and bits == 64:
        values = struct.unpack(f"<{count}d", samples[:count * 8])
    elif tag == 1 and bits == 16:
        values = [v / 32768.0 for v in struct.unpack(f"<{count}h", samples[:count * 2])]
    elif tag == 1 and bits == 24:
        values = []
        for k in range(count):
            b = samples[3 * k:3 * k + 3]
            values.append(int.from_bytes(b, "little", signed=True) / 8388608.0)
    elif tag == 1 and bits == 32:
        values = [v / 2147483648.0 for v in struct.unpack(f"<{count}i", samples[:count * 4])]
    else:
        raise ValueError(f"{path}: unsupported WAV format tag {tag}, {bits} bits")
    return rate, [list(values[c::channels]) for c in range(channels)]


def rms(x):
    return math.sqrt(sum(v * v for v in x) / len(x)) if x else 0.0


def estimate_pitch(x, rate, fmin=60.0, fmax=2000.0):
    """Fundamental in Hz of a steady tone: the first strong peak of the
    normalised autocorrelation, refined by a parabola through its
    neighbours. The first lag within 90 % of the best one is taken, so
    that a period two or three times too long is not chosen."""
    mean = sum(x) / len(x)
    x = [v - mean for v in x]
    lo = max(2, int(rate / fmax))
    hi = min(len(x) // 2, int(rate / fmin) + 1)
    n = len(x) - hi
    energy0 = sum(v * v for v in x[:n])
    if energy0 <= 0.0:
        return 0.0
    scores = {}
    for lag in range(lo - 1, hi + 1):
        acc = 0.0
        e1 = 0.0
        for i in range(n):
            b = x[i + lag]
            acc += x[i] * b
            e1 += b * b
        scores[lag] = acc / math.sqrt(energy0 * e1) if e1 > 0.0 else 0.0
    best = max(scores[lag] for lag in range(lo, hi))
    chosen = None
    for lag in range(lo, hi):
        s = scores[lag]
        if s >= 0.9 * best and s >= scores[lag - 1] and s >= scores[lag + 1]:
            chosen = lag
            break
    if chosen is None:
        return 0.0
    a, b, c = scores[chosen - 1], scores[chosen], scores[chosen + 1]
    denom = a - 2.0 * b + c
    shift = 0.5 * (a - c) / denom if denom != 0.0 else 0.0
    return rate / (chosen + shift)


def cents(f, reference):
    return 1200.0 * math.log2(f / reference) if f > 0 and reference > 0 else float("inf")
