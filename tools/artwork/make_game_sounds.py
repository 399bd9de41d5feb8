#!/usr/bin/env python3
"""Synthesises the game's event sounds into res/sounds/: dice rolling (RollFX), a checker set down
(MoveFX), the cube turned (DoubleFX), the user's turn (TurnFX) and a roll that cannot enter from the
bar (DanceFX). Each is a short 16-bit mono WAV at 22050 Hz. Standard library only, and the same bytes
on every run (fixed seed).

    python3 tools/artwork/make_game_sounds.py [output folder]
"""
import math
import os
import random
import struct
import sys
import wave

RATE = 22050


def clicks(times, length, seed):
    """Wooden clicks: short noise bursts with a fast decay at the given times (seconds)."""
    rng = random.Random(seed)
    samples = [0.0] * int(RATE * length)
    for start in times:
        first = int(start * RATE)
        for i in range(int(0.03 * RATE)):
            if first + i < len(samples):
                decay = math.exp(-i / (0.004 * RATE))
                tone = math.sin(2 * math.pi * 1900 * i / RATE)
                samples[first + i] += decay * (0.6 * rng.uniform(-1, 1) + 0.4 * tone)
    return samples


def tones(notes, seed):
    """Soft sine notes (frequency, seconds) one after another, with a short fade in and out."""
    del seed
    samples = []
    for frequency, seconds in notes:
        count = int(RATE * seconds)
        for i in range(count):
            envelope = min(1.0, i / (0.01 * RATE), (count - i) / (0.05 * RATE))
            samples.append(0.5 * envelope * math.sin(2 * math.pi * frequency * i / RATE))
    return samples


SOUNDS = {
    "RollFX": lambda: clicks([0.0, 0.05, 0.11, 0.16, 0.24, 0.29], 0.4, 7),
    "MoveFX": lambda: clicks([0.0], 0.08, 11),
    "DoubleFX": lambda: tones([(523.25, 0.12), (783.99, 0.2)], 0),
    "TurnFX": lambda: tones([(880.0, 0.15)], 0),
    "DanceFX": lambda: tones([(392.0, 0.12), (330.0, 0.12), (262.0, 0.2)], 0),
}


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "..", "res", "sounds")
    os.makedirs(folder, exist_ok=True)
    for name, make in SOUNDS.items():
        samples = make()
        peak = max(1e-9, max(abs(s) for s in samples))
        with wave.open(os.path.join(folder, name + ".wav"), "wb") as out:
            out.setnchannels(1)
            out.setsampwidth(2)
            out.setframerate(RATE)
            out.writeframes(b"".join(struct.pack("<h", int(28000 * s / peak)) for s in samples))


if __name__ == "__main__":
    main()
