# An arc.dat whose only entry points past the end of the file.
import struct, sys, os
head = struct.pack(">I", 1) + struct.pack(">IBIII", 1234, 0, 21, 5000, 0)
open(os.path.join(sys.argv[1], "arc.dat"), "wb").write(head + b"abc")
