// mpegplay: plays a movie with its sound track on stream 9.
#include "movie/movie_commands.h"

#include <vector>

#include "core/command_support.h"
#include "core/error_report.h"
#include "movie/movie_player.h"
#include "platform/cp932.h"
#include "sound/sound_stream.h"

namespace movie {
namespace {

constexpr int kMovieStream = 9;

// mpegplay file, skippable
void cmdMpegPlay(const core::Arguments& v) {
  const std::string& file = v.string(0);
  const bool skippable = v.number(1) != 0;

  MjpegPlayer player;
  try {
    player.open(file);
  } catch (const MovieError& e) {
    core::reportCommandError(e.text);
    return;
  }
  if (player.header().soundLength != 0) {
    // The sound track is read from the movie's own bytes, wherever the movie was found.
    if (!sound::loadStream(kMovieStream, file, kHeaderBytes, player.header().soundLength)) {
      core::reportCommandError(file + platform::jp("が開けませんでした"));
      return;
    }
    sound::setStreamVolume(kMovieStream, 100, 0);
    sound::playStream(kMovieStream, 1, 0, 0);
  }
  player.play(skippable);
  sound::stopStream(kMovieStream, 0);
}

constexpr core::CommandEntry kMovieCommands[] = {
    {"mpegplay", cmdMpegPlay, "mpegPlay", "M n"},
};

}  // namespace

std::span<const core::CommandEntry> movieCommands() { return kMovieCommands; }

}  // namespace movie
