// The backlog: a ring of the last 100 pages shown in the message window, with their speaker
// names and line counts. The interpreter fills the speaker name of the page being written,
// the message layout appends the page text, textclear moves to a fresh page, save games
// store and restore the whole ring. Main thread only.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace text {

constexpr int kBacklogPages = 100;
// A page's text stays below 1024 bytes and a speaker name below 256, as the fixed page
// buffers of saved rings allow.
constexpr std::size_t kPageTextLimit = 1023;
constexpr std::size_t kSpeakerLimit = 255;

struct BacklogPage {
  std::string text;     // empty until the page's first character is shown; see appendToBacklog
  std::string speaker;  // the name in 【 】 that opened the page's text block
  int lineCount = 0;    // set when the page reaches a wait, or by setlog
};

struct BacklogRing {
  std::array<BacklogPage, kBacklogPages> pages;
  int current = 0;  // index of the page being written
  int used = 1;     // pages in use: grows by one a page clear, up to kBacklogPages
  std::int64_t pagesBegun = 0;  // page clears since start: the current page's lasting number
};

BacklogRing& backlogRing();
BacklogPage& currentBacklogPage();
// The page n pages back from the current one, n in 0..kBacklogPages (n = 100 names the
// current page again); null for any other n.
const BacklogPage* backlogPageBack(int n);

// Appends to the current page. What would reach kPageTextLimit + 1 bytes is cut at the last
// whole character that fits and the rest dropped: a page full of text keeps its beginning.
void appendToBacklog(std::string_view bytes);
// The next page of the ring becomes current, emptied (textclear).
void advanceBacklogPage();
// Back to the start state: one empty page in use (start-up, tests).
void resetBacklog();

}  // namespace text
