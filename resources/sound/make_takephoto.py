#!/usr/bin/env python3
"""Writes Takephoto.wav, the capture sound: a shutter's two clicks (the
curtain opening, then closing) as band-limited noise bursts with a short
metallic ring, 16-bit mono at 44.1 kHz, about a quarter of a second.

    python3 resources/sound/make_takephoto.py resources/data/Takephoto.wav
"""
import math
import random
import struct
import sys
import wave

RATE = 44100
LENGTH_S = 0.26


def click(t, start, decay_s, ring_hz, level):
    if t < start:
        return 0.0
    d = t - start
    env = math.exp(-d / decay_s)
    attack = min(1.0, d / 0.0008)
    return level * attack * env * (0.75 * random.uniform(-1, 1) + 0.25 * math.sin(2 * math.pi * ring_hz * d))


def main(path):
    random.seed(1008)
    n = int(RATE * LENGTH_S)
    raw = []
    for i in range(n):
        t = i / RATE
        raw.append(click(t, 0.004, 0.012, 2900, 0.9) + click(t, 0.095, 0.022, 1700, 0.75))
    # One-pole low-pass: takes the hiss off the noise bursts.
    out, y = [], 0.0
    for x in raw:
        y += 0.45 * (x - y)
        out.append(y)
    peak = max(abs(v) for v in out) or 1.0
    fade = int(0.02 * RATE)
    frames = bytearray()
    for i, v in enumerate(out):
        if i >= n - fade:
            v *= (n - i) / fade
        frames += struct.pack("<h", int(v / peak * 0.7 * 32767))
    with wave.open(path, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(RATE)
        w.writeframes(bytes(frames))


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "Takephoto.wav")
