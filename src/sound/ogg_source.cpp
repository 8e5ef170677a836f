#include "sound/ogg_source.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "sound/ogg_pages.h"

namespace sound {
namespace {

size_t memoryRead(void* ptr, size_t size, size_t count, void* source) {
  auto* f = static_cast<MemoryFile*>(source);
  if (size == 0) return 0;
  std::size_t left = f->bytes.size() - std::min(f->readPos, f->bytes.size());
  // size x count may overflow: compare in items first.
  std::size_t want = count > left / size ? left : size * count;
  // An empty file has no buffer at all: memcpy must not be handed its null pointer.
  if (want == 0) return 0;
  std::memcpy(ptr, f->bytes.data() + f->readPos, want);
  f->readPos += want;
  return want / size;
}

int memorySeek(void* source, ogg_int64_t offset, int whence) {
  auto* f = static_cast<MemoryFile*>(source);
  const auto size = static_cast<ogg_int64_t>(f->bytes.size());
  ogg_int64_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? static_cast<ogg_int64_t>(f->readPos) : size;
  if (whence != SEEK_SET && whence != SEEK_CUR && whence != SEEK_END) return -1;
  // Offsets near the type's limits must not overflow on the way to the clamp.
  ogg_int64_t target;
  if (__builtin_add_overflow(base, offset, &target)) target = offset < 0 ? -1 : size + 1;
  f->readPos = static_cast<std::size_t>(std::clamp<ogg_int64_t>(target, 0, size));
  return target >= 0 && target <= size ? 0 : -1;
}

int memoryClose(void*) { return 0; }

long memoryTell(void* source) { return static_cast<long>(static_cast<MemoryFile*>(source)->readPos); }

bool isBlank(char c) { return c == ' ' || c == '\t'; }

// A decimal number as the C library's 64-bit "ato" parse reads it: blanks, a sign, digits
// up to the first other character (0 when there are none), held at the limits on overflow.
std::int64_t parseDecimal64(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size() && (isBlank(s[i]) || s[i] == '\r' || s[i] == '\n')) ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
  std::int64_t v = 0;
  for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
    int d = s[i] - '0';
    if (v > (std::numeric_limits<std::int64_t>::max() - d) / 10) return negative ? std::numeric_limits<std::int64_t>::min()
                                                                                  : std::numeric_limits<std::int64_t>::max();
    v = v * 10 + d;
  }
  return negative ? -v : v;
}

std::int64_t millisecondsToSamples(std::int64_t ms, std::int64_t rate) {
  __int128 v = static_cast<__int128>(ms) * rate / 1000;
  return static_cast<std::int64_t>(std::clamp<__int128>(v, std::numeric_limits<std::int64_t>::min(),
                                                        std::numeric_limits<std::int64_t>::max()));
}

}  // namespace

ov_callbacks memoryCallbacks() { return ov_callbacks{memoryRead, memorySeek, memoryClose, memoryTell}; }

bool openMemoryDecoder(OggVorbis_File& vf, MemoryFile& file, std::string& why) {
  file.readPos = 0;
  if (!pagesInOrder(file.bytes, why)) return false;
  int r = ov_open_callbacks(&file, &vf, nullptr, 0, memoryCallbacks());
  if (r < 0) {
    why = r == OV_ENOTVORBIS ? "not Ogg Vorbis" : r == OV_EBADHEADER ? "bad Vorbis header" : "unreadable Ogg data";
    return false;
  }
  vorbis_info* info = ov_info(&vf, -1);
  if (!info || info->channels < 1 || info->rate < 1) {
    ov_clear(&vf);
    why = "no stream information";
    return false;
  }
  return true;
}

std::vector<std::string_view> userComments(OggVorbis_File& vf) {
  std::vector<std::string_view> out;
  vorbis_comment* vc = ov_comment(&vf, -1);
  if (!vc || !vc->user_comments) return out;
  for (int i = 0; i < vc->comments; ++i) {
    if (!vc->user_comments[i]) break;
    std::size_t len = vc->comment_lengths ? static_cast<std::size_t>(std::max(vc->comment_lengths[i], 0))
                                          : std::strlen(vc->user_comments[i]);
    out.emplace_back(vc->user_comments[i], len);
  }
  return out;
}

LoopComment parseLoopComment(std::span<const std::string_view> comments, std::int64_t sampleRate) {
  LoopComment out;
  auto it = std::find_if(comments.begin(), comments.end(),
                         [](std::string_view c) { return c.find("COMMENT") != std::string_view::npos; });
  if (it == comments.end()) return out;
  std::string_view text = *it;
  std::size_t eq = text.find('=');
  if (eq == std::string_view::npos) return out;
  std::string_view value = text.substr(eq + 1);
  while (!value.empty() && isBlank(value.front())) value.remove_prefix(1);
  std::string keyword;
  while (!value.empty() && ((value.front() >= 'A' && value.front() <= 'Z') || (value.front() >= 'a' && value.front() <= 'z'))) {
    keyword += static_cast<char>(value.front() | 0x20);
    value.remove_prefix(1);
  }
  const bool inMs = keyword == "settime";
  if (!inMs && keyword != "setsample") return out;
  std::vector<std::int64_t> values;
  for (;;) {
    std::size_t comma = value.find(',');
    values.push_back(parseDecimal64(value.substr(0, comma)));
    if (comma == std::string_view::npos) break;
    value.remove_prefix(comma + 1);
  }
  if (values.size() != 3) {
    out.kind = LoopCommentKind::BadCount;
    return out;
  }
  if (inMs)
    for (auto& v : values) v = millisecondsToSamples(v, sampleRate);
  out.kind = LoopCommentKind::Valid;
  out.points = {values[0], values[1], values[2]};
  return out;
}

}  // namespace sound
