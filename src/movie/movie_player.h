// The movie player: one playback of one movie file, made on the stack of `mpegplay`. It
// maps the file, checks the header, and plays the frames by the engine's clock: each JPEG
// frame is decoded straight into the screen-sized picture texture and drawn centred on the
// stage at its timestamp, measured from the start of playback. Frames already a frame period
// late are skipped undecoded, so the picture follows the sound. Chunk errors are collected
// and appended to error.txt; they never stop the script.
//
// Main thread only. The one class of the engine with a virtual operation (its destructor);
// its errors are the one thing thrown, to its own command only.
#pragma once
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "image/codecs.h"
#include "movie/movie_file.h"
#include "movie/movie_source.h"

namespace platform {
struct WindowMessage;
}

namespace movie {

// What open() throws: the text the script error report shows ("FILE OPEN ERROR" ...).
struct MovieError {
  std::string text;
};

class MjpegPlayer {
 public:
  MjpegPlayer() = default;
  MjpegPlayer(const MjpegPlayer&) = delete;
  MjpegPlayer& operator=(const MjpegPlayer&) = delete;
  // Writes out the collected chunk errors.
  virtual ~MjpegPlayer();

  // Maps the movie (archive first), checks the header against the back buffer and makes
  // the decoder. Throws MovieError; nothing is left open then.
  void open(std::string_view path);
  const MovieHeader& header() const { return header_; }

  // The playback loop: runs until the end tag, a broken chunk, a quit (the program's quit
  // flag is set) or, when `skippable`, the reader's skip request.
  void play(bool skippable);

  // ---- The loop's pieces (play runs them in the engine's waiting loop) ----
  // Starts the clock of the timestamps.
  void start();
  // Reads chunks until one is due: a decoded frame waiting for its time, or a chunk of
  // length 0 that holds the picture until its time. False once playback has ended.
  bool showNextChunk();
  // The tick at which the chunk read last is due; presentDue() then shows its frame.
  std::uint32_t dueTick() const { return startTick_ + dueMs_; }
  bool chunkPending() const { return pending_; }
  void presentDue();
  // Tab, Return, Control or Escape pressed, or the left or right button released.
  static bool isSkipRequest(const platform::WindowMessage& msg);

 private:
  void appendError(std::string_view line);
  void writeErrors();
  bool decodeFrame(std::span<const std::uint8_t> jpeg);

  MovieSource source_;
  MovieHeader header_;
  std::uint64_t periodMs_ = 0;
  int x_ = 0, y_ = 0;             // the frame's top-left corner on the stage
  std::uint64_t chunkPos_ = 0;    // offset of the next chunk to read
  std::uint32_t startTick_ = 0;   // the clock at the start of playback
  std::uint32_t dueMs_ = 0;       // timestamp of the pending chunk
  bool pending_ = false;          // a chunk waits for its time
  bool framePending_ = false;     // ... and it is a decoded frame to show
  bool playing_ = false;
  std::string errorText_;         // chunk errors, each ending in "\n"
  image::JpegStreamPtr jpeg_;     // one decompressor for every frame
  std::vector<std::uint8_t> scratch_;  // frames land here when there is no device to lock
};

}  // namespace movie
