#include "platform/buttons.h"

#include <array>
#include <iterator>
#include <map>

namespace platform {
namespace {

struct ButtonTable {
  std::array<Button, kButtonIds> records{};
  std::map<int, int> bySprite;  // sprite number -> button id
} table;

}  // namespace

void registerButton(const Button& b) {
  if (b.id < 0 || b.id >= kButtonIds) return;
  table.records[static_cast<std::size_t>(b.id)] = b;
  table.bySprite[b.sprite] = b.id;
}

void eraseButtonOfSprite(int sprite) { table.bySprite.erase(sprite); }

void clearButtons() { table.bySprite.clear(); }

int buttonAt(int x, int y) {
  for (const auto& [sprite, id] : table.bySprite) {
    const Button& b = table.records[static_cast<std::size_t>(id)];
    if (x >= b.x1 && x <= b.x2 && y >= b.y1 && y <= b.y2) return id;
  }
  return -1;
}

int neighbourButton(int id, int direction) {
  if (table.bySprite.empty()) return -1;
  auto current = table.bySprite.end();
  for (auto it = table.bySprite.begin(); it != table.bySprite.end(); ++it)
    if (it->second == id) current = it;
  if (current == table.bySprite.end()) return direction > 0 ? table.bySprite.begin()->second : table.bySprite.rbegin()->second;
  if (direction > 0) {
    ++current;
    if (current == table.bySprite.end()) current = table.bySprite.begin();
  } else {
    if (current == table.bySprite.begin()) current = table.bySprite.end();
    --current;
  }
  return current->second;
}

bool buttonCursorPoint(int id, int& cx, int& cy) {
  if (id < 0 || id >= kButtonIds) return false;
  cx = table.records[static_cast<std::size_t>(id)].cx;
  cy = table.records[static_cast<std::size_t>(id)].cy;
  return true;
}

}  // namespace platform
