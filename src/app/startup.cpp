// Start-up order matters: each step may rely on the ones before it. Steps whose subsystem is
// not built yet are marked where they join.
#include "app/startup.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

#include "app/command_tables.h"
#include "app/run_stats.h"
#include "core/archive.h"
#include "core/command_registry.h"
#include "core/control_flow.h"
#include "core/error_report.h"
#include "core/interpreter.h"
#include "core/labels.h"
#include "core/script_sources.h"
#include "graphics/device.h"
#include "graphics/sprites.h"
#include "graphics/wait_loop.h"
#include "graphics/wallpaper.h"
#include "image/screenshot.h"
#include "platform/clock.h"
#include "platform/cp932.h"
#include "platform/options.h"
#include "platform/paths.h"
#include "platform/scripted_input.h"
#include "platform/cursor.h"
#include "platform/display_modes.h"
#include "platform/message_box.h"
#include "platform/single_instance.h"
#include "platform/system_report.h"
#include "platform/window.h"
#include "platform/window_procedure.h"
#include "platform/window_internal.h"
#include "saves/already_read_file.h"
#include "saves/save_commands.h"
#include "saves/settings_file.h"
#include "sound/sound_stream.h"
#include "text/font_settings.h"
#include "text/glyph_renderer.h"
#include "text/menu_painter.h"
#include "text/reading_modes.h"
#include "text/text_state.h"
#include "text/text_statement.h"

namespace app {

using namespace core;

namespace {

bool startScriptedInputFromOptions() {
  const std::string& file = platform::options().inputFile;
  if (file.empty()) return true;
  std::string text;
  if (!platform::readWholeFile(std::filesystem::path(file), text)) {
    std::fprintf(stderr, "utsushi: cannot read the input file %s\n", file.c_str());
    return false;
  }
  std::string why;
  auto events = platform::parseInputScript(text, why);
  if (!events) {
    std::fprintf(stderr, "utsushi: %s: %s\n", file.c_str(), why.c_str());
    return false;
  }
  platform::startScriptedInput(std::move(*events));
  return true;
}

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kTearDownAtExit = true;  // the sanitizers' checks want every device released
#else
constexpr bool kTearDownAtExit = false;
#endif

// The settings file and the already-read record. Everything the engine writes is on disk
// once this returns.
void writeWhatLasts() { saves::writeSettings(); }

// Releases the drawing device, the ten sound channels and the window, in this order.
void tearDown() {
  graphics::releaseSprites();
  text::stopMenuPainter();
  text::destroyGlyphRenderers();
  graphics::shutDownDevice();
  sound::stopSound();
  platform::destroyMainWindow();
}

// The end of a run. Once everything is written the process leaves without waiting on its
// devices: closing SDL's sound device alone waits ~50 ms for its thread to notice, and the
// system takes back the window, the GL context and the sound device anyway.
[[noreturn]] void shutDown(int status) {
  writeWhatLasts();
  if (kTearDownAtExit) tearDown();
  platform::releaseGameFolder();
  std::fflush(nullptr);
  if (kTearDownAtExit) std::exit(status);
  std::_Exit(status);
}

// A start that fails once the window exists releases what was made so far; 1 is the exit
// status of a failed start.
int startFailed() {
  tearDown();
  return 1;
}

// What the window asks of the other subsystems: keys that change the reading modes, the exit
// save, the screen size, and the frame a script that never waits still gets.
void installWindowHooks() {
  platform::setScreenSizeHandler(graphics::changeScreenSize);
  platform::setWallpaperDrawer(graphics::drawWallpaper);
  platform::WindowHooks hooks;
  hooks.toggleFullScreen = platform::toggleFullScreenByReader;
  hooks.toggleSkipMode = text::toggleSkipModeByKey;
  hooks.toggleAutoMode = text::toggleAutoModeByKey;
  hooks.exitSave = saves::exitSave;
  hooks.cursorToCloseButton = [] {
    // Towards where the quit question shows its buttons: the middle, 50 pixels lower.
    const platform::DisplayState& d = platform::displayState();
    int w = d.fullScreen ? d.screenWidth : d.clientWidth, h = d.fullScreen ? d.screenHeight : d.clientHeight;
    platform::moveCursor(w / 2, h / 2 + 50, 4, false);
  };
  platform::setWindowHooks(hooks);
  platform::setModalRepaint(graphics::repaintPresentedFrame);
  // A script that runs without waiting still lets the window answer and draw.
  core::setBusyHook(graphics::serviceWindow);
  core::setTextStatementHandler(text::runTextStatement);
}

// Start-up steps 11 to 13: every script file and the label table, then the fonts, volumes
// and already-read record the first page needs, then the main script. False after the
// failure was shown.
bool loadScripts() {
  // 11. Every script file and the label table.
  resetScriptSources();
  resetInterpreter();
  text::resetTextState();
  clearControlStacks();
  switch (loadAllScripts()) {
    case LoadOutcome::Ok: break;
    case LoadOutcome::Fatal: return false;  // an invalid or duplicate label, already reported
    case LoadOutcome::Failed: showErrorBox(platform::jp("スクリプトが読み込めませんでした")); return false;
  }
  // 12. The message and ruby fonts, the group volumes and the already-read record.
  text::applyMessageFont();
  sound::applyGroupVolumes();
  saves::loadAlreadyRead();
  // 13. The main script into slot 0.
  if (!loadMainScript()) {
    showErrorBox(std::string(kMainScriptPath) + platform::jp(" を読み込めませんでした"));
    return false;
  }
  return true;
}

}  // namespace

int reportNoGame(const std::vector<std::filesystem::path>& searched) {
  // The loader's own words first, then what a reader who double-clicked the engine needs.
  std::string text = platform::jp("スクリプトファイルを読み込めませんでした\n");
  text += platform::jp("次のフォルダに script/0.txt も script.sbx もありません:\n");
  for (const std::filesystem::path& folder : searched) text += "  " + platform::utf8ToCp932(folder.string()) + "\n";
  text += platform::jp("ゲームフォルダを指定して起動してください: utsushi GAME_DIR");
  showErrorBox(text);
  return 1;
}

int runEngine() {
  platform::useVirtualClock(platform::options().virtualClock);

  // 1. The working folder is already the game folder; read the archive index.
  loadArchiveIndex();
  // 2. The settings file: every subsystem takes its values before it starts.
  saves::readSettings();
  // 3. The main window: one run per game folder; Information.txt starts afresh.
  if (!platform::claimGameFolder(platform::options().gameDir)) {
    std::fprintf(stderr, "utsushi: this game is already running; its window was brought to the front\n");
    return 0;
  }
  std::string why;
  if (!platform::createMainWindow("utsushi", why)) {
    std::fprintf(stderr, "utsushi: cannot create the window: %s\n", why.c_str());
    return 1;
  }
  platform::initDisplay();
  platform::writeSystemReport(platform::displayState());
  if (!startScriptedInputFromOptions()) return startFailed();
  // 4. The drawing device, its render targets and the three glyph renderers.
  if (!graphics::startDevice()) return startFailed();  // the failure is already shown
  if (!platform::options().statsFile.empty()) graphics::setPresentObserver(app::noteFramePresented);
  text::createGlyphRenderers();
  text::startMenuPainter();
  // 5. The display mode (the window is shown here); the wheel step is fixed.
  installWindowHooks();
  platform::applyDisplayMode(false);
  // 6. The random generator.
  std::srand(static_cast<unsigned>(std::time(nullptr)));
  // 7. The sprite table and the pixel lookup tables.
  graphics::resetSprites();
  image::initImages();
  saves::applyWindowSettings();  // the cursor of the settings file
  // 8. The regular-expression engine is linked in: nothing to load.
  // 9. The Ogg Vorbis decoder is linked in: nothing to load.
  // 10. The sound device and its ten channels.
  if (!sound::startSound()) return startFailed();
  if (!loadScripts()) return startFailed();
  // 14. Every command.
  registerCommands();
  // 15. The clock's resolution is already 1 ms.
  // 16. The loop starts at line 0 of the main script (loadMainScript set the cursor).
  runScript();
  shutDown(0);
}

}  // namespace app
