"""Loose files and an arc.dat whose entry shadows one of them (written by hand: a
big-endian index of 17-byte records keyed by the CRC-32 walk without its final inversion)."""
import os
import struct
import sys
import zlib

game = sys.argv[1]


def path_key(name):
    return zlib.crc32(name) ^ 0xFFFFFFFF


def write(rel, data):
    path = os.path.join(game, rel)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


write("data/note.txt", b"loose")
write("data/only.txt", "ほかに無い表".encode("cp932"))
os.makedirs(os.path.join(game, "out"), exist_ok=True)

entries = [(b"data/note.txt", b"archived"), ("data/表.txt".encode("cp932"), "ソ能予".encode("cp932"))]
index = struct.pack(">I", len(entries))
offset = 4 + 17 * len(entries)
blobs = b""
for name, data in entries:
    index += struct.pack(">IBIII", path_key(name), 0, offset + len(blobs), len(data), 0)
    blobs += data
write("arc.dat", index + blobs)
