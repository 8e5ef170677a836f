// The one file that includes Oniguruma (its header clashes with glibc's <regex.h>).
#include "core/regexp.h"

#include <oniguruma.h>

#include <algorithm>
#include <memory>

#include "core/internal_limits.h"
#include "core/regexp_pattern.h"
#include "platform/cp932.h"

namespace core {
namespace {

// A pattern that backtracks without end is stopped and reported instead of hanging the
// script: Oniguruma counts retries per match attempt and per search.
constexpr unsigned long kRetryLimitInSearch = 50'000'000;

struct RegexFree {
  void operator()(OnigRegex r) const { onig_free(r); }
};
struct RegionFree {
  void operator()(OnigRegion* r) const { onig_region_free(r, 1); }
};
using RegexHandle = std::unique_ptr<std::remove_pointer_t<OnigRegex>, RegexFree>;
using RegionHandle = std::unique_ptr<OnigRegion, RegionFree>;

struct CompiledPattern {
  std::string text;  // the pattern text as the script wrote it
  ParsedPattern parsed;
  RegexHandle regex;
};

// Scripts tend to run the same few patterns in loops; compiling costs more than matching
// a short text, so the most recently used patterns are kept.
struct Matcher {
  bool initialised = false;
  std::vector<std::unique_ptr<CompiledPattern>> cache;  // most recently used last
  RegionHandle region;
  // The length of the text last searched: Shift-JIS matching can take a lead byte at the
  // very end together with the NUL after it, so spans are cut back to the text.
  std::size_t subjectSize = 0;
} matcher;

void initialise() {
  if (matcher.initialised) return;
  OnigEncoding encodings[] = {ONIG_ENCODING_SJIS};
  onig_initialize(encodings, 1);
  onig_set_retry_limit_in_search(kRetryLimitInSearch);
  matcher.region.reset(onig_region_new());
  matcher.initialised = true;
}

std::string onigReason(int code, OnigErrorInfo* info) {
  OnigUChar text[ONIG_MAX_ERROR_MESSAGE_LEN];
  int n = info ? onig_error_code_to_str(text, code, info) : onig_error_code_to_str(text, code);
  return std::string(reinterpret_cast<const char*>(text), n > 0 ? static_cast<std::size_t>(n) : 0);
}

OnigOptionType compileOptions(const PatternFlags& f) {
  // Groups are numbered even beside named ones, as Perl does, so $1 always means the first.
  OnigOptionType o = ONIG_OPTION_CAPTURE_GROUP;
  if (f.ignoreCase) o |= ONIG_OPTION_IGNORECASE;
  if (f.extended) o |= ONIG_OPTION_EXTEND;
  if (f.dotAll) o |= ONIG_OPTION_MULTILINE;         // Oniguruma's name for "dot matches newline"
  if (f.multiLine) o |= ONIG_OPTION_NEGATE_SINGLELINE;  // ^ and $ at line ends, not only the text's
  return o;
}

const CompiledPattern* compile(std::string_view text, std::string& why) {
  initialise();
  auto& cache = matcher.cache;
  for (std::size_t i = cache.size(); i-- > 0;) {
    if (cache[i]->text == text) {
      std::unique_ptr<CompiledPattern> hit = std::move(cache[i]);
      cache.erase(cache.begin() + static_cast<std::ptrdiff_t>(i));
      cache.push_back(std::move(hit));
      return cache.back().get();
    }
  }
  std::optional<ParsedPattern> parsed = parsePattern(text, why);
  if (!parsed) return nullptr;
  auto body = reinterpret_cast<const OnigUChar*>(parsed->body.data());
  OnigRegex regex = nullptr;
  OnigErrorInfo info{};
  int rc = onig_new(&regex, body, body + parsed->body.size(), compileOptions(parsed->flags), ONIG_ENCODING_SJIS,
                    ONIG_SYNTAX_PERL_NG, &info);
  if (rc != ONIG_NORMAL) {
    why = onigReason(rc, &info);
    return nullptr;
  }
  auto entry = std::make_unique<CompiledPattern>();
  entry->text.assign(text);
  entry->parsed = std::move(*parsed);
  entry->regex.reset(regex);
  if (cache.size() == kCachedPatterns) cache.erase(cache.begin());
  cache.push_back(std::move(entry));
  return cache.back().get();
}

// The text being searched, with its character boundaries. A copy ends in NUL, so the
// matcher never reads past the text after a lone lead byte.
struct Subject {
  std::string bytes;
  std::vector<bool> starts;  // starts[i]: a character begins at i (and at the end)

  explicit Subject(std::string_view text) : bytes(text), starts(text.size() + 1, false) {
    for (std::size_t i = 0; i < bytes.size(); i += isSjisLeadByte(static_cast<unsigned char>(bytes[i])) ? 2 : 1)
      starts[i] = true;
    starts[bytes.size()] = true;
  }
  std::size_t size() const { return bytes.size(); }
  std::size_t nextStart(std::size_t pos) const {
    do ++pos;
    while (pos < bytes.size() && !starts[pos]);
    return pos;
  }
};

ByteSpan groupSpan(int group);

// One search from `from` (a character start); the text's own start still counts for ^, \A
// and look-behind. Returns 1 on a match (the region holds it), 0 on none, -1 with `why` on
// a failure. Oniguruma keeps valid Shift-JIS whole by itself, but a lead byte followed by a
// byte that cannot trail it (86 27) may be cut: such matches are passed over here.
int searchFrom(const CompiledPattern& p, const Subject& subject, std::size_t from, std::string& why) {
  auto str = reinterpret_cast<const OnigUChar*>(subject.bytes.data());
  auto end = str + subject.size();
  while (from <= subject.size()) {
    int r = onig_search(p.regex.get(), str, end, str + from, end, matcher.region.get(), ONIG_OPTION_NONE);
    if (r == ONIG_MISMATCH) return 0;
    if (r < 0) {
      why = onigReason(r, nullptr);
      return -1;
    }
    matcher.subjectSize = subject.size();
    ByteSpan m = groupSpan(0);
    // A match that ran into the NUL after the text took a lead byte at the very end with it:
    // its last character is cut, and it is passed over like any other cut match.
    const bool pastEnd = matcher.region->end[0] > static_cast<int>(subject.size());
    if (!pastEnd && subject.starts[m.start] && subject.starts[m.end]) return 1;
    from = subject.nextStart(m.start);
  }
  return 0;
}

ByteSpan groupSpan(int group) {
  const OnigRegion* region = matcher.region.get();
  if (group >= region->num_regs || region->beg[group] == ONIG_REGION_NOTPOS) return {};
  const std::size_t end = std::min(static_cast<std::size_t>(region->end[group]), matcher.subjectSize);
  return {std::min(static_cast<std::size_t>(region->beg[group]), end), end};
}

void appendReplacement(const std::vector<ReplacementPart>& parts, const std::string& subject, std::string& out) {
  for (const ReplacementPart& part : parts) {
    if (part.group < 0) {
      out += part.literal;
    } else {
      ByteSpan g = groupSpan(part.group);
      out.append(subject, g.start, g.size());
    }
  }
}

}  // namespace

MatchResult regexpMatch(std::string_view pattern, std::string_view target) {
  MatchResult result;
  const CompiledPattern* p = compile(pattern, result.why);
  if (!p) return result;
  if (p->parsed.form != PatternForm::Match) {
    result.why = platform::jp("照合には m/…/ の形を使います");
    return result;
  }
  const Subject subject(target);
  int r = searchFrom(*p, subject, 0, result.why);
  if (r < 0) return result;
  result.ok = true;
  result.matched = r == 1;
  if (result.matched) result.match = groupSpan(0);
  return result;
}

SubstituteResult regexpSubstitute(std::string_view pattern, std::string_view target) {
  SubstituteResult result;
  const CompiledPattern* p = compile(pattern, result.why);
  if (!p) return result;
  if (p->parsed.form != PatternForm::Substitute) {
    result.why = platform::jp("置換には s/…/…/ の形を使います");
    return result;
  }
  const Subject subject(target);
  std::string out;
  std::size_t copied = 0;  // subject bytes before this are in `out`
  std::size_t from = 0;
  while (from <= subject.size()) {
    int r = searchFrom(*p, subject, from, result.why);
    if (r < 0) return result;
    if (r == 0) break;
    ByteSpan m = groupSpan(0);
    out.append(subject.bytes, copied, m.start - copied);
    appendReplacement(p->parsed.replacement, subject.bytes, out);
    copied = m.end;
    ++result.count;
    if (!p->parsed.flags.global) break;
    if (m.size() == 0) {
      // An empty match may not repeat at its own place: the next search starts after the
      // character here, which is copied whole ("x" with s/y*/-/g gives "-x-").
      if (m.start >= subject.size()) break;
      copied = subject.nextStart(m.start);
      out.append(subject.bytes, m.start, copied - m.start);
      from = copied;
    } else {
      from = m.end;
    }
  }
  if (result.count == 0) {
    result.text = subject.bytes;
  } else {
    out.append(subject.bytes, copied, std::string::npos);
    result.text = std::move(out);
  }
  result.ok = true;
  return result;
}

SplitResult regexpSplit(std::string_view pattern, std::string_view target) {
  SplitResult result;
  const CompiledPattern* p = compile(pattern, result.why);
  if (!p) return result;
  if (p->parsed.form != PatternForm::Match) {
    result.why = platform::jp("分割には m/…/ の形を使います");
    return result;
  }
  const Subject subject(target);
  std::size_t pieceStart = 0;
  std::size_t from = 0;
  while (pieceStart < subject.size() && from <= subject.size()) {
    int r = searchFrom(*p, subject, from, result.why);
    if (r < 0) return result;
    if (r == 0) break;
    ByteSpan m = groupSpan(0);
    if (m.end == pieceStart) {
      // An empty match where the piece begins cuts nothing: look again one character on.
      from = subject.nextStart(pieceStart);
      continue;
    }
    result.pieces.push_back({pieceStart, m.start});
    for (int g = 1; g < matcher.region->num_regs; ++g) result.pieces.push_back(groupSpan(g));
    pieceStart = from = m.end;
  }
  result.pieces.push_back({pieceStart, subject.size()});
  while (!result.pieces.empty() && result.pieces.back().size() == 0) result.pieces.pop_back();
  result.ok = true;
  return result;
}

}  // namespace core
