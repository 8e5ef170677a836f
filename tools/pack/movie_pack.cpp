// utsushi-pack movie: builds a movie file from JPEG frames and an Ogg Vorbis sound track, and
// describes one for `utsushi-pack list`. Frames come from files or folders (their .jpg and
// .jpeg files in name order), are checked by decoding them as the engine will, and follow
// one another at the frame rate; a frame identical to the one before becomes a chunk of
// length 0, which holds the picture without storing it again.
#include "movie_pack.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numeric>
#include <string>
#include <vector>

#include "image/codecs.h"
#include "movie/movie_file.h"
#include "platform/paths.h"
#include "platform/window.h"

namespace fs = std::filesystem;

namespace {

bool isJpegName(const fs::path& p) {
  std::string ext = p.extension().string();
  std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return ext == ".jpg" || ext == ".jpeg";
}

bool collectFrames(const std::vector<std::string>& args, std::vector<fs::path>& frames) {
  for (const std::string& a : args) {
    std::error_code ec;
    if (fs::is_directory(a, ec)) {
      std::vector<fs::path> inFolder;
      for (fs::directory_iterator it(a, ec), end; !ec && it != end; it.increment(ec))
        if (it->is_regular_file() && isJpegName(it->path())) inFolder.push_back(it->path());
      std::sort(inFolder.begin(), inFolder.end());
      if (inFolder.empty()) {
        std::fprintf(stderr, "utsushi-pack: %s holds no .jpg or .jpeg file\n", a.c_str());
        return false;
      }
      frames.insert(frames.end(), inFolder.begin(), inFolder.end());
    } else if (fs::is_regular_file(a, ec)) {
      frames.emplace_back(a);
    } else {
      std::fprintf(stderr, "utsushi-pack: %s does not exist\n", a.c_str());
      return false;
    }
  }
  if (frames.empty()) std::fprintf(stderr, "utsushi-pack: a movie needs at least one frame\n");
  return !frames.empty();
}

// "30", "29.97", "23.976": rate / scale frames a second, reduced.
bool parseFrameRate(const std::string& text, std::uint32_t& rate, std::uint32_t& scale) {
  char* end = nullptr;
  const double fps = std::strtod(text.c_str(), &end);
  if (end == text.c_str() || *end != '\0' || !(fps >= 1.0 && fps <= 1000.0)) return false;
  std::uint64_t r = static_cast<std::uint64_t>(std::llround(fps * 1000.0)), s = 1000;
  const std::uint64_t g = std::gcd(r, s);
  rate = static_cast<std::uint32_t>(r / g);
  scale = static_cast<std::uint32_t>(s / g);
  return true;
}

std::span<const std::uint8_t> asBytes(const std::string& s) {
  return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}

}  // namespace

int packMovie(const std::vector<std::string>& args) {
  std::string out;
  std::string soundPath;
  std::string fpsText = "30";
  std::vector<std::string> frameArgs;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if ((args[i] == "--sound" || args[i] == "--fps") && i + 1 < args.size()) {
      (args[i] == "--sound" ? soundPath : fpsText) = args[i + 1];
      ++i;
    } else if (args[i].rfind("--", 0) == 0) {
      std::fprintf(stderr, "utsushi-pack: unknown option %s\n", args[i].c_str());
      return 2;
    } else if (out.empty()) {
      out = args[i];
    } else {
      frameArgs.push_back(args[i]);
    }
  }
  movie::MovieHeader header;
  if (!parseFrameRate(fpsText, header.rate, header.scale)) {
    std::fprintf(stderr, "utsushi-pack: --fps takes a number of frames a second from 1 to 1000, not %s\n",
                 fpsText.c_str());
    return 2;
  }
  std::vector<fs::path> frames;
  if (out.empty() || !collectFrames(frameArgs, frames)) return out.empty() ? 2 : 1;

  std::string sound;
  if (!soundPath.empty()) {
    if (!platform::readWholeFile(fs::path(soundPath), sound)) {
      std::fprintf(stderr, "utsushi-pack: cannot read %s\n", soundPath.c_str());
      return 1;
    }
    if (sound.compare(0, 4, "OggS") != 0) {
      std::fprintf(stderr, "utsushi-pack: %s is not an Ogg file\n", soundPath.c_str());
      return 1;
    }
    if (sound.size() > 0xFFFFFFFFull - movie::kHeaderBytes) {
      std::fprintf(stderr, "utsushi-pack: %s is too large\n", soundPath.c_str());
      return 1;
    }
    header.soundLength = static_cast<std::uint32_t>(sound.size());
  }

  std::string chunks;
  std::string previous;
  std::size_t holds = 0;
  for (std::size_t i = 0; i < frames.size(); ++i) {
    const fs::path& f = frames[i];
    std::string data, why;
    if (!platform::readWholeFile(f, data)) {
      std::fprintf(stderr, "utsushi-pack: cannot read %s\n", f.string().c_str());
      return 1;
    }
    auto picture = image::decodeJpeg(asBytes(data), why);
    if (!picture) {
      std::fprintf(stderr, "utsushi-pack: %s is not a JPEG the engine can read (%s)\n", f.string().c_str(), why.c_str());
      return 1;
    }
    if (i == 0) {
      header.width = static_cast<std::uint32_t>(picture->width);
      header.height = static_cast<std::uint32_t>(picture->height);
      if (picture->width > platform::kStageWidth || picture->height > platform::kStageHeight) {
        std::fprintf(stderr, "utsushi-pack: %s is %d x %d; movie frames are at most %d x %d\n", f.string().c_str(),
                     picture->width, picture->height, platform::kStageWidth, platform::kStageHeight);
        return 1;
      }
    } else if (picture->width != static_cast<int>(header.width) || picture->height != static_cast<int>(header.height)) {
      std::fprintf(stderr, "utsushi-pack: %s is %d x %d, unlike the first frame (%u x %u)\n", f.string().c_str(),
                   picture->width, picture->height, header.width, header.height);
      return 1;
    }
    if (data.size() > core::kLargestMovieChunkBytes) {
      std::fprintf(stderr, "utsushi-pack: %s is larger than %u bytes; save it at a lower quality\n", f.string().c_str(),
                   core::kLargestMovieChunkBytes);
      return 1;
    }
    // Frame i is due i frame periods after the start (rate / scale frames a second).
    const auto time = static_cast<std::uint32_t>(static_cast<std::uint64_t>(i) * header.scale * 1000 / header.rate);
    const bool same = i > 0 && data == previous;
    movie::appendChunk(chunks, "00dc", time, same ? std::string_view{} : std::string_view{data});
    holds += same ? 1 : 0;
    previous = std::move(data);
  }
  const auto endTime = static_cast<std::uint32_t>(static_cast<std::uint64_t>(frames.size()) * header.scale * 1000 / header.rate);
  // Playback ends when the end tag is read: a last chunk of length 0 keeps the last frame on
  // the stage (and its sound playing) for its whole period.
  movie::appendChunk(chunks, "00dc", endTime, {});
  movie::appendChunk(chunks, "EOF ", endTime, {});

  std::string file = movie::movieHeaderBytes(header);
  file += sound;
  file += chunks;
  if (file.size() > 0xFFFFFFFFull) {
    std::fprintf(stderr, "utsushi-pack: the movie would exceed 4 GiB\n");
    return 1;
  }
  if (!platform::writeFileAtomically(fs::path(out), file)) {
    std::fprintf(stderr, "utsushi-pack: cannot write %s\n", out.c_str());
    return 1;
  }
  std::printf("wrote %s: %u x %u, %zu frames (%zu held), %u ms, sound %u bytes, %zu bytes\n", out.c_str(), header.width,
              header.height, frames.size(), holds, endTime, header.soundLength, file.size());
  return 0;
}

bool isMovieFile(const std::string& bytes) { return bytes.compare(0, 4, "MJPG") == 0; }

int listMovie(const fs::path& file, const std::string& bytes) {
  std::string why;
  auto header = movie::parseMovieHeader(asBytes(bytes), why);
  if (!header) {
    std::fprintf(stderr, "utsushi-pack: %s: %s\n", file.string().c_str(), why.c_str());
    return 1;
  }
  const movie::MovieSummary s = movie::summarizeMovie(asBytes(bytes), *header);
  std::printf("movie     %u x %u\n", header->width, header->height);
  std::printf("rate      %u / scale %u (frame period %llu ms)\n", header->rate, header->scale,
              static_cast<unsigned long long>(movie::framePeriodMs(*header)));
  std::printf("sound     %u bytes at offset %zu\n", header->soundLength, movie::kHeaderBytes);
  std::printf("chunks    %zu (%zu frames, %zu held), last at %u ms\n", s.chunks, s.frames, s.holds, s.lastTime);
  if (s.oversized) std::printf("          %zu longer than %u bytes\n", s.oversized, core::kLargestMovieChunkBytes);
  if (s.truncated) std::printf("          %zu cut short by the end of the file\n", s.truncated);
  if (s.notJpeg) std::printf("          %zu not JPEG\n", s.notJpeg);
  std::printf("end       %s\n", s.endTag ? "EOF" : "missing: the chunks end in a broken tag");
  return 0;
}
