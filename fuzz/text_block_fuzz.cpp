// Backlog text and text-sprite strings through the block and string drawers, with the
// layout numbers taken from the input as scripts may set them: no write may leave the
// picture and nothing may crash. The first 4 bytes choose extraX, extraY, lineSpacing and
// the draw position of a single glyph; the rest (at least one byte) is the text.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz_support.h"
#include "platform/cp932.h"
#include "text/glyph_renderer.h"

// fontconfig keeps a few allocations from reading its configuration that no pointer LSan
// can see reaches (the stacks hold fontconfig frames only); they are made once, not per input.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static text::GlyphRenderer* main = nullptr;
  static text::GlyphRenderer* ruby = nullptr;
  if (!main) {
    fuzz::headlessEngine();
    main = new text::GlyphRenderer;
    ruby = new text::GlyphRenderer;
    text::create(*main, platform::jp("ＭＳ ゴシック"), 26, 14, 0);
    text::create(*ruby, platform::jp("ＭＳ ゴシック"), 13, 7, 0);
  }
  if (size < 5) return 0;
  const int extraX = static_cast<std::int8_t>(data[0]);
  const int extraY = static_cast<std::int8_t>(data[1]);
  const int lineSpacing = static_cast<std::int8_t>(data[2]);
  const int at = static_cast<std::int8_t>(data[3]);
  std::string_view text(reinterpret_cast<const char*>(data + 4), size - 4);
  image::PixelImage picture;
  picture.width = 96;
  picture.height = 64;
  picture.pixels.assign(96 * 64 * 4, 0);
  text::drawTextBlock(*main, text::targetOf(picture), text, extraX, extraY, lineSpacing, *ruby);
  text::drawString(*ruby, text::targetOf(picture), text);
  unsigned code = size >= 6 ? (data[4] << 8 | data[5]) : data[4];
  text::drawGlyph(*main, text::targetOf(picture), code, at, -at);
  return 0;
}
