// The sprite table: 1000 numbered slots, each with a shown and a staged picture, the filter
// settings handed to the picture loader, and the ordered draw set. Staged changes wait for
// `print` (commitSprites); animations and quakes change the shown picture at once.
// Main thread only. Builds on the drawing device (TextureImage) and the picture loader.
#pragma once
#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "graphics/device.h"
#include "image/filters.h"

namespace graphics {

constexpr int kSpriteSlots = 1000;
constexpr std::size_t kSpriteNameLimit = 127;     // bytes of a name the slot keeps
constexpr std::size_t kSpriteFontNameLimit = 31;  // bytes of a text sprite's face name

enum SpriteFlag : std::uint32_t {
  kStagedProperties = 0x1,  // a property command wrote into the staged picture
  kStagedPicture = 0x10,    // a new picture waits in the staged holder
  kDirectMode = 0x20,       // stand picture: commands act on the shown picture
  kClearAtCommit = 0x100,   // the slot is emptied by the next commit
};

// The nineteen filter values, in the order saves write them. Applied when a picture file
// is loaded into the slot; changing them leaves a loaded picture as it is.
using SpriteFilters = image::FilterSettings;

// One animated property: from, to, duration in ms (0: the track does not run), easing.
struct AnimationTrack {
  std::int32_t from = 0, to = 0, duration = 0, accel = 0;
};
enum AnimationTrackIndex : int {
  kTrackFade, kTrackPosX, kTrackPosY, kTrackAlpha, kTrackScaleX, kTrackScaleY,
  kTrackRotX, kTrackRotY, kTrackRotZ, kTrackColour, kTrackCount
};
struct AnimationStep {
  std::uint32_t startTime = 0;  // clock tick at which the step began; 0 = not started
  std::int32_t deleteFlag = 0;  // removed from the queue once it has run
  std::array<AnimationTrack, kTrackCount> tracks{};
};
using AnimationQueue = std::vector<AnimationStep>;

struct SpriteSlot {
  std::string name;      // picture file, or a text sprite's text; empty when the slot is free
  std::string fontName;  // text sprite's face; "\x01" marks a stand picture
  std::int32_t frontIndex = 0;  // which of images[] is shown
  std::uint32_t flags = 0;      // SpriteFlag bits
  // Text sprites: style, height, colour1, colour2, colour3 of the settings in force.
  std::array<std::int32_t, 5> textSettings{};
  SpriteFilters filters;
  std::size_t animationCursor = 0;  // the running step of the slot's queue
  std::int32_t repeatMode = 0;      // after the last step: 0 empty, 1 again, 2 clear the slot
  std::int32_t fadeLevel = 0;       // level of the stand-picture cross-fade; 0 = none running
  std::array<TextureHolder, 2> images;

  TextureImage* shown() { return images[frontIndex & 1].get(); }
  TextureImage* staged() { return images[(frontIndex & 1) ^ 1].get(); }
  TextureHolder& shownHolder() { return images[frontIndex & 1]; }
  TextureHolder& stagedHolder() { return images[(frontIndex & 1) ^ 1]; }
};

// ---- The table ----
// Null outside 0..999.
SpriteSlot* spriteSlot(int n);
// Slots holding a picture, ascending: higher numbers are drawn over lower ones.
const std::set<int>& drawOrder();
// The picture that getters and buttons look at: the staged one while a newly loaded picture
// waits for print (flag 0x10), else the shown one. Null when there is none.
TextureImage* currentPicture(SpriteSlot& slot);
// A record with textures (or, without a device, with its kept pixels).
bool hasPicture(const TextureImage* image);

// What buttons ask of a slot (the current picture as above).
struct SpritePictureInfo {
  bool exists = false;
  int width = 0, height = 0;
  float scaleX = 1, scaleY = 1, posX = 0, posY = 0;
};
SpritePictureInfo spritePictureInfo(int n);

// Applies every staged change; print calls it when it has shown the new stage.
void commitSprites();

// Start-up (empties the table) and shut-down (releases every picture).
void resetSprites();
void releaseSprites();

// ---- Loading pictures into slots ----
// The record of a picture the slot gets for the first time.
void setDefaultProperties(TextureImage& image, std::uint32_t layer);
// Properties (not textures, pixels or geometry) from `from` onto `to`, vertex colours too.
void copyProperties(TextureImage& to, const TextureImage& from);
// Loads a picture file (with an optional overlay, composed with `mode` at x, y) through the
// slot's filters into the staged holder and stages it with `layer`; false after reporting.
bool loadSpritePicture(int n, std::string_view file, std::string_view overlay, int mode, int x, int y,
                       std::uint32_t layer);
// Puts a picture the program made (text sprites) into the staged holder as loadSpritePicture
// would: `holder` is taken over.
void stageMadePicture(int n, TextureHolder&& holder, std::string_view name, std::uint32_t layer);
// Settles a staged picture before the staged holder is refilled (its property changes go to
// the shown picture).
void settleStagedPicture(SpriteSlot& slot);
// The slot joins the draw set (it has got its first picture).
void registerInDrawSet(int n);
// Empties the slot now: pictures, queue, record, draw set.
void clearSpriteSlot(int n);
// The picture's vertex colours follow its alpha (white with that alpha).
void applyAlphaToVertices(TextureImage& image);

// ---- Easing, the one rule of animations and transitions ----
// range x f(elapsed / duration): linear for accel 0, ease in (x^-accel) below 0, ease out
// (1 - (1 - x)^accel) above. The whole-number form truncates toward zero.
int easeValue(int range, int elapsed, int duration, int accel);
float easeValueFloat(float range, float elapsed, float duration, int accel);

// ---- Animations ----
// Once per frame before drawing; true when a property of a shown picture changed.
bool updateAnimations();
// Ms until an animation next changes a picture (0: it is changing now), -1 when none will.
int msUntilAnimationStep();
// The slot's queue; null when the slot has none.
AnimationQueue* animationQueue(int n);
AnimationQueue& createAnimationQueue(int n);
void dropAnimationQueue(int n);
// The template that the sp.a* commands fill and sp.set appends.
AnimationStep& animationTemplate();
// Completes a running stand-picture cross-fade at once.
void finishCrossFade(SpriteSlot& slot);

// ---- Motion blur (sp.mb) ----
bool motionBlurOn();
int motionBlurStrength();
void setMotionBlur(bool on, int strength);

// ---- Text sprites (ssp.set) ----
// "ＭＳ ゴシック" in CP932: the face of text sprites until ssp.set names another. Saves write
// it and loading draws a text sprite again only with a face, so it is never empty.
inline constexpr std::string_view kTextSpriteDefaultFace = "\x82\x6C\x82\x72 \x83\x53\x83\x56\x83\x62\x83\x4E";

struct TextSpriteSettings {
  std::string face{kTextSpriteDefaultFace};  // CP932, at most 32 bytes
  int height = 26, style = 14;
  std::uint32_t colour1 = 0xFFFFFF, colour2 = 0xFFFFFF, colour3 = 0;
};
TextSpriteSettings& textSpriteSettings();
// The string renderer takes the settings above (ssp.set, loading a save game).
void applyTextSpriteSettings();
// Draws the line with the string renderer into a picture of its own and stages it in slot n
// as ssp does; false after reporting (a line no texture could hold).
bool stageTextSprite(int n, std::string_view line, std::uint32_t layer);


}  // namespace graphics
