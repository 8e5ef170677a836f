# A script.sbx whose index claims more entries than the file holds: the folder is used.
import struct, sys, os
open(os.path.join(sys.argv[1], "script.sbx"), "wb").write(struct.pack(">I", 1000) + b"\0" * 20)
