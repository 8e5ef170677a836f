// load_image end to end: archive before disk, and the script errors of each failure.
#include <gtest/gtest.h>

#include "core/archive.h"
#include "core/path_key.h"
#include "image/image_loader.h"
#include "image/savers.h"
#include "image_test_support.h"
#include "platform/options.h"

namespace {

struct NoDialogs {
  NoDialogs() {
    platform::EngineOptions o = platform::options();
    o.noDialogs = true;
    platform::setOptions(o);
  }
};

void putBe(std::string& out, std::uint32_t v) {
  for (int i = 3; i >= 0; --i) out.push_back(static_cast<char>(v >> (8 * i)));
}

TEST(LoadImage, ArchiveComesBeforeTheDisk) {
  NoDialogs quiet;
  image_test::TempFolder folder;
  image::PixelImage red = image_test::patternImage(2, 1), blue = image_test::patternImage(3, 1);
  ASSERT_TRUE(image::saveBmp("pic.bmp", &blue, 24, 0, 0));  // the loose file: 3 pixels wide
  ASSERT_TRUE(image::saveBmp("inner.bmp", &red, 24, 0, 0));
  const auto packed = image_test::readBytes("inner.bmp");
  std::filesystem::remove("inner.bmp");

  std::string arc;
  putBe(arc, 1);
  putBe(arc, core::pathKey("pic.bmp"));
  arc.push_back(0);
  putBe(arc, 21);
  putBe(arc, static_cast<std::uint32_t>(packed.size()));
  putBe(arc, 0);
  arc.append(packed.begin(), packed.end());
  std::ofstream("arc.dat", std::ios::binary) << arc;
  core::loadArchiveIndex();

  auto img = image::loadImage("pic.bmp");
  ASSERT_TRUE(img);
  EXPECT_EQ(img->width, 2);
  std::filesystem::remove("arc.dat");
  core::loadArchiveIndex();
  img = image::loadImage("pic.bmp");
  ASSERT_TRUE(img);
  EXPECT_EQ(img->width, 3);
}

TEST(LoadImage, EachFailureHasItsMessage) {
  NoDialogs quiet;
  image_test::TempFolder folder;
  core::loadArchiveIndex();
  std::ofstream("notes.txt") << "plain text";
  const auto png = image_test::readBytes(image_test::fixturePath("rgb_filters.png"));
  image_test::writeBytes("cut.png", std::span(png).first(png.size() - 20));
  std::filesystem::create_directory("folder.png");

  testing::internal::CaptureStderr();
  EXPECT_FALSE(image::loadImage("nothing.png"));
  EXPECT_FALSE(image::loadImage("notes.txt"));
  EXPECT_FALSE(image::loadImage("cut.png"));
  EXPECT_FALSE(image::loadImage("folder.png"));
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("※nothing.png が存在しません\n"), std::string::npos) << err;
  EXPECT_NE(err.find("※notes.txt を読み込めませんでした\n"), std::string::npos) << err;
  EXPECT_NE(err.find("※cut.png を読み込めませんでした\n"), std::string::npos) << err;
  EXPECT_NE(err.find("※folder.png "), std::string::npos) << err;
}

}  // namespace
