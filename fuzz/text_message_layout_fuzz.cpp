// Message text over arbitrary bytes: wrapping, ruby groups, inline commands, comments and
// wait marks. Skip mode passes every wait at once, so no reader is needed. The backlog page
// must stay within its size and the glyph counts within the renderers' slots.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "graphics/reading_modes.h"
#include "platform/window.h"
#include "text/backlog.h"
#include "text/glyph_renderer.h"
#include "text/message_layout.h"
#include "text/message_state.h"
#include "text/message_window.h"

// fontconfig keeps a few allocations from reading its configuration that no pointer LSan
// can see reaches (the stacks hold fontconfig frames only); they are made once, not per input.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static bool ready = fuzz::headlessEngine() && text::createGlyphRenderers();
  if (!ready || size < 2) return 0;
  text::MessageState& ms = text::messageState();
  graphics::ReadingModes& modes = graphics::readingModes();
  modes.skipMode = modes.fast = true;
  // The first two bytes choose the line width and the wait at a line's end.
  ms.charsPerLine = data[0] % 30;
  ms.lineNullJoined = data[1] % 3;
  ms.indentPlain = data[1] >> 7;
  std::string line(reinterpret_cast<const char*>(data + 2), size - 2);
  platform::WindowMessage msg;
  text::showMessageLine(line, 0, {}, msg);
  if (text::currentBacklogPage().text.size() > text::kPageTextLimit) __builtin_trap();
  if (text::messageRenderer().glyphCount > text::kMessageGlyphSlots) __builtin_trap();
  if (text::rubyRenderer().glyphCount > text::kRubyGlyphSlots) __builtin_trap();
  text::clearPage();
  return 0;
}
