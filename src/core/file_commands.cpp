#include "core/file_commands.h"

#include <filesystem>

#include "core/archive.h"
#include "core/resource_limits.h"
#include "core/argument_pieces.h"
#include "core/error_report.h"
#include "core/statements.h"
#include "platform/cp932.h"
#include "platform/paths.h"

namespace core {
namespace {

void pathCommand(std::string_view argText, std::string PathParts::*part) {
  auto args = splitOutsideQuotes(argText, ',');
  if (!countInRange(args)) return;
  std::string* out = stringTarget(args, 0);
  std::string path;
  if (!out || !stringArgument(args, 1, path)) return;
  std::optional<PathParts> parts = splitPathParts(path);
  if (!parts) {
    reportCommandError(platform::jp("正常にパスが読み込めませんでした"));
    return;
  }
  *out = std::move((*parts).*part);
}

// loadfile and savefile: a path, then a string variable.
bool pathAndVariable(std::string_view argText, std::string& path, std::string*& variable) {
  auto args = splitOutsideQuotes(argText, ',');
  if (!countInRange(args) || !stringArgument(args, 0, path)) return false;
  variable = stringTarget(args, 1);
  return variable != nullptr;
}

}  // namespace

std::optional<PathParts> splitPathParts(std::string_view path) {
  if (path.empty()) return std::nullopt;
  std::string p(path);
  std::size_t lastSlash = 0;  // 0 also when there is none
  std::size_t lastDot = 0;    // after lastSlash; 0 when none (a leading "." does not count)
  for (std::size_t i = 0; i < p.size(); ++i) {
    const unsigned char b = static_cast<unsigned char>(p[i]);
    if (isLeadByte(b)) {
      ++i;
    } else if (b == '\\' || b == '/') {
      p[i] = '/';
      lastSlash = i;
      lastDot = 0;
    } else if (b == '.') {
      lastDot = i;
    }
  }
  PathParts parts;
  if (lastDot == 0 && lastSlash == 0) {
    parts.folder = p + '\\';
    return parts;
  }
  const std::size_t nameStart = p[lastSlash] == '/' ? lastSlash + 1 : 0;
  if (lastSlash > 0) parts.folder = p.substr(0, lastSlash + 1);
  if (lastDot == 0) {
    parts.base = p.substr(nameStart);
  } else {
    parts.base = p.substr(nameStart, lastDot - nameStart);
    parts.extension = p.substr(lastDot);
  }
  return parts;
}

void cmdGetParentFolderName(std::string_view args) { pathCommand(args, &PathParts::folder); }
void cmdGetBaseName(std::string_view args) { pathCommand(args, &PathParts::base); }
void cmdGetExtensionName(std::string_view args) { pathCommand(args, &PathParts::extension); }

void cmdLoadFile(std::string_view argText) {
  std::string path;
  std::string* out = nullptr;
  if (!pathAndVariable(argText, path, out)) return;
  std::string bytes;
  switch (readResourceFile(path, bytes, kLargestTextFileBytes)) {
    case ResourceRead::Ok: break;
    case ResourceRead::TooLarge: return reportCommandError(tooLargeMessage(path, kLargestTextFileBytes));
    default: return reportCommandError(path + platform::jp(" が存在しません"));
  }
  *out = std::move(bytes);
}

void cmdSaveFile(std::string_view argText) {
  std::string path;
  std::string* in = nullptr;
  if (!pathAndVariable(argText, path, in)) return;
  // Written beside the target and renamed over it: the file is whole or, after a failure,
  // as it was before.
  std::optional<std::filesystem::path> disk = platform::resolvePathForWrite(path);
  if (!disk || !platform::writeFileAtomically(*disk, *in)) reportCommandError(path + platform::jp("が開けませんでした"));
}

void cmdDeleteFile(std::string_view argText) {
  auto args = splitOutsideQuotes(argText, ',');
  if (!countInRange(args)) return;
  std::string path;
  if (!stringArgument(args, 0, path)) return;
  std::int32_t* ok = nullptr;
  if (args.size() > 1 && !(ok = numberTarget(args, 1))) return;
  bool deleted = false;
  if (std::optional<std::filesystem::path> disk = platform::resolvePath(path)) {
    std::error_code ec;
    // Files only, as the system call deletes them: a folder stays.
    deleted = !std::filesystem::is_directory(*disk, ec) && std::filesystem::remove(*disk, ec);
  }
  if (ok) *ok = deleted ? 1 : 0;
}

}  // namespace core
