"""Makes the sounds of this game: a half-second tone, one with a loop comment of two
values, a file that is no Ogg at all, and a copy in a sub-folder."""
import os
import shutil
import subprocess
import sys

game = sys.argv[1]
wav = os.path.join(game, "tone.wav")
subprocess.run(["sox", "-n", "-r", "44100", "-c", "2", "-b", "16", "-e", "signed", wav,
                "synth", "0.5", "sine", "440", "vol", "0.3"], check=True)
subprocess.run(["oggenc", "-Q", "-q", "2", "-o", os.path.join(game, "tone.ogg"), wav], check=True)
subprocess.run(["oggenc", "-Q", "-q", "2", "-c", "COMMENT=setsample 0,100", "-o",
                os.path.join(game, "bad.ogg"), wav], check=True)
os.remove(wav)
with open(os.path.join(game, "junk.ogg"), "wb") as f:
    f.write(b"OggS" + bytes(range(256)) * 4)
os.makedirs(os.path.join(game, "sub"), exist_ok=True)
shutil.copy(os.path.join(game, "tone.ogg"), os.path.join(game, "sub", "tone.ogg"))

# arc.dat holding "se/arc.ogg" (not on disk) after another entry, so that its offset is not 0:
# a big-endian count, then key, flag, offset, size, spare per entry; the key is CRC-32 of the
# name without the final inversion.
import struct
import zlib

with open(os.path.join(game, "tone.ogg"), "rb") as f:
    tone = f.read()
entries = [("other/pad.bin", b"\0" * 1000), ("se/arc.ogg", tone)]
head = 4 + 17 * len(entries)
index = struct.pack(">I", len(entries))
body = b""
for name, data in entries:
    key = zlib.crc32(name.encode()) ^ 0xFFFFFFFF
    index += struct.pack(">IBIII", key, 0, head + len(body), len(data), 0)
    body += data
with open(os.path.join(game, "arc.dat"), "wb") as f:
    f.write(index + body)
