// fontconfig answers a family name with its best match, always: without the Japanese
// language in the request "ＭＳ ゴシック" would come back as DejaVu Sans. The aliases below send
// the faces every Windows author names to the IPA faces (metric-compatible with them) or
// other Japanese faces a Linux desktop may have.
#include "text/font_config.h"

#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cstring>

#include "platform/cp932.h"

namespace text {

namespace {

struct Alias {
  const char* names[2];    // the Japanese and the English name of a Windows face
  const char* targets[4];  // installed faces to use, best first
};

// Each Windows face goes to the installed face nearest in kind: Gothic to Gothic, Mincho to
// Mincho, fixed pitch to fixed pitch, proportional to proportional. A face of the other kind
// is only the last resort, when neither Mincho package is installed.
constexpr Alias kAliases[] = {
    {{"ＭＳ ゴシック", "MS Gothic"}, {"IPAGothic", "Noto Sans Mono CJK JP", "VL Gothic", "IPAexGothic"}},
    {{"ＭＳ Ｐゴシック", "MS PGothic"}, {"IPAPGothic", "IPAexGothic", "Noto Sans CJK JP", "VL PGothic"}},
    {{"ＭＳ ＵＩ Ｇｏｔｈｉｃ", "MS UI Gothic"}, {"IPAPGothic", "IPAexGothic", "Noto Sans CJK JP", "VL PGothic"}},
    {{"メイリオ", "Meiryo"}, {"IPAPGothic", "IPAexGothic", "Noto Sans CJK JP", "VL PGothic"}},
    {{"游ゴシック", "Yu Gothic"}, {"IPAPGothic", "IPAexGothic", "Noto Sans CJK JP", "VL PGothic"}},
    {{"ＭＳ 明朝", "MS Mincho"}, {"IPAMincho", "IPAexMincho", "Noto Serif CJK JP", "IPAGothic"}},
    {{"ＭＳ Ｐ明朝", "MS PMincho"}, {"IPAPMincho", "IPAexMincho", "Noto Serif CJK JP", "IPAPGothic"}},
    {{"游明朝", "Yu Mincho"}, {"IPAPMincho", "IPAexMincho", "Noto Serif CJK JP", "IPAPGothic"}},
};

std::string aliasDocument() {
  std::string xml = "<?xml version=\"1.0\"?>\n<!DOCTYPE fontconfig SYSTEM \"fonts.dtd\">\n<fontconfig>\n";
  for (const Alias& alias : kAliases) {
    for (const char* name : alias.names) {
      xml += "<alias binding=\"same\"><family>";
      xml += name;
      xml += "</family><prefer>";
      for (const char* target : alias.targets) {
        xml += "<family>";
        xml += target;
        xml += "</family>";
      }
      xml += "</prefer></alias>\n";
    }
  }
  xml += "</fontconfig>\n";
  return xml;
}

FcConfig* config() {
  static FcConfig* made = [] {
    FcConfig* c = FcInitLoadConfigAndFonts();
    if (c) {
      std::string xml = aliasDocument();
      FcConfigParseAndLoadFromMemory(c, reinterpret_cast<const FcChar8*>(xml.c_str()), FcFalse);
    }
    return c;
  }();
  return made;
}

struct PatternHolder {
  FcPattern* p;
  explicit PatternHolder(FcPattern* pattern) : p(pattern) {}
  PatternHolder(const PatternHolder&) = delete;
  PatternHolder& operator=(const PatternHolder&) = delete;
  ~PatternHolder() {
    if (p) FcPatternDestroy(p);
  }
};

bool familyInstalled(std::string_view familyUtf8) {
  FcConfig* c = config();
  if (!c) return false;
  PatternHolder pattern(FcPatternCreate());
  std::string family(familyUtf8);
  FcPatternAddString(pattern.p, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
  FcObjectSet* objects = FcObjectSetBuild(FC_FAMILY, nullptr);
  FcFontSet* set = FcFontList(c, pattern.p, objects);
  FcObjectSetDestroy(objects);
  bool found = set && set->nfont > 0;
  if (set) FcFontSetDestroy(set);
  return found;
}

bool knownFamily(std::string_view familyUtf8) {
  if (familyUtf8.empty()) return false;
  if (familyInstalled(familyUtf8)) return true;
  for (const Alias& alias : kAliases) {
    for (const char* name : alias.names) {
      if (familyUtf8 != name) continue;
      for (const char* target : alias.targets) {
        if (familyInstalled(target)) return true;
      }
    }
  }
  return false;
}

std::optional<InstalledFace> matchPattern(FcPattern* request) {
  FcConfig* c = config();
  if (!c) return std::nullopt;
  FcPatternAddString(request, FC_LANG, reinterpret_cast<const FcChar8*>("ja"));
  FcPatternAddBool(request, FC_OUTLINE, FcTrue);
  FcConfigSubstitute(c, request, FcMatchPattern);
  FcDefaultSubstitute(request);
  FcResult result = FcResultNoMatch;
  PatternHolder match(FcFontMatch(c, request, &result));
  if (!match.p) return std::nullopt;
  FcChar8* file = nullptr;
  FcBool outline = FcFalse;
  if (FcPatternGetString(match.p, FC_FILE, 0, &file) != FcResultMatch || !file) return std::nullopt;
  if (FcPatternGetBool(match.p, FC_OUTLINE, 0, &outline) == FcResultMatch && !outline) return std::nullopt;
  InstalledFace face;
  face.file = reinterpret_cast<const char*>(file);
  FcPatternGetInteger(match.p, FC_INDEX, 0, &face.index);
  return face;
}

}  // namespace

std::optional<InstalledFace> matchInstalledFace(std::string_view familyUtf8, bool bold) {
  if (!knownFamily(familyUtf8)) return std::nullopt;
  PatternHolder request(FcPatternCreate());
  std::string family(familyUtf8);
  FcPatternAddString(request.p, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
  FcPatternAddInteger(request.p, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  return matchPattern(request.p);
}

std::optional<InstalledFace> matchAnyFace() {
  PatternHolder request(FcPatternCreate());
  return matchPattern(request.p);
}

std::vector<ListedFace> installedJapaneseFaces() {
  std::vector<ListedFace> faces;
  FcConfig* c = config();
  if (!c) return faces;
  PatternHolder pattern(FcPatternCreate());
  FcPatternAddString(pattern.p, FC_LANG, reinterpret_cast<const FcChar8*>("ja"));
  FcPatternAddBool(pattern.p, FC_OUTLINE, FcTrue);
  FcObjectSet* objects = FcObjectSetBuild(FC_FAMILY, FC_FAMILYLANG, FC_SPACING, FC_FONTFORMAT, nullptr);
  FcFontSet* set = FcFontList(c, pattern.p, objects);
  FcObjectSetDestroy(objects);
  if (!set) return faces;
  for (int i = 0; i < set->nfont; ++i) {
    FcPattern* font = set->fonts[i];
    FcChar8* format = nullptr;
    if (FcPatternGetString(font, FC_FONTFORMAT, 0, &format) == FcResultMatch && format &&
        std::strcmp(reinterpret_cast<const char*>(format), "TrueType") != 0 &&
        std::strcmp(reinterpret_cast<const char*>(format), "CFF") != 0) {
      continue;
    }
    // A Japanese system lists a face under its Japanese name; keep it when CP932 can hold it.
    std::string name;
    FcChar8* family = nullptr;
    for (int n = 0; FcPatternGetString(font, FC_FAMILY, n, &family) == FcResultMatch; ++n) {
      std::string candidate = reinterpret_cast<const char*>(family);
      if (name.empty()) name = candidate;
      FcChar8* lang = nullptr;
      if (FcPatternGetString(font, FC_FAMILYLANG, n, &lang) == FcResultMatch &&
          std::strcmp(reinterpret_cast<const char*>(lang), "ja") == 0 &&
          platform::cp932ToUtf8(platform::utf8ToCp932(candidate)) == candidate) {
        name = candidate;
        break;
      }
    }
    if (name.empty()) continue;
    int spacing = FC_PROPORTIONAL;
    FcPatternGetInteger(font, FC_SPACING, 0, &spacing);
    bool fixed = spacing == FC_MONO || spacing == FC_DUAL || spacing == FC_CHARCELL;
    // One entry a family, as the Windows enumeration gives: a family whose files differ in
    // format or spacing comes back from fontconfig more than once.
    auto same = std::find_if(faces.begin(), faces.end(), [&](const ListedFace& f) { return f.name == name; });
    if (same == faces.end()) {
      faces.push_back({name, fixed});
    } else {
      same->fixedPitch = same->fixedPitch || fixed;
    }
  }
  FcFontSetDestroy(set);
  std::sort(faces.begin(), faces.end(), [](const ListedFace& a, const ListedFace& b) { return a.name < b.name; });
  return faces;
}

}  // namespace text
