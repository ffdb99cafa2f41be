#!/usr/bin/env python3
"""Writes the seed corpus of the sound-load fuzz target: a short WAV tone and a tiny module."""
import math
import os
import struct
import wave

here = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus", "sound_load")
os.makedirs(here, exist_ok=True)

with wave.open(os.path.join(here, "tone.wav"), "wb") as w:
    w.setnchannels(1)
    w.setsampwidth(2)
    w.setframerate(8000)
    w.writeframes(b"".join(struct.pack("<h", int(8000 * math.sin(2 * math.pi * 440 * i / 8000)))
                           for i in range(400)))

# Four channels, one pattern, one looping square-wave sample played at speed 1.
mod = bytearray(b"fixture".ljust(20, b"\0"))
for i in range(31):
    used = i == 0
    mod += b"\0" * 22 + struct.pack(">HBBHH", 16 if used else 0, 0, 64 if used else 0, 0, 16 if used else 1)
mod += bytes([1, 127]) + bytes(128) + b"M.K."
pattern = bytearray(64 * 4 * 4)
pattern[0:4] = bytes([0x01, 0xAC, 0x1F, 0x01])  # sample 1, period 428, set speed 1
mod += pattern + bytes([100] * 16 + [156] * 16)
with open(os.path.join(here, "song.mod"), "wb") as f:
    f.write(mod)
