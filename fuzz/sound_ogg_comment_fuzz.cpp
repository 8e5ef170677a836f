// The loop-comment parser and the Ogg open path over memory. The input is used twice: as
// comment lines (split at newlines, the first two bytes choosing the sample rate) and as a
// whole file opened, read and sought through the memory callbacks.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "sound/ogg_source.h"

// libvorbisfile 1.3.7 keeps a few bytes of header state when an open of a damaged chained
// stream fails (xiph/vorbis issue 125); those leaks are the library's, not the engine's.
extern "C" const char* __lsan_default_suppressions() { return "leak:libvorbisfile.so\n"; }

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
  sound::parseLoopComment(lines, rate);

  sound::MemoryFile file;
  file.bytes.assign(data, data + size);
  OggVorbis_File vf{};
  std::string why;
  if (!sound::openMemoryDecoder(vf, file, why)) return 0;
  auto comments = sound::userComments(vf);
  vorbis_info* info = ov_info(&vf, -1);
  sound::parseLoopComment(comments, info->rate);
  char pcm[4096];
  int section = 0;
  for (int i = 0; i < 64; ++i)
    if (ov_read(&vf, pcm, sizeof pcm, 0, 2, 1, &section) <= 0) break;
  ov_pcm_seek(&vf, ov_pcm_total(&vf, -1) / 2);
  ov_read(&vf, pcm, sizeof pcm, 0, 2, 1, &section);
  ov_clear(&vf);
  return 0;
}
