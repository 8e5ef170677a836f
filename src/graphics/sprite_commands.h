// The script commands of the sprite table, its animations, quakes and print, and the
// argument helpers they share.
#pragma once
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "core/command_registry.h"
#include "graphics/sprites.h"

namespace graphics {

std::span<const core::CommandEntry> spriteCommands();       // properties, filters, queries, sp.d, sp.mb
std::span<const core::CommandEntry> spriteLoadCommands();   // sp, sp2, sp.st, ssp, ssp.set
std::span<const core::CommandEntry> animationCommands();    // sp.a*, sp.set, sp.exe
std::span<const core::CommandEntry> quakeCommands();        // quake.*, sp.q*
std::span<const core::CommandEntry> printCommands();        // print
std::span<const core::CommandEntry> buttonCommands();       // spbtn

// The slot, or null after reporting "スプライト番号が不正です".
SpriteSlot* slotArgument(std::int32_t n);
// n + " 画像が読み込まれていません".
void reportMissingPicture(std::int32_t n);

}  // namespace graphics
