#include "saves/save_writer.h"

#include <cstdio>
#include <span>

#include "saves/lua_text.h"

namespace saves {

namespace {

// ",0x..." for each colour, following a field already written.
void appendColours(std::string& out, std::span<const std::uint32_t> colours) {
  for (std::uint32_t c : colours) {
    out += ',';
    appendHex(out, c);
  }
}

void appendSprite(std::string& out, const SavedSprite& s) {
  out += "Image";
  appendDecimal(out, s.slot);
  out += "={";
  appendLuaString(out, s.name);
  out += ',';
  appendLuaString(out, s.second);
  out += ',';
  appendDecimal(out, s.size);
  out += ',';
  appendDecimal(out, s.style);
  appendColours(out, s.colours);
  out += ',';
  for (std::int32_t f : s.filters) {
    out += ' ';
    appendDecimal(out, f);
    out += ',';
  }
  // With an animation list the step's values are whole numbers, as its tracks are.
  const bool animated = !s.steps.empty();
  auto decimal = [&](std::int64_t v) {
    out += ',';
    appendDecimal(out, v);
  };
  auto real = [&](double v) {
    out += ',';
    appendFloat(out, v);
  };
  auto position = [&](double v) {
    if (animated) decimal(static_cast<std::int64_t>(v));
    else real(v);
  };
  out += ' ';
  appendDecimal(out, s.layer);
  decimal(s.alpha);
  decimal(s.blendMode);
  out += ',';
  appendHex(out, s.colourOp);
  decimal(static_cast<std::int32_t>(s.colourFactor));
  decimal(s.width);
  decimal(s.height);
  position(s.x);
  position(s.y);
  real(s.scaleX);
  real(s.scaleY);
  position(s.rotX);
  position(s.rotY);
  position(s.rotZ);
  real(s.pivotX);
  real(s.pivotY);
  out += ", ";
  appendDecimal(out, animated ? s.repeatMode : 0);
  out += "}\n";
  for (std::size_t k = 0; k < s.steps.size(); ++k) {
    const SavedStep& step = s.steps[k];
    out += "Image";
    appendDecimal(out, s.slot);
    out += '_';
    appendDecimal(out, static_cast<std::int64_t>(k));
    out += "={";
    appendDecimal(out, step.deleteFlag);
    for (std::int32_t v : step.tracks) {
      out += ", ";
      appendDecimal(out, v);
    }
    for (std::uint32_t v : step.colour) {
      out += ", ";
      appendHex(out, v);
    }
    out += "}\n";
  }
}

template <std::size_t N>
void appendNumbers(std::string& out, const char* record, const std::array<std::int32_t, N>& values) {
  out += record;
  out += "={";
  for (std::size_t i = 0; i < N; ++i) {
    if (i) out += ',';
    appendDecimal(out, values[i]);
  }
  out += "}\n";
}

}  // namespace

std::string formatSaveText(const SaveData& data) {
  std::string out;
  out.reserve(4096 + data.sprites.size() * 400);
  for (const SavedSprite& s : data.sprites) appendSprite(out, s);
  for (const SavedSound& s : data.sounds) {
    out += "Sound";
    appendDecimal(out, s.stream);
    out += "={";
    appendLuaString(out, s.file);
    out += ',';
    appendDecimal(out, s.loops);
    out += ',';
    appendDecimal(out, s.volume);
    out += ',';
    appendDecimal(out, s.pan);
    out += ',';
    appendDecimal(out, s.sample);
    out += "}\n";
  }
  for (int i = 0; i < kSavedBacklogPages; ++i) {
    const SavedPage& p = data.pages[static_cast<std::size_t>(i)];
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
  for (const SavedPage& p : data.pages) {
    appendDecimal(out, p.lineCount);
    out += ',';
  }
  out += "0}\n";
  if (data.message) appendNumbers(out, "Massage", *data.message);
  if (data.font) {
    const SavedFont& f = *data.font;
    out += "Font={";
    appendLuaString(out, f.face);
    out += ',';
    appendDecimal(out, f.style);
    appendColours(out, f.colours);
    out += ',';
    appendLuaString(out, f.spriteFace);
    out += ',';
    appendDecimal(out, f.spriteStyle);
    appendColours(out, f.spriteColours);
    out += ',';
    appendDecimal(out, f.spriteSize);
    out += "}\n";
  }
  if (data.window) appendNumbers(out, "Window", *data.window);
  if (data.resume) {
    char buf[48];
    std::snprintf(buf, sizeof buf, "File={0x%x,%d}\n", static_cast<unsigned>(data.resume->first),
                  static_cast<int>(data.resume->second));
    out += buf;
  }
  appendVariableRecords(out, data.integers, data.strings, "\n");
  return out;
}

void appendCommentRecord(std::string& text, std::string_view comment) {
  text += "Comment=";
  appendLuaString(text, comment);
  text += '\n';
}

}  // namespace saves
