// The window menu drawn by the engine over the window's top strip.
#pragma once

namespace text {

void startMenuPainter();  // after the glyph renderers exist
void stopMenuPainter();   // before the device goes

}  // namespace text
