// The backlog of shown pages. The interpreter fills the speaker name of the page being
// written; the message layout appends the page text.
#pragma once
#include <string>

namespace text {

struct BacklogPage {
  std::string text;     // empty until the page's first character is shown
  std::string speaker;  // the name in 【 】 that opened the page's text block
};

BacklogPage& currentBacklogPage();

// A speaker name keeps at most this many bytes (a 256-byte buffer per page).
constexpr std::size_t kSpeakerLimit = 255;

}  // namespace text
