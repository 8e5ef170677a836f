#!/usr/bin/env python3
"""Save games and the settings file across runs of the engine: a state saved in one run and
loaded in a later one (compared through `error` prints and screenshots), the exit save to
slot 999, settings and s_ variables, hostile and damaged files refused with nothing run,
and a folder that cannot be written leaving the old files whole."""
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest
import zlib

ENGINE = os.environ["UTSUSHI_ENGINE"]
HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "demo", "tools"))
from png_writer import write_png  # noqa: E402

HEADLESS = ["--no-dialogs", "--virtual-clock", "--audio=none"]
MARKER = "hostile-marker"


def pack(text):
    return struct.pack("<I", len(text)) + zlib.compress(text, 9)


def unpack(data):
    n = struct.unpack("<I", data[:4])[0]
    text = zlib.decompress(data[4:])
    assert len(text) == n
    return text


class Game:
    def __init__(self, script, pictures=False, sound=False):
        self.dir = tempfile.mkdtemp(prefix="utsushi-saves-")
        os.chmod(self.dir, 0o755)
        os.makedirs(os.path.join(self.dir, "script"))
        self.write_script(script)
        if pictures:
            write_png(self.path("pic.png"), 200, 100, lambda x, y: (x, y, 90, 255))
            write_png(self.path("stand.png"), 60, 100, lambda x, y: (0, 255, 0, 255))
            write_png(self.path("dot.png"), 8, 8, lambda x, y: (255, 255, 0, 255))
        if sound:
            wav = self.path("tone.wav")
            subprocess.run(["sox", "-n", "-r", "44100", "-c", "2", "-b", "16", "-e", "signed", wav,
                            "synth", "2", "sine", "440", "vol", "0.3"], check=True)
            subprocess.run(["oggenc", "-Q", "-q", "2", "-o", self.path("tone.ogg"), wav], check=True)
            os.remove(wav)

    def path(self, *parts):
        return os.path.join(self.dir, *parts)

    def write_script(self, text):
        with open(self.path("script", "0.txt"), "wb") as f:
            f.write(text.encode("cp932"))

    def write(self, name, data):
        os.makedirs(os.path.dirname(self.path(name)), exist_ok=True)
        with open(self.path(name), "wb") as f:
            f.write(data if isinstance(data, bytes) else data.encode("cp932"))

    def read(self, name):
        with open(self.path(name), "rb") as f:
            return f.read()

    def run(self, *args, user=None, video="none", check=True):
        cmd = [ENGINE, *HEADLESS, f"--video={video}", *args, self.dir]
        if user:
            cmd = ["setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups", *cmd]
        r = subprocess.run(cmd, capture_output=True, timeout=120)
        lines = r.stderr.decode("utf-8", errors="replace").splitlines()
        if check and r.returncode != 0:
            raise AssertionError(f"exit {r.returncode}: {lines}")
        return [l.split(" ※", 1)[1] if " ※" in l and l.startswith("Error: script") else l for l in lines]

    def close(self):
        shutil.rmtree(self.dir, ignore_errors=True)


# Builds the state in run 1; %9 tells the runs apart (numbered variables are neither saved
# nor reset by loading), so the line after the save point takes a screenshot in both.
ROUND_TRIP = """\
saveexist 1, %0
if (%0 == 1) goto *again
setwindow 20, 30, 20, 10, 24, 24, 0, 4
setlogwindow 22, 22, 1, 3
settextspeed 33, 44
setautowait 500, 600
setfontfile "DejaVu Sans", "ＭＳ ゴシック"
setfontcolor 0xFF0000, 0x00FF00
int g_a = 7, plain = 3
string g_s = "表ソ能'x'" + "'"
sp.bc 5, 10, 20
sp 5, "pic.png" : sp.xy 5, 150, 120 : sp.a 5, 200 : sp.c 5, 2, 0x112233
ssp.set "ＭＳ ゴシック", 30, 14, 0xFF0000, 0xFF0000, 0
ssp 7, "表示テスト" : sp.xy 7, 500, 400
sp.st 9, "stand.png", 100, 150
sp.xy 9, 650, 200
sp.af 255, 100, 0 : sp.set 9, 1, 0 : sp.exe 9, 0 : wait 300
sp 20, "dot.png" : sp.xy 20, 10, -400
print 1
sp.ax 300, 60000, 0 : sp.set 20, 0, 0 : sp.ax 100, 60000, 0 : sp.set 20, 0, 0 : sp.exe 20, 1
sd 0, "tone.ogg", 0, 80, 0
sd.panpot 0, -40
【花子】一枚目の文章です。\\

二枚目。\\

savecomment "第一章　表\\ソ"
savesetting
wait 20 : getscreenshot 800, 600 : savescreenshot "shot" + $(%9) + ".bmp"
if (%9 == 1) goto *check
savegame 1
savegame 2, 0
error "saved"
end
*again
cal %9 = 1
int plain = 3
loadcomment 1, $1
error $1
loadgame 1
error "not reached"
end
*check
error "g_a=" + $(%g_a) + " g_s=" + $g_s
variableexist %1, %plain
error "plain exists " + $(%1)
getspexist 5, %1 : getspexist 7, %2 : getspexist 9, %3 : getspexist 20, %4
error "exist " + $(%1) + $(%2) + $(%3) + $(%4)
getspsize 7, %1, %2 : error "text sprite " + $(%1) + "x" + $(%2)
getspsize 9, %1, %2 : error "stand " + $(%1) + "x" + $(%2)
getsppos 5, %1, %2 : error "pic at " + $(%1) + "," + $(%2)
getsppos 20, %1, %2 : error "moving y " + $(%2)
gettextspeed %1, %2 : error "speed " + $(%1) + " " + $(%2)
getautowait %1, %2 : error "auto " + $(%1)
getfontfile $1, $2 : error "font " + $1
getlogcount %1 : error "pages " + $(%1)
getlog $1, 2 : gettaglog $2, 2 : error "log " + $2 + ":" + $1
sd.status 0, %1 : error "sound " + $(%1) + " bgmcross " + $(%bgmcross)
"""


class RoundTrip(unittest.TestCase):
    def test_every_record_survives_a_later_run(self):
        g = Game(ROUND_TRIP, pictures=True, sound=True)
        try:
            self.assertEqual(g.run("--input", self.clicks(g), video="gl"), ["saved"])
            text = g.read("save/save002.txt")
            self.assertEqual(unpack(g.read("save/save001.dat")), text, ".dat and .txt hold the same text")
            self.assertIn("第一章　表\\ソ".encode("cp932").replace(b"\\", b"\\\\"), text)
            self.assertNotIn(b"plain", text)
            out = g.run("--input", self.clicks(g), video="gl")
            # Run 2 again under GL so that both screenshots come from the same drawing path.
            self.assertEqual(out[0], "第一章　表\\ソ")
            self.assertEqual(out[1:], [
                "g_a=7 g_s=表ソ能'x''",
                "plain exists 1",  # a variable without g_ is neither saved nor erased
                "exist 1111",
                "text sprite 154x34",
                "stand 100x150",
                "pic at 50,70",  # the top-left corner
                "moving y -404",
                "speed 33 44",
                "auto 500",
                "font DejaVu Sans",
                "pages 3",
                "log 花子:一枚目の文章です。",  # two pages back
                "sound 0 bgmcross 0",
            ])
        finally:
            g.close()

    def clicks(self, g):
        p = g.path("clicks.txt")
        with open(p, "w") as f:
            f.write("".join(f"{t} click 10 10\n" for t in range(200, 20000, 200)))
        return p

    def test_screenshot_after_loading_matches_the_saved_stage(self):
        # Opaque pictures only: a translucent one is blended over the frame before it, so
        # its pixels depend on how many frames each run has drawn.
        script = (ROUND_TRIP.replace('sp 20, "dot.png"', 'sp 21, "dot.png"').replace("sp.exe 20, 1", "")
                  .replace("sp.a 5, 200", "sp.a 5, 255"))
        g = Game(script, pictures=True)
        try:
            g.run("--input", self.clicks(g), video="gl")
            g.run("--input", self.clicks(g), video="gl")
            a, b = g.read("shot0.bmp"), g.read("shot1.bmp")
            self.assertEqual(len(a), len(b))
            offset = struct.unpack("<I", a[10:14])[0]

            def pixel(data, x, y):
                at = offset + (599 - y) * 2400 + x * 3
                return data[at:at + 3]

            # Run 1 still shows its last page of message text at the top; the load starts a
            # fresh page. Below it the stage must be the same (glyph edges within 2 levels).
            # The text sprite's soft glyph edges are blended over the frame before them, so
            # they may differ by a few levels with the number of frames drawn: there only
            # nearly every pixel must match.
            worst, text_pixels, text_same = 0, 0, 0
            for y in range(60, 600, 2):
                for x in range(0, 800, 2):
                    pa, pb = pixel(a, x, y), pixel(b, x, y)
                    d = max(abs(pa[i] - pb[i]) for i in range(3))
                    if 420 <= x < 580 and 380 <= y < 420:
                        text_pixels += 1
                        text_same += d <= 2
                    else:
                        worst = max(worst, d)
            self.assertLessEqual(worst, 2)
            self.assertGreater(text_same, text_pixels * 0.95)
            # The picture went through its slot's filters (brightness and contrast) in both runs.
            self.assertNotIn(pixel(b, 100, 100), (bytes([0, 0, 0]), bytes([90, 30, 50])))
            self.assertEqual(pixel(b, 650, 250), bytes([0, 255, 0]), "the stand picture")
            self.assertEqual(pixel(b, 21 + 400, 300), bytes([0, 0, 0]))
        finally:
            g.close()


class ExitSave(unittest.TestCase):
    def test_closing_with_a_comment_saves_to_slot_999(self):
        g = Game('saveexist 999, %0\nif (%0 == 1) goto *load\nint g_x = 42\nsavecomment "途中"\n'
                 'wait 100000\nerror "resumed " + $(%g_x)\nend\n*load\nloadcomment 999, $0\nerror $0\n'
                 'loadgame 999\nerror "not reached"\n')
        try:
            g.write("close.txt", "500 close\n")
            self.assertEqual(g.run("--input", g.path("close.txt")), ["終了確認: 終了しますか？"])
            self.assertTrue(os.path.exists(g.path("save/save999.dat")))
            self.assertEqual(g.run(), ["途中", "resumed 42"])
            # Without a comment nothing is saved; --exit-after asks no question and saves nothing.
            os.remove(g.path("save/save999.dat"))
            g.write_script('int g_x = 1\nsavecomment "x"\nwait 100000\n')
            g.run("--exit-after", "300")
            self.assertFalse(os.path.exists(g.path("save/save999.dat")))
        finally:
            g.close()


def resume_line(text):
    """The line index of the File record of a save text."""
    record = [l for l in text.split(b"\n") if l.startswith(b"File={")][0]
    return int(record[len(b"File={"):-1].split(b",")[1])


class ResumePosition(unittest.TestCase):
    """Where a loaded game goes on: a save point outside a text block resumes at the line after
    it, once; one taken while a block is being shown resumes at the block's first line."""

    def test_a_page_written_with_setlog_is_saved_and_play_resumes_after_the_save_point(self):
        # %7 counts the runs of line 0 (numbered variables outlive a load): a save that sent
        # the game back to its first line would load itself again and again.
        g = Game('cal %7 = %7 + 1\nif (%7 > 3) error "looped" : end\n'
                 'saveexist 1, %0, 0\nif (%0 == 1) goto *load\n'
                 'setlog "一ページ目", 2\ntextclear\nsetlog "二ページ目"\nsavesetting\n'
                 'error "resumed " + $(%7)\n'
                 'if (%0 == 1) getlogcount %1 : getlog $1, 1 : getlog $2, 2 : error "pages " + $(%1) + " " + $2 + " " + $1\n'
                 'if (%0 == 0) savegame 1, 0\nend\n*load\nloadgame 1, 0\nerror "not reached"\n')
        try:
            self.assertEqual(g.run(), ["resumed 1"])
            text = g.read("save/save001.txt")
            self.assertEqual(resume_line(text), 8, "the line after savesetting")
            self.assertIn('msgBuffer0="一ページ目"\nmsgBuffer1="二ページ目"\nmsgLines={2,1,0,'.encode("cp932"), text)
            self.assertEqual(g.run(), ["resumed 1", "pages 3 一ページ目 二ページ目"])
        finally:
            g.close()

    def test_a_save_point_in_a_subroutine_after_a_finished_block_resumes_once(self):
        # The text line has no wait at its end: its page is still on screen, but the block is
        # over, and the save point inside the subroutine resumes after the outermost call.
        g = Game('saveexist 1, %0\nif (%0 == 1) goto *load\nlinenull 0, 0\n一行だけの文章。\n\n'
                 'gosub *outer\nerror "after the call"\nend\n*load\nloadgame 1\nerror "not reached"\nend\n'
                 '*outer\ngosub *point\nreturn\n*point\nsavesetting\nsavegame 1\nerror "saved"\nreturn\n')
        try:
            self.assertEqual(g.run(), ["saved", "after the call"])
            self.assertEqual(g.run(), ["after the call"])
        finally:
            g.close()

    def test_a_save_point_inside_the_text_hook_shows_the_block_again(self):
        g = Game('textgosub *text_lb\nsaveexist 1, %0, 0\nif (%0 == 1) goto *load\n一行目@二行目\n\n'
                 'getlog $1, 0 : error $1\nend\n*load\nloadgame 1, 0\nend\n'
                 '*text_lb\ncal %8 = %8 + 1\nif (%8 == 1 && %0 == 0) savesetting : savegame 1, 0 : error "saved in the hook"\n'
                 'return\n')
        try:
            # The page ends with "\f", which splits the printed line.
            self.assertEqual(g.run(), ["saved in the hook", "一行目二行目", ""])
            self.assertEqual(resume_line(g.read("save/save001.txt")), 3, "the block's first line")
            self.assertNotIn(b"msgBuffer", g.read("save/save001.txt"), "the page being shown is shown again")
            self.assertEqual(g.run(), ["一行目二行目", ""])
        finally:
            g.close()


class TextSpriteFace(unittest.TestCase):
    def test_a_text_sprite_made_without_ssp_set_comes_back_from_a_save(self):
        g = Game('saveexist 1, %0, 0\nif (%0 == 1) goto *load\nssp 3, "あいう" : sp.xy 3, 100, 100 : print 1\n'
                 'savesetting\n'
                 'if (%0 == 1) getspexist 3, %1 : getspsize 3, %2, %3 : error "exists " + $(%1) + " " + $(%2) + "x" + $(%3)\n'
                 'if (%0 == 0) savegame 1, 0\nend\n*load\nloadgame 1, 0\n')
        try:
            self.assertEqual(g.run(), [])
            text = g.read("save/save001.txt").decode("cp932")
            self.assertIn('Image3={"あいう","ＭＳ ゴシック",26,14,0xFFFFFF,0xFFFFFF,0x0,', text)
            self.assertIn('Font={"ＭＳ ゴシック",14,0xFFFFFF,0xFFFFFF,0x0,"ＭＳ ゴシック",14,', text)
            self.assertEqual(g.run(), ["exists 1 82x30"])
        finally:
            g.close()


class SettingsAcrossRuns(unittest.TestCase):
    def test_settings_and_system_variables_outlive_the_run(self):
        g = Game('variableexist %0, %s_runs\nif (%0 == 0) int s_runs = 0, g_game = 5, other = 1\n'
                 'if (%0 == 0) string s_name = "表ソ\'\\"\n'
                 'cal %s_runs = %s_runs + 1\n'
                 'variableexist %1, %g_game : variableexist %2, %other\n'
                 'error "runs " + $(%s_runs) + " " + $s_name + " g " + $(%1) + " other " + $(%2)\n'
                 'getmastervolume %3 : gettextspeed %4, %5 : geteffectskip %6\n'
                 'error "volume " + $(%3) + " speed " + $(%5) + " effectskip " + $(%6)\n'
                 'savegetprotect 3, %7 : error "protect " + $(%7)\n'
                 'setmastervolume 40 : settextspeed 10, 70 : seteffectskip 1 : savesetprotect 3\n')
        try:
            self.assertEqual(g.run(), ["runs 1 表ソ'\\ g 1 other 1", "volume 100 speed 20 effectskip 0",
                                       "protect 0"])
            text = unpack(g.read("save/setting.dat")).decode("cp932")
            self.assertTrue(text.startswith("Thread = 0\r\nMMX = 1\r\nSSE = 1\r\nSSE2 = 1\r\n"))
            self.assertIn("TextSpeed = 70\r\nAutoWait = 400\r\n", text)
            self.assertIn('FontFile = "ＭＳ ゴシック"\r\nFontStyle = 14\r\nFontColor1 = 0xFFFFFF\r\n', text)
            self.assertIn("MasterVolume = 40\r\n", text)
            self.assertIn("saveProtect={0,0,0,1,", text)
            self.assertIn('Integer={"s_runs=1",""}', text)
            self.assertTrue(os.path.exists(g.path("save/already.dat")))
            self.assertEqual(g.run(), ["runs 2 表ソ'\\ g 0 other 0", "volume 40 speed 70 effectskip 1",
                                       "protect 1"])
            # A file of one key: that key, defaults for the rest.
            g.write("save/setting.dat", pack(b"StreamBufferSize = 16\r\nTextSpeed = 5\r\n"))
            self.assertEqual(g.run()[1], "volume 100 speed 5 effectskip 0")
        finally:
            g.close()


HOSTILE = [
    "os.execute('touch {m}')",
    "io.open('{m}', 'w'):close()",
    "require('os').execute('touch {m}')",
    "loadstring(\"os.execute('touch {m}')\")()",
    "x = string.rep('a', 1e9)",
    "x = 'a' for i = 1, 40 do x = x .. x end",
    "while true do end",
    "local function f() return 1 + f() end f()",
    "Image1={{\"pic.png\"",
]


class HostileFiles(unittest.TestCase):
    def test_hostile_and_damaged_saves_are_refused_and_change_nothing(self):
        g = Game('int g_keep = 9\nloadgame 1, 0\nerror "after " + $(%g_keep)\n'
                 'loadcomment 1, $0, 0\nloadgame 2\nloadgame 3\nloadgame 4\nloadgame 5\nloadgame 6\n')
        try:
            marker = g.path(MARKER)
            good = pack(b'Comment="ok"\n')
            g.write("save/save002.dat", b"\x10\x00\x00\x00not a zlib stream")
            g.write("save/save003.dat", struct.pack("<I", len(good) + 50) + good[4:])
            g.write("save/save004.dat", b"\xff\xff\xff\x7f" + good[4:])
            g.write("save/save005.dat", good[:len(good) - 3])
            g.write("save/save006.dat", pack(b"\x1bLuaQ\x00\x01\x04\x04\x04\x08\x00"))
            for text in HOSTILE:
                g.write("save/save001.txt", text.format(m=marker))
                out = g.run()
                self.assertEqual(out[:3], ["Error: save/save001.txt が壊れています", "after 9",
                                           "Error: save/save001.txt が壊れています"], text)
                self.assertEqual(out[3:], ["Error: save/save002.dat の読み込みに失敗しました",
                                           "Error: save/save003.dat の読み込みに失敗しました",
                                           "Error: save/save004.dat は大きすぎます (上限 64 MiB)",
                                           "Error: save/save004.dat の読み込みに失敗しました",
                                           "Error: save/save005.dat の読み込みに失敗しました",
                                           "Error: save/save006.dat が壊れています"])
                self.assertFalse(os.path.exists(marker), text)
        finally:
            g.close()

    def test_hostile_settings_leave_the_defaults(self):
        g = Game('gettextspeed %0, %1 : error "speed " + $(%1)\n')
        try:
            marker = g.path(MARKER)
            for text in HOSTILE + ["TextSpeed = 5 os.execute('touch {m}')"]:
                g.write("save/setting.dat", pack(text.format(m=marker).encode()))
                self.assertEqual(g.run(), ["speed 20"], text)
                self.assertFalse(os.path.exists(marker), text)
            g.write("save/setting.dat", b"\x01\x00")
            self.assertEqual(g.run(), ["speed 20"])
        finally:
            g.close()


class SafeWrites(unittest.TestCase):
    def old_files(self, g):
        g.write("save/save001.dat", pack(b'Comment="old"\n'))
        g.write("save/setting.dat", pack(b"TextSpeed = 7\r\n"))
        return g.read("save/save001.dat"), g.read("save/setting.dat")

    def test_a_folder_that_cannot_be_written_keeps_the_old_files(self):
        g = Game('savecomment "new"\nsavegame 1\nsettextspeed 3, 3\nerror "done"\n')
        try:
            save, settings = self.old_files(g)
            # Only save/ is closed to the player: a game folder that cannot be written at all
            # sends the files to the per-user folder instead.
            os.chmod(g.dir, 0o777)
            out = g.run(user="nobody")
            self.assertEqual(out, ["Error: save/save001.dat の保存に失敗しました", "done",
                                   "Error: save/setting.dat の保存に失敗しました",
                                   "Error: save/already.dat の保存に失敗しました"])
            self.assertEqual(g.read("save/save001.dat"), save)
            self.assertEqual(g.read("save/setting.dat"), settings)
            self.assertEqual(sorted(os.listdir(g.path("save"))), ["save001.dat", "setting.dat"])
        finally:
            g.close()

    def test_a_full_disk_keeps_the_old_files(self):
        g = Game('savecomment "new"\nstring g_big = "' + "x" * 100 + '"\n'
                 'for %0, 1, 600\nsp %0, "pic.png"\nnext\nsavegame 1\nerror "done"\n', pictures=True)
        mount = g.path("save")
        os.makedirs(mount)
        if subprocess.run(["mount", "-t", "tmpfs", "-o", "size=24k", "tmpfs", mount]).returncode != 0:
            g.close()
            self.skipTest("cannot mount a small tmpfs here")
        try:
            save, settings = self.old_files(g)
            # Fill what is left so that the new save cannot be written whole.
            with open(os.path.join(mount, "filler"), "wb") as f:
                try:
                    f.write(b"\0" * 24 * 1024)
                except OSError:
                    pass
            out = g.run()
            self.assertIn("Error: save/save001.dat の保存に失敗しました", out)
            self.assertEqual(g.read("save/save001.dat"), save)
            self.assertEqual(g.read("save/setting.dat"), settings)
            self.assertEqual(sorted(os.listdir(mount)), ["filler", "save001.dat", "setting.dat"])
        finally:
            subprocess.run(["umount", mount])
            g.close()


if __name__ == "__main__":
    unittest.main()
