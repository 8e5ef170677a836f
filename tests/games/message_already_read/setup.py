"""Writes save/already.dat as an earlier run would have: the main script's first block read,
its second not, and a line for a script file that is gone."""
import os
import struct
import sys
import zlib

game = sys.argv[1]
key = zlib.crc32(b"script/0.txt") ^ 0xFFFFFFFF  # the CRC-32 walk without its final inversion
text = ("S%X=10\r\nS1234ABCD=111\r\n" % key).encode("ascii")
os.makedirs(os.path.join(game, "save"), exist_ok=True)
with open(os.path.join(game, "save", "already.dat"), "wb") as f:
    f.write(struct.pack("<I", len(text)) + zlib.compress(text, 9))
