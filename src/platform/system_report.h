// Information.txt: written afresh at every start with a description of the machine; the
// display rectangles and the drawing device's capabilities are appended after it.
#pragma once
#include <string>

#include "platform/display_state.h"

namespace platform {

// The machine description: processor, memory, operating system and display.
std::string describeMachine();

// The three fit-mode rectangle lines ("Src1 ...\tDest1 ...").
std::string describeFitRectangles(const DisplayState& d);

// Creates Information.txt in the working folder with both texts.
void writeSystemReport(const DisplayState& d);

}  // namespace platform
