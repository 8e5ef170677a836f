// The streams through the real mixer: SDL's disk driver writes what was mixed to a file and
// the tests find their tones in it again. Lockstep keeps the output contiguous although the
// disk driver runs faster than real time.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <initializer_list>
#include <thread>

#include <SDL.h>

#include "platform/options.h"
#include "sound/mixer.h"
#include "sound/sound_settings.h"
#include "sound/sound_stream.h"
#include "sound/tone_files.h"

namespace {

namespace fs = std::filesystem;
using namespace soundtest;

constexpr std::size_t kSeg = 4410;  // frames of one segment of the sequence tone
// A stream reports "stopped" once the end is heard, although its decoder gets there up to
// two buffer halves (2 x 16384 frames) earlier: a little margin after that is enough to
// find the whole sound in the output.
constexpr std::size_t kTail = 4096;

std::vector<double> sequenceFreqs() {
  std::vector<double> f;
  for (int k = 0; k < 10; ++k) f.push_back(400.0 + 250.0 * k);
  return f;
}

struct Files {
  fs::path dir;
  std::string plain, bySample, byTime, badCount, low, high, mono;
};

const Files& files() {
  static Files f = [] {
    Files x;
    x.dir = fs::temp_directory_path() / ("utsushi-sound-" + std::to_string(::getpid()));
    fs::create_directories(x.dir);
    Tone seq;
    seq.freqs = sequenceFreqs();
    x.plain = makeOgg(x.dir, "seq.ogg", seq).string();
    x.bySample = makeOgg(x.dir, "seq_sample.ogg", seq, "COMMENT=setsample 0,8820,22050").string();
    x.byTime = makeOgg(x.dir, "seq_time.ogg", seq, "COMMENT=settime 0,200,500").string();
    x.badCount = makeOgg(x.dir, "seq_bad.ogg", seq, "COMMENT=setsample 0,8820").string();
    Tone low;
    low.freqs = {500, 500, 500, 500, 500, 500, 500, 500, 500, 500};
    x.low = makeOgg(x.dir, "low.ogg", low).string();
    Tone high = low;
    high.freqs.assign(10, 1500);
    x.high = makeOgg(x.dir, "high.ogg", high).string();
    Tone mono;
    mono.rate = 22050;
    mono.channels = 1;
    mono.segmentFrames = 2205;
    mono.freqs.assign(10, 700);
    x.mono = makeOgg(x.dir, "mono22k.ogg", mono).string();
    return x;
  }();
  // Registered once `f` is complete, so that it runs before `f` is destroyed (registered
  // inside the initialiser it ran after, found an empty path, and every run left its
  // directory and output behind in the temporary folder).
  static const bool cleanup = [] {
    std::atexit([] {
      std::error_code ec;
      fs::remove_all(files().dir, ec);
    });
    return true;
  }();
  (void)cleanup;
  return f;
}

class SoundMix : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(files().plain.empty()) << "oggenc is needed to make the test tones";
    out_ = files().dir / "mix.raw";
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", out_.c_str(), 1);
    setenv("SDL_DISKAUDIODELAY", "1", 1);
    platform::EngineOptions o;
    o.noDialogs = true;
    platform::setOptions(o);
    sound::resetSoundSettings();
    ASSERT_TRUE(sound::startSound());
    sound::setMixerLockstep(true);
    gapsBefore_ = sound::lockstepGaps();
  }
  void TearDown() override {
    // Every check reads the output as one contiguous timeline.
    EXPECT_EQ(sound::lockstepGaps(), gapsBefore_) << "a writer kept the mixer waiting past its patience";
    sound::setWorkerFillDelayForTests(0);
    sound::stopSound();
    sound::setMixerLockstep(false);
    sound::resetSoundSettings();
  }

  // Waits until the mixer has written `frames` more frames (and one device buffer beyond).
  void mixFor(std::uint64_t frames) {
    const std::uint64_t target = sound::mixedFrames() + frames + 2048;
    auto give = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (sound::mixedFrames() < target && std::chrono::steady_clock::now() < give)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ASSERT_GE(sound::mixedFrames(), target) << "the mixer stalled";
  }
  bool waitStatus(int stream, int status) {
    auto give = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (sound::streamStatus(stream) != status && std::chrono::steady_clock::now() < give)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return sound::streamStatus(stream) == status;
  }
  // The output so far. Only what was written since the last call is read: the file grows
  // while a test polls it, and reading it whole each time made the polls slower the longer
  // a busy machine let the mixer run ahead.
  const std::vector<std::int16_t>& output() {
    std::ifstream in(out_, std::ios::binary);
    in.seekg(0, std::ios::end);
    const std::uint64_t size = static_cast<std::uint64_t>(in.tellg());
    const std::uint64_t have = pcm_.size() * 2;
    const std::uint64_t whole = size - size % 4;  // whole frames only
    if (in && whole > have) {
      pcm_.resize(whole / 2);
      in.seekg(static_cast<std::streamoff>(have));
      in.read(reinterpret_cast<char*>(pcm_.data() + have / 2), static_cast<std::streamsize>(whole - have));
      if (!in) pcm_.resize(have / 2);
    }
    return pcm_;
  }

  // A started worker needs a moment before its first half plays: waits for sound after
  // `from` and one device buffer more.
  void awaitSound(std::uint64_t from) {
    auto give = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (firstSound(output(), from) == SIZE_MAX && std::chrono::steady_clock::now() < give)
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    ASSERT_NE(firstSound(output(), from), SIZE_MAX) << "nothing was heard";
    mixFor(2048);
  }

  // Each stream starts when its own worker has filled and started its buffer, and lockstep
  // output runs far ahead of a worker a busy machine keeps waiting: waits until the mixer
  // takes from every one of `streams`, then one device buffer more.
  void awaitTaken(std::initializer_list<int> streams) {
    auto give = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    for (int s : streams)
      while (sound::streamNowSample(s) <= 0 && std::chrono::steady_clock::now() < give)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    for (int s : streams) ASSERT_GT(sound::streamNowSample(s), 0) << "stream " << s << " never played";
    mixFor(2048);
  }

  // Plays `file` on stream 0 and returns the segments heard, one per 0.1 s from the first
  // sound after `startFrame` (-1 for silence).
  std::vector<int> segmentsHeard(const std::vector<std::int16_t>& pcm, std::size_t startFrame, int count) {
    std::size_t r = firstSound(pcm, startFrame);
    std::vector<int> heard;
    if (r == SIZE_MAX) return heard;
    for (int i = 0; i < count; ++i) heard.push_back(whichTone(pcm, r + i * kSeg + 1200, 2000, sequenceFreqs()));
    return heard;
  }

  fs::path out_;
  std::uint64_t gapsBefore_ = 0;
  std::vector<std::int16_t> pcm_;
};

TEST_F(SoundMix, PlaysOnceThenStopsLoaded) {
  std::uint64_t start = sound::mixedFrames();
  ASSERT_TRUE(sound::loadStream(0, files().plain));
  EXPECT_EQ(sound::streamStatus(0), sound::kStopped);
  EXPECT_EQ(sound::streamTotalSample(0), 44100);
  EXPECT_NEAR(sound::streamTotalTime(0), 1.0, 1e-6);
  sound::playStream(0, 1, 0, 0);
  EXPECT_EQ(sound::streamStatus(0), sound::kPlaying);
  ASSERT_TRUE(waitStatus(0, sound::kStopped));
  EXPECT_TRUE(sound::streamLoaded(0));
  mixFor(kTail);
  EXPECT_EQ(segmentsHeard(output(), start, 11), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, -1}));
}

TEST_F(SoundMix, EndlessLoopWithoutCommentRestartsAtTheEnd) {
  std::uint64_t start = sound::mixedFrames();
  ASSERT_TRUE(sound::loadStream(0, files().plain));
  sound::playStream(0, 0, 0, 0);
  awaitSound(start);
  mixFor(kSeg * 22);
  auto heard = segmentsHeard(output(), start, 20);
  EXPECT_EQ(heard, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
  EXPECT_EQ(sound::streamStatus(0), sound::kPlaying);
}

// setsample 0,8820,22050 and settime 0,200,500 name the same points: segments 0-4, then
// back to segment 2. Three passes: two jumps, then the last pass plays to the end.
TEST_F(SoundMix, LoopPointsFromTheCommentInSamplesAndMilliseconds) {
  for (const std::string& file : {files().bySample, files().byTime}) {
    SCOPED_TRACE(file);
    std::uint64_t start = sound::mixedFrames();
    ASSERT_TRUE(sound::loadStream(0, file));
    sound::playStream(0, 3, 0, 0);
    ASSERT_TRUE(waitStatus(0, sound::kStopped));
    mixFor(kTail);
    EXPECT_EQ(segmentsHeard(output(), start, 17),
              (std::vector<int>{0, 1, 2, 3, 4, 2, 3, 4, 2, 3, 4, 5, 6, 7, 8, 9, -1}));
  }
}

TEST_F(SoundMix, WrongValueCountIsReportedAndTheWholeFileLoops) {
  testing::internal::CaptureStderr();
  std::uint64_t start = sound::mixedFrames();
  ASSERT_TRUE(sound::loadStream(0, files().badCount));
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(err, "Error: " + files().badCount + ": 再生情報の引数の数が不正です\n");
  sound::playStream(0, 2, 0, 0);
  ASSERT_TRUE(waitStatus(0, sound::kStopped));
  mixFor(kTail);
  auto heard = segmentsHeard(output(), start, 20);
  EXPECT_EQ(heard, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
}

// Stream 0 is BGM (500 Hz), stream 2 SE (1500 Hz): each group's volume and switch reach
// only its own streams; the master reaches both; stream volumes multiply with the groups.
TEST_F(SoundMix, GroupVolumesAndMutes) {
  ASSERT_TRUE(sound::loadStream(0, files().low));
  ASSERT_TRUE(sound::loadStream(2, files().high));
  std::uint64_t begin = sound::mixedFrames();
  sound::playStream(0, 0, 0, 0);
  sound::playStream(2, 0, 0, 0);
  awaitSound(begin);
  awaitTaken({0, 2});
  auto levels = [&](std::uint64_t from) {
    auto pcm = output();
    return std::pair{amplitudeAt(pcm, 0, from + 2048, 4096, 500), amplitudeAt(pcm, 0, from + 2048, 4096, 1500)};
  };
  auto step = [&](auto change) {
    change();
    std::uint64_t at = sound::mixedFrames();
    mixFor(8192);
    return levels(at);
  };
  auto [bgm, se] = step([] {});
  EXPECT_NEAR(bgm, 0.4, 0.02);
  EXPECT_NEAR(se, 0.4, 0.02);

  auto muted = step([] { sound::setGroupOn(sound::VolumeGroup::Bgm, 0); });
  EXPECT_LT(muted.first, 0.002);
  EXPECT_NEAR(muted.second, se, 0.01);

  auto half = step([] {
    sound::setGroupOn(sound::VolumeGroup::Bgm, 1);
    sound::setGroupVolume(sound::VolumeGroup::Se, 50);
  });
  EXPECT_NEAR(half.first, bgm, 0.01);
  EXPECT_NEAR(half.second / se, 0.5, 0.02);

  auto silent = step([] { sound::setGroupVolume(sound::VolumeGroup::Master, 0); });
  EXPECT_LT(silent.first, 0.002);
  EXPECT_LT(silent.second, 0.002);
  EXPECT_EQ(sound::streamVolume(0), 100);  // the streams' own volumes are untouched

  auto back = step([] { sound::setGroupVolume(sound::VolumeGroup::Master, 100); });
  EXPECT_NEAR(back.first, bgm, 0.01);

  auto masterOff = step([] { sound::setGroupOn(sound::VolumeGroup::Master, 0); });
  EXPECT_LT(masterOff.first + masterOff.second, 0.004);

  auto streamHalf = step([] {
    sound::setGroupOn(sound::VolumeGroup::Master, 1);
    sound::setStreamVolume(0, 50, 0);
  });
  EXPECT_NEAR(streamHalf.first / bgm, 0.5, 0.02);
  EXPECT_NEAR(streamHalf.second / se, 0.5, 0.02);  // SE still at group volume 50
}

TEST_F(SoundMix, NewSoundInAMutedGroupStaysSilent) {
  sound::setGroupOn(sound::VolumeGroup::Bgm, 0);
  ASSERT_TRUE(sound::loadStream(1, files().low));
  sound::setStreamVolume(1, 100, 0);
  sound::playStream(1, 0, 0, 0);
  std::uint64_t at = sound::mixedFrames();
  mixFor(16384);
  EXPECT_EQ(peak(output(), at, 16384), 0);
}

// A mono 22050 Hz file goes through the converter: both sides carry it, and pan attenuates
// the far side by the decibel rule (-50 is -6.02 dB on the right).
TEST_F(SoundMix, PanAndConversionOfMonoAtAnotherRate) {
  ASSERT_TRUE(sound::loadStream(6, files().mono));
  std::uint64_t begin = sound::mixedFrames();
  sound::playStream(6, 0, 0, 0);
  awaitSound(begin);
  auto sides = [&](int pan) {
    sound::setStreamPan(6, pan, 0);
    // The device buffer being mixed when the pan changes still carries the old pan, and a
    // slow machine (or a sanitizer) makes that buffer long: measure well past it.
    std::uint64_t at = sound::mixedFrames();
    mixFor(16384);
    auto pcm = output();
    return std::pair{amplitudeAt(pcm, 0, at + 8192, 4096, 700), amplitudeAt(pcm, 1, at + 8192, 4096, 700)};
  };
  auto centre = sides(0);
  EXPECT_NEAR(centre.first, 0.4, 0.02);
  EXPECT_NEAR(centre.second, centre.first, 0.005);
  auto left = sides(-100);
  EXPECT_NEAR(left.first, centre.first, 0.015);
  EXPECT_LT(left.second, 0.002);
  auto right = sides(100);
  EXPECT_LT(right.first, 0.002);
  EXPECT_NEAR(right.second, centre.second, 0.015);
  auto halfLeft = sides(-50);
  EXPECT_NEAR(halfLeft.second / halfLeft.first, 0.5, 0.02);
  EXPECT_EQ(sound::streamPan(6), -50);
}

TEST_F(SoundMix, FadeOutEndsStoppedButLoaded) {
  ASSERT_TRUE(sound::loadStream(0, files().low));
  std::uint64_t begin = sound::mixedFrames();
  sound::playStream(0, 0, 0, 0);
  awaitSound(begin);
  mixFor(8192);
  std::uint64_t fadeFrom = sound::mixedFrames();
  sound::stopStream(0, 300);
  EXPECT_EQ(sound::streamStatus(0), sound::kPlaying);  // until the fade ends
  ASSERT_TRUE(waitStatus(0, sound::kStopped));
  std::uint64_t fadeTo = sound::mixedFrames();
  EXPECT_TRUE(sound::streamLoaded(0));
  mixFor(8192);
  auto pcm = output();
  ASSERT_GT(fadeTo, fadeFrom + 8192);
  const std::size_t len = fadeTo - fadeFrom;
  double early = amplitudeAt(pcm, 0, fadeFrom + len / 8, 2048, 500);
  double late = amplitudeAt(pcm, 0, fadeFrom + len * 5 / 8, 2048, 500);
  EXPECT_GT(early, late);
  EXPECT_EQ(peak(pcm, fadeTo + 2048, 4096), 0);
  // A stop without fade unloads.
  sound::stopStream(0, 1);
  EXPECT_FALSE(sound::streamLoaded(0));
  EXPECT_EQ(sound::streamStatus(0), sound::kStopped);
}

// The fade runs on the clock while lockstep output runs faster: the fade is long enough that
// its first audible step comes early in it even when a busy machine wakes the worker late.
TEST_F(SoundMix, FadeInRisesToTheStreamVolume) {
  ASSERT_TRUE(sound::loadStream(0, files().low));
  std::uint64_t from = sound::mixedFrames();
  sound::playStream(0, 0, 1500, 0);
  EXPECT_EQ(sound::streamVolume(0), 0);  // the start value while the fade runs
  // The resting volume is published once the buffer has it.
  auto give = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (sound::streamVolume(0) != 100 && std::chrono::steady_clock::now() < give)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  ASSERT_EQ(sound::streamVolume(0), 100) << "the fade did not end";
  std::uint64_t to = sound::mixedFrames();
  mixFor(8192);
  auto pcm = output();
  std::size_t r = firstSound(pcm, from, 20);
  ASSERT_NE(r, SIZE_MAX);
  double early = amplitudeAt(pcm, 0, r, 2048, 500);
  double end = amplitudeAt(pcm, 0, to + 2048, 4096, 500);
  EXPECT_LT(early, end * 0.6);
  EXPECT_NEAR(end, 0.4, 0.02);
}

// Pausing holds the sample being heard; seeking a paused stream moves only that; resuming
// plays on from it.
TEST_F(SoundMix, PauseResumeAndSeek) {
  std::uint64_t start = sound::mixedFrames();
  ASSERT_TRUE(sound::loadStream(0, files().plain));
  sound::playStream(0, 0, 0, 0);
  awaitSound(start);
  mixFor(kSeg * 3);
  // Positions follow what is heard: output frame f of the first pass is sample f - r.
  // The mixer runs on while the test reads, in lockstep many times faster than real time, so
  // on a busy machine the endless one-second loop may come round again before a reading:
  // each reading must be the sample heard at some frame counted between just before and
  // just after it (within a device buffer or two), taken modulo the loop.
  const auto heardIn = [](std::int64_t sample, std::int64_t lo, std::int64_t hi) {
    constexpr std::int64_t period = 10 * kSeg;
    const std::int64_t f = lo + ((sample - lo) % period + period) % period;  // first such frame >= lo
    EXPECT_LE(f, hi) << "sample " << sample << " is not heard within [" << lo << ", " << hi << "]";
  };
  const auto within = [&](std::int64_t sample, std::uint64_t lo, std::uint64_t hi) {
    heardIn(sample, static_cast<std::int64_t>(lo) - 4096, static_cast<std::int64_t>(hi) + 4096);
  };
  const std::uint64_t beforeNow = sound::mixedFrames();
  const std::int64_t nowBefore = sound::streamNowSample(0);
  const std::uint64_t afterNow = sound::mixedFrames();
  sound::pauseStream(0, true);
  std::int64_t held = sound::streamNowSample(0);
  std::uint64_t pausedAt = sound::mixedFrames();
  {
    std::size_t r = firstSound(output(), start);
    ASSERT_NE(r, SIZE_MAX);
    within(nowBefore, beforeNow - r, afterNow - r);
    within(held, afterNow - r, pausedAt - r);
  }
  EXPECT_EQ(sound::streamStatus(0), sound::kPaused);
  EXPECT_GT(held, 0);
  mixFor(16384);
  EXPECT_EQ(peak(output(), pausedAt + 2048, 12000), 0);

  std::uint64_t resumedAt = sound::mixedFrames();
  sound::pauseStream(0, false);
  EXPECT_EQ(sound::streamStatus(0), sound::kPlaying);
  awaitSound(resumedAt);
  mixFor(kSeg * 3);
  {
    auto pcm = output();
    std::size_t r = firstSound(pcm, resumedAt);
    ASSERT_NE(r, SIZE_MAX);
    // The output at r is sample `held`: the next segment boundary lies (B - held) later.
    std::int64_t boundary = (held / kSeg + 1) * kSeg;
    int expect = static_cast<int>((boundary / kSeg) % 10);
    EXPECT_EQ(whichTone(pcm, r + static_cast<std::size_t>(boundary - held) + 1200, 2000, sequenceFreqs()), expect);
  }

  sound::pauseStream(0, true);
  sound::seekStreamSample(0, 7 * kSeg);
  EXPECT_EQ(sound::streamStatus(0), sound::kPaused);
  std::uint64_t seekResume = sound::mixedFrames();
  mixFor(4096);
  sound::pauseStream(0, false);
  awaitSound(seekResume + 2048);
  mixFor(kSeg * 3);
  auto heard = segmentsHeard(output(), seekResume + 2048, 2);
  EXPECT_EQ(heard, (std::vector<int>{7, 8}));

  // Seeking by time on a playing stream: playback moves at once.
  std::uint64_t seekAt = sound::mixedFrames();
  sound::seekStreamTime(0, 0.2);
  const std::int64_t afterSeek = sound::streamNowSample(0);
  const std::int64_t seekRan = static_cast<std::int64_t>(sound::mixedFrames() - seekAt);
  heardIn(afterSeek, 2 * static_cast<std::int64_t>(kSeg), 2 * static_cast<std::int64_t>(kSeg) + seekRan + 4096);
  // The old sound stops with the seek (within one device buffer); what follows is new.
  awaitSound(seekAt + 2048);
  mixFor(kSeg * 3);
  auto pcm = output();
  std::size_t found = SIZE_MAX;
  const std::size_t from = firstSound(pcm, seekAt + 2048);
  for (std::size_t f = from; f < from + 8192 && found == SIZE_MAX; f += 256)
    if (whichTone(pcm, f, 1000, sequenceFreqs()) == 2) found = f;
  ASSERT_NE(found, SIZE_MAX) << "segment 2 was not heard soon after the seek";
  EXPECT_EQ(whichTone(pcm, found + kSeg + 500, 2000, sequenceFreqs()), 3);
}

TEST_F(SoundMix, PlayAfterTheEndStartsOver) {
  std::uint64_t start = sound::mixedFrames();
  ASSERT_TRUE(sound::loadStream(0, files().plain));
  sound::playStream(0, 1, 0, 0);
  ASSERT_TRUE(waitStatus(0, sound::kStopped));
  mixFor(4096);
  std::uint64_t again = sound::mixedFrames();
  sound::playStream(0, 1, 0, 0);
  EXPECT_EQ(sound::streamStatus(0), sound::kPlaying);
  ASSERT_TRUE(waitStatus(0, sound::kStopped));
  mixFor(kTail);
  EXPECT_EQ(segmentsHeard(output(), again, 3), (std::vector<int>{0, 1, 2}));
  (void)start;
}

TEST_F(SoundMix, CorruptDataFailsTheLoadAndLeavesTheStreamEmpty) {
  const fs::path dir = files().dir;
  std::ofstream(dir / "junk.ogg", std::ios::binary) << std::string("OggS") + std::string(300, '\x5a');
  std::ifstream good(files().plain, std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(good)), std::istreambuf_iterator<char>());
  std::ofstream(dir / "cut.ogg", std::ios::binary) << bytes.substr(0, 120);
  std::ofstream(dir / "empty.ogg", std::ios::binary) << "";
  ASSERT_TRUE(sound::loadStream(3, files().plain));
  for (const char* name : {"junk.ogg", "cut.ogg", "empty.ogg", "missing.ogg"}) {
    SCOPED_TRACE(name);
    EXPECT_FALSE(sound::loadStream(3, (dir / name).string()));
    EXPECT_FALSE(sound::streamLoaded(3));
    EXPECT_EQ(sound::streamStatus(3), sound::kStopped);
    EXPECT_EQ(sound::streamTotalSample(3), 0);
    sound::playStream(3, 1, 0, 0);  // nothing to play: no effect
    EXPECT_FALSE(sound::streamLoaded(3));
  }
  // Damage inside the audio pages: the load succeeds and playback survives to the end.
  std::string damaged = bytes;
  for (std::size_t i = damaged.size() / 2; i < damaged.size() / 2 + 400; ++i) damaged[i] = static_cast<char>(i * 7);
  std::ofstream(dir / "damaged.ogg", std::ios::binary) << damaged;
  ASSERT_TRUE(sound::loadStream(3, (dir / "damaged.ogg").string()));
  sound::playStream(3, 1, 0, 0);
  EXPECT_TRUE(waitStatus(3, sound::kStopped));
}

TEST_F(SoundMix, HardwareRequestFallsBackOnceAndForGood) {
  sound::setHardwareSound(1);
  testing::internal::CaptureStderr();
  ASSERT_TRUE(sound::loadStream(4, files().high));
  ASSERT_TRUE(sound::loadStream(5, files().high));
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(err, "Error: DirectSoundBuffer を HardWare で作成出来ませんでした SoftWare で作成します\n");
  EXPECT_EQ(sound::soundSettings().hardwareSound, 0);
}

TEST_F(SoundMix, BufferSizeSettingSetsTheHalves) {
  // Halves of 1 KiB (256 frames) still play the file through in order.
  sound::setStreamBufferSize(1);
  std::uint64_t start = sound::mixedFrames();
  ASSERT_TRUE(sound::loadStream(7, files().plain));
  sound::playStream(7, 1, 0, 0);
  ASSERT_TRUE(waitStatus(7, sound::kStopped));
  mixFor(kTail);
  EXPECT_EQ(segmentsHeard(output(), start, 11), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, -1}));
}

// A worker that does not end within 1000 ms is reported and left to end by itself; the
// stream is usable again at once and nothing is freed under the late worker.
TEST_F(SoundMix, WorkerMissingTheDeadlineIsReported) {
  sound::setMixerLockstep(false);
  ASSERT_TRUE(sound::loadStream(8, files().plain));
  sound::playStream(8, 0, 0, 0);
  ASSERT_EQ(sound::liveWorkerCount(), 1);
  const int started = sound::delayedFillsStartedForTests();
  sound::setWorkerFillDelayForTests(4000);
  // The next fill is under way: the worker sleeps in it, holding its stream's lock.
  auto give = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (sound::delayedFillsStartedForTests() == started && std::chrono::steady_clock::now() < give)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  ASSERT_GT(sound::delayedFillsStartedForTests(), started) << "the worker never began a fill";
  testing::internal::CaptureStderr();
  auto t0 = std::chrono::steady_clock::now();
  sound::unloadStream(8);
  auto took = std::chrono::steady_clock::now() - t0;
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(err, "Error: スレッドが正常に終了出来ませんでした\n");
  EXPECT_GE(took, std::chrono::milliseconds(1000));  // the whole deadline was granted
  EXPECT_EQ(sound::liveWorkerCount(), 1);            // and the late worker was not waited for
  EXPECT_FALSE(sound::streamLoaded(8));
  sound::setWorkerFillDelayForTests(0);
  ASSERT_TRUE(sound::loadStream(8, files().plain));
  sound::playStream(8, 1, 0, 0);
  EXPECT_EQ(sound::streamStatus(8), sound::kPlaying);
}

}  // namespace

namespace {

// GlobalFocus 0: buffers made then fall silent while the window has lost the input focus;
// those made with the default keep sounding.
TEST_F(SoundMix, FocusSilencesOnlyBuffersWithoutGlobalFocus) {
  ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_EVENTS), 0);
  ASSERT_TRUE(sound::loadStream(0, files().low));
  sound::setGlobalFocus(0);
  ASSERT_TRUE(sound::loadStream(2, files().high));
  std::uint64_t begin = sound::mixedFrames();
  sound::playStream(0, 0, 0, 0);
  sound::playStream(2, 0, 0, 0);
  awaitSound(begin);
  awaitTaken({0, 2});
  auto levels = [&](Uint8 focusEvent) {
    SDL_Event e{};
    e.type = SDL_WINDOWEVENT;
    e.window.event = focusEvent;
    SDL_PushEvent(&e);
    std::uint64_t at = sound::mixedFrames();
    mixFor(8192);
    auto pcm = output();
    return std::pair{amplitudeAt(pcm, 0, at + 2048, 4096, 500), amplitudeAt(pcm, 0, at + 2048, 4096, 1500)};
  };
  auto away = levels(SDL_WINDOWEVENT_FOCUS_LOST);
  EXPECT_NEAR(away.first, 0.4, 0.02);
  EXPECT_LT(away.second, 0.002);
  auto back = levels(SDL_WINDOWEVENT_FOCUS_GAINED);
  EXPECT_NEAR(back.second, 0.4, 0.02);
  SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
  SDL_QuitSubSystem(SDL_INIT_EVENTS);
}

TEST_F(SoundMix, SnapshotForSavedGames) {
  ASSERT_TRUE(sound::loadStream(1, files().bySample));
  sound::setStreamVolume(1, 70, 0);
  sound::setStreamPan(1, -30, 0);
  std::uint64_t begin = sound::mixedFrames();
  sound::playStream(1, 0, 0, 0);
  awaitSound(begin);
  sound::setStreamVolume(1, 20, 5000);  // a fade: the target is what a save keeps
  sound::StreamSnapshot s = sound::streamSnapshot(1);
  EXPECT_EQ(s.status, sound::kPlaying);
  EXPECT_EQ(s.fileName, files().bySample);
  EXPECT_EQ(s.loops, 0);  // without end
  EXPECT_EQ(s.volume, 20);
  EXPECT_EQ(s.pan, -30);
  EXPECT_GT(s.sample, 0);
  EXPECT_EQ(sound::streamSnapshot(4).status, sound::kStopped);
}

}  // namespace

namespace {

TEST(SoundStart, NoDeviceIsReportedAndStartFails) {
  setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
  platform::EngineOptions o;
  o.noDialogs = true;
  platform::setOptions(o);
  testing::internal::CaptureStderr();
  EXPECT_FALSE(sound::startSound());
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "Error: DirectSound の初期化に失敗しました\n");
  EXPECT_FALSE(sound::mixerOpen());
  // Without a device every operation is harmless.
  EXPECT_FALSE(sound::loadStream(0, files().plain));
  sound::playStream(0, 1, 0, 0);
  EXPECT_EQ(sound::streamStatus(0), sound::kStopped);
  sound::stopSound();
  setenv("SDL_AUDIODRIVER", "dummy", 1);
}

}  // namespace
