"""A game folder for a test: files written from a dict of name -> text (written as CP932,
as games are) or bytes, in a fresh temporary folder."""
import os
import tempfile


def make_game_folder(files, prefix="utsushi-"):
    root = tempfile.mkdtemp(prefix=prefix)
    for name, data in files.items():
        full = os.path.join(root, name)
        os.makedirs(os.path.dirname(full), exist_ok=True)
        with open(full, "wb") as f:
            f.write(data.encode("cp932") if isinstance(data, str) else data)
    return root
