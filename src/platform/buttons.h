// The button table: sprites registered as buttons with an id, a hit rectangle in stage
// pixels (inclusive) and the point where keyboard navigation puts the cursor. Walked in
// ascending sprite number.
#pragma once

namespace platform {

constexpr int kButtonIds = 100;

struct Button {
  int sprite = 0, id = 0;
  int x1 = 0, y1 = 0, x2 = 0, y2 = 0;  // inclusive
  int cx = 0, cy = 0;
};

void registerButton(const Button& b);  // replaces the button with that id
void eraseButtonOfSprite(int sprite);
void clearButtons();

// The id of the first button (in sprite order) containing the point, or -1.
int buttonAt(int x, int y);
// The next (+1) or previous (-1) button after `id` in sprite order, wrapping; the first
// (or last) when `id` is -1; -1 when there are none.
int neighbourButton(int id, int direction);
bool buttonCursorPoint(int id, int& cx, int& cy);

}  // namespace platform
