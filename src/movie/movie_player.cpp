// The movie player's header checks, chunk handling, frame decoding and playback loop.
#include "movie/movie_player.h"

#include <cstdio>

#include "graphics/device.h"
#include "graphics/frame.h"
#include "graphics/wait_loop.h"
#include "platform/clock.h"
#include "platform/keys.h"
#include "platform/window.h"

namespace movie {
namespace {

// Collected errors are written out once they fill what the player's text buffer held.
constexpr std::size_t kErrorTextLimit = 8192;

// Where the frame being shown lies on the stage; the frame is the top-left of the texture.
struct FrameQuad {
  int left = 0, top = 0, width = 0, height = 0;
} frameQuad;

// The frame's quad: the texture copied texel for pixel over the stage's centre, replacing
// what was there, as an unblended, point-sampled quad of the frame's size would.
void drawFrameQuad(int, int, int) {
  graphics::copyTextureToTarget(graphics::ruleTexture(), frameQuad.width, frameQuad.height, frameQuad.left, frameQuad.top);
}

void appendToErrorFile(const std::string& text) {
  if (std::FILE* f = std::fopen("error.txt", "ab")) {
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
  }
}

}  // namespace

MjpegPlayer::~MjpegPlayer() { writeErrors(); }

void MjpegPlayer::writeErrors() {
  if (errorText_.empty()) return;
  appendToErrorFile(errorText_);
  errorText_.clear();
}

void MjpegPlayer::appendError(std::string_view line) {
  errorText_ += line;
  if (errorText_.size() >= kErrorTextLimit) writeErrors();
}

void MjpegPlayer::open(std::string_view path) {
  writeErrors();
  source_.close();
  jpeg_.reset();
  switch (source_.open(path)) {
    case SourceOpen::Ok: break;
    case SourceOpen::Missing: throw MovieError{"FILE OPEN ERROR"};
    case SourceOpen::NoMemory: throw MovieError{"MEMORY ALLOC ERROR"};
  }
  std::string why;
  auto header = parseMovieHeader(source_.bytes(), why);
  if (!header) {
    source_.close();
    throw MovieError{"FILE HEADER ERROR"};
  }
  int backWidth = 0, backHeight = 0;
  graphics::backBufferSize(backWidth, backHeight);
  if (header->width > static_cast<std::uint32_t>(backWidth) || header->height > static_cast<std::uint32_t>(backHeight)) {
    source_.close();
    throw MovieError{"SCREEN SIZE ERROR"};
  }
  jpeg_ = image::createJpegStream(why);
  if (!jpeg_) {
    source_.close();
    throw MovieError{"MEMORY ALLOC ERROR"};
  }
  header_ = *header;
  periodMs_ = framePeriodMs(header_);
  x_ = (platform::kStageWidth - static_cast<int>(header_.width)) >> 1;
  y_ = (platform::kStageHeight - static_cast<int>(header_.height)) >> 1;
  chunkPos_ = firstChunkOffset(header_);
}

void MjpegPlayer::start() {
  startTick_ = platform::tickMs();
  playing_ = true;
  pending_ = framePending_ = false;
}

bool MjpegPlayer::decodeFrame(std::span<const std::uint8_t> jpeg) {
  const graphics::TextureHandle texture = graphics::ruleTexture();
  int texWidth = 0, texHeight = 0;
  graphics::backBufferSize(texWidth, texHeight);
  int pitch = 0;
  std::uint8_t* locked = graphics::lockTexture(texture, texWidth, texHeight, pitch);
  image::JpegTarget target{locked, static_cast<std::size_t>(pitch), texWidth, texHeight};
  if (!locked) {
    // No device (or no mapping): the frame is still decoded, so that a damaged one is
    // reported whatever the display.
    scratch_.resize(static_cast<std::size_t>(texWidth) * static_cast<std::size_t>(texHeight) * 4);
    target = {scratch_.data(), static_cast<std::size_t>(texWidth) * 4, texWidth, texHeight};
  }
  int width = 0, height = 0;
  std::string why;
  const bool ok = image::decodeJpegInto(*jpeg_, jpeg, target, width, height, why);
  if (locked) graphics::unlockTexture(texture, ok ? width : 0, ok ? height : 0);
  if (!ok) {
    // A frame the texture cannot hold is refused like a movie the screen cannot hold; any
    // other failure is damaged data.
    appendError(why == image::kPictureTooLarge ? "SCREEN SIZE ERROR\n" : "NOT JPEG FILE\n");
    return false;
  }
  frameQuad = {x_, y_, static_cast<int>(header_.width), static_cast<int>(header_.height)};
  return true;
}

bool MjpegPlayer::showNextChunk() {
  const auto file = source_.bytes();
  while (playing_) {
    const Chunk c = readChunk(file, chunkPos_);
    if (c.kind != ChunkKind::Frame) {
      if (c.kind == ChunkKind::Broken) appendError("CHUNK READ ERROR\n");
      playing_ = false;
      break;
    }
    chunkPos_ = c.next;
    if (c.length == 0) {  // holds the picture until its time
      dueMs_ = c.time;
      pending_ = true;
      framePending_ = false;
      return true;
    }
    const std::uint64_t elapsed = static_cast<std::uint32_t>(platform::tickMs() - startTick_);
    if (elapsed > c.time + periodMs_) continue;  // late by more than a period: dropped undecoded
    if (c.length > core::kLargestMovieChunkBytes) {
      appendError("BUFFER_LENGTH OVER\n");
      continue;
    }
    const auto data = chunkData(file, c);
    if (!c.complete) {
      appendError("FILE READ ERROR\n");
      continue;  // the next read meets the end of the file
    }
    if (data.size() < 2 || data[0] != 0xFF || data[1] != 0xD8) {
      appendError("NOT JPEG FILE\n");
      continue;
    }
    if (!decodeFrame(data)) continue;
    dueMs_ = c.time;
    pending_ = true;
    framePending_ = true;
    return true;
  }
  pending_ = framePending_ = false;
  return false;
}

void MjpegPlayer::presentDue() {
  // A failed present ends nothing: the next chunk is handled as usual.
  if (framePending_) graphics::presentDrawnFrame(drawFrameQuad);
  pending_ = framePending_ = false;
}

bool MjpegPlayer::isSkipRequest(const platform::WindowMessage& msg) {
  using platform::MessageKind;
  switch (msg.kind) {
    case MessageKind::KeyDown:
      return msg.key == platform::kKeyTab || msg.key == platform::kKeyReturn || msg.key == platform::kKeyControl ||
             msg.key == platform::kKeyEscape;
    case MessageKind::LButtonUp:
    case MessageKind::RButtonUp: return true;
    default: return false;
  }
}

void MjpegPlayer::play(bool skippable) {
  start();
  // The loop draws nothing of its own: the stage is the movie's until playback ends, and
  // each frame is presented by the step when its time comes.
  graphics::WaitOptions options;
  options.frames = false;
  graphics::waitLoop(
      [&](graphics::WaitPass& pass) {
        const bool skip = isSkipRequest(pass.message);
        pass.message.kind = platform::MessageKind::None;
        if (skip && skippable) return graphics::WaitStep::Done;
        for (;;) {
          if (!pending_ && !showNextChunk()) return graphics::WaitStep::Done;
          const auto wait = static_cast<std::int32_t>(dueTick() - platform::tickMs());
          if (wait > 0) {
            pass.dueInMs = wait;
            return graphics::WaitStep::Continue;
          }
          presentDue();
        }
      },
      options);
}

}  // namespace movie
