// Screen captures: the one screenshot picture a script holds (getscreenshot replaces it,
// savescreenshot writes it), the frame source for scripted "screenshot FILE" input, and the
// image subsystem's start-up step. Main thread only.
#pragma once
#include <span>
#include <string>

#include "core/command_registry.h"
#include "image/pixel_image.h"

namespace image {

// Start-up: builds the grey tables and registers the writer of scripted screenshots.
void initImages();

// The drawing device registers, when it starts, its reader of the frame as last presented
// and its name for a failed read-back (image sits below graphics and cannot ask it).
void setFrameReader(bool (*read)(PixelImage&), std::string failureName);

// Replaces the held screenshot with the frame as last presented (800 x 600), resized to
// width x height when that differs. Without a drawing device (--video=none), or when the
// picture would be too large, the error is reported, the old screenshot stays and the result
// is false.
bool captureScreenshot(int width, int height);

const PixelImage* screenshotImage();  // null before the first capture
void replaceScreenshot(PixelImage img);

// getscreenshot, savescreenshot.
std::span<const core::CommandEntry> screenshotCommands();

}  // namespace image
