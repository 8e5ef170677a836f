// The loop points an author writes into an Ogg file's COMMENT entry, over arbitrary comment
// lines (the input split at newlines; the first two bytes choose the sample rate, which may
// be anything a damaged file claims). The points are taken as written (the stream clamps
// them where it seeks); what is not three values carries no points.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "fuzz_support.h"
#include "sound/ogg_source.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  std::int64_t rate = size >= 2 ? (data[0] | data[1] << 8) : 44100;
  std::vector<std::string_view> lines;
  for (std::size_t start = 0; start <= text.size();) {
    std::size_t nl = text.find('\n', start);
    if (nl == std::string_view::npos) nl = text.size();
    lines.push_back(text.substr(start, nl - start));
    start = nl + 1;
  }
  for (std::int64_t r : {rate, std::int64_t{44100}}) {
    sound::LoopComment c = sound::parseLoopComment(lines, r);
    if (c.kind != sound::LoopCommentKind::Valid)
      fuzz::check(c.points.restart == 0 && c.points.loopStart == 0 && c.points.loopEnd == 0);
  }
  return 0;
}
