"""Pictures for the sprite command game, written into the game folder given as argument."""
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..", "demo", "tools"))
from png_writer import write_png  # noqa: E402

game = sys.argv[1]
write_png(os.path.join(game, "pic.png"), 200, 100, lambda x, y: (x, y, 90, 255))
write_png(os.path.join(game, "odd.png"), 31, 17, lambda x, y: (200, 10, 10, 255))
os.makedirs(os.path.join(game, "sub"), exist_ok=True)
write_png(os.path.join(game, "sub", "base.png"), 120, 80, lambda x, y: (0, 0, 255, 255))
write_png(os.path.join(game, "sub", "face.png"), 20, 10, lambda x, y: (255, 0, 0, 255),
          {"Name": "base.png", "Left": 10, "Top": 20, "Mode": 0})
write_png(os.path.join(game, "stand.png"), 60, 100, lambda x, y: (0, 255, 0, 255))
