// Test tones for the sound tests: sine segments written as WAV and encoded with oggenc,
// and the measurements that find them again in what the mixer wrote.
#pragma once
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <cstring>
#include <string>
#include <vector>

namespace soundtest {

// Consecutive segments of `segmentFrames` frames, segment k a sine of freqs[k].
struct Tone {
  int rate = 44100;
  int channels = 2;
  int segmentFrames = 4410;
  std::vector<double> freqs;
  double amplitude = 0.4;
};

inline void putLe(std::string& out, std::uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

inline std::string wavBytes(const Tone& t) {
  std::string pcm;
  double phase = 0;
  for (double f : t.freqs) {
    for (int i = 0; i < t.segmentFrames; ++i) {
      auto s = static_cast<std::int16_t>(std::lround(std::sin(phase) * t.amplitude * 32767.0));
      for (int c = 0; c < t.channels; ++c) putLe(pcm, static_cast<std::uint16_t>(s), 2);
      phase += 2 * M_PI * f / t.rate;  // continuous phase: no click between segments
    }
  }
  std::string wav = "RIFF";
  putLe(wav, static_cast<std::uint32_t>(36 + pcm.size()), 4);
  wav += "WAVEfmt ";
  putLe(wav, 16, 4);
  putLe(wav, 1, 2);
  putLe(wav, static_cast<std::uint32_t>(t.channels), 2);
  putLe(wav, static_cast<std::uint32_t>(t.rate), 4);
  putLe(wav, static_cast<std::uint32_t>(t.rate * t.channels * 2), 4);
  putLe(wav, static_cast<std::uint32_t>(t.channels * 2), 2);
  putLe(wav, 16, 2);
  wav += "data";
  putLe(wav, static_cast<std::uint32_t>(pcm.size()), 4);
  return wav + pcm;
}

// Encodes the tone into dir/name with oggenc; `comment` ("NAME=value") may be empty.
inline std::filesystem::path makeOgg(const std::filesystem::path& dir, const std::string& name, const Tone& t,
                                     const std::string& comment = {}) {
  auto wav = dir / (name + ".wav");
  auto ogg = dir / name;
  std::ofstream(wav, std::ios::binary) << wavBytes(t);
  std::string cmd = "oggenc -Q -q 5 ";
  if (!comment.empty()) cmd += "-c '" + comment + "' ";
  cmd += "-o '" + ogg.string() + "' '" + wav.string() + "'";
  if (std::system(cmd.c_str()) != 0) return {};
  std::filesystem::remove(wav);
  return ogg;
}

inline std::vector<std::int16_t> readRaw(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::vector<std::int16_t> out(bytes.size() / 4 * 2);
  std::memcpy(out.data(), bytes.data(), out.size() * 2);
  return out;
}

// Amplitude (0..1 of full scale) of `freq` in one channel of interleaved stereo, Hann-windowed.
inline double amplitudeAt(const std::vector<std::int16_t>& pcm, int channel, std::size_t start, std::size_t frames,
                          double freq, int rate = 44100) {
  if ((start + frames) * 2 > pcm.size()) return -1;
  double re = 0, im = 0, wsum = 0;
  for (std::size_t i = 0; i < frames; ++i) {
    double w = 0.5 - 0.5 * std::cos(2 * M_PI * static_cast<double>(i) / static_cast<double>(frames - 1));
    double s = pcm[(start + i) * 2 + channel] / 32768.0 * w;
    double a = 2 * M_PI * freq * static_cast<double>(i) / rate;
    re += s * std::cos(a);
    im -= s * std::sin(a);
    wsum += w;
  }
  return 2 * std::sqrt(re * re + im * im) / wsum;
}

// Which of `freqs` sounds in the window (left channel); -1 for silence.
inline int whichTone(const std::vector<std::int16_t>& pcm, std::size_t start, std::size_t frames,
                     const std::vector<double>& freqs) {
  int best = -1;
  double bestAmp = 0.05;
  for (std::size_t k = 0; k < freqs.size(); ++k) {
    double a = amplitudeAt(pcm, 0, start, frames, freqs[k]);
    if (a > bestAmp) {
      bestAmp = a;
      best = static_cast<int>(k);
    }
  }
  return best;
}

// The first frame at or after `from` whose left or right sample is louder than `threshold`.
inline std::size_t firstSound(const std::vector<std::int16_t>& pcm, std::size_t from, int threshold = 200) {
  for (std::size_t f = from; f * 2 + 1 < pcm.size(); ++f)
    if (std::abs(pcm[f * 2]) > threshold || std::abs(pcm[f * 2 + 1]) > threshold) return f;
  return SIZE_MAX;
}

inline int peak(const std::vector<std::int16_t>& pcm, std::size_t from, std::size_t frames) {
  int m = 0;
  for (std::size_t i = from * 2; i < (from + frames) * 2 && i < pcm.size(); ++i) m = std::max(m, std::abs(static_cast<int>(pcm[i])));
  return m;
}

}  // namespace soundtest
