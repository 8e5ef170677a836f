#!/usr/bin/env python3
"""Faults the engine survives and the limits it keeps: files larger than any real game's
refused by name and limit before they are read, resources that vanish after start-up, a
record that cannot be written (read-only folder, full disk), no sound device, a second
start while the first is busy, SIGTERM, and the window closed during a quake."""
import os
import shutil
import signal
import struct
import subprocess
import tempfile
import time
import unittest
import zlib

from game_folder import make_game_folder

ENGINE = os.environ["UTSUSHI_ENGINE"]
PACKER = os.environ["UTSUSHI_PACKER"]
DEMO = os.environ["UTSUSHI_DEMO"]
HEADLESS = ["--no-dialogs", "--virtual-clock", "--video=none", "--audio=none"]
MIB = 1 << 20
# Clicks every 100 ms of clock time: enough to pass every page wait of the short scripts here.
CLICKS = "".join(f"{t} click 10 10\n" for t in range(100, 20000, 100))
SANITIZED = "asan" in os.environ.get("LD_PRELOAD", "") or "TSAN_OPTIONS" in os.environ


def key(path):
    return ~zlib.crc32(path.encode("cp932")) & 0xFFFFFFFF


def sparse(path, size):
    """A file of `size` bytes that takes no disk space."""
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.truncate(size)


def limit_memory():
    """Address space for the engine run: a read that allocated what a file claims (GiBs)
    fails with bad_alloc and ends the run instead of passing unnoticed. Sanitizers reserve
    terabytes of shadow memory, so their builds run unlimited."""
    if not SANITIZED:
        import resource
        resource.setrlimit(resource.RLIMIT_AS, (3 << 30, 3 << 30))


class Game:
    def __init__(self, files):
        self.dir = make_game_folder(files, "utsushi-faults-")

    def path(self, name):
        return os.path.join(self.dir, name)

    def run(self, *args, env=None, preexec=None, timeout=60):
        return subprocess.run([ENGINE, *HEADLESS, *args, self.dir], capture_output=True, timeout=timeout,
                              env=env, preexec_fn=preexec)

    def close(self):
        shutil.rmtree(self.dir, ignore_errors=True)


def read(path, mode="rb"):
    with open(path, mode) as f:
        return f.read()


def record_not_written(line):
    """The message that the already-read record could not be written."""
    return line.startswith("Error: ") and "already.dat" in line and ("失敗" in line or "開けません" in line)


def lines(r):
    return r.stderr.decode("utf-8", errors="replace").splitlines()


class ResourceLimits(unittest.TestCase):
    def run_limited(self, g):
        """What the engine said, run in a limited address space: it must end normally."""
        r = g.run(preexec=limit_memory)
        self.assertEqual(r.returncode, 0, r.stderr)
        return lines(r)

    def test_files_above_their_limit_are_refused_by_name_and_limit(self):
        g = Game({"script/0.txt": (
            'sp 1, "big.png"\n'
            'sd 0, "big.ogg"\n'
            'setcursor "big.cur"\n'
            'loadfile "big.txt", $0\n'
            'error "went on"\n')})
        try:
            sparse(g.path("big.png"), 256 * MIB + 1)
            sparse(g.path("big.ogg"), 1024 * MIB + 1)
            sparse(g.path("big.cur"), 16 * MIB + 1)
            sparse(g.path("big.txt"), 32 * MIB + 1)
            self.assertEqual(self.run_limited(g), [
                "Error: script/0.txt[1] sp ※big.png は大きすぎます (上限 256 MiB)",
                "Error: script/0.txt[2] sd ※big.ogg は大きすぎます (上限 1 GiB)",
                "Error: script/0.txt[2] sd ※big.oggが開けませんでした",
                "Error: script/0.txt[3] setCursor ※big.cur は大きすぎます (上限 16 MiB)",
                "Error: script/0.txt[4] loadFile ※big.txt は大きすぎます (上限 32 MiB)",
                "Error: script/0.txt[5] error ※went on",
            ])
        finally:
            g.close()

    def test_pictures_claiming_more_pixels_than_the_limit_are_refused(self):
        # Headers only: 8193 x 8193 is one row and column past 8192 x 8192 (2^26 pixels).
        def chunk(kind, body):
            return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))
        png = (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", 8193, 8193, 8, 6, 0, 0, 0)) +
               chunk(b"IDAT", zlib.compress(b"\0" * 64)) + chunk(b"IEND", b""))
        bmp = b"BM" + struct.pack("<IHHI", 54, 0, 0, 54) + struct.pack("<IiiHHIIiiII", 40, 70000, 70000, 1, 24, 0, 0, 0, 0, 0, 0)
        g = Game({"script/0.txt": 'sp 1, "huge.png"\nsp 2, "huge.bmp"\nsp 3, "small.png"\nerror "went on"\n',
                  "huge.png": png, "huge.bmp": bmp,
                  "small.png": read(os.path.join(DEMO, "pic", "star.png"))})
        try:
            self.assertEqual(self.run_limited(g), [
                "Error: script/0.txt[1] sp ※huge.png は大きすぎます (上限 67108864 画素)",
                "Error: script/0.txt[2] sp ※huge.bmp は大きすぎます (上限 67108864 画素)",
                "Error: script/0.txt[4] error ※went on",
            ])
        finally:
            g.close()

    def test_script_files_above_the_limit_are_refused(self):
        # Folder form: a second script file far beyond any real script.
        g = Game({"script/0.txt": 'error "ran"\n'})
        try:
            sparse(g.path("script/huge.txt"), 32 * MIB + 1)
            self.assertEqual(self.run_limited(g), ["Error: script/huge.txt は大きすぎます (上限 32 MiB)",
                                        "Error: script/huge.txt を読み込めませんでした",
                                        "Error: script/0.txt[1] error ※ran"])
        finally:
            g.close()
        # Packed form: an entry claiming 4 GiB once inflated is refused before any allocation.
        main = zlib.compress('error "ran"\r\n'.encode("cp932"))
        bogus = zlib.compress(b"x" * 100)
        index_size = 4 + 2 * 17
        sbx = struct.pack(">I", 2)
        sbx += struct.pack(">IBIII", key("script/0.txt"), 0, index_size, len(main), 13)
        sbx += struct.pack(">IBIII", key("script/big.txt"), 0, index_size + len(main), len(bogus), 0xFFFFFFF0)
        g = Game({"script.sbx": sbx + main + bogus})
        try:
            self.assertEqual(self.run_limited(g), ["Error: script/0.txt[1]  ※%08X は大きすぎます (上限 32 MiB)" % key("script/big.txt"),
                                        "Error: script/0.txt[1] error ※ran"])
        finally:
            g.close()

    def test_archive_entries_above_their_limit_are_refused(self):
        # The archive's index states each entry's size; the archive itself is sparse.
        entries = [("big.png", 256 * MIB + 1), ("big.ogg", 1024 * MIB + 1)]
        arc = struct.pack(">I", len(entries))
        for name, size in entries:
            arc += struct.pack(">IBIII", key(name), 0, 4 + 17 * len(entries), size, 0)
        g = Game({"script/0.txt": 'sp 1, "big.png"\nsd 0, "big.ogg"\nerror "went on"\n', "arc.dat": arc})
        try:
            with open(g.path("arc.dat"), "r+b") as f:
                f.truncate(len(arc) + 1024 * MIB + 1)
            self.assertEqual(self.run_limited(g), [
                "Error: script/0.txt[1] sp ※big.png は大きすぎます (上限 256 MiB)",
                "Error: script/0.txt[2] sd ※big.ogg は大きすぎます (上限 1 GiB)",
                "Error: script/0.txt[2] sd ※big.oggが開けませんでした",
                "Error: script/0.txt[3] error ※went on",
            ])
        finally:
            g.close()

    def test_save_files_above_the_limit_are_refused(self):
        # Files of 4 GiB, which the 3 GiB address space could not hold, a plain save one byte
        # past the limit, and a small save whose length field claims 4 GiB of text. Each is
        # refused by name and limit with the reader's own failure message after it; the game
        # keeps its state and goes on, and the record too large to be one is passed over.
        g = Game({"script/0.txt": ('int g_keep = 9\nloadgame 1\nloadgame 2, 0\nloadgame 3\nloadcomment 3, $0\n'
                                   'error "went on " + $(%g_keep)\n'),
                  "save/save003.dat": struct.pack("<I", 0xFFFFFFFF) + zlib.compress(b'Comment="x"\n')})
        try:
            sparse(g.path("save/setting.dat"), 4096 * MIB)
            sparse(g.path("save/already.dat"), 4096 * MIB)
            sparse(g.path("save/save001.dat"), 4096 * MIB)
            sparse(g.path("save/save002.txt"), 65 * MIB + 1)
            refused = lambda name, limit: [f"Error: save/{name} は大きすぎます (上限 {limit})",
                                           f"Error: save/{name} の読み込みに失敗しました"]
            self.assertEqual(self.run_limited(g), refused("setting.dat", "65 MiB") + refused("save001.dat", "65 MiB") +
                             refused("save002.txt", "65 MiB") + refused("save003.dat", "64 MiB") * 2 +
                             ["Error: script/0.txt[6] error ※went on 9"])
            # At exit the settings and the record are written afresh over the refused files.
            self.assertLess(os.path.getsize(g.path("save/setting.dat")), MIB)
        finally:
            g.close()
        # A settings file whose length field claims more text than the limit.
        g = Game({"script/0.txt": 'gettextspeed %0, %1 : error "speed " + $(%1)\n',
                  "save/setting.dat": struct.pack("<I", 64 * MIB + 1) + zlib.compress(b"TextSpeed = 5\n")})
        try:
            self.assertEqual(self.run_limited(g), ["Error: save/setting.dat は大きすぎます (上限 64 MiB)",
                                        "Error: save/setting.dat の読み込みに失敗しました",
                                        "Error: script/0.txt[1] error ※speed 20"])
        finally:
            g.close()

    def test_saves_above_the_limit_are_not_written(self):
        # 66 MiB of text: more than either form reads back, so neither is written and the
        # old save stays whole.
        g = Game({"script/0.txt": ('string g_big, m\ncal $m = "a"\n'
                                   'for %0, 1, 20 : cal $m = $m + $m : next\n'
                                   'cal $g_big = $m + $m\nfor %0, 1, 5 : cal $g_big = $g_big + $g_big : next\n'
                                   'cal $g_big = $g_big + $m + $m\nsavesetting\nsavegame 1\nsavegame 2, 0\n'
                                   'saveexist 1, %1 : error "went on " + $(%1)\n'),
                  "save/save002.txt": 'Comment="old"\n'})
        try:
            self.assertEqual(self.run_limited(g), [
                "Error: save/save001.dat は大きすぎます (上限 64 MiB)",
                "Error: save/save001.dat の保存に失敗しました",
                "Error: save/save002.txt は大きすぎます (上限 65 MiB)",
                "Error: save/save002.txt の保存に失敗しました",
                "Error: script/0.txt[10] error ※went on 0",
            ])
            self.assertEqual(read(g.path("save/save002.txt")), b'Comment="old"\n')
        finally:
            g.close()

    def test_movie_chunks_and_tracks_above_their_limit_are_refused(self):
        def movie(sound_length, rest):
            return b"MJPG" + bytes(16) + struct.pack("<IIIIII", 20, 1, 320, 240, 0, sound_length) + rest
        # A frame chunk claiming 4 GiB is skipped (the movie's own chunk error) and the walk
        # goes on to where the claim ends: past the end of the file.
        claim = movie(0, b"00dc" + struct.pack("<II", 0, 0xFFFFFFF0) + b"\xFF\xD8")
        # A sound track claiming more than the file holds is a damaged header; one inside a
        # sparse file of 1 GiB and more is a sound file over its limit.
        past_end = movie(0xFFFFFFF0, b"EOF ")
        g = Game({"script/0.txt": ('mpegplay "claim.mpg", 0\nmpegplay "past_end.mpg", 0\n'
                                   'mpegplay "track.mpg", 0\nerror "went on"\n'),
                  "claim.mpg": claim, "past_end.mpg": past_end, "track.mpg": movie(1024 * MIB + 1, b"")})
        try:
            with open(g.path("track.mpg"), "r+b") as f:
                f.truncate(44 + 1024 * MIB + 1)
            self.assertEqual(self.run_limited(g), [
                "Error: script/0.txt[2] mpegPlay ※FILE HEADER ERROR",
                "Error: script/0.txt[3] mpegPlay ※track.mpg は大きすぎます (上限 1 GiB)",
                "Error: script/0.txt[3] mpegPlay ※track.mpgが開けませんでした",
                "Error: script/0.txt[4] error ※went on",
            ])
            self.assertEqual(read(g.path("error.txt")), b"BUFFER_LENGTH OVER\nCHUNK READ ERROR\n")
        finally:
            g.close()

    def test_already_read_record_claiming_too_much_is_ignored(self):
        g = Game({"script/0.txt": 'error "ran"\n',
                  "save/already.dat": struct.pack("<I", 0xFFFFFFFF) + zlib.compress(b"S1=1\r\n")})
        try:
            self.assertEqual(self.run_limited(g), ["Error: script/0.txt[1] error ※ran"])
        finally:
            g.close()


class Faults(unittest.TestCase):
    def test_no_sound_device_plays_silently(self):
        # No driver chosen and none that can open: SDL's ALSA and PulseAudio are pointed at
        # nothing, so the engine finds no device whatever the machine has.
        env = {k: v for k, v in os.environ.items() if k != "SDL_AUDIODRIVER"}
        env.update({"ALSA_CONFIG_PATH": "/nonexistent", "PULSE_SERVER": "unix:/nonexistent", "AUDIODEV": "/nonexistent",
                    "PIPEWIRE_REMOTE": "/nonexistent", "JACK_NO_START_SERVER": "1"})
        g = Game({"script/0.txt": 'sd 0, "se/chime.ogg"\nsd.status 0, %0\nerror "status " + $(%0)\n'})
        try:
            shutil.copytree(os.path.join(DEMO, "se"), g.path("se"))
            r = subprocess.run([ENGINE, "--no-dialogs", "--virtual-clock", "--video=none", "--audio=sdl", g.dir],
                               capture_output=True, timeout=60, env=env)
            self.assertEqual(r.returncode, 0, r.stderr)
            out = [l for l in lines(r) if not l.startswith("ALSA lib ")]  # the library's own complaints
            self.assertEqual(len(out), 2, out)
            self.assertTrue(out[0].startswith("utsushi: no sound device ("), out)
            self.assertTrue(out[0].endswith("the game plays without sound"), out)
            self.assertTrue(out[1].startswith("Error: script/0.txt[3] error ※status "), out)
        finally:
            g.close()

    def test_no_font_on_the_machine_is_reported_once_at_the_first_character(self):
        # fontconfig pointed at a configuration without font folders finds no face at all.
        # Fonts are looked up when the first character is drawn: a run that shows no text
        # never misses them, and one that does says so there, once, and goes on.
        conf = tempfile.NamedTemporaryFile("w", suffix=".conf", delete=False)
        conf.write('<?xml version="1.0"?>\n<!DOCTYPE fontconfig SYSTEM "fonts.dtd">\n<fontconfig></fontconfig>\n')
        conf.close()
        cache = tempfile.mkdtemp(prefix="utsushi-fc-cache-")
        env = dict(os.environ, FONTCONFIG_FILE=conf.name, XDG_CACHE_HOME=cache)
        plain = Game({"script/0.txt": 'error "no text"\n'})
        text = Game({"script/0.txt": 'error "before"\n一行目\\\n\n二行目\\\n\nerror "after"\n', "clicks.txt": CLICKS})
        try:
            r = plain.run(env=env)
            self.assertEqual((r.returncode, lines(r)), (0, ["Error: script/0.txt[1] error ※no text"]))
            r = text.run("--input", text.path("clicks.txt"), env=env)
            self.assertEqual(r.returncode, 0, r.stderr)
            self.assertEqual(lines(r), ["Error: script/0.txt[1] error ※before", "Error: CreateFontIndirect",
                                        "Error: script/0.txt[6] error ※after"])
        finally:
            plain.close()
            text.close()
            os.unlink(conf.name)
            shutil.rmtree(cache, ignore_errors=True)

    def test_resources_that_vanish_after_the_archive_index_are_reported(self):
        # The archive's index is read at start-up; the script then cuts arc.dat short, so every
        # entry it lists is gone when read. Each read fails with a message and the game goes on;
        # the font, like any face that cannot be had, falls back to the default one unannounced.
        g = Game({"script/0.txt": (
            'cal $0 = "gone" : savefile "arc.dat", $0\n'
            'sp 1, "pic/star.png"\n'
            'sd 0, "se/chime.ogg"\n'
            'setfontfile "fonts/face.ttf"\n'
            '文字\\\n'
            'error "went on"\n'), "clicks.txt": CLICKS})
        try:
            os.makedirs(g.path("pic"))
            shutil.copy(os.path.join(DEMO, "pic", "star.png"), g.path("pic"))
            shutil.copytree(os.path.join(DEMO, "se"), g.path("se"))
            os.makedirs(g.path("fonts"))
            shutil.copy("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", g.path("fonts/face.ttf"))
            p = subprocess.run([PACKER, "arc", g.dir, "pic", "se", "fonts"], capture_output=True)
            self.assertEqual(p.returncode, 0, p.stderr)
            for d in ("pic", "se", "fonts"):
                shutil.rmtree(g.path(d))
            r = g.run("--input", g.path("clicks.txt"))
            self.assertEqual(r.returncode, 0, r.stderr)
            out = lines(r)
            self.assertIn("Error: script/0.txt[2] sp ※pic/star.png を読み込めませんでした", out)
            self.assertIn("Error: script/0.txt[3] sd ※se/chime.oggが開けませんでした", out)
            self.assertEqual(out[-1], "Error: script/0.txt[6] error ※went on")
        finally:
            g.close()

    def old_record(self):
        return struct.pack("<I", 6) + zlib.compress(b"S1=1\r\n")

    def record_game(self):
        # Two pages read (the clicks end their waits), so the record has something new to write.
        return Game({"script/0.txt": "一行目\\\n二行目\\\nend\n", "save/already.dat": self.old_record(),
                     "clicks.txt": CLICKS})

    @unittest.skipUnless(os.geteuid() == 0 or shutil.which("sudo") is None, "needs root or permission bits")
    def test_record_in_a_read_only_folder_stays_whole(self):
        g = self.record_game()
        try:
            os.chmod(g.path("save"), 0o555)
            os.chmod(g.dir, 0o755)
            cmd = [ENGINE, *HEADLESS, "--input", g.path("clicks.txt"), g.dir]
            env = dict(os.environ, XDG_DATA_HOME="/proc/nonexistent", HOME="/proc/nonexistent")
            if os.geteuid() == 0:
                # Root writes through permission bits: run as nobody instead.
                if not shutil.which("setpriv"):
                    self.skipTest("setpriv is missing")
                cmd = ["setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups"] + cmd
                os.chmod(os.path.dirname(g.dir), os.stat(os.path.dirname(g.dir)).st_mode)
            r = subprocess.run(cmd, capture_output=True, timeout=60, env=env)
            self.assertEqual(r.returncode, 0, r.stderr)
            self.assertTrue(any(record_not_written(l) for l in lines(r)), lines(r))
            self.assertEqual(read(g.path("save/already.dat")), self.old_record())
            self.assertEqual([n for n in os.listdir(g.path("save")) if n != "already.dat"], [])
        finally:
            os.chmod(g.path("save"), 0o755)
            g.close()

    def test_record_on_a_full_disk_stays_whole(self):
        # A private mount namespace with a 256 KiB tmpfs, filled to the last block before the
        # engine starts; the new record cannot be written, the old one must stay whole.
        unshare = shutil.which("unshare")
        if not unshare:
            self.skipTest("unshare is missing")
        g = self.record_game()
        outside = tempfile.mkdtemp(prefix="utsushi-full-")
        try:
            ns = [unshare, "-m"] if os.geteuid() == 0 else [unshare, "-rm"]
            script = f"""
set -e
mount -t tmpfs -o size=256k tmpfs "{outside}"
cp -r "{g.dir}/." "{outside}/"
dd if=/dev/zero of="{outside}/filler" bs=4k 2>/dev/null || true
sync
set +e
"{ENGINE}" {" ".join(HEADLESS)} --input "{outside}/clicks.txt" "{outside}" 2> "{g.dir}/engine.err"
echo $? > "{g.dir}/engine.status"
cp "{outside}/save/already.dat" "{g.dir}/after.dat"
ls -a "{outside}/save" > "{g.dir}/save.list"
"""
            r = subprocess.run(ns + ["sh", "-c", script], capture_output=True, timeout=120)
            if r.returncode != 0 and not os.path.exists(g.path("engine.status")):
                self.skipTest("no private tmpfs here: " + r.stderr.decode(errors="replace").strip())
            self.assertEqual(read(g.path("engine.status"), "r").strip(), "0")
            err = read(g.path("engine.err")).decode("utf-8").splitlines()
            self.assertTrue(any(record_not_written(l) for l in err), err)
            self.assertEqual(read(g.path("after.dat")), self.old_record())
            self.assertEqual(sorted(read(g.path("save.list"), "r").split()), [".", "..", "already.dat"])
        finally:
            shutil.rmtree(outside, ignore_errors=True)
            g.close()

    def test_a_second_start_while_the_first_is_busy_exits(self):
        # The first run loops without pumping, so it never accepts the second start's request;
        # once its backlog is full a blocking connect would hang every later start.
        g = Game({"script/0.txt": "*spin\ncal %0 = %0 + 1\ngoto *spin\n"})
        first = subprocess.Popen([ENGINE, *HEADLESS, g.dir], stderr=subprocess.DEVNULL)
        try:
            time.sleep(1.0)
            for _ in range(8):
                second = subprocess.run([ENGINE, *HEADLESS, g.dir], capture_output=True, timeout=20)
                self.assertEqual(second.returncode, 0)
                self.assertIn(b"already running", second.stderr)
        finally:
            first.kill()
            first.wait()
            g.close()

    def test_sigterm_ends_the_run_as_a_closed_window_does(self):
        # Real time, in a wait and in a script loop that never waits: SIGTERM arrives as a quit
        # through the message pump, which the loop reaches through the interpreter's busy hook.
        # The run ends without a question and writes the already-read record on the way out.
        spin = "goto *start\n*spin\ncal %0 = %0 + 1\ngoto *spin\n*start\n一行目\\\ngoto *spin\n"
        for name, text in (("wait", "一行目\\\nwait 60000\n"), ("busy loop", spin)):
            with self.subTest(name):
                g = Game({"script/0.txt": text + "error \"never\"\n",
                          "clicks.txt": "100 click 10 10\n"})
                try:
                    p = subprocess.Popen([ENGINE, "--no-dialogs", "--video=none", "--audio=none", "--input",
                                          g.path("clicks.txt"), g.dir], stderr=subprocess.PIPE)
                    time.sleep(1.5)
                    p.send_signal(signal.SIGTERM)
                    try:
                        _, err = p.communicate(timeout=15)
                    except subprocess.TimeoutExpired:
                        p.kill()
                        p.communicate()
                        self.fail("SIGTERM did not end the run")
                    self.assertEqual(p.returncode, 0, err)
                    self.assertNotIn("never", err.decode("utf-8", errors="replace"))
                    self.assertTrue(os.path.exists(g.path("save/already.dat")))
                finally:
                    g.close()

    def test_window_closed_during_a_quake(self):
        # The close is asked about and confirmed (no dialogs answer yes); the quake ends and
        # the next statement never runs.
        g = Game({"script/0.txt": 'quake.xy 6, 4, 60000, 4\nerror "never"\n', "input.txt": "500 close\n"})
        try:
            r = g.run("--input", g.path("input.txt"), timeout=30)
            self.assertEqual(r.returncode, 0, r.stderr)
            self.assertEqual(lines(r), ["終了確認: 終了しますか？"])
        finally:
            g.close()
        # Answered no, the quake goes on to its end and the script with it.
        g = Game({"script/0.txt": 'quake.xy 6, 4, 3000, 4\nerror "after"\n', "input.txt": "500 close\n"})
        try:
            r = g.run("--answer-no", "--input", g.path("input.txt"), timeout=30)
            self.assertEqual(r.returncode, 0, r.stderr)
            self.assertEqual(lines(r), ["終了確認: 終了しますか？", "Error: script/0.txt[2] error ※after"])
        finally:
            g.close()


if __name__ == "__main__":
    unittest.main(verbosity=2)
