#include "platform/display_state.h"

#include <gtest/gtest.h>

namespace {

platform::DisplayState screen(int w, int h, int frameW = 8, int frameH = 60) {
  platform::DisplayState d;
  d.frameWidth = frameW;
  d.frameHeight = frameH;
  platform::computeGeometry(d, w, h, 60);
  return d;
}

TEST(DisplayGeometry, SizeMenuOffersWhatFitsTheScreen) {
  platform::DisplayState d = screen(1280, 1024);
  EXPECT_TRUE(platform::windowSizeOffered(d, 4));   // 960x720
  EXPECT_TRUE(platform::windowSizeOffered(d, 5));   // 1200x900: 1208 x 960 fits
  EXPECT_FALSE(platform::windowSizeOffered(d, 6));  // 1280x960 does not
  EXPECT_TRUE(platform::windowSizeOffered(d, 0));
}

TEST(DisplayGeometry, AWindowThatDoesNotFitFallsBackTo800x600) {
  platform::DisplayState d;
  d.frameWidth = 8;
  d.frameHeight = 60;
  d.sizeIndex = 7;
  platform::computeGeometry(d, 1280, 1024, 60);
  EXPECT_EQ(d.sizeIndex, 3);
  EXPECT_EQ(d.clientWidth, 800);
  EXPECT_EQ(d.windowX, (1280 - 808) / 2);
}

TEST(DisplayGeometry, FitRectangles) {
  platform::DisplayState d = screen(1920, 1080);
  // Fill edges: 1440 x 1080 centred.
  EXPECT_EQ(d.destination[platform::kFitFillEdges].left, 240);
  EXPECT_EQ(d.destination[platform::kFitFillEdges].width(), 1440);
  // Cut edges: an 800 x 450 part of the stage, starting centred, scrolling up to 150.
  EXPECT_EQ(d.source[platform::kFitCutEdges].width(), 800);
  EXPECT_EQ(d.source[platform::kFitCutEdges].height(), 450);
  EXPECT_EQ(d.scrollMaxY, 150);
  EXPECT_EQ(d.scrollY, 75);
  EXPECT_EQ(d.destination[platform::kFitNoEnlarge].left, 560);
  EXPECT_EQ(d.refreshNumerator, 50);
  EXPECT_EQ(d.refreshDenominator, 3);
}

TEST(DisplayGeometry, CutEdgesScrollsFivePixelsAMoveUpToTheLimit) {
  platform::DisplayState d = screen(1920, 1080);
  d.fullScreen = true;
  d.fitMode = platform::kFitCutEdges;
  int moves = 0;
  while (platform::scrollTowardsEdge(d, 900, 1079)) ++moves;
  EXPECT_EQ(d.scrollY, 150);
  EXPECT_EQ(moves, 15);  // from 75 in steps of 5
  EXPECT_EQ(d.source[platform::kFitCutEdges].top, 150);
}

TEST(DisplayGeometry, CursorMappingRoundTrips) {
  platform::DisplayState d = screen(1920, 1080);
  d.fullScreen = true;
  for (int mode : {0, 1, 2, 3}) {
    d.fitMode = mode;
    int x = 400, y = 300;
    platform::stageToClient(d, x, y);
    platform::clientToStage(d, x, y);
    EXPECT_NEAR(x, 400, 1) << "fit mode " << mode;
    EXPECT_NEAR(y, 300, 1) << "fit mode " << mode;
  }
  d.fitMode = platform::kFitFillEdges;
  int x = 240, y = 0;  // the left edge of the filled stage
  platform::clientToStage(d, x, y);
  EXPECT_EQ(x, 0);
  d.fullScreen = false;
  d.sizeIndex = 1;  // 400 x 300
  platform::computeGeometry(d, 1920, 1080, 60);
  x = 200, y = 150;
  platform::clientToStage(d, x, y);
  EXPECT_EQ(x, 400);
  EXPECT_EQ(y, 300);
}

}  // namespace
