// The path-splitting commands and the whole-file commands: getparentfoldername,
// getbasename, getextensionname, loadfile (archive first), savefile (whole or absent),
// deletefile. Their table is the string commands' one.
#pragma once
#include <optional>
#include <string>
#include <string_view>

#include "core/arguments.h"

namespace core {

struct PathParts {
  std::string folder;     // with its final "/", or the whole path and "\" for a bare name
  std::string base;
  std::string extension;  // with its "."
};

// The parts of a script path, not checked on disk. "\" becomes "/" (two-byte characters
// are stepped over, so the trail byte of "表" stays). "bg\sky.png" gives "bg/", "sky",
// ".png"; a name without "." or "/" is taken for a folder: "readme" gives "readme\", "",
// "". Nothing for an empty path.
std::optional<PathParts> splitPathParts(std::string_view path);

void cmdGetParentFolderName(const Arguments& args);
void cmdGetBaseName(const Arguments& args);
void cmdGetExtensionName(const Arguments& args);
void cmdLoadFile(const Arguments& args);
void cmdSaveFile(const Arguments& args);
void cmdDeleteFile(const Arguments& args);

}  // namespace core
