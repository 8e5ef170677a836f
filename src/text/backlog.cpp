// The backlog ring and its script commands: gettag, getlog, gettaglog, getlogcount, setlog, logsp.
#include "text/backlog.h"

#include <cassert>
#include <cstdint>
#include <string>
#include <vector>

#include "core/command_support.h"
#include "core/control_flow.h"
#include "core/error_report.h"
#include "core/statements.h"
#include "platform/cp932.h"
#include "core/argument_pieces.h"
#include "text/text_commands.h"

namespace text {
namespace {

BacklogRing ring;

// Bytes of `bytes` that fit into `room` without cutting a two-byte character.
std::size_t fittingPrefix(std::string_view bytes, std::size_t room) {
  std::size_t n = 0;
  while (n < bytes.size()) {
    std::size_t step = platform::isLeadByte(static_cast<unsigned char>(bytes[n])) && n + 1 < bytes.size() ? 2 : 1;
    if (n + step > room) break;
    n += step;
  }
  return n;
}

}  // namespace

BacklogRing& backlogRing() { return ring; }

BacklogPage& currentBacklogPage() { return ring.pages[static_cast<std::size_t>(ring.current)]; }

const BacklogPage* backlogPageBack(int n) {
  if (n < 0 || n > kBacklogPages) return nullptr;
  int index = ring.current - n;
  if (index < 0) index += kBacklogPages;
  return &ring.pages[static_cast<std::size_t>(index)];
}

void appendToBacklog(std::string_view bytes) {
  std::string& text = currentBacklogPage().text;
  if (text.size() >= kPageTextLimit) return;
  text.append(bytes.substr(0, fittingPrefix(bytes, kPageTextLimit - text.size())));
  assert(text.size() <= kPageTextLimit &&
         "a saved page and getlog copy the text into a record of kPageTextLimit bytes; more would be cut mid-character");
}

void advanceBacklogPage() {
  if (ring.used < kBacklogPages) ++ring.used;
  ring.current = (ring.current + 1) % kBacklogPages;
  ++ring.pagesBegun;
  assert(ring.used <= kBacklogPages && "the ring counts at most its own pages: backlogPageBack indexes by it");
  BacklogPage& page = currentBacklogPage();
  page.text.clear();
  page.speaker.clear();
  page.lineCount = 0;
}

void resetBacklog() { ring = BacklogRing{}; }

namespace {

const BacklogPage* pageArgument(const std::vector<std::string_view>& pieces, std::size_t i) {
  std::int32_t n = 0;
  if (!core::numberArgument(pieces, i, n)) return nullptr;
  const BacklogPage* page = backlogPageBack(n);
  if (!page) core::reportCommandError(platform::jp("ログの位置指定数値が範囲外です"));
  return page;
}

void cmdGetLog(std::string_view args) {
  std::vector<std::string_view> pieces = core::argumentPieces(args);
  if (!core::countInRange(pieces)) return;
  std::string* text = core::stringTarget(pieces, 0);
  if (!text) return;
  const BacklogPage* page = pageArgument(pieces, 1);
  if (!page) return;
  std::int32_t* lines = nullptr;
  if (pieces.size() == 3 && !(lines = core::numberTarget(pieces, 2))) return;
  *text = page->text;
  if (lines) *lines = page->lineCount;
}

void cmdGetTagLog(std::string_view args) {
  std::vector<std::string_view> pieces = core::argumentPieces(args);
  if (!core::countInRange(pieces)) return;
  std::string* name = core::stringTarget(pieces, 0);
  if (!name) return;
  if (const BacklogPage* page = pageArgument(pieces, 1)) *name = page->speaker;
}

void cmdGetLogCount(std::string_view args) {
  std::vector<std::string_view> pieces = core::argumentPieces(args);
  if (!core::countInRange(pieces)) return;
  if (std::int32_t* var = core::numberTarget(pieces, 0)) *var = ring.used;
}

void cmdSetLog(std::string_view args) {
  std::vector<core::ScriptValue> v = core::evaluateArguments(args);
  if (!core::checkArgumentCount(v) || !core::needString(v, 0) || !core::numberOrOmitted(v, 1)) return;
  std::int32_t lines = v.size() == 2 && !v[1].isOmitted() ? v[1].toInt() : 1;
  if (lines < 1) return core::reportCommandError(platform::jp("ログの行数が不正です"));
  appendToBacklog(v[0].text);
  currentBacklogPage().lineCount = lines;
}

// The current page's speaker name, split at '/'.
void cmdGetTag(std::string_view args) {
  std::string source = currentBacklogPage().speaker;
  core::fillTargets(args, source, '/');
}

constexpr core::CommandEntry kBacklogCommands[] = {
    {"gettag", cmdGetTag, "getTag"},
    {"getlog", cmdGetLog, "getLog", 2, 3},
    {"gettaglog", cmdGetTagLog, "getTagLog", 2, 2},
    {"getlogcount", cmdGetLogCount, "getLogCount", 1, 1},
    {"setlog", cmdSetLog, "setLog", 1, 2},
};

}  // namespace

std::span<const core::CommandEntry> backlogCommands() { return kBacklogCommands; }

}  // namespace text
