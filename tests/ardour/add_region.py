#!/usr/bin/env python3
"""Puts a stereo WAV on the first audio track of a saved Ardour 7 session as one
region (no fades) and sets the session range to it. Ardour's Lua has no
audio-import call, so the session file is edited directly.

usage: add_region.py SESSION_DIR SESSION_NAME INPUT.wav
"""
import os
import re
import sys
import wave

SUPERCLOCK = 282240000  # superclocks per second in Ardour 7 session files


def split_channels(path, out_dir):
    """Writes the two channels of a float or PCM WAV as mono files, byte for byte."""
    with open(path, "rb") as f:
        data = f.read()
    assert data[:4] == b"RIFF" and data[8:12] == b"WAVE", "not a WAV file"
    pos, fmt, samples = 12, None, None
    while pos + 8 <= len(data):
        tag, size = data[pos:pos + 4], int.from_bytes(data[pos + 4:pos + 8], "little")
        body = data[pos + 8:pos + 8 + size]
        if tag == b"fmt ":
            fmt = body
        elif tag == b"data":
            samples = body
        pos += 8 + size + (size & 1)
    fmt_code, channels, rate = int.from_bytes(fmt[0:2], "little"), int.from_bytes(fmt[2:4], "little"), int.from_bytes(fmt[4:8], "little")
    bits = int.from_bytes(fmt[14:16], "little")
    assert channels == 2, "the input must be stereo"
    width = bits // 8
    frames = len(samples) // (width * 2)
    names = []
    for ch in range(2):
        mono = bytearray()
        for k in range(frames):
            start = (k * 2 + ch) * width
            mono += samples[start:start + width]
        fmt_mono = bytearray(fmt[:16])
        fmt_mono[2:4] = (1).to_bytes(2, "little")
        fmt_mono[8:12] = (rate * width).to_bytes(4, "little")
        fmt_mono[12:14] = width.to_bytes(2, "little")
        name = "input-%d.wav" % ch
        with open(os.path.join(out_dir, name), "wb") as f:
            body = b"WAVE" + b"fmt " + (16).to_bytes(4, "little") + bytes(fmt_mono) + b"data" + len(mono).to_bytes(4, "little") + bytes(mono)
            f.write(b"RIFF" + len(body).to_bytes(4, "little") + body)
        names.append(name)
    return names, frames, rate


def main():
    session_dir, name, wav = sys.argv[1:4]
    # Ardour names the interchange folder after the session folder.
    folder = os.path.basename(os.path.normpath(session_dir))
    audio_dir = os.path.join(session_dir, "interchange", folder, "audiofiles")
    os.makedirs(audio_dir, exist_ok=True)
    files, frames, rate = split_channels(wav, audio_dir)

    path = os.path.join(session_dir, name + ".ardour")
    with open(path) as f:
        xml = f.read()

    playlist = re.search(r'<Playlist id="(\d+)" name="[^"]*" type="audio" orig-track-id="(\d+)"[^>]*?/>', xml)
    assert playlist, "no empty audio playlist in the session"
    length = frames * SUPERCLOCK // rate
    ids = [str(990000 + i) for i in range(4)]

    sources = "".join(
        '    <Source name="%s" type="audio" flags="" id="%s" captured-for="" take-id="" channel="0" origin="" gain="1"/>\n'
        % (f, i) for f, i in zip(files, ids[:2]))
    region = (
        '<Region name="input" muted="0" opaque="1" locked="0" video-locked="0" automatic="0" whole-file="%s" import="0" '
        'external="0" sync-marked="0" left-of-split="0" right-of-split="0" hidden="0" position-locked="0" valid-transients="0" '
        'start="a0" length="a%d@a0" position="a0" sync-position="a0" ancestral-start="a0" ancestral-length="a0@a0" stretch="1" '
        'shift="1" layering-index="0" tags="" reg-group="0" id="%s" type="audio" envelope-active="0" default-fade-in="0" '
        'default-fade-out="0" fade-in-active="0" fade-out-active="0" scale-amplitude="1" channels="2" '
        'source-0="%s" source-1="%s" master-source-0="%s" master-source-1="%s">'
        '<Envelope default="yes"/><FadeIn default="yes"/><InverseFadeIn default="yes"/>'
        '<FadeOut default="yes"/><InverseFadeOut default="yes"/></Region>')
    whole = region % ("1", length, ids[2], ids[0], ids[1], ids[0], ids[1])
    placed = region % ("0", length, ids[3], ids[0], ids[1], ids[0], ids[1])

    xml = xml.replace("<Sources/>", "<Sources>\n" + sources + "  </Sources>", 1)
    xml = xml.replace("<Regions/>", "<Regions>\n    " + whole + "\n  </Regions>", 1)
    xml = xml.replace(playlist.group(0), playlist.group(0)[:-2] + ">\n      " + placed + "\n    </Playlist>", 1)
    xml = xml.replace("<Locations/>", '<Locations>\n    <Location id="990010" name="session" start="a0" end="a%d" '
                      'flags="IsSessionRange" locked="0" timestamp="0" cue="0"/>\n  </Locations>' % length, 1)
    with open(path, "w") as f:
        f.write(xml)


if __name__ == "__main__":
    main()
