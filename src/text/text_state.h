// Text's record of the block being shown: where it began, where a line that the text hook
// stopped goes on, the kind of the last wait handed to the hook, and the counters of the two
// hooks. The text statement, textclear and loading write it; ispage and the save point read
// it. One record for the program; main thread only.
#pragma once
#include <cstdint>

namespace text {

struct TextState {
  int preTextHookCount = 0;  // pretextgosub: nonzero runs *pretext_lb before each new block
  int textHookCount = 0;     // textgosub: nonzero hands every wait to *text_lb

  int lastTextBlockStart = -1;  // the line the last block began on (after a name-only line: the next)
  std::uint32_t lastTextBlockFileKey = 0;
  int textBlockLine = 0;           // first line of the current block, for the backlog and saves
  std::uint32_t textBlockKey = 0;  // the file that block is in (a save point resumes there)
  int resumeOffset = 0;            // byte offset where the current text line begins (after 【name】)

  // A line the text hook stopped runs again from resumePosition at resumeColumn, and only as
  // the same line of the same file.
  int resumePosition = 0;
  int resumeColumn = 0;
  std::uint32_t resumeFileKey = 0;
  int resumeLine = -1;
  int blockWaits = 0;  // click and page waits reached since the current block began
  int stopKind = 0;  // the last wait handed to the hook (1 click, 2 page) until the page clears

  // The two text-in-progress flags. While either holds, a save point resumes at the block's
  // first line and leaves its page out, because the block is shown again.
  bool textBlockStartPending = false;  // the block began and its text has not (the pre-text hook runs)
  bool lineInProgress = false;  // a line is being shown, or the text hook took over one of its
                                // waits and the page has not been cleared since
};

TextState& textState();
// The start state (start-up, tests).
void resetTextState();

// A text block is being shown (either flag above). Otherwise the page is done with (written
// by setlog, or a block that has ended) and belongs to the backlog.
bool textBlockInProgress();

}  // namespace text
