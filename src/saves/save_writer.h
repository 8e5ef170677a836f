// The save text: one Lua assignment a line ("\n" ends), records in a fixed order.
#pragma once
#include <string>
#include <string_view>

#include "saves/save_data.h"

namespace saves {

// Records Image.. to String (everything but the comment): the snapshot savesetting holds.
std::string formatSaveText(const SaveData& data);
// The line savegame adds after the snapshot.
void appendCommentRecord(std::string& text, std::string_view comment);

}  // namespace saves
