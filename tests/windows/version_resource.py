#!/usr/bin/env python3
"""Prints the fields of a VS_VERSIONINFO resource (as extracted by wrestool -x)."""
import struct
import sys


def parse(data):
    fields = {}
    fixed = data.find(struct.pack("<I", 0xFEEF04BD))
    assert fixed >= 0, "no VS_FIXEDFILEINFO"
    ms, ls, pms, pls = struct.unpack("<IIII", data[fixed + 8:fixed + 24])
    fields["FileVersionNumber"] = "%d.%d.%d.%d" % (ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF)
    fields["ProductVersionNumber"] = "%d.%d.%d.%d" % (pms >> 16, pms & 0xFFFF, pls >> 16, pls & 0xFFFF)

    def walk(offset, end, depth, parent=""):
        while offset + 6 <= end:
            length, value_length, kind = struct.unpack("<HHH", data[offset:offset + 6])
            if length == 0:
                break
            key_start = offset + 6
            key_end = key_start
            while data[key_end:key_end + 2] != b"\0\0":
                key_end += 2
            key = data[key_start:key_end].decode("utf-16-le")
            value_start = (key_end + 2 + 3) & ~3
            if depth == 2 and parent == "StringFileInfo":
                fields["StringTable"] = key
            if depth == 3:
                raw = data[value_start:value_start + value_length * 2]
                fields[key] = raw.decode("utf-16-le").rstrip("\0")
            if key == "Translation":
                lang, codepage = struct.unpack("<HH", data[value_start:value_start + 4])
                fields["Translation"] = "0x%04X/%d" % (lang, codepage)
            elif key in ("StringFileInfo", "VarFileInfo") or depth == 2:
                child = value_start + (value_length * 2 if kind == 1 and depth >= 3 else value_length)
                walk((child + 3) & ~3, offset + length, depth + 1, key)
            offset = (offset + length + 3) & ~3

    root_length, root_value_length = struct.unpack("<HH", data[0:4])
    children = (fixed + root_value_length + 3) & ~3
    walk(children, root_length, 1)
    return fields


if __name__ == "__main__":
    with open(sys.argv[1], "rb") as f:
        for key, value in parse(f.read()).items():
            print("%s=%s" % (key, value))
