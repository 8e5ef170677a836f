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

// The page argument of getlog and gettaglog, counted back from the newest; checked in its
// turn, before the variables after it are resolved.
bool pageRule(std::size_t index, const core::Argument& a) {
  if (index != 1 || backlogPageBack(a.value.toInt())) return true;
  core::reportCommandError(platform::jp("ログの位置指定数値が範囲外です"));
  return false;
}

void cmdGetLog(const core::Arguments& args) {
  const BacklogPage* page = backlogPageBack(args.number(1));
  args.stringVariable(0) = page->text;
  if (args.size() == 3) args.numberVariable(2) = page->lineCount;
}

void cmdGetTagLog(const core::Arguments& args) { args.stringVariable(0) = backlogPageBack(args.number(1))->speaker; }

void cmdGetLogCount(const core::Arguments& args) { args.numberVariable(0) = ring.used; }

void cmdSetLog(const core::Arguments& v) {
  const std::int32_t lines = v.number(1, 1);
  if (lines < 1) return core::reportCommandError(platform::jp("ログの行数が不正です"));
  appendToBacklog(v.string(0));
  currentBacklogPage().lineCount = lines;
}

// The current page's speaker name, split at '/'.
void cmdGetTag(const core::Arguments& args) {
  std::string source = currentBacklogPage().speaker;
  core::fillTargets(args.text, source, '/');
}

constexpr core::CommandEntry kBacklogCommands[] = {
    // Targets with defaults ("$a = x, %b"), each reported and skipped on its own.
    {"gettag", cmdGetTag, "getTag", nullptr, core::ArgumentReading::ByHandler},
    {"getlog", cmdGetLog, "getLog", "S n [N]", core::ArgumentReading::InTurn, pageRule},
    {"gettaglog", cmdGetTagLog, "getTagLog", "S n", core::ArgumentReading::InTurn, pageRule},
    {"getlogcount", cmdGetLogCount, "getLogCount", "N", core::ArgumentReading::InTurn},
    {"setlog", cmdSetLog, "setLog", "s [n?]"},
};

}  // namespace

std::span<const core::CommandEntry> backlogCommands() { return kBacklogCommands; }

}  // namespace text
