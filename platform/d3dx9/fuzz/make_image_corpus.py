#!/usr/bin/env python3
"""Writes small seed files (PNG, BMP, TGA, DDS) for the image fuzz target into corpus/image."""
import os
import struct
import zlib

here = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus", "image")
os.makedirs(here, exist_ok=True)


def save(name, data):
    with open(os.path.join(here, name), "wb") as f:
        f.write(data)


def png(w, h):
    raw = b"".join(b"\0" +
                   bytes(v for x in range(w) for v in (x * 60 % 256, y * 60 % 256, 128, 255)) for y in range(h))

    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF)

    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 6, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b""))


def bmp(w, h):
    row = bytes(v for x in range(w) for v in (x * 50 % 256, 100, 200)) + b"\0" * ((4 - w * 3 % 4) % 4)
    pixels = row * h
    return (b"BM" + struct.pack("<IHHI", 54 + len(pixels), 0, 0, 54) +
            struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(pixels), 2835, 2835, 0, 0) + pixels)


def tga(w, h):
    return struct.pack("<BBBHHBHHHHBB", 0, 0, 2, 0, 0, 0, 0, 0, w, h, 32, 8) + bytes(
        v for i in range(w * h) for v in (i * 9 % 256, 80, 160, 255))


def dds(w, h, levels, pf, payload, caps2=0, depth=0):
    flags = 0x1007 | (0x20000 if levels > 1 else 0) | (0x800000 if depth else 0)
    head = struct.pack("<7I", 124, flags, h, w, 0, depth, levels) + b"\0" * 44 + pf
    head += struct.pack("<5I", 0x1000, caps2, 0, 0, 0)
    return b"DDS " + head + payload


argb = struct.pack("<8I", 32, 0x41, 0, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000)
dxt1 = struct.pack("<8I", 32, 0x4, 0x31545844, 0, 0, 0, 0, 0)
save("seed.png", png(4, 3))
save("seed.bmp", bmp(3, 2))
save("seed.tga", tga(2, 2))
save("seed_argb_mips.dds", dds(4, 4, 3, argb, bytes(range(84))))
save("seed_dxt1.dds", dds(8, 8, 1, dxt1, bytes(32)))
save("seed_cube.dds", dds(2, 2, 1, argb, bytes(96), caps2=0xFE00))
save("seed_volume.dds", dds(2, 2, 1, argb, bytes(32), caps2=0x200000, depth=2))
