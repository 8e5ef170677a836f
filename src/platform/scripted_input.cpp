#include "platform/scripted_input.h"

#include <charconv>
#include <sstream>

#include "platform/keys.h"

namespace platform {
namespace {

std::vector<std::string> words(std::string_view line) {
  std::vector<std::string> out;
  std::size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    std::size_t s = i;
    while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;
    if (i > s) out.emplace_back(line.substr(s, i - s));
  }
  return out;
}

bool toInt(const std::string& s, int& v) {
  auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  return ec == std::errc() && end == s.data() + s.size();
}

// Everything after the first `skip` words, blanks inside kept (paths may hold blanks).
std::string restAfterWords(std::string_view line, int skip) {
  std::size_t i = 0;
  for (int w = 0; w < skip; ++w) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;
  }
  while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
  std::size_t e = line.size();
  while (e > i && (line[e - 1] == ' ' || line[e - 1] == '\t')) --e;
  return std::string(line.substr(i, e - i));
}

}  // namespace

std::optional<std::vector<ScriptedEvent>> parseInputScript(std::string_view text, std::string& why) {
  std::vector<ScriptedEvent> events;
  int lineNo = 0;
  std::size_t pos = 0;
  while (pos <= text.size()) {
    std::size_t nl = text.find('\n', pos);
    if (nl == std::string_view::npos) nl = text.size();
    std::string_view line = text.substr(pos, nl - pos);
    pos = nl + 1;
    ++lineNo;
    if (std::size_t hash = line.find('#'); hash != std::string_view::npos) line = line.substr(0, hash);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    std::vector<std::string> w = words(line);
    if (w.empty()) {
      if (nl == text.size()) break;
      continue;
    }
    auto fail = [&](const std::string& reason) {
      why = "input line " + std::to_string(lineNo) + ": " + reason;
      return std::nullopt;
    };
    ScriptedEvent ev;
    int ms = 0;
    if (!toInt(w[0], ms) || ms < 0) return fail("\"" + w[0] + "\" is not a time in milliseconds");
    ev.atMs = static_cast<std::uint32_t>(ms);
    if (w.size() < 2) return fail("an event name must follow the time");
    const std::string& name = w[1];
    auto point = [&](std::size_t at) -> bool {
      if (w.size() == at) return true;
      if (w.size() != at + 2 || !toInt(w[at], ev.x) || !toInt(w[at + 1], ev.y)) return false;
      ev.hasPoint = true;
      return true;
    };
    auto button = [&](const std::string& b) -> bool {
      if (b == "left") ev.button = MouseButton::Left;
      else if (b == "right") ev.button = MouseButton::Right;
      else if (b == "middle") ev.button = MouseButton::Middle;
      else return false;
      return true;
    };
    if (name == "click" || name == "rclick" || name == "mclick") {
      ev.action = name == "click" ? ScriptedAction::Click : name == "rclick" ? ScriptedAction::RClick : ScriptedAction::MClick;
      if (!point(2)) return fail(name + " takes an optional x y");
    } else if (name == "down" || name == "up") {
      ev.action = name == "down" ? ScriptedAction::Down : ScriptedAction::Up;
      if (w.size() < 3 || !button(w[2])) return fail(name + " needs left, right or middle");
      if (!point(3)) return fail(name + " takes an optional x y after the button");
    } else if (name == "move") {
      ev.action = ScriptedAction::Move;
      if (!point(2) || !ev.hasPoint) return fail("move needs x y");
    } else if (name == "key" || name == "keydown" || name == "keyup") {
      ev.action = name == "key" ? ScriptedAction::Key : name == "keydown" ? ScriptedAction::KeyDown : ScriptedAction::KeyUp;
      if (w.size() != 3 || (ev.sdlKey = sdlKeyFromName(w[2])) == 0)
        return fail(name + " needs one key name (return escape tab space control shift alt up down left right f10 "
                           "backspace pageup pagedown a..z 0..9)");
    } else if (name == "wheel") {
      ev.action = ScriptedAction::Wheel;
      if (w.size() != 3 || !toInt(w[2], ev.notches)) return fail("wheel needs a number of notches");
    } else if (name == "drop" || name == "screenshot") {
      ev.action = name == "drop" ? ScriptedAction::Drop : ScriptedAction::Screenshot;
      ev.text = restAfterWords(line, 2);
      if (ev.text.empty()) return fail(name + " needs a path");
    } else if (name == "close") {
      ev.action = ScriptedAction::Close;
      if (w.size() != 2) return fail("close takes no arguments");
    } else {
      return fail("unknown event \"" + name + "\"");
    }
    events.push_back(std::move(ev));
    if (nl == text.size()) break;
  }
  return events;
}

}  // namespace platform
