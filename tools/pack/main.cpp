// utsushi-pack: builds the packed script script.sbx and the resource archive arc.dat, and
// lists either. A packed game runs exactly as its folder form: script.sbx stores each file's
// lines as the folder reader reads them.
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "core/archive.h"
#include "core/big_endian.h"
#include "core/path_key.h"
#include "core/script_sources.h"
#include "movie_pack.h"
#include "platform/cp932.h"
#include "platform/paths.h"
#include "new_game.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kUsage =
      "usage: utsushi-pack new DIR               make a starter game in the new folder DIR\n"
      "       utsushi-pack sbx GAME_DIR          write GAME_DIR/script.sbx from GAME_DIR/script/\n"
      "       utsushi-pack arc GAME_DIR PATH...  write GAME_DIR/arc.dat with the files below PATHs\n"
      "                                          (relative to GAME_DIR)\n"
      "       utsushi-pack movie OUT FRAMES... [--sound FILE.ogg] [--fps N]\n"
      "                                          write the movie OUT from JPEG frames (files, or\n"
      "                                          folders of .jpg files in name order), N a second\n"
      "                                          (default 30), with an Ogg Vorbis sound track\n"
      "       utsushi-pack list FILE [GAME_DIR]  list the entries of a script.sbx or arc.dat, named\n"
      "                                          by the files of GAME_DIR (default: FILE's folder),\n"
      "                                          or describe a movie\n"
      "       utsushi-pack --help | --version\n";

// Asked for, the usage is the answer and goes to stdout; after a mistake it goes to stderr.
int usage(bool asked = false) {
  std::fputs(kUsage, asked ? stdout : stderr);
  return asked ? 0 : 2;
}

struct PackedFile {
  std::uint32_t key;
  std::string data;  // zlib stream
  std::uint32_t unpackedSize;
};

std::string buildIndexedFile(const std::vector<std::pair<std::uint32_t, std::string>>& blocks,
                             const std::vector<std::uint32_t>& lastWords) {
  std::string out;
  core::appendU32be(out, static_cast<std::uint32_t>(blocks.size()));
  std::uint64_t offset = 4 + 17 * static_cast<std::uint64_t>(blocks.size());
  for (std::size_t i = 0; i < blocks.size(); ++i) {
    core::appendU32be(out, blocks[i].first);
    out += '\0';
    core::appendU32be(out, static_cast<std::uint32_t>(offset));
    core::appendU32be(out, static_cast<std::uint32_t>(blocks[i].second.size()));
    core::appendU32be(out, lastWords[i]);
    offset += blocks[i].second.size();
  }
  for (const auto& b : blocks) out += b.second;
  return out;
}

int packScript(const fs::path& gameDir) {
  fs::path scriptDir = gameDir / "script";
  std::error_code ec;
  if (!fs::is_directory(scriptDir, ec)) {
    std::fprintf(stderr, "utsushi-pack: %s is not a folder\n", scriptDir.string().c_str());
    return 1;
  }
  std::vector<std::pair<std::uint32_t, std::string>> blocks;
  std::vector<std::uint32_t> unpacked;
  bool haveMain = false;
  for (const std::string& scriptPath : core::listScripts(scriptDir, "script/")) {
    fs::path disk = gameDir / platform::cp932ToUtf8(scriptPath);
    std::string bytes;
    if (!platform::readWholeFile(disk, bytes)) {
      std::fprintf(stderr, "utsushi-pack: cannot read %s\n", disk.string().c_str());
      return 1;
    }
    if (platform::looksLikeUtf8NotCp932(bytes)) {
      std::fprintf(stderr, "utsushi-pack: %s looks like UTF-8; scripts must be saved as CP932 (Shift-JIS)\n",
                   disk.string().c_str());
      return 1;
    }
    if (int bad = core::firstOverlongLine(bytes)) {
      std::fprintf(stderr, "utsushi-pack: %s:%d: the line is longer than %zu bytes\n", disk.string().c_str(), bad,
                   core::kLineLimit - 1);
      return 1;
    }
    core::ScriptLines lines;
    core::splitFolderText(bytes, lines);
    std::string text;
    for (std::size_t i = 0; i < lines.size(); ++i) {
      text += lines[i];
      text += "\r\n";
    }
    core::ScriptLines check;
    core::splitPackedText(text, check);
    if (check != lines) {
      std::size_t i = 0;
      while (i < lines.size() && i < check.size() && lines[i] == check[i]) ++i;
      std::fprintf(stderr, "utsushi-pack: %s:%zu: the line cannot be packed (a CR inside it, or a broken two-byte character at its end)\n",
                   disk.string().c_str(), i + 1);
      return 1;
    }
    uLongf packedSize = compressBound(static_cast<uLong>(text.size()));
    std::string packed(packedSize, '\0');
    if (compress2(reinterpret_cast<Bytef*>(packed.data()), &packedSize, reinterpret_cast<const Bytef*>(text.data()),
                  static_cast<uLong>(text.size()), Z_BEST_COMPRESSION) != Z_OK) {
      std::fprintf(stderr, "utsushi-pack: cannot compress %s\n", disk.string().c_str());
      return 1;
    }
    packed.resize(packedSize);
    std::uint32_t key = core::pathKey(scriptPath);
    if (scriptPath == core::kMainScriptPath) haveMain = true;
    std::printf("%08X %s (%zu lines)\n", key, platform::cp932ToUtf8(scriptPath).c_str(), lines.size());
    blocks.emplace_back(key, std::move(packed));
    unpacked.push_back(static_cast<std::uint32_t>(text.size()));
  }
  if (!haveMain) {
    std::fprintf(stderr, "utsushi-pack: %s has no 0.txt\n", scriptDir.string().c_str());
    return 1;
  }
  fs::path out = gameDir / core::kPackedScriptFile;
  if (!platform::writeFileAtomically(out, buildIndexedFile(blocks, unpacked))) {
    std::fprintf(stderr, "utsushi-pack: cannot write %s\n", out.string().c_str());
    return 1;
  }
  std::printf("wrote %s: %zu files\n", out.string().c_str(), blocks.size());
  return 0;
}

void collectFiles(const fs::path& gameDir, const fs::path& rel, std::map<std::string, fs::path>& files, bool& ok) {
  fs::path disk = gameDir / rel;
  std::error_code ec;
  if (fs::is_directory(disk, ec)) {
    std::vector<fs::path> children;
    for (fs::directory_iterator it(disk, ec), end; !ec && it != end; it.increment(ec)) {
      std::string name = it->path().filename().string();
      if (!name.empty() && name[0] != '.') children.push_back(rel / name);
    }
    std::sort(children.begin(), children.end());
    for (const fs::path& c : children) collectFiles(gameDir, c, files, ok);
    return;
  }
  if (!fs::is_regular_file(disk, ec)) {
    std::fprintf(stderr, "utsushi-pack: %s does not exist\n", disk.string().c_str());
    ok = false;
    return;
  }
  std::string name = core::normalizeResourceName(platform::utf8ToCp932(rel.lexically_normal().generic_string()));
  if (name == "arc.dat") return;
  files[name] = disk;
}

// An entry's key is its path relative to the game folder: a path that leaves the folder would
// give a key no script can name.
bool insideGameFolder(const std::string& p) {
  fs::path path(p);
  if (path.is_absolute()) return false;
  for (const fs::path& part : path)
    if (part == "..") return false;
  return true;
}

// save/ holds the author's own saves, settings and already-read record: packed, every reader
// would start with them. Packing goes on (an author may mean it), but says so first.
void warnAboutSaveFiles(const std::map<std::string, fs::path>& files) {
  std::size_t count = 0;
  for (const auto& entry : files)
    if (entry.first.rfind("save/", 0) == 0) ++count;
  if (count == 0) return;
  std::fprintf(stderr,
               "utsushi-pack: warning: packing %zu file(s) below save/ (saves, settings, the already-read record):"
               " every reader would start with them; leave save/ out unless that is meant\n",
               count);
}

int packArchive(const fs::path& gameDir, const std::vector<std::string>& paths) {
  for (const std::string& p : paths) {
    if (!insideGameFolder(p)) {
      std::fprintf(stderr, "utsushi-pack: %s is outside the game folder; give paths relative to %s without \"..\"\n",
                   p.c_str(), gameDir.string().c_str());
      return 1;
    }
  }
  std::map<std::string, fs::path> files;
  bool ok = true;
  for (const std::string& p : paths) collectFiles(gameDir, fs::path(p), files, ok);
  if (!ok) return 1;
  warnAboutSaveFiles(files);
  std::vector<std::pair<std::uint32_t, std::string>> blocks;
  std::map<std::uint32_t, std::string> keys;
  for (const auto& [name, disk] : files) {
    std::uint32_t key = core::pathKey(name);
    if (auto it = keys.find(key); it != keys.end()) {
      std::fprintf(stderr, "utsushi-pack: %s and %s have the same key %08X\n", it->second.c_str(), name.c_str(), key);
      return 1;
    }
    keys[key] = name;
    std::string bytes;
    if (!platform::readWholeFile(disk, bytes)) {
      std::fprintf(stderr, "utsushi-pack: cannot read %s\n", disk.string().c_str());
      return 1;
    }
    std::printf("%08X %s (%zu bytes)\n", key, platform::cp932ToUtf8(name).c_str(), bytes.size());
    blocks.emplace_back(key, std::move(bytes));
  }
  std::uint64_t total = 4 + 17 * static_cast<std::uint64_t>(blocks.size());
  for (const auto& b : blocks) total += b.second.size();
  if (total > 0xFFFFFFFFull) {
    std::fprintf(stderr, "utsushi-pack: the archive would exceed 4 GiB\n");
    return 1;
  }
  std::vector<std::uint32_t> spare(blocks.size(), 0);
  fs::path out = gameDir / "arc.dat";
  if (!platform::writeFileAtomically(out, buildIndexedFile(blocks, spare))) {
    std::fprintf(stderr, "utsushi-pack: cannot write %s\n", out.string().c_str());
    return 1;
  }
  std::printf("wrote %s: %zu files\n", out.string().c_str(), blocks.size());
  return 0;
}

// The names a game folder's files would be looked up by: archive names (relative, lower case)
// and script paths, keyed by their pathKey.
std::map<std::uint32_t, std::string> namesOfGameFiles(const fs::path& gameDir) {
  std::map<std::uint32_t, std::string> names;
  std::error_code ec;
  if (!fs::is_directory(gameDir, ec)) return names;
  for (fs::recursive_directory_iterator it(gameDir, ec), end; !ec && it != end; it.increment(ec)) {
    if (!it->is_regular_file(ec)) continue;
    std::string rel = platform::utf8ToCp932(it->path().lexically_relative(gameDir).generic_string());
    names.emplace(core::pathKey(core::normalizeResourceName(rel)), core::normalizeResourceName(rel));
  }
  if (fs::is_directory(gameDir / "script", ec))
    for (const std::string& scriptPath : core::listScripts(gameDir / "script", "script/"))
      names[core::pathKey(scriptPath)] = scriptPath;
  return names;
}

std::string nameOf(const std::map<std::uint32_t, std::string>& names, std::uint32_t key) {
  auto it = names.find(key);
  return it == names.end() ? std::string() : "  " + platform::cp932ToUtf8(it->second);
}

int listFile(const fs::path& file, const fs::path& gameDir) {
  std::string bytes;
  if (!platform::readWholeFile(file, bytes)) {
    std::fprintf(stderr, "utsushi-pack: cannot read %s\n", file.string().c_str());
    return 1;
  }
  if (isMovieFile(bytes)) return listMovie(file, bytes);
  std::string why;
  bool packedScript = file.extension() == ".sbx";
  // Both indexes start with a 4-byte entry count and 17-byte records; a file that is neither
  // usually fails on its first bytes, and "bad offset" would not tell the author why.
  auto notAnArchive = [&]() {
    std::fprintf(stderr, "utsushi-pack: %s is not a readable script.sbx, arc.dat or movie (%s)\n", file.string().c_str(),
                 why.c_str());
    return 1;
  };
  if (packedScript) {
    auto records = core::parsePackedIndex(bytes, bytes.size(), why);
    if (!records) return notAnArchive();
    const auto names = namesOfGameFiles(gameDir);
    std::printf("key       offset      packed    unpacked  name\n");
    for (const auto& r : *records)
      std::printf("%08X  %10u  %10u  %10u%s\n", r.key, r.entry.offset, r.entry.packedSize, r.entry.unpackedSize,
                  nameOf(names, r.key).c_str());
    std::printf("%zu entries\n", records->size());
    return 0;
  }
  auto index = core::parseArchiveIndex(bytes, bytes.size(), why);
  if (!index) return notAnArchive();
  std::vector<std::pair<std::uint32_t, core::ArchiveEntry>> entries(index->begin(), index->end());
  std::sort(entries.begin(), entries.end(), [](auto& a, auto& b) { return a.second.offset < b.second.offset; });
  const auto names = namesOfGameFiles(gameDir);
  std::printf("key       offset      size  name\n");
  for (const auto& [key, e] : entries) std::printf("%08X  %10u  %10u%s\n", key, e.offset, e.size, nameOf(names, key).c_str());
  std::printf("%zu entries\n", entries.size());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) return usage();
  if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) return usage(true);
  if (args.size() == 1 && args[0] == "--version") {
    std::printf("utsushi-pack %s\n", UTSUSHI_VERSION);
    return 0;
  }
  if (args[0] == "new" && args.size() == 2) return pack::newGame(args[1]);
  if (args[0] == "sbx" && args.size() == 2) return packScript(args[1]);
  if (args[0] == "arc" && args.size() >= 3) return packArchive(args[1], {args.begin() + 2, args.end()});
  if (args[0] == "movie" && args.size() >= 3) return packMovie({args.begin() + 1, args.end()});
  if (args[0] == "list" && (args.size() == 2 || args.size() == 3)) {
    fs::path file(args[1]);
    fs::path folder = file.parent_path().empty() ? fs::path(".") : file.parent_path();
    return listFile(file, args.size() == 3 ? fs::path(args[2]) : folder);
  }
  return usage();
}
