#include "platform/scripted_input.h"

#include <gtest/gtest.h>

namespace {

TEST(ScriptedInput, ParsesEveryEventForm) {
  std::string why;
  auto events = platform::parseInputScript(
      "# comment\n"
      "100 click\n"
      "200 click 400 300  # at a point\n"
      "250 rclick 1 2\n"
      "300 down right 5 6\n"
      "400 key return\n"
      "450 keydown shift\n"
      "500 wheel -2\n"
      "600 drop saves/my file.txt\n"
      "700 move 10 20\n"
      "800 close\n"
      "900 screenshot out.png\n",
      why);
  ASSERT_TRUE(events) << why;
  ASSERT_EQ(events->size(), 11u);
  EXPECT_EQ((*events)[0].atMs, 100u);
  EXPECT_FALSE((*events)[0].hasPoint);
  EXPECT_TRUE((*events)[1].hasPoint);
  EXPECT_EQ((*events)[1].x, 400);
  EXPECT_EQ((*events)[3].button, platform::MouseButton::Right);
  EXPECT_EQ((*events)[6].notches, -2);
  EXPECT_EQ((*events)[7].text, "saves/my file.txt");
  EXPECT_EQ((*events)[9].action, platform::ScriptedAction::Close);
}

TEST(ScriptedInput, BadLinesNameTheLine) {
  std::string why;
  EXPECT_FALSE(platform::parseInputScript("100 click\nabc click\n", why));
  EXPECT_NE(why.find("line 2"), std::string::npos);
  EXPECT_FALSE(platform::parseInputScript("1 key nosuchkey", why));
  EXPECT_FALSE(platform::parseInputScript("1 click 5", why));
  EXPECT_FALSE(platform::parseInputScript("1 down sideways", why));
  EXPECT_FALSE(platform::parseInputScript("1 teleport", why));
  EXPECT_FALSE(platform::parseInputScript("-5 click", why));
}

}  // namespace
