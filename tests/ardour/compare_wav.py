#!/usr/bin/env python3
"""Compares two WAV files sample by sample (16/24/32-bit PCM or 32-bit float).

usage: compare_wav.py EXPECTED.wav ACTUAL.wav TOLERANCE [SKIP]
Exits 0 when both have the same channel count, ACTUAL holds at least EXPECTED's
frames (after skipping SKIP leading frames of EXPECTED), and every sample agrees
within TOLERANCE (absolute).
"""
import struct
import sys


def read(path):
    with open(path, "rb") as f:
        data = f.read()
    pos, fmt, samples = 12, None, None
    while pos + 8 <= len(data):
        tag, size = data[pos:pos + 4], int.from_bytes(data[pos + 4:pos + 8], "little")
        if tag == b"fmt ":
            fmt = data[pos + 8:pos + 8 + size]
        elif tag == b"data":
            samples = data[pos + 8:pos + 8 + size]
        pos += 8 + size + (size & 1)
    code, channels = int.from_bytes(fmt[0:2], "little"), int.from_bytes(fmt[2:4], "little")
    bits = int.from_bytes(fmt[14:16], "little")
    if code == 0xFFFE:
        code = int.from_bytes(fmt[24:26], "little")
    if code == 3 and bits == 32:
        values = struct.unpack("<%df" % (len(samples) // 4), samples[:len(samples) // 4 * 4])
    elif bits == 16:
        values = [v / 32768.0 for v in struct.unpack("<%dh" % (len(samples) // 2), samples[:len(samples) // 2 * 2])]
    else:
        width = bits // 8
        scale = float(1 << (bits - 1))
        values = [int.from_bytes(samples[i:i + width], "little", signed=True) / scale for i in range(0, len(samples) - width + 1, width)]
    return channels, values


def main():
    expected_path, actual_path, tolerance = sys.argv[1], sys.argv[2], float(sys.argv[3])
    skip = int(sys.argv[4]) if len(sys.argv) > 4 else 0
    ce, expected = read(expected_path)
    expected = expected[skip * ce:]
    ca, actual = read(actual_path)
    if ce != ca:
        print("FAIL: %d channels expected, %d found" % (ce, ca))
        return 1
    if len(actual) < len(expected):
        print("FAIL: %d frames expected, only %d found" % (len(expected) // ce, len(actual) // ca))
        return 1
    worst, where = 0.0, -1
    for i, (e, a) in enumerate(zip(expected, actual)):
        d = abs(e - a)
        if d > worst:
            worst, where = d, i
    print("frames %d, largest difference %.3g at frame %d channel %d" % (len(expected) // ce, worst, max(where, 0) // ce, max(where, 0) % ce))
    if worst > tolerance:
        print("FAIL: difference above %g" % tolerance)
        return 1
    return 0


def write_float(path, channels, rate, values):
    body = struct.pack("<%df" % len(values), *values)
    fmt = struct.pack("<HHIIHH", 3, channels, rate, rate * channels * 4, channels * 4, 32)
    riff = b"WAVE" + b"fmt " + struct.pack("<I", len(fmt)) + fmt + b"data" + struct.pack("<I", len(body)) + body
    with open(path, "wb") as f:
        f.write(b"RIFF" + struct.pack("<I", len(riff)) + riff)


if __name__ == "__main__":
    sys.exit(main())
