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

void pathCommand(const Arguments& args, std::string PathParts::*part) {
  std::optional<PathParts> parts = splitPathParts(args.string(1));
  if (!parts) {
    reportCommandError(platform::jp("正常にパスが読み込めませんでした"));
    return;
  }
  args.stringVariable(0) = std::move((*parts).*part);
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

void cmdGetParentFolderName(const Arguments& args) { pathCommand(args, &PathParts::folder); }
void cmdGetBaseName(const Arguments& args) { pathCommand(args, &PathParts::base); }
void cmdGetExtensionName(const Arguments& args) { pathCommand(args, &PathParts::extension); }

void cmdLoadFile(const Arguments& args) {
  const std::string& path = args.string(0);
  std::string bytes;
  switch (readResourceFile(path, bytes, kLargestTextFileBytes)) {
    case ResourceRead::Ok: break;
    case ResourceRead::TooLarge: return reportCommandError(tooLargeMessage(path, kLargestTextFileBytes));
    default: return reportCommandError(path + platform::jp(" が存在しません"));
  }
  args.stringVariable(1) = std::move(bytes);
}

void cmdSaveFile(const Arguments& args) {
  const std::string& path = args.string(0);
  // Written beside the target and renamed over it: the file is whole or, after a failure,
  // as it was before.
  std::optional<std::filesystem::path> disk = platform::resolvePathForWrite(path);
  if (!disk || !platform::writeFileAtomically(*disk, args.stringVariable(1))) reportCommandError(path + platform::jp("が開けませんでした"));
}

void cmdDeleteFile(const Arguments& args) {
  const std::string& path = args.string(0);
  bool deleted = false;
  if (std::optional<std::filesystem::path> disk = platform::resolvePath(path)) {
    std::error_code ec;
    // Files only, as the system call deletes them: a folder stays.
    deleted = !std::filesystem::is_directory(*disk, ec) && std::filesystem::remove(*disk, ec);
  }
  if (args.size() > 1) args.numberVariable(1) = deleted ? 1 : 0;
}

}  // namespace core
