// Movies played by the whole engine: frames of solid, distinct colours, screenshots taken at
// known clock times, and the error.txt lines, skip rules and stream 9 that playback leaves.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <regex>
#include <string>
#include <vector>

#include "graphics/test_pictures.h"
#include "image/codecs.h"
#include "image/pixel_image.h"
#include "movie/movie_file.h"
#include "sound/tone_files.h"

namespace {

namespace fs = std::filesystem;

struct Colour {
  int r, g, b;
};
constexpr Colour kRed{230, 20, 20}, kGreen{20, 200, 40}, kBlue{30, 40, 220}, kYellow{240, 230, 30},
    kMagenta{210, 30, 200}, kCyan{30, 210, 220};

// Rows above h / 2 in `c`, the rest in `lower` (the same colour by default).
std::string solidJpeg(int w, int h, Colour c, std::optional<Colour> lower = {}) {
  auto img = image::createImage(w, h, 24);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      std::uint8_t* px = img->row(y) + x * 4;
      if (lower && y >= h / 2) {
        px[0] = static_cast<std::uint8_t>(lower->b), px[1] = static_cast<std::uint8_t>(lower->g), px[2] = static_cast<std::uint8_t>(lower->r);
        px[3] = 255;
        continue;
      }
      px[0] = static_cast<std::uint8_t>(c.b), px[1] = static_cast<std::uint8_t>(c.g), px[2] = static_cast<std::uint8_t>(c.r);
      px[3] = 255;
    }
  std::string out, why;
  EXPECT_TRUE(image::encodeJpeg(*img, 24, 95, 0, out, why)) << why;
  return out;
}

// A movie built here chunk by chunk: rate / scale frames a second, `sound` as its track.
struct MovieBuilder {
  movie::MovieHeader header;
  std::string chunks;
  std::string sound;
  MovieBuilder(int w, int h, std::uint32_t rate = 20, std::uint32_t scale = 1) {
    header.width = static_cast<std::uint32_t>(w), header.height = static_cast<std::uint32_t>(h);
    header.rate = rate, header.scale = scale;
  }
  MovieBuilder& frame(std::uint32_t t, Colour c) { return raw(t, solidJpeg(static_cast<int>(header.width), static_cast<int>(header.height), c)); }
  MovieBuilder& raw(std::uint32_t t, const std::string& data) {
    movie::appendChunk(chunks, "00dc", t, data);
    return *this;
  }
  MovieBuilder& end() {
    movie::appendChunk(chunks, "EOF ", 0, "");
    return *this;
  }
  std::string bytes() const {
    movie::MovieHeader h = header;
    h.soundLength = static_cast<std::uint32_t>(sound.size());
    return movie::movieHeaderBytes(h) + sound + chunks;
  }
};

using test_pictures::readPng;

class MoviePlayback : public ::testing::Test {
 protected:
  void SetUp() override {
    game = fs::temp_directory_path() /
           ("utsushi_movie_" + std::to_string(::getpid()) + "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(game);
    fs::create_directories(game / "script");
  }
  void TearDown() override { fs::remove_all(game); }

  void write(const std::string& name, const std::string& bytes) {
    fs::create_directories((game / name).parent_path());
    std::ofstream(game / name, std::ios::binary) << bytes;
  }
  // Screenshots: "ms NAME" pairs become input events saving NAME.png in the game folder.
  int run(const std::string& script, const std::vector<std::pair<int, std::string>>& shots, const std::string& more = "",
          const std::string& options = "--video=gl --virtual-clock --audio=none") {
    write("script/0.txt", script);
    std::string input = more;
    for (const auto& [ms, name] : shots) input += std::to_string(ms) + " screenshot " + (game / (name + ".png")).string() + "\n";
    write("input.txt", input);
    if (!std::getenv("DISPLAY")) setenv("SDL_VIDEODRIVER", "offscreen", 0);
    const std::string command = std::string(UTSUSHI_BINARY_DIR) + "/utsushi --no-dialogs " + options +
                                " --exit-after 60000 --input '" + (game / "input.txt").string() + "' '" + game.string() +
                                "' 2>'" + (game / "stderr.txt").string() + "'";
    return std::system(command.c_str());
  }
  std::string readText(const std::string& name) {
    std::ifstream in(game / name, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }
  std::string errors() { return readText("stderr.txt"); }
  // The colour at the stage point of a screenshot is `c` (JPEG keeps solid colours within a
  // few levels).
  ::testing::AssertionResult shows(const std::string& shot, int x, int y, Colour c) {
    auto img = readPng(game / (shot + ".png"));
    if (!img) return ::testing::AssertionFailure() << shot << ".png was not written";
    const std::uint8_t* px = img->row(y) + x * 4;
    if (std::abs(px[2] - c.r) <= 6 && std::abs(px[1] - c.g) <= 6 && std::abs(px[0] - c.b) <= 6)
      return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << shot << " at " << x << "," << y << " is " << int(px[2]) << "," << int(px[1])
                                         << "," << int(px[0]) << ", not " << c.r << "," << c.g << "," << c.b;
  }
  // The numbers the script printed with `error`, in order.
  std::vector<int> printed() {
    std::vector<int> out;
    std::string text = errors();
    std::regex line("error ※(-?[0-9]+)");
    for (std::sregex_iterator it(text.begin(), text.end(), line), end; it != end; ++it) out.push_back(std::stoi((*it)[1]));
    return out;
  }

  fs::path game;
};

// Timestamps are clock times from the start of mpegplay; the clock starts at 0 for the input
// events and the script's first statement runs at once.
TEST_F(MoviePlayback, FramesShowFromTheirTimestampsAndHoldsKeepThePicture) {
  MovieBuilder m(320, 240);  // 50 ms a frame
  m.frame(0, kRed).frame(37, kGreen).frame(130, kBlue).frame(251, kYellow).raw(400, "");
  m.raw(433, solidJpeg(320, 240, kMagenta, kCyan)).raw(600, "").end();
  write("m.mpg", m.bytes());
  ASSERT_EQ(run("mpegplay \"m.mpg\", 0\n", {{20, "a"}, {100, "b"}, {200, "c"}, {300, "d"}, {420, "e"}, {500, "f"}}), 0)
      << errors();
  EXPECT_TRUE(shows("a", 400, 300, kRed));
  EXPECT_TRUE(shows("b", 400, 300, kGreen));
  EXPECT_TRUE(shows("c", 400, 300, kBlue));
  EXPECT_TRUE(shows("d", 400, 300, kYellow));
  EXPECT_TRUE(shows("e", 400, 300, kYellow)) << "a chunk of length 0 holds the picture";
  // Centred: (800 - 320) / 2 = 240, (600 - 240) / 2 = 180, the upper half above row 300;
  // outside, the stage stays as it was.
  EXPECT_TRUE(shows("f", 400, 290, kMagenta));
  EXPECT_TRUE(shows("f", 400, 310, kCyan));
  EXPECT_TRUE(shows("f", 240, 180, kMagenta));
  EXPECT_TRUE(shows("f", 559, 419, kCyan));
  EXPECT_TRUE(shows("f", 239, 300, {0, 0, 0}));
  EXPECT_TRUE(shows("f", 400, 420, {0, 0, 0}));
  EXPECT_FALSE(fs::exists(game / "error.txt"));
  EXPECT_EQ(errors(), "");
}

TEST_F(MoviePlayback, LateFramesAreNeverDecoded) {
  // Green is shown at 200 ms; the chunk stamped 100 is then more than a period (50 ms) late
  // and is skipped undecoded (it is damaged: decoding it would be reported). The one stamped
  // 180 is late by less than a period and is shown at once.
  std::string damaged = solidJpeg(320, 240, kCyan);
  damaged.resize(damaged.size() / 2);
  MovieBuilder m(320, 240);
  m.frame(0, kRed).frame(200, kGreen).raw(100, damaged).frame(180, kMagenta).frame(300, kYellow).raw(400, "").end();
  write("m.mpg", m.bytes());
  ASSERT_EQ(run("mpegplay \"m.mpg\", 0\n", {{150, "a"}, {260, "b"}, {350, "c"}}), 0) << errors();
  EXPECT_TRUE(shows("a", 400, 300, kRed));
  EXPECT_TRUE(shows("b", 400, 300, kMagenta));
  EXPECT_TRUE(shows("c", 400, 300, kYellow));
  EXPECT_FALSE(fs::exists(game / "error.txt")) << readText("error.txt");
}

TEST_F(MoviePlayback, ChunkErrorsGoToErrorTxtAndPlaybackGoesOn) {
  std::string damaged = solidJpeg(320, 240, kCyan);
  damaged.resize(damaged.size() - 200);  // cut in its entropy-coded data
  std::string largest = solidJpeg(320, 240, kGreen);
  largest.resize(core::kLargestMovieChunkBytes);  // padded after its end marker: the largest chunk taken
  MovieBuilder m(320, 240);
  m.frame(0, kRed)
      .raw(100, "hello, not a picture")
      .raw(150, damaged)
      .raw(200, largest)
      .raw(250, "\xFF\xD8" + std::string(core::kLargestMovieChunkBytes - 1, 'x'))  // one byte over the limit
      .raw(260, solidJpeg(816, 16, kCyan))                                // wider than the picture texture
      .frame(300, kBlue)
      .raw(400, "");
  // No end tag: the last chunk's data runs past the end of the file.
  std::string bytes = m.bytes() + "00dc" + std::string("\x90\x01\0\0\x88\x13\0\0", 8) + "\xFF\xD8";
  write("m.mpg", bytes);
  write("error.txt", "earlier\n");
  ASSERT_EQ(run("mpegplay \"m.mpg\", 0\nerror \"after\"\n", {{120, "a"}, {180, "b"}, {240, "c"}, {350, "d"}}), 0)
      << errors();
  EXPECT_TRUE(shows("a", 400, 300, kRed));
  EXPECT_TRUE(shows("b", 400, 300, kRed)) << "a damaged frame is not shown";
  EXPECT_TRUE(shows("c", 400, 300, kGreen));
  EXPECT_TRUE(shows("d", 400, 300, kBlue));
  EXPECT_EQ(readText("error.txt"),
            "earlier\nNOT JPEG FILE\nNOT JPEG FILE\nBUFFER_LENGTH OVER\nSCREEN SIZE ERROR\nFILE READ ERROR\nCHUNK READ ERROR\n");
  EXPECT_EQ(errors(), "Error: script/0.txt[2] error ※after\n");
}

TEST_F(MoviePlayback, HeaderErrorsAreScriptErrorsAndNothingPlays) {
  write("badmagic.mpg", "RIFF" + movie::movieHeaderBytes({}).substr(4));
  write("short.mpg", movie::movieHeaderBytes(MovieBuilder(320, 240).header).substr(0, 30));
  write("rate0.mpg", MovieBuilder(320, 240, 0).end().bytes());
  MovieBuilder soundPast(320, 240);
  soundPast.sound = "OggS";
  write("soundpast.mpg", soundPast.bytes().substr(0, 46));
  write("wide.mpg", MovieBuilder(801, 600).frame(0, kRed).end().bytes());
  write("tall.mpg", MovieBuilder(800, 601).frame(0, kRed).end().bytes());
  MovieBuilder badSound(320, 240);
  badSound.sound = "OggS but nothing of a Vorbis stream";
  badSound.frame(0, kRed).end();
  write("badsound.mpg", badSound.bytes());
  write("full.mpg", MovieBuilder(800, 600).frame(0, kBlue).raw(600, "").end().bytes());
  const std::string script =
      "mpegplay \"missing.mpg\", 0\n"
      "mpegplay \"badmagic.mpg\", 0\n"
      "mpegplay \"short.mpg\", 0\n"
      "mpegplay \"rate0.mpg\", 0\n"
      "mpegplay \"soundpast.mpg\", 0\n"
      "mpegplay \"wide.mpg\", 1\n"
      "mpegplay \"tall.mpg\", 1\n"
      "mpegplay \"badsound.mpg\", 0\n"
      "mpegplay \"full.mpg\", 0\n";
  ASSERT_EQ(run(script, {{500, "a"}}), 0) << errors();
  EXPECT_EQ(errors(),
            "Error: script/0.txt[1] mpegPlay ※FILE OPEN ERROR\n"
            "Error: script/0.txt[2] mpegPlay ※FILE HEADER ERROR\n"
            "Error: script/0.txt[3] mpegPlay ※FILE HEADER ERROR\n"
            "Error: script/0.txt[4] mpegPlay ※FILE HEADER ERROR\n"
            "Error: script/0.txt[5] mpegPlay ※FILE HEADER ERROR\n"
            "Error: script/0.txt[6] mpegPlay ※SCREEN SIZE ERROR\n"
            "Error: script/0.txt[7] mpegPlay ※SCREEN SIZE ERROR\n"
            "Error: script/0.txt[8] mpegPlay ※badsound.mpgが開けませんでした\n");
  // Only the last movie played: a stage-sized blue frame; nothing red was ever shown.
  EXPECT_TRUE(shows("a", 0, 0, kBlue));
  EXPECT_TRUE(shows("a", 799, 599, kBlue));
  EXPECT_FALSE(fs::exists(game / "error.txt"));
}

TEST_F(MoviePlayback, SkipRequestsEndOnlyASkippableMovie) {
  MovieBuilder m(64, 48);
  m.frame(0, kRed).frame(500, kGreen).raw(1000, "").end();  // lasts 1000 ms
  write("m.mpg", m.bytes());
  // Each movie starts where the one before ended; the printed numbers are how long each ran.
  std::string script;
  for (int skippable : {1, 1, 1, 1, 1, 1, 0}) {
    script += "resettimer\nmpegplay \"m.mpg\", " + std::to_string(skippable) + "\ngettimer %0\nerror %0\n";
  }
  // Movie 1 from 0: click (left release) at 100. 2 from ~100: right click at 300. 3 from
  // ~300: Tab at 400. 4 from ~400: Return at 600. 5 from ~600: Control at 700, after a
  // Shift and a wheel turn that are no skip requests. 6 from ~700: Escape at 1000.
  // 7 (not skippable) from ~1000: clicks and every key at 1200..1500 change nothing.
  const std::string input =
      "100 click 10 10\n300 rclick 10 10\n400 key tab\n600 key return\n650 key shift\n660 wheel -1\n700 key control\n"
      "1000 key escape\n1200 click\n1250 rclick\n1300 key tab\n1350 key return\n1400 key control\n1500 key escape\n";
  ASSERT_EQ(run(script, {}, input, "--video=none --virtual-clock"), 0) << errors();
  std::vector<int> ran = printed();
  ASSERT_EQ(ran.size(), 7u) << errors();
  const int expected[] = {100, 200, 100, 200, 100, 300, 1000};
  for (int i = 0; i < 7; ++i) {
    EXPECT_GE(ran[i], expected[i] - 2) << "movie " << i + 1;
    EXPECT_LE(ran[i], expected[i] + 4) << "movie " << i + 1;
  }
}

TEST_F(MoviePlayback, ClosingTheWindowEndsEvenAnUnskippableMovieAndTheScript) {
  MovieBuilder m(64, 48);
  m.frame(0, kRed).frame(500, kGreen).raw(1000, "").end();
  write("m.mpg", m.bytes());
  // The close question is answered yes without dialogs; the script stops after mpegplay.
  ASSERT_EQ(run("mpegplay \"m.mpg\", 0\nerror \"after\"\n", {{200, "a"}, {700, "b"}}, "300 close\n"), 0) << errors();
  EXPECT_TRUE(shows("a", 400, 300, kRed));
  EXPECT_FALSE(fs::exists(game / "b.png")) << "the engine ran on after the close";
  EXPECT_EQ(errors(), "終了確認: 終了しますか？\n");
}

TEST_F(MoviePlayback, SoundTrackPlaysOnStreamNineFromTheMovieAndIsUnloadedAfter) {
  soundtest::Tone tone;
  tone.freqs.assign(8, 440.0);  // 0.8 s of 440 Hz
  fs::path ogg = soundtest::makeOgg(game, "track.ogg", tone);
  ASSERT_FALSE(ogg.empty()) << "oggenc is needed to make the test tone";
  MovieBuilder m(64, 48);
  std::ifstream in(ogg, std::ios::binary);
  m.sound.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  m.frame(0, kRed).raw(600, "").end();
  write("m.mpg", m.bytes());
  const fs::path mix = game / "mix.raw";
  setenv("SDL_AUDIODRIVER", "disk", 1);
  setenv("SDL_DISKAUDIOFILE", mix.c_str(), 1);
  // A sound loaded on stream 9 before the movie is replaced by the track, which is
  // unloaded when the movie ends.
  const std::string script =
      "sd.load 9, \"track.ogg\"\n"
      "mpegplay \"m.mpg\", 0\n"
      "sd.totalsample 9, %0\nerror %0\n"
      "sd.status 9, %1\nerror %1\n";
  const int status = run(script, {}, "", "--video=none --audio=sdl");
  unsetenv("SDL_AUDIODRIVER");
  unsetenv("SDL_DISKAUDIOFILE");
  ASSERT_EQ(status, 0) << errors();
  EXPECT_EQ(printed(), (std::vector<int>{0, 2}));
  const auto pcm = soundtest::readRaw(mix);
  const std::size_t first = soundtest::firstSound(pcm, 0);
  ASSERT_NE(first, SIZE_MAX) << "the sound track was not heard";
  EXPECT_EQ(soundtest::whichTone(pcm, first + 2000, 4000, {440.0, 880.0}), 0);
}

TEST_F(MoviePlayback, MoviesInTheArchiveAndFromThePacker) {
  // Frames as files, one repeated: the packer holds it with a chunk of length 0.
  fs::create_directories(game / "frames");
  write("frames/01.jpg", solidJpeg(200, 100, kRed));
  write("frames/02.jpg", solidJpeg(200, 100, kGreen));
  write("frames/03.jpg", solidJpeg(200, 100, kGreen));
  write("frames/04.jpg", solidJpeg(200, 100, kBlue));
  fs::create_directories(game / "movie");
  const std::string pack = std::string(UTSUSHI_BINARY_DIR) + "/utsushi-pack ";
  ASSERT_EQ(std::system((pack + "movie '" + (game / "movie/intro.mpg").string() + "' '" + (game / "frames").string() +
                         "' --fps 10 >/dev/null").c_str()), 0);
  // Nothing but the archive holds the movie.
  ASSERT_EQ(std::system((pack + "arc '" + game.string() + "' movie >/dev/null").c_str()), 0);
  ASSERT_EQ(std::system((pack + "list '" + (game / "movie/intro.mpg").string() + "' >'" + (game / "list.txt").string() + "'").c_str()), 0);
  fs::remove_all(game / "movie");
  EXPECT_NE(readText("list.txt").find("chunks    5 (3 frames, 2 held), last at 400 ms"), std::string::npos) << readText("list.txt");
  EXPECT_NE(readText("list.txt").find("movie     200 x 100"), std::string::npos);
  EXPECT_NE(readText("list.txt").find("end       EOF"), std::string::npos);

  ASSERT_EQ(run("resettimer\nmpegplay \"Movie\\Intro.mpg\", 0\ngettimer %0\nerror %0\n",
                {{50, "a"}, {150, "b"}, {250, "c"}, {350, "d"}}), 0) << errors();
  EXPECT_TRUE(shows("a", 400, 300, kRed));
  EXPECT_TRUE(shows("b", 400, 300, kGreen));
  EXPECT_TRUE(shows("c", 400, 300, kGreen));
  EXPECT_TRUE(shows("d", 400, 300, kBlue));
  // The last frame keeps its whole period: the movie lasts 4 x 100 ms.
  ASSERT_EQ(printed().size(), 1u) << errors();
  EXPECT_GE(printed()[0], 400);
  EXPECT_LE(printed()[0], 420);
}

}  // namespace
