#include "core/statements.h"

namespace core {

std::string_view trimBlank(std::string_view text, std::ptrdiff_t first, std::ptrdiff_t last) {
  if (first < 0) first = 0;
  if (last >= static_cast<std::ptrdiff_t>(text.size())) last = static_cast<std::ptrdiff_t>(text.size()) - 1;
  while (first <= last && isBlank(static_cast<unsigned char>(text[first]))) ++first;
  while (last >= first && isBlank(static_cast<unsigned char>(text[last]))) --last;
  if (last < first) return {};
  std::size_t len = static_cast<std::size_t>(last - first + 1);
  if (len > kPieceLimit) len = kPieceLimit;
  return text.substr(static_cast<std::size_t>(first), len);
}

namespace {

// The scan both splitters share: cut at `sep` outside quotes, a two-byte character stepped
// over whole. A statement scan also lowercases capitals outside quotes in `lowercase` (the
// text itself) and ends at ";" or "//" outside quotes. A template, so that the argument
// splitter, run for every command, pays nothing for the statement's rules.
template <bool kStatement>
void splitScan(std::string_view text, char sep, std::string* lowercase, std::vector<std::string_view>& pieces) {
  pieces.clear();
  if (text.empty()) return;
  const std::size_t n = text.size();
  std::size_t i = 0, s = 0;
  char quote = 0;
  while (i < n) {
    unsigned char b = static_cast<unsigned char>(text[i]);
    if (isLeadByte(b)) {
      i += 2;
      continue;
    }
    if (quote) {
      if (b == static_cast<unsigned char>(quote)) quote = 0;
      ++i;
      continue;
    }
    if (kStatement && isCapital(b)) {
      b += 32;
      (*lowercase)[i] = static_cast<char>(b);
    }
    if (b == '"' || b == '\'') {
      quote = static_cast<char>(b);
    } else if (kStatement && (b == ';' || (b == '/' && i + 1 < n && text[i + 1] == '/'))) {
      break;
    } else if (b == static_cast<unsigned char>(sep)) {
      pieces.push_back(trimBlank(text, static_cast<std::ptrdiff_t>(s), static_cast<std::ptrdiff_t>(i) - 1));
      s = i + 1;
    }
    ++i;
  }
  if (i > n) i = n;  // a lead byte in the last position
  pieces.push_back(trimBlank(text, static_cast<std::ptrdiff_t>(s), static_cast<std::ptrdiff_t>(i) - 1));
}

}  // namespace

void splitStatements(std::string& text, char sep, std::vector<std::string_view>& pieces) {
  if (!text.empty() && isLeadByte(static_cast<unsigned char>(text[0]))) {
    pieces.assign(1, std::string_view(text));
    return;
  }
  splitScan<true>(text, sep, &text, pieces);
}

void splitOutsideQuotes(std::string_view text, char sep, std::vector<std::string_view>& pieces) {
  splitScan<false>(text, sep, nullptr, pieces);
}

std::vector<std::string_view> splitOutsideQuotes(std::string_view text, char sep) {
  std::vector<std::string_view> pieces;
  splitOutsideQuotes(text, sep, pieces);
  return pieces;
}

}  // namespace core
