// The pattern texts of the regexp commands come straight from scripts. Input: a pattern
// text, a NUL byte, then a target. Whatever the bytes, reading the pattern and running it
// must not crash or read out of bounds, every reported span must lie inside the target and
// begin and end on Shift-JIS character boundaries, and a substitution that replaced
// nothing must give the target back.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "core/regexp.h"
#include "core/regexp_pattern.h"

namespace {

std::vector<bool> characterStarts(std::string_view s) {
  std::vector<bool> starts(s.size() + 1, false);
  std::size_t i = 0;
  while (i < s.size()) {
    starts[i] = true;
    i += core::isSjisLeadByte(static_cast<unsigned char>(s[i])) ? 2 : 1;
  }
  starts[s.size()] = true;
  return starts;
}

void check(bool condition) {
  if (!condition) std::abort();
}

void checkSpan(const core::ByteSpan& span, const std::vector<bool>& starts) {
  check(span.start <= span.end && span.end < starts.size());
  check(starts[span.start] && starts[span.end]);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Exactly sized copies, so that a read past either text is caught.
  std::string_view all(reinterpret_cast<const char*>(data), size);
  std::size_t cut = all.find('\0');
  std::string pattern(all.substr(0, cut));
  std::string target(cut == std::string_view::npos ? std::string_view{} : all.substr(cut + 1));
  if (target.size() > 256) target.resize(256);  // keep backtracking runs short

  std::string why;
  std::optional<core::ParsedPattern> parsed = core::parsePattern(pattern, why);
  check(parsed.has_value() || !why.empty());
  if (parsed && parsed->form == core::PatternForm::Substitute) {
    for (const core::ReplacementPart& part : parsed->replacement) check(part.group <= 9);
  }
  const std::vector<bool> starts = characterStarts(target);

  core::MatchResult m = core::regexpMatch(pattern, target);
  check(m.ok || !m.why.empty());
  if (m.ok && m.matched) checkSpan(m.match, starts);

  core::SubstituteResult s = core::regexpSubstitute(pattern, target);
  check(s.ok || !s.why.empty());
  if (s.ok) {
    check(s.count >= 0);
    if (s.count == 0) check(s.text == target);
  }

  core::SplitResult p = core::regexpSplit(pattern, target);
  check(p.ok || !p.why.empty());
  if (p.ok) {
    for (const core::ByteSpan& piece : p.pieces) {
      // Unmatched groups are empty spans at 0; every other piece lies on boundaries.
      if (piece.size() > 0) checkSpan(piece, starts);
    }
  }
  return 0;
}
