// Timed input events for tests and demos (--input FILE): one event a line, "#" starts a
// comment, times are clock milliseconds after the start.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

enum class ScriptedAction { Click, RClick, MClick, Down, Up, Move, Key, KeyDown, KeyUp, Wheel, Drop, Close, Screenshot };
enum class MouseButton { Left, Right, Middle };

struct ScriptedEvent {
  std::uint32_t atMs = 0;
  ScriptedAction action = ScriptedAction::Click;
  MouseButton button = MouseButton::Left;
  bool hasPoint = false;
  int x = 0, y = 0;
  int sdlKey = 0;
  int notches = 0;
  std::string text;  // drop: the path; screenshot: the file
};

// The events in file order, or nothing with `why` naming the line and the fault.
std::optional<std::vector<ScriptedEvent>> parseInputScript(std::string_view text, std::string& why);

}  // namespace platform
