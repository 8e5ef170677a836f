#!/usr/bin/env python3
"""The command line of utsushi and utsushi-pack: options, exit statuses, the game folder
rule, and the packer's round trip and refusals."""
import os
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import unittest
import zlib

from game_folder import make_game_folder

ENGINE = os.environ["UTSUSHI_ENGINE"]
PACKER = os.environ["UTSUSHI_PACKER"]
HEADLESS = ["--no-dialogs", "--virtual-clock", "--video=none", "--audio=none"]


def key(path):
    return ~zlib.crc32(path.encode("cp932")) & 0xFFFFFFFF


class Game:
    def __init__(self, files):
        self.dir = make_game_folder(files, "utsushi-cli-")

    def run(self, *args, cwd=None):
        return subprocess.run([ENGINE, *HEADLESS, *args], capture_output=True, cwd=cwd, timeout=60)

    def pack(self, *args):
        return subprocess.run([PACKER, *args], capture_output=True, timeout=60)

    def close(self):
        shutil.rmtree(self.dir, ignore_errors=True)


class EngineCommandLine(unittest.TestCase):
    def test_help_version_and_bad_options(self):
        r = subprocess.run([ENGINE, "--help"], capture_output=True)
        self.assertEqual(r.returncode, 0)
        self.assertIn(b"--virtual-clock", r.stdout)
        self.assertIn(b"$XDG_DATA_HOME/utsushi/", r.stdout)
        r = subprocess.run([ENGINE, "--version"], capture_output=True)
        self.assertEqual(r.returncode, 0)
        self.assertTrue(r.stdout.startswith(b"utsushi "))
        r = subprocess.run([ENGINE, "--bogus"], capture_output=True)
        self.assertEqual(r.returncode, 2)
        self.assertIn(b"unknown option --bogus", r.stderr)
        r = subprocess.run([ENGINE, "--exit-after", "soon"], capture_output=True)
        self.assertEqual(r.returncode, 2)

    def test_missing_game_folder_fails(self):
        r = subprocess.run([ENGINE, *HEADLESS, "/nonexistent/game"], capture_output=True)
        self.assertEqual(r.returncode, 1)
        self.assertIn(b"does not exist", r.stderr)

    def test_game_folder_defaults_to_the_current_folder(self):
        g = Game({"script/0.txt": 'error "here"\n'})
        try:
            r = g.run(cwd=g.dir)
            self.assertEqual(r.returncode, 0)
            self.assertEqual(r.stderr.decode(), "Error: script/0.txt[1] error ※here\n")
        finally:
            g.close()

    def test_bad_input_file_is_refused_before_the_script_runs(self):
        g = Game({"script/0.txt": 'error "never"\n', "input.txt": "10 jump\n"})
        try:
            r = g.run("--input", os.path.join(g.dir, "input.txt"), g.dir)
            self.assertEqual(r.returncode, 1)
            self.assertIn(b"input line 1", r.stderr)
            self.assertNotIn(b"never", r.stderr)
        finally:
            g.close()

    def test_end_stops_after_the_current_statement(self):
        g = Game({"script/0.txt": 'error "a" : end : error "b"\nerror "c"\n'})
        try:
            r = g.run(g.dir)
            self.assertEqual(r.returncode, 0)
            self.assertEqual(r.stderr.decode(), "Error: script/0.txt[1] error ※a\n")
        finally:
            g.close()

    def test_exit_after_quits_without_asking(self):
        g = Game({"script/0.txt": 'error "start"\nwait 100000\nerror "never"\n'})
        try:
            r = g.run("--exit-after", "500", g.dir)
            self.assertEqual(r.returncode, 0)
            self.assertEqual(r.stderr.decode(), "Error: script/0.txt[1] error ※start\n")
        finally:
            g.close()

    def test_space_asks_to_quit(self):
        g = Game({"script/0.txt": 'wait 100000\nerror "never"\n', "input.txt": "100 key space\n"})
        try:
            r = g.run("--input", os.path.join(g.dir, "input.txt"), g.dir)
            self.assertEqual(r.returncode, 0)
            self.assertEqual(r.stderr.decode(), "終了確認: 終了しますか？\n")
        finally:
            g.close()

    def test_a_second_start_for_the_same_game_exits(self):
        g = Game({"script/0.txt": 'wait 4000\n'})
        try:
            first = subprocess.Popen([ENGINE, "--no-dialogs", "--video=none", "--audio=none", g.dir],
                                     stderr=subprocess.PIPE)
            import time
            time.sleep(1.0)
            second = subprocess.run([ENGINE, *HEADLESS, g.dir], capture_output=True, timeout=30)
            self.assertEqual(second.returncode, 0)
            self.assertIn(b"already running", second.stderr)
            first.kill()
            first.wait()
            first.stderr.close()
            third = g.run(g.dir)  # the folder is free again once the first run has gone
            self.assertNotIn(b"already running", third.stderr)
        finally:
            g.close()

    def test_information_file_describes_the_machine_and_the_fit_rectangles(self):
        g = Game({"script/0.txt": "end\n"})
        try:
            g.run(g.dir)
            text = open(os.path.join(g.dir, "Information.txt"), encoding="utf-8", errors="replace").read()
            self.assertIn("Processor:", text)
            self.assertRegex(text, r"Src1 +\d+, +\d+, +\d+, +\d+\tDest1 ")
            self.assertIn("Src3", text)
        finally:
            g.close()

    def test_input_is_read_from_a_pipe(self):
        g = Game({"script/0.txt": 'error "start"\nwait 100000\nerror "never"\n'})
        try:
            r = subprocess.run(["bash", "-c", 'exec "$0" "$@" --input <(echo "200 close") "$GAME"', ENGINE, *HEADLESS],
                               env={**os.environ, "GAME": g.dir}, capture_output=True, timeout=60)
            self.assertEqual(r.returncode, 0, r.stderr)
            self.assertEqual(r.stderr.decode(), "Error: script/0.txt[1] error ※start\n終了確認: 終了しますか？\n")
        finally:
            g.close()

    def test_errors_reach_stderr_while_the_box_is_shown(self):
        # Without --no-dialogs the box waits for the reader; the line is on stderr already.
        g = Game({"script/0.txt": 'error "seen in the terminal"\nwait 100000\n'})
        try:
            # Its own session: SDL may fork a helper to show the box, which must go too.
            p = subprocess.Popen([ENGINE, "--virtual-clock", "--video=none", "--audio=none", g.dir],
                                 stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, start_new_session=True)
            try:
                import select
                ready, _, _ = select.select([p.stderr], [], [], 30)
                self.assertTrue(ready)
                self.assertEqual(p.stderr.readline().decode(), "Error: script/0.txt[1] error ※seen in the terminal\n")
            finally:
                os.killpg(p.pid, signal.SIGKILL)
                p.wait()
                p.stderr.close()
        finally:
            g.close()

    def test_a_main_script_saved_as_utf8_is_named_once(self):
        utf8 = "「こんにちは。」\nerror \"続き\"\n".encode("utf-8")
        g = Game({"script/0.txt": utf8, "script/other.txt": "*x\n「別のファイル」\n"})
        try:
            r = g.run(g.dir)
            lines = r.stderr.decode().splitlines()
            self.assertEqual(lines[0], "Error: script/0.txt は UTF-8 で保存されているようです。"
                                       "CP932 (Shift-JIS) で保存し直してください")
            self.assertEqual(sum("UTF-8" in l for l in lines), 1)
            r = g.pack("sbx", g.dir)
            self.assertEqual(r.returncode, 1)
            self.assertIn(b"0.txt looks like UTF-8", r.stderr)
            self.assertFalse(os.path.exists(os.path.join(g.dir, "script.sbx")))
        finally:
            g.close()
        # CP932 text, even text whose bytes would also read as UTF-8, is left alone.
        g = Game({"script/0.txt": "「こんにちは。」\n"})
        try:
            self.assertNotIn(b"UTF-8", g.run(g.dir).stderr)
        finally:
            g.close()

    def test_every_script_file_saved_as_utf8_is_named_once(self):
        warning = "は UTF-8 で保存されているようです。CP932 (Shift-JIS) で保存し直してください"
        g = Game({"script/0.txt": "gosub *b\nend\n",
                  "script/a.txt": "*a\n「これは CP932」\nreturn\n",
                  "script/sub/b.txt": "*b\n「別のファイル」\nreturn\n".encode("utf-8"),
                  "script/z.txt": "*z\n「最後のファイル」\n".encode("utf-8")})
        try:
            r = g.run(g.dir)
            self.assertEqual(r.returncode, 0, r.stderr)
            self.assertEqual(r.stderr.decode().splitlines(), ["Error: script/sub/b.txt " + warning,
                                                              "Error: script/z.txt " + warning])
        finally:
            g.close()
        # Packed (by another packer: ours refuses UTF-8): the files are named by key, the
        # main script by its path, and an entry listed twice once.
        texts = [("script/0.txt", "「始め」\nend\n".encode("utf-8")), ("script/x.txt", "*x\n「終」\n".encode("utf-8")),
                 ("script/x.txt", "*x\n「終」\n".encode("utf-8")), ("script/y.txt", "*y\n".encode("cp932"))]
        blobs = [zlib.compress(t) for _, t in texts]
        offset = 4 + 17 * len(texts)
        head, body = struct.pack(">I", len(texts)), b""
        for (name, text), blob in zip(texts, blobs):
            head += struct.pack(">IBIII", key(name), 0, offset + len(body), len(blob), len(text))
            body += blob
        g = Game({"script.sbx": head + body})
        try:
            lines = g.run(g.dir).stderr.decode().splitlines()
            self.assertEqual(lines[:2], ["Error: script/0.txt " + warning, "Error: %X " % key("script/x.txt") + warning])
            self.assertEqual(sum(warning in l for l in lines), 2)
        finally:
            g.close()

    def test_starting_without_a_game_names_the_folders_searched(self):
        empty = tempfile.mkdtemp(prefix="utsushi-nogame-")
        try:
            # No GAME_DIR: the program's folder, then the current one.
            r = subprocess.run([ENGINE, *HEADLESS], capture_output=True, cwd=empty, timeout=60)
            self.assertEqual(r.returncode, 1)
            lines = r.stderr.decode().splitlines()
            self.assertEqual(len(lines), 1, lines)  # one box, the loader's words first
            self.assertTrue(lines[0].startswith("Error: スクリプトファイルを読み込めませんでした "), lines)
            own = os.path.dirname(os.path.realpath(ENGINE))
            self.assertIn("script/0.txt も script.sbx もありません:   %s   %s " % (own, os.path.realpath(empty)), lines[0])
            self.assertTrue(lines[0].endswith("ゲームフォルダを指定して起動してください: utsushi GAME_DIR"), lines)
            self.assertEqual(os.listdir(empty), [])  # nothing written where no game is
            # A named folder is the only one searched.
            r = subprocess.run([ENGINE, *HEADLESS, empty], capture_output=True, timeout=60)
            self.assertEqual(r.returncode, 1)
            self.assertIn("もありません:   %s ゲームフォルダ" % os.path.realpath(empty), r.stderr.decode())
        finally:
            shutil.rmtree(empty, ignore_errors=True)

    def test_a_script_file_names_its_game_folder(self):
        # What a file manager passes when the reader opens a game's script.sbx.
        g = Game({"script/0.txt": 'error "here"\n'})
        try:
            self.assertEqual(g.run(os.path.join(g.dir, "script", "0.txt")).stderr.decode(),
                             "Error: script/0.txt[1] error ※here\n")
            self.assertEqual(g.pack("sbx", g.dir).returncode, 0)
            shutil.rmtree(os.path.join(g.dir, "script"))
            r = g.run(os.path.join(g.dir, "script.sbx"))
            self.assertEqual(r.stderr.decode(), "Error: script/0.txt[1] error ※here\n")
            open(os.path.join(g.dir, "notes.txt"), "w").close()
            r = g.run(os.path.join(g.dir, "notes.txt"))
            self.assertEqual(r.returncode, 1)
            self.assertIn(b"is not a game folder", r.stderr)
        finally:
            g.close()

    def test_a_read_only_game_folder_writes_to_the_per_user_folder(self):
        if os.geteuid() != 0 or not shutil.which("setpriv"):
            self.skipTest("needs root to run the engine as another user")
        script = "settextspeed 0\n「読んだ」\n\nend\n"
        g = Game({"script/0.txt": script})
        data = tempfile.mkdtemp(prefix="utsushi-xdg-")
        try:
            for root, dirs, files in os.walk(g.dir):  # readable by everyone, writable by root only
                os.chmod(root, 0o755)
                for f in files:
                    os.chmod(os.path.join(root, f), 0o644)
            os.chmod(data, 0o777)
            as_nobody = ["setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups"]
            env = {**os.environ, "XDG_DATA_HOME": data}
            r = subprocess.run([*as_nobody, ENGINE, *HEADLESS, g.dir], env=env, capture_output=True, timeout=60)
            self.assertEqual(r.returncode, 0, r.stderr)
            user = os.path.join(data, "utsushi", os.path.basename(g.dir))
            self.assertTrue(os.path.isfile(os.path.join(user, "save", "already.dat")))
            self.assertIn("Processor:", open(os.path.join(user, "Information.txt"), encoding="utf-8",
                                             errors="replace").read())
            self.assertEqual(sorted(os.listdir(g.dir)), ["script"])
            with open(os.path.join(user, "save", "already.dat"), "rb") as f:
                record = zlib.decompress(f.read()[4:]).decode()
            self.assertEqual(record, "S%X=1\r\n" % key("script/0.txt"))
            # HOME decides when XDG_DATA_HOME is unset: the default ~/.local/share.
            home = tempfile.mkdtemp(prefix="utsushi-home-")
            os.chmod(home, 0o777)
            env = {k: v for k, v in os.environ.items() if k != "XDG_DATA_HOME"}
            env["HOME"] = home
            r = subprocess.run([*as_nobody, ENGINE, *HEADLESS, g.dir], env=env, capture_output=True, timeout=60)
            self.assertTrue(os.path.isfile(os.path.join(home, ".local", "share", "utsushi", os.path.basename(g.dir),
                                                        "Information.txt")), r.stderr)
            shutil.rmtree(home, ignore_errors=True)
            # A writable game folder keeps its files beside the game.
            os.chmod(g.dir, 0o777)
            r = subprocess.run([*as_nobody, ENGINE, *HEADLESS, g.dir], env={**os.environ, "XDG_DATA_HOME": data},
                               capture_output=True, timeout=60)
            self.assertTrue(os.path.isfile(os.path.join(g.dir, "Information.txt")), r.stderr)
        finally:
            g.close()
            shutil.rmtree(data, ignore_errors=True)

    def test_binary_garbage_in_a_script_does_not_crash(self):
        garbage = bytes(range(256)) * 40 + b"\n\x82\n*\x82\n" + bytes([0x81]) * 300
        g = Game({"script/0.txt": garbage, "script/z.txt": b"\xff\xfe\x00\x01\n" * 50})
        try:
            # Garbage holds click and page wait marks: a quit ends the waits no one clicks.
            r = g.run("--exit-after", "60000", g.dir)
            self.assertIn(r.returncode, (0, 1))
            self.assertGreater(r.returncode, -1)  # no signal
        finally:
            g.close()


class DemoGame(unittest.TestCase):
    def test_demo_plays_through_without_a_script_error(self):
        demo = os.environ["UTSUSHI_DEMO"]
        # はじめから on the title menu, a click every 250 ms through the dialogue (the choice
        # ignores clicks beside its buttons), 星のお話 at the choice, then 終了 on the title.
        events = ["1000 click 200 320"]
        events += ["%d click 400 300" % t for t in range(1250, 20000, 250)]
        events += ["20000 click 400 200"]
        events += ["%d click 400 300" % t for t in range(20250, 40000, 250)]
        events += ["50000 click 200 540"]
        work = tempfile.mkdtemp(prefix="utsushi-demo-")
        try:
            game = os.path.join(work, "demo")
            shutil.copytree(demo, game, ignore=shutil.ignore_patterns("save", "Information.txt"))
            r = subprocess.run([ENGINE, *HEADLESS, "--exit-after", "80000", "--input", "/dev/stdin", game],
                               input="\n".join(events).encode() + b"\n", capture_output=True, timeout=120)
            self.assertEqual(r.returncode, 0, r.stderr.decode(errors="replace"))
            self.assertEqual(r.stderr.decode(errors="replace"), "")
            # 終了 ended the run well before --exit-after: the reading record is written.
            self.assertTrue(os.path.exists(os.path.join(game, "save", "already.dat")))
        finally:
            shutil.rmtree(work, ignore_errors=True)

    def test_demo_movie_scene_plays_and_returns(self):
        # The scene is a subroutine other scenes call: run it from a script of our own over
        # a copy of the demo; a click one second in skips the rest of the movie.
        demo = os.environ["UTSUSHI_DEMO"]
        work = tempfile.mkdtemp(prefix="utsushi-cli-")
        try:
            game = os.path.join(work, "demo")
            shutil.copytree(demo, game)
            with open(os.path.join(game, "script", "0.txt"), "w") as f:
                f.write('gosub *music_start\nresettimer\ngosub *scene_movie\ngettimer %0\nerror %0\n'
                        'sd.status 0, %1\nerror %1\n')
            with open(os.path.join(work, "input.txt"), "w") as f:
                f.write("1000 click 400 300\n")
            r = subprocess.run([ENGINE, *HEADLESS, "--input", os.path.join(work, "input.txt"), game],
                               capture_output=True, timeout=60)
            lines = r.stderr.decode(errors="replace").splitlines()
            self.assertEqual(r.returncode, 0, lines)
            self.assertEqual(len(lines), 2, lines)
            self.assertTrue(900 <= int(lines[0].split("※")[1]) <= 1100, lines)
            self.assertEqual(lines[1], "Error: script/0.txt[7] error ※0")  # the theme plays again
            self.assertFalse(os.path.exists(os.path.join(game, "error.txt")))
        finally:
            shutil.rmtree(work, ignore_errors=True)

    def test_transitions_scene_runs_without_a_script_error(self):
        # The scene is a subroutine for the demo's menus; here a script of its own calls it.
        work = tempfile.mkdtemp(prefix="utsushi-demo-")
        try:
            game = os.path.join(work, "demo")
            shutil.copytree(os.environ["UTSUSHI_DEMO"], game)
            with open(os.path.join(game, "script", "0.txt"), "wb") as f:
                f.write(b'gosub *scene_transitions\nerror "back"\nend\n')
            r = subprocess.run([ENGINE, *HEADLESS, game], capture_output=True, timeout=120)
        finally:
            shutil.rmtree(work, ignore_errors=True)
        self.assertEqual(r.returncode, 0, r.stderr.decode(errors="replace"))
        self.assertEqual(r.stderr.decode(errors="replace"), "Error: script/0.txt[2] error \u203bback\n")


class Packer(unittest.TestCase):
    def test_packed_script_round_trip(self):
        g = Game({"script/0.txt": 'gosub *sub\nerror "main"\n',
                  "script/Sub/A.TXT": '*sub\nerror "sub"\nreturn\n'})
        try:
            folder = g.run(g.dir)
            r = g.pack("sbx", g.dir)
            self.assertEqual(r.returncode, 0, r.stderr)
            shutil.move(os.path.join(g.dir, "script"), os.path.join(g.dir, "hidden"))
            packed = g.run(g.dir)
            self.assertEqual(packed.returncode, 0)
            self.assertEqual(packed.stderr.decode().replace("%X" % key("script/Sub/A.TXT"), "script/Sub/A.TXT"),
                             folder.stderr.decode())
            r = g.pack("list", os.path.join(g.dir, "script.sbx"))
            self.assertEqual(r.returncode, 0)
            self.assertIn(b"%08X" % key("script/0.txt"), r.stdout)
            self.assertIn(b"2 entries", r.stdout)
        finally:
            g.close()

    def test_long_lines_are_refused_with_file_and_line(self):
        g = Game({"script/0.txt": "end\n" + "a" * 300 + "\n"})
        try:
            r = g.pack("sbx", g.dir)
            self.assertEqual(r.returncode, 1)
            self.assertIn(b"0.txt:2:", r.stderr)
            self.assertFalse(os.path.exists(os.path.join(g.dir, "script.sbx")))
        finally:
            g.close()

    def test_archive_keys_are_lowercased_paths(self):
        g = Game({"script/0.txt": "end\n", "CG/Bg.PNG": b"png bytes", "sound/se.ogg": b"ogg"})
        try:
            r = g.pack("arc", g.dir, "CG", "sound/se.ogg")
            self.assertEqual(r.returncode, 0, r.stderr)
            data = open(os.path.join(g.dir, "arc.dat"), "rb").read()
            (count,) = struct.unpack(">I", data[:4])
            self.assertEqual(count, 2)
            entries = {}
            for i in range(count):
                k, _flag, off, size, _spare = struct.unpack(">IBIII", data[4 + 17 * i:21 + 17 * i])
                entries[k] = data[off:off + size]
            self.assertEqual(entries[key("cg/bg.png")], b"png bytes")
            self.assertEqual(entries[key("sound/se.ogg")], b"ogg")
            r = g.pack("arc", g.dir, "missing")
            self.assertEqual(r.returncode, 1)
        finally:
            g.close()

    def test_paths_outside_the_game_folder_are_refused_by_name(self):
        g = Game({"script/0.txt": "end\n", "cg/a.png": b"a"})
        try:
            for bad in ("/etc/hostname", "../outside", "cg/../../x"):
                r = g.pack("arc", g.dir, "cg", bad)
                self.assertEqual(r.returncode, 1, bad)
                self.assertIn(bad.encode() + b" is outside the game folder", r.stderr)
                self.assertFalse(os.path.exists(os.path.join(g.dir, "arc.dat")))
        finally:
            g.close()

    def test_listing_names_the_entries_found_in_the_game_folder(self):
        g = Game({"script/0.txt": "end\n", "script/Sub/B.txt": "*b\nreturn\n", "CG/Bg.PNG": b"png",
                  "se/chime.ogg": b"ogg"})
        try:
            self.assertEqual(g.pack("arc", g.dir, "CG", "se").returncode, 0)
            self.assertEqual(g.pack("sbx", g.dir).returncode, 0)
            os.remove(os.path.join(g.dir, "se", "chime.ogg"))  # no longer there: key only
            r = g.pack("list", os.path.join(g.dir, "arc.dat"))
            out = r.stdout.decode()
            self.assertRegex(out, "%08X +\\d+ +\\d+  cg/bg.png\n" % key("cg/bg.png"))
            self.assertRegex(out, "%08X +\\d+ +\\d+\n" % key("se/chime.ogg"))
            # The packed script, listed against a copy of the game elsewhere.
            copy = tempfile.mkdtemp(prefix="utsushi-copy-")
            shutil.copytree(os.path.join(g.dir, "script"), os.path.join(copy, "script"))
            r = g.pack("list", os.path.join(g.dir, "script.sbx"), copy)
            out = r.stdout.decode()
            self.assertIn("script/0.txt", out)
            self.assertIn("script/Sub/B.txt", out)
            shutil.rmtree(copy)
        finally:
            g.close()

    def test_listing_a_damaged_file_fails_cleanly(self):
        g = Game({"arc.dat": struct.pack(">I", 50) + b"x" * 10})
        try:
            r = g.pack("list", os.path.join(g.dir, "arc.dat"))
            self.assertEqual(r.returncode, 1)
            self.assertIn(b"past the end", r.stderr)
        finally:
            g.close()

    def test_movie_packing_refuses_what_the_engine_could_not_play(self):
        def jpeg(size, colour="red", extra=()):
            out = os.path.join(g.dir, "in.jpg")
            subprocess.run(["/usr/bin/convert", "-size", size, "xc:" + colour, *extra, out], check=True)
            with open(out, "rb") as f:
                return f.read()
        g = Game({})
        try:
            frames = {"f/1.jpg": jpeg("64x48"), "f/2.jpg": jpeg("64x48", "blue"), "wide/1.jpg": jpeg("801x10"),
                      "odd/1.jpg": jpeg("64x48"), "odd/2.jpg": jpeg("48x64"), "bad/1.jpg": b"\xff\xd8 not really",
                      "s.ogg": b"RIFF....", "empty/readme.txt": b"no frames here"}
            for name, data in frames.items():
                os.makedirs(os.path.dirname(os.path.join(g.dir, name)), exist_ok=True)
                with open(os.path.join(g.dir, name), "wb") as f:
                    f.write(data)
            out = os.path.join(g.dir, "m.mpg")
            at = lambda *p: os.path.join(g.dir, *p)
            cases = [
                (["movie", out, at("wide")], 1, b"at most 800 x 600"),
                (["movie", out, at("odd")], 1, b"unlike the first frame"),
                (["movie", out, at("bad")], 1, b"not a JPEG the engine can read"),
                (["movie", out, at("empty")], 1, b"holds no .jpg"),
                (["movie", out, at("missing")], 1, b"does not exist"),
                (["movie", out, at("f"), "--sound", at("s.ogg")], 1, b"not an Ogg file"),
                (["movie", out, at("f"), "--fps", "0"], 2, b"--fps takes"),
                (["movie", out, at("f"), "--fps", "x"], 2, b"--fps takes"),
                (["movie", out, at("f"), "--speed", "2"], 2, b"unknown option"),
            ]
            for args, status, message in cases:
                r = g.pack(*args)
                self.assertEqual(r.returncode, status, args)
                self.assertIn(message, r.stderr, args)
                self.assertFalse(os.path.exists(out), args)
            # 29.97 frames a second: rate 2997, scale 100, frames at 0 and 33 ms, the end at 66.
            r = g.pack("movie", out, at("f", "2.jpg"), at("f", "1.jpg"), "--fps", "29.97")
            self.assertEqual(r.returncode, 0, r.stderr)
            with open(out, "rb") as f:
                data = f.read()
            self.assertEqual(data[:4], b"MJPG")
            self.assertEqual(struct.unpack("<6I", data[20:44]), (2997, 100, 64, 48, 0, 0))
            r = g.pack("list", out)
            self.assertEqual(r.returncode, 0)
            self.assertIn(b"frame period 34 ms", r.stdout)
            self.assertIn(b"chunks    3 (2 frames, 1 held), last at 66 ms", r.stdout)
            # A movie cut short lists what is there and says the end is missing.
            with open(out, "wb") as f:
                f.write(data[:-20])
            r = g.pack("list", out)
            self.assertEqual(r.returncode, 0)
            self.assertIn(b"missing", r.stdout)
            with open(out, "wb") as f:
                f.write(data[:30])
            r = g.pack("list", out)
            self.assertEqual(r.returncode, 1)
            self.assertIn(b"cut short", r.stderr)
        finally:
            g.close()


if __name__ == "__main__":
    unittest.main(verbosity=2)
