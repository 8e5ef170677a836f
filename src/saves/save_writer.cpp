#include "saves/save_writer.h"

#include <cstdio>
#include <type_traits>

#include "saves/lua_text.h"

namespace saves {

namespace {

using core::FieldKind;

void appendLowerHex(std::string& out, std::uint32_t value) {
  char buf[12];
  int n = std::snprintf(buf, sizeof buf, "0x%x", static_cast<unsigned>(value));
  out.append(buf, static_cast<std::size_t>(n));
}

template <class T>
void appendValue(std::string& out, const T& value, FieldKind kind) {
  if constexpr (std::is_same_v<T, std::string>) {
    appendLuaString(out, value);
  } else if constexpr (std::is_same_v<T, double>) {
    if (kind == FieldKind::Whole) appendDecimal(out, static_cast<std::int64_t>(value));
    else appendFloat(out, value);
  } else if constexpr (std::is_same_v<T, std::int64_t>) {
    appendDecimal(out, value);
  } else if (kind == FieldKind::Hex) {
    appendHex(out, static_cast<std::uint32_t>(value));
  } else if (kind == FieldKind::LowerHex) {
    appendLowerHex(out, static_cast<std::uint32_t>(value));
  } else {
    appendDecimal(out, static_cast<std::int32_t>(value));  // a 32-bit pattern is written signed
  }
}

// "name={...}\n" with the record's fields in their table's order.
template <class Record>
void appendRecord(std::string& out, std::string_view name, const Record& record,
                  std::span<const core::SavedField<Record>> fields) {
  out += name;
  out += "={";
  for (const core::SavedField<Record>& f : fields) {
    std::visit(
        [&](auto member) {
          const auto& value = record.*member;
          using T = std::remove_cvref_t<decltype(value)>;
          if constexpr (requires { std::tuple_size<T>::value; }) {
            for (const auto& element : value) {
              out += f.before;
              appendValue(out, element, f.kind);
            }
          } else {
            out += f.before;
            appendValue(out, value, f.kind);
          }
        },
        f.member);
  }
  out += "}\n";
}

std::string numbered(const char* prefix, int n) { return prefix + std::to_string(n); }

void appendSprite(std::string& out, const graphics::SpriteRecord& s) {
  const std::string name = numbered("Image", s.slot);
  appendRecord(out, name, s, graphics::spriteFields(!s.steps.empty()));
  for (std::size_t k = 0; k < s.steps.size(); ++k)
    appendRecord(out, name + "_" + std::to_string(k), s.steps[k], graphics::stepFields());
}

void appendPages(std::string& out, const text::TextSnapshot& t) {
  for (int i = 0; i < text::kSavedPages; ++i) {
    const text::PageRecord& p = t.pages[static_cast<std::size_t>(i)];
    if (p.text.empty()) continue;
    out += "msgBuffer";
    appendDecimal(out, i);
    out += '=';
    appendLuaString(out, p.text);
    out += '\n';
    if (!p.speaker.empty()) {
      out += "tagBuffer";
      appendDecimal(out, i);
      out += '=';
      appendLuaString(out, p.speaker);
      out += '\n';
    }
  }
  out += "msgLines={";
  for (const text::PageRecord& p : t.pages) {
    appendDecimal(out, p.lineCount);
    out += ',';
  }
  out += "0}\n";
}

}  // namespace

std::string formatSaveText(const SaveData& data) {
  std::string out;
  out.reserve(4096 + data.sprites.size() * 400);
  for (const graphics::SpriteRecord& s : data.sprites) appendSprite(out, s);
  for (const sound::StreamRecord& s : data.sounds) appendRecord(out, numbered("Sound", s.stream), s, sound::streamFields());
  appendPages(out, data.text);
  if (data.text.message) appendRecord(out, "Massage", *data.text.message, text::messageFields());
  if (data.text.font) appendRecord(out, "Font", *data.text.font, text::fontFields());
  if (data.text.window) appendRecord(out, "Window", *data.text.window, text::windowFields());
  if (data.script.resume) appendRecord(out, "File", *data.script.resume, core::positionFields());
  appendVariableRecords(out, data.script.integers, data.script.strings, "\n");
  return out;
}

void appendCommentRecord(std::string& text, std::string_view comment) {
  text += "Comment=";
  appendLuaString(text, comment);
  text += '\n';
}

}  // namespace saves
