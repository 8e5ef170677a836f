#include "text/font_config.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

namespace {

// The file a face name resolves to, without its folder. The Debian font packages also offer
// their faces under alternative names (fonts-japanese-gothic.ttf, fonts-japanese-mincho.ttf).
std::string resolvedFile(std::string_view family) {
  auto face = text::matchInstalledFace(family, false);
  return face ? std::filesystem::path(face->file).filename().string() : std::string("(none)");
}

// Windows faces come in four kinds: fixed-pitch and proportional, Gothic and Mincho. Each
// must land on the IPA face of the same kind (both IPA packages are installed here).
TEST(FontConfig, WindowsFaceNamesMapToTheJapaneseFaceOfTheSameKind) {
  const std::set<std::string> gothic{"ipag.ttf", "fonts-japanese-gothic.ttf"}, pgothic{"ipagp.ttf"};
  const std::set<std::string> mincho{"ipam.ttf", "fonts-japanese-mincho.ttf"}, pmincho{"ipamp.ttf"};
  struct Case {
    const char* name;
    const std::set<std::string>* files;
  } cases[] = {
      {"ＭＳ ゴシック", &gothic},   {"MS Gothic", &gothic},     {"ＭＳ Ｐゴシック", &pgothic},
      {"MS PGothic", &pgothic},     {"ＭＳ ＵＩ Ｇｏｔｈｉｃ", &pgothic}, {"メイリオ", &pgothic},
      {"游ゴシック", &pgothic},     {"Yu Gothic", &pgothic},    {"ＭＳ 明朝", &mincho},
      {"MS Mincho", &mincho},       {"ＭＳ Ｐ明朝", &pmincho},  {"MS PMincho", &pmincho},
      {"游明朝", &pmincho},         {"Yu Mincho", &pmincho},
  };
  for (const Case& c : cases) EXPECT_TRUE(c.files->count(resolvedFile(c.name))) << c.name << " -> " << resolvedFile(c.name);
}

TEST(FontConfig, AnUnknownFaceIsNotGuessed) {
  EXPECT_FALSE(text::matchInstalledFace("No Such Face 12345", false));
}

}  // namespace
