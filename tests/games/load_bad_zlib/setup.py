# A script.sbx whose main entry holds bytes that are not zlib data: the file loads empty.
import struct, sys, os, zlib
key = ~zlib.crc32(b"script/0.txt") & 0xFFFFFFFF
data = b"this is not zlib"
head = struct.pack(">I", 1) + struct.pack(">IBIII", key, 0, 21, len(data), 100)
open(os.path.join(sys.argv[1], "script.sbx"), "wb").write(head + data)
