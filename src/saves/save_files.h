// Save files on disk: save/saveNNN.dat (compressed container) or .txt (the text itself),
// in the folder the engine writes to. Failures are shown in the error box with the file's
// name, as the reader sees it, followed by the reason.
#pragma once
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace saves {

// "save/save007.dat" or "save/save007.txt".
std::string saveFileName(int slot, bool compressed);
std::filesystem::path saveFilePath(int slot, bool compressed);

// Makes the save folder (all missing levels); false when it cannot be made.
bool makeSaveFolder();

// Writes the file whole or not at all (the previous file stays as it was on failure).
// Reports " を開けませんでした" when the folder cannot be made and " の保存に失敗しました"
// when compressing or writing fails, after the name and the limit when the text is larger
// than the reader takes.
bool writeSaveFile(std::string_view name, std::string_view text, bool compressed);

// The text of a file. Reports " を開けませんでした" when it cannot be read and
// " の読み込みに失敗しました" when its container is damaged. A file, or a stated text length,
// over its limit is refused before anything of that size is allocated: the name and the
// limit, then " の読み込みに失敗しました".
std::optional<std::string> readSaveFile(std::string_view name, bool compressed);

// The refusal of a file in the save folder over `limit` (its size, or the text it claims).
void refuseTooLarge(std::string_view name, std::uint64_t limit);

}  // namespace saves
