#include "platform/menu.h"

#include <gtest/gtest.h>

#include "platform/cp932.h"

namespace {

TEST(Menu, ItemsIdsAndChecksFollowTheDisplayState) {
  platform::DisplayState d;
  d.frameHeight = 20;
  platform::computeGeometry(d, 1280, 1024, 60);
  d.fitMode = platform::kFitCutEdges;
  auto items = platform::buildMenu(d);
  ASSERT_GE(items.size(), 4u);
  EXPECT_EQ(items[0].id, 1);
  EXPECT_TRUE(items[0].checked);
  EXPECT_FALSE(items[1].checked);
  int sizes = 0, checkedSize = 0, checkedFit = 0;
  for (const auto& item : items) {
    if (item.id >= 3 && item.id <= 10) {
      ++sizes;
      if (item.checked) checkedSize = item.id;
    }
    if (item.id >= 11 && item.checked) checkedFit = item.id;
  }
  EXPECT_EQ(sizes, 6);  // 320x240 .. 1200x900 fit a 1280 x 1024 screen
  EXPECT_EQ(checkedSize, 6);  // 800x600
  EXPECT_EQ(checkedFit, 15);  // 端をカット
  EXPECT_EQ(items.back().text, platform::jp("端をカット"));
}

}  // namespace
