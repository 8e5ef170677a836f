// The one loop every wait of the engine runs: click and page waits, the reveal pause, timed
// waits, eventwait, sleep's pump, quakes and the transition and movie loops. A pass takes
// one window message (the window procedure reacts first: reading-mode keys, the close
// question, the menu), hands it to the wait's step, and draws a frame only when something
// on screen changed or an animation step falls due. Between passes it sleeps in the message
// queue until the next message or the next timed thing instead of polling.
//
// Under the virtual clock the passes run as they always have: every pass costs a frame's
// pacing (when there is a device) and a millisecond, so scripts observe the same times
// whether or not a frame was drawn.
#pragma once
#include <cstdint>
#include <functional>

#include "platform/window.h"

namespace graphics {

// One pass as the step sees it, and what the step asks of the loop.
struct WaitPass {
  // The message the pass took, or the last one taken when none was pending. A step that
  // consumes it sets its kind to None; one left alone is seen again by the next pass and by
  // the next wait, as a queued message would be.
  platform::WindowMessage& message;
  std::uint32_t now;  // the clock when the pass took its message

  // Set by the step:
  int dueInMs = -1;      // its next timed thing (a time-out, a deadline) is due in this many ms
  bool changed = false;  // it changed what is shown: present a frame this pass
  bool again = false;    // the message left alone must be looked at again without sleeping
  // The frame of this pass, when one is drawn: a transition's drawer (frame.h) and the
  // moment of the transition it shows.
  int drawer = 0;
  int elapsed = 0, duration = 0;
};

enum class WaitStep { Continue, Done };
enum class WaitEnd { Done, Quit };  // Quit: the window is closing (quitRequested is set)

using WaitStepFunction = std::function<WaitStep(WaitPass&)>;
using WaitCheckFunction = std::function<WaitStep()>;

struct WaitOptions {
  // Looked at before each pass takes a message; Done ends the wait and leaves the queue as
  // it is (a deadline that passed, a state the previous pass reached).
  WaitCheckFunction before;
  // False for loops that draw themselves between waits (the reveal draws each character
  // before it pauses): no frame and no animation step inside the loop.
  bool frames = true;
};

WaitEnd waitLoop(const WaitStepFunction& step, const WaitOptions& options = {});

// One pass with no step: answers the window (input stays queued for the next wait) and
// draws when something changed. The interpreter calls it through its busy hook while a
// script runs many statements without a wait, so the window keeps answering; false when
// the window closes.
bool serviceWindow();

}  // namespace graphics
