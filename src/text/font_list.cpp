// Windows listed every TrueType or OpenType family with a Shift-JIS character set; here the
// same question goes to fontconfig as outline faces covering Japanese. Vertical "@" faces do
// not exist on Linux, so bit 0 normally has nothing to drop; fixed pitch is fontconfig's
// mono, dual (half-width Latin beside full-width kana, as ＭＳ ゴシック) or char-cell spacing.
#include "text/font_list.h"

#include "platform/cp932.h"
#include "text/font_config.h"

namespace text {

namespace {
std::vector<std::string> listed;
}

int enumerateFonts(int flags) {
  listed.clear();
  for (const ListedFace& face : installedJapaneseFaces()) {
    if ((flags & 1) && !face.name.empty() && face.name[0] == '@') continue;
    if ((flags & 2) && !face.fixedPitch) continue;
    listed.push_back(platform::utf8ToCp932(face.name));
  }
  return static_cast<int>(listed.size());
}

const std::vector<std::string>& fontList() { return listed; }

}  // namespace text
