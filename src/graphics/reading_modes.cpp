#include "graphics/reading_modes.h"

namespace graphics {
namespace {
ReadingModes modes;
}
ReadingModes& readingModes() { return modes; }
}  // namespace graphics
