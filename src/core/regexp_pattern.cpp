#include "core/regexp_pattern.h"

#include <cstdio>

#include "platform/cp932.h"

namespace core {
namespace {

constexpr bool isAsciiAlnum(unsigned char b) {
  return (b >= '0' && b <= '9') || (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z');
}

constexpr bool isBlankByte(unsigned char b) { return b == ' ' || b == '\t' || b == '\r' || b == '\n'; }

// Any printable ASCII byte that is not a letter or digit may delimit, except the backslash,
// which could not then be escaped.
constexpr bool isDelimiter(unsigned char b) { return b > 0x20 && b < 0x7F && !isAsciiAlnum(b) && b != '\\'; }

constexpr unsigned char closingBracket(unsigned char open) {
  switch (open) {
    case '(': return ')';
    case '[': return ']';
    case '{': return '}';
    case '<': return '>';
    default: return open;
  }
}

std::string byteForMessage(unsigned char b) {
  if (b > 0x20 && b < 0x7F) return std::string(1, static_cast<char>(b));
  char hex[8];
  std::snprintf(hex, sizeof hex, "0x%02X", b);
  return hex;
}

// Reads one delimited part starting just after its opening delimiter. Two-byte characters
// are copied whole, so their trail byte is never taken for the delimiter or a backslash; a
// backslash and the byte after it are copied together (the escape stays for the matcher or
// for parseReplacement to read). Bracket delimiters nest: "m{a{2}}" has the body "a{2}".
bool readPart(std::string_view text, std::size_t& i, unsigned char open, std::string& out, std::string& why) {
  const unsigned char close = closingBracket(open);
  int depth = 0;
  while (i < text.size()) {
    const unsigned char b = static_cast<unsigned char>(text[i]);
    if (isSjisLeadByte(b)) {
      out.append(text.substr(i, 2));
      i += 2;
    } else if (b == '\\' && i + 1 < text.size() && !isSjisLeadByte(static_cast<unsigned char>(text[i + 1]))) {
      out.append(text.substr(i, 2));
      i += 2;
    } else if (b == close && depth == 0) {
      ++i;
      return true;
    } else {
      if (open != close) depth += (b == open) - (b == close);
      out += static_cast<char>(b);
      ++i;
    }
  }
  why = platform::jp("区切り文字 ") + byteForMessage(close) + platform::jp(" が閉じていません");
  return false;
}

}  // namespace

std::vector<ReplacementPart> parseReplacement(std::string_view text) {
  std::vector<ReplacementPart> parts;
  auto literal = [&parts]() -> std::string& {
    if (parts.empty() || parts.back().group >= 0) parts.push_back({});
    return parts.back().literal;
  };
  std::size_t i = 0;
  while (i < text.size()) {
    const unsigned char b = static_cast<unsigned char>(text[i]);
    const unsigned char next = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0;
    if (isSjisLeadByte(b)) {
      literal().append(text.substr(i, 2));
      i += 2;
    } else if (b == '$' && next >= '0' && next <= '9') {
      parts.push_back({{}, next - '0'});
      i += 2;
    } else if (b == '$' && next == '&') {
      parts.push_back({{}, 0});
      i += 2;
    } else if (b == '\\' && i + 1 < text.size()) {
      if (next == 'n') literal() += '\n';
      else if (next == 't') literal() += '\t';
      else if (next == 'r') literal() += '\r';
      else if (isSjisLeadByte(next)) {
        // "\表": the backslash only asks for the character itself.
        ++i;
        continue;
      } else literal() += static_cast<char>(next);
      i += 2;
    } else {
      literal() += static_cast<char>(b);
      ++i;
    }
  }
  return parts;
}

std::optional<ParsedPattern> parsePattern(std::string_view text, std::string& why) {
  std::size_t i = 0;
  while (i < text.size() && isBlankByte(static_cast<unsigned char>(text[i]))) ++i;
  if (i == text.size()) {
    why = platform::jp("パターンが空です");
    return std::nullopt;
  }
  ParsedPattern p;
  const unsigned char first = static_cast<unsigned char>(text[i]);
  if (first == 'm' || first == 's') {
    p.form = first == 's' ? PatternForm::Substitute : PatternForm::Match;
    ++i;
  } else if (first != '/') {
    why = platform::jp("m/…/ か s/…/…/ の形ではありません");
    return std::nullopt;
  }
  if (i == text.size() || !isDelimiter(static_cast<unsigned char>(text[i]))) {
    why = platform::jp("区切り文字が不正です");
    return std::nullopt;
  }
  unsigned char open = static_cast<unsigned char>(text[i++]);
  if (!readPart(text, i, open, p.body, why)) return std::nullopt;
  if (p.form == PatternForm::Substitute) {
    if (closingBracket(open) != open) {
      // s{a}{b}: the replacement has delimiters of its own, after optional blanks.
      while (i < text.size() && isBlankByte(static_cast<unsigned char>(text[i]))) ++i;
      if (i == text.size() || !isDelimiter(static_cast<unsigned char>(text[i]))) {
        why = platform::jp("置換文字列がありません");
        return std::nullopt;
      }
      open = static_cast<unsigned char>(text[i++]);
    }
    std::string raw;
    if (!readPart(text, i, open, raw, why)) return std::nullopt;
    p.replacement = parseReplacement(raw);
  }
  for (; i < text.size(); ++i) {
    switch (text[i]) {
      case 'g': p.flags.global = true; break;
      case 'i': p.flags.ignoreCase = true; break;
      case 'm': p.flags.multiLine = true; break;
      case 's': p.flags.dotAll = true; break;
      case 'x': p.flags.extended = true; break;
      case 'k': break;  // Shift-JIS matching is the only kind there is
      default:
        why = platform::jp("不明なオプションです ") + byteForMessage(static_cast<unsigned char>(text[i]));
        return std::nullopt;
    }
  }
  return p;
}

}  // namespace core
