#include "platform/paths.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <random>

#include "platform/cp932.h"

namespace platform {
namespace fs = std::filesystem;

bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    unsigned char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x += 32;
    if (y >= 'A' && y <= 'Z') y += 32;
    if (x != y) return false;
  }
  return true;
}

namespace {

// Resolves the path component by component without regard to ASCII case.
std::optional<fs::path> resolveFolded(const fs::path& wanted) {
  fs::path result = wanted.is_absolute() ? wanted.root_path() : fs::path(".");
  bool first = true;
  std::error_code ec;
  for (const fs::path& part : wanted.relative_path()) {
    std::string name = part.string();
    if (name.empty() || name == ".") continue;
    fs::path candidate = result / part;
    if (name == ".." || fs::exists(fs::symlink_status(candidate, ec))) {
      result = candidate;
    } else {
      bool found = false;
      for (fs::directory_iterator it(result, ec), end; !ec && it != end; it.increment(ec)) {
        if (equalsIgnoringAsciiCase(it->path().filename().string(), name)) {
          result = it->path();
          found = true;
          break;
        }
      }
      if (!found) return std::nullopt;
    }
    first = false;
  }
  if (first) return std::nullopt;
  // Drop the "./" we started from so messages and keys look like what was asked for.
  if (!wanted.is_absolute()) result = result.lexically_normal();
  return result;
}

}  // namespace

std::string toDiskText(std::string_view scriptPath) {
  std::string p(scriptPath);
  // Only a "\" that is not the trail byte of a two-byte character is a separator.
  for (std::size_t i = 0; i < p.size(); ++i) {
    if (isLeadByte(static_cast<unsigned char>(p[i]))) {
      ++i;
      continue;
    }
    if (p[i] == '\\') p[i] = '/';
  }
  return cp932ToUtf8(p);
}

std::optional<fs::path> resolvePath(std::string_view scriptPath) {
  if (scriptPath.empty()) return std::nullopt;
  fs::path wanted(toDiskText(scriptPath));
  std::error_code ec;
  if (fs::exists(wanted, ec)) return wanted;
  return resolveFolded(wanted);
}

std::optional<fs::path> resolvePathForWrite(std::string_view scriptPath) {
  if (scriptPath.empty()) return std::nullopt;
  fs::path wanted(toDiskText(scriptPath));
  std::error_code ec;
  if (fs::exists(wanted, ec)) return wanted;
  fs::path parent = wanted.parent_path();
  if (parent.empty()) return wanted;
  std::optional<fs::path> folder = fs::is_directory(parent, ec) ? std::optional<fs::path>(parent) : resolveFolded(parent);
  if (!folder || !fs::is_directory(*folder, ec)) return std::nullopt;
  return *folder / wanted.filename();
}

FileRead readFileUpTo(const fs::path& path, std::string& out, std::uint64_t limit) {
  std::error_code ec;
  if (fs::is_directory(path, ec)) return FileRead::Failed;
  std::ifstream in(path, std::ios::binary);
  if (!in) return FileRead::Failed;
  // Read to the end rather than trusting a size taken first: a pipe or a terminal has none
  // (a shell's "<(...)" names one), and a file cut short meanwhile reads as far as it goes.
  // A regular file's size is still checked against the limit before anything is allocated.
  out.clear();
  if (fs::is_regular_file(path, ec)) {
    std::uintmax_t size = fs::file_size(path, ec);
    if (!ec && size > limit) return FileRead::TooLarge;
    if (!ec) out.reserve(static_cast<std::size_t>(size));
  }
  char buffer[65536];
  while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
    out.append(buffer, static_cast<std::size_t>(in.gcount()));
    if (out.size() > limit) {
      out.clear();
      return FileRead::TooLarge;
    }
  }
  return in.bad() ? FileRead::Failed : FileRead::Ok;
}

bool readWholeFile(const fs::path& path, std::string& out) {
  return readFileUpTo(path, out, UINT64_MAX) == FileRead::Ok;
}

bool readWholeFile(std::string_view scriptPath, std::string& out) {
  auto path = resolvePath(scriptPath);
  return path && readWholeFile(*path, out);
}

bool writeFileAtomically(const fs::path& path, std::string_view bytes) {
  fs::path folder = path.parent_path();
  std::random_device rd;
  std::string name(1, '.');
  name += path.filename().string();
  name += ".tmp";
  name += std::to_string(rd() % 1000000);
  fs::path temp = (folder.empty() ? fs::path(".") : folder) / name;
  int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  const char* p = bytes.data();
  std::size_t left = bytes.size();
  bool ok = true;
  while (left > 0) {
    ssize_t n = ::write(fd, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      ok = false;
      break;
    }
    p += n;
    left -= static_cast<std::size_t>(n);
  }
  if (ok && ::fsync(fd) != 0) ok = false;
  if (::close(fd) != 0) ok = false;
  if (ok && std::rename(temp.c_str(), path.c_str()) != 0) ok = false;
  if (!ok) ::unlink(temp.c_str());
  return ok;
}

std::string diskNameToScript(const fs::path& name) { return utf8ToCp932(name.string()); }

}  // namespace platform
