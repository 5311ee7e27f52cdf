#!/usr/bin/env python3
"""Writes demo.mid, the song `scripts/demo.sh` renders: a format 1 file (tempo track, melody,
bass) of four bars at 120 bpm. Deterministic: running it again gives the same bytes."""
import pathlib
import struct

DIVISION = 480  # ticks per beat


def variable(value):
    out = [value & 0x7F]
    value >>= 7
    while value:
        out.insert(0, 0x80 | (value & 0x7F))
        value >>= 7
    return bytes(out)


def track(events):
    """events: (absolute tick, event bytes); written with delta times and running status."""
    body, now, running = bytearray(), 0, None
    for tick, data in sorted(events, key=lambda e: e[0]):
        body += variable(tick - now)
        now = tick
        status = data[0]
        if status < 0xF0 and status == running:
            data = data[1:]  # running status keeps files small, and the reader must cope with it
        running = status if status < 0xF0 else None
        body += data
    body += variable(0) + b"\xFF\x2F\x00"
    return b"MTrk" + struct.pack(">I", len(body)) + body


def notes(channel, pitches, beats, velocity):
    events, tick = [], 0
    for pitch, length in zip(pitches, beats):
        end = tick + int(length * DIVISION)
        events.append((tick, bytes([0x90 | channel, pitch, velocity])))
        events.append((end - 20, bytes([0x90 | channel, pitch, 0])))  # note off as velocity 0
        tick = end
    return events


tempo = [(0, b"\xFF\x51\x03" + (500000).to_bytes(3, "big")), (0, b"\xFF\x58\x04\x04\x02\x18\x08")]
melody = notes(0, [69, 72, 76, 74, 72, 69, 67, 69, 72, 74, 76, 81, 79, 76, 74, 72],
               [1, 1, 1, 1] * 4, 100)
bass = notes(1, [45, 45, 41, 43], [4, 4, 4, 4], 90)
song = (b"MThd" + struct.pack(">IHHH", 6, 1, 3, DIVISION) + track(tempo) + track(melody) + track(bass))
pathlib.Path(__file__).with_name("demo.mid").write_bytes(song)
