// An Ogg Vorbis file held in memory, opened, read and sought through the engine's memory
// callbacks as a sound stream does, then its comments read for loop points.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "sound/ogg_source.h"

// libvorbisfile 1.3.7 keeps a few bytes of header state when an open of a damaged chained
// stream fails (xiph/vorbis issue 125); those leaks are the library's, not the engine's.
extern "C" const char* __lsan_default_suppressions() { return "leak:libvorbisfile.so\n"; }

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  sound::MemoryFile file;
  file.bytes.assign(data, data + size);
  OggVorbis_File vf{};
  std::string why;
  if (!sound::openMemoryDecoder(vf, file, why)) {
    fuzz::check(!why.empty());
    return 0;
  }
  auto comments = sound::userComments(vf);
  vorbis_info* info = ov_info(&vf, -1);
  fuzz::check(info != nullptr);
  sound::parseLoopComment(comments, info->rate);
  char pcm[4096];
  int section = 0;
  for (int i = 0; i < 64; ++i) {
    long n = ov_read(&vf, pcm, sizeof pcm, 0, 2, 1, &section);
    if (n <= 0) break;
    fuzz::check(n <= static_cast<long>(sizeof pcm));
    fuzz::check(file.readPos <= file.bytes.size());
  }
  ov_pcm_seek(&vf, ov_pcm_total(&vf, -1) / 2);
  ov_read(&vf, pcm, sizeof pcm, 0, 2, 1, &section);
  fuzz::check(file.readPos <= file.bytes.size());
  ov_clear(&vf);
  return 0;
}
