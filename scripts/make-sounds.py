#!/usr/bin/python3
"""Writes the client's short notification sounds (res/sounds/*.wav): soft sine-tone chimes,
16-bit mono PCM at 22050 Hz. Run from the source tree; the files are committed."""

import math
import os
import struct
import wave

RATE = 22050

# name: list of (frequency in Hz, start in s, length in s, volume 0..1)
SOUNDS = {
    "ChatFX": [(880.0, 0.00, 0.09, 0.35)],
    "InviteFX": [(659.25, 0.00, 0.14, 0.4), (880.0, 0.12, 0.14, 0.4), (1318.5, 0.24, 0.22, 0.35)],
    "OpenTalkFX": [(523.25, 0.00, 0.10, 0.35), (783.99, 0.08, 0.16, 0.35)],
    "CloseTalkFX": [(783.99, 0.00, 0.10, 0.35), (523.25, 0.08, 0.16, 0.35)],
    "TalkFX": [(987.77, 0.00, 0.07, 0.3), (987.77, 0.10, 0.07, 0.3)],
    "WatcherFX": [(440.0, 0.00, 0.18, 0.3), (554.37, 0.00, 0.18, 0.2)],
}


def render(notes):
    end = max(start + length for _, start, length, _ in notes)
    samples = [0.0] * int(end * RATE + RATE * 0.02)
    for frequency, start, length, volume in notes:
        first = int(start * RATE)
        count = int(length * RATE)
        attack = max(1, int(0.005 * RATE))
        for i in range(count):
            # A quick rise, then an exponential fall: a struck, not a buzzing, tone.
            envelope = min(1.0, i / attack) * math.exp(-4.0 * i / count)
            samples[first + i] += volume * envelope * math.sin(2 * math.pi * frequency * i / RATE)
    peak = max(1.0, max(abs(s) for s in samples))
    return b"".join(struct.pack("<h", int(32767 * 0.9 * s / peak)) for s in samples)


def main():
    folder = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "res", "sounds")
    os.makedirs(folder, exist_ok=True)
    for name, notes in SOUNDS.items():
        with wave.open(os.path.join(folder, name + ".wav"), "wb") as out:
            out.setnchannels(1)
            out.setsampwidth(2)
            out.setframerate(RATE)
            out.writeframes(render(notes))


if __name__ == "__main__":
    main()
