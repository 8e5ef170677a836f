// CPU cost of the sound engine: ten streams decoding and mixing.
//
// TenStreams60s: SDL's disk driver writes to /dev/null with no delay and the mixer waits for
// the stream threads (lockstep), so 60 s of audio are decoded and mixed as fast as the
// processor allows; the process CPU time for those 60 s is the cost of one minute of
// playback. TenStreamsRealTime: the dummy driver paces the callback in real time for 5 s;
// CPU time over wall time is the share of one core the engine takes while playing, idle
// wake-ups of the stream threads included.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "platform/options.h"
#include "sound/mixer.h"
#include "sound/sound_settings.h"
#include "sound/sound_stream.h"

namespace {

namespace fs = std::filesystem;

double processCpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// Music-like material: a chord over pink noise, 10 s, at three formats.
struct Sounds {
  fs::path dir;
  std::string stereo44, mono22, stereo48;
  bool ok = false;
};

const Sounds& sounds() {
  static Sounds s = [] {
    Sounds x;
    x.dir = fs::temp_directory_path() / ("utsushi-bench-" + std::to_string(::getpid()));
    fs::create_directories(x.dir);
    std::atexit([] {
      std::error_code ec;
      fs::remove_all(sounds().dir, ec);
    });
    auto make = [&](const char* name, int rate, int channels) {
      fs::path wav = x.dir / (std::string(name) + ".wav");
      fs::path ogg = x.dir / (std::string(name) + ".ogg");
      std::string cmd = "sox -n -r " + std::to_string(rate) + " -c " + std::to_string(channels) + " -b 16 '" +
                        wav.string() + "' synth 10 pinknoise vol 0.2 synth 10 sine mix 220 synth 10 sine mix 330 "
                        "vol 0.5 && oggenc -Q -q 5 -o '" + ogg.string() + "' '" + wav.string() + "'";
      return std::system(cmd.c_str()) == 0 && fs::exists(ogg) ? ogg.string() : std::string();
    };
    x.stereo44 = make("stereo44", 44100, 2);
    x.mono22 = make("mono22", 22050, 1);
    x.stereo48 = make("stereo48", 48000, 2);
    x.ok = !x.stereo44.empty() && !x.mono22.empty() && !x.stereo48.empty();
    return x;
  }();
  return s;
}

bool startTenStreams() {
  platform::EngineOptions o;
  o.noDialogs = true;
  platform::setOptions(o);
  sound::resetSoundSettings();
  if (!sound::startSound()) return false;
  // Streams 0-5 need no conversion, 6-7 are resampled mono, 8-9 resampled 48 kHz.
  for (int i = 0; i < sound::kStreamCount; ++i) {
    const std::string& f = i < 6 ? sounds().stereo44 : i < 8 ? sounds().mono22 : sounds().stereo48;
    if (!sound::loadStream(i, f)) return false;
    sound::playStream(i, 0, 0, 0);
  }
  return true;
}

void TenStreams60s(benchmark::State& state) {
  if (!sounds().ok) {
    state.SkipWithError("sox and oggenc are needed to make the bench sounds");
    return;
  }
  setenv("SDL_AUDIODRIVER", "disk", 1);
  setenv("SDL_DISKAUDIOFILE", "/dev/null", 1);
  setenv("SDL_DISKAUDIODELAY", "0", 1);
  double cpuTotal = 0;
  for (auto _ : state) {
    sound::setMixerLockstep(true);
    if (!startTenStreams()) {
      state.SkipWithError("the streams did not start");
      break;
    }
    const std::uint64_t from = sound::mixedFrames();
    const double cpu0 = processCpuSeconds();
    while (sound::mixedFrames() - from < 60ull * 44100) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    const double cpu = processCpuSeconds() - cpu0;
    sound::stopSound();
    sound::setMixerLockstep(false);
    state.SetIterationTime(cpu);
    cpuTotal += cpu;
  }
  const double perMinute = cpuTotal / static_cast<double>(state.iterations());
  state.counters["cpu_s_per_60s_audio"] = perMinute;
  state.counters["pct_of_one_core"] = perMinute / 60.0 * 100.0;
}
BENCHMARK(TenStreams60s)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

void TenStreamsRealTime(benchmark::State& state) {
  if (!sounds().ok) {
    state.SkipWithError("sox and oggenc are needed to make the bench sounds");
    return;
  }
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  double share = 0;
  for (auto _ : state) {
    if (!startTenStreams()) {
      state.SkipWithError("the streams did not start");
      break;
    }
    const auto wall0 = std::chrono::steady_clock::now();
    const double cpu0 = processCpuSeconds();
    std::this_thread::sleep_for(std::chrono::seconds(5));
    const double cpu = processCpuSeconds() - cpu0;
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wall0).count();
    sound::stopSound();
    state.SetIterationTime(cpu);
    share += cpu / wall;
  }
  state.counters["pct_of_one_core"] = share / static_cast<double>(state.iterations()) * 100.0;
}
BENCHMARK(TenStreamsRealTime)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
