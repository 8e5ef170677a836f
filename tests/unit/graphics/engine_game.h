// A game folder in the temporary directory that the whole engine runs on the GL device
// (--virtual-clock, scripted input, screenshot events); pictures go in and out as PNG files
// through test_pictures.
#pragma once
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "graphics/test_pictures.h"

namespace engine_game {

namespace fs = std::filesystem;

using test_pictures::readPng;
using test_pictures::writePng;

class EngineGame : public ::testing::Test {
 protected:
  void SetUp() override {
    game = fs::temp_directory_path() / ("utsushi_engine_game_" + std::to_string(::getpid()));
    fs::create_directories(game / "script");
  }
  void TearDown() override { fs::remove_all(game); }

  // Runs the engine on the game with `script` as script/0.txt; the exit status.
  int run(const std::string& script, const std::string& input = "") {
    std::ofstream(game / "script" / "0.txt", std::ios::binary) << script;
    std::string inputOption;
    if (!input.empty()) {
      std::ofstream(game / "input.txt") << input;
      inputOption = "--input '" + (game / "input.txt").string() + "' ";
    }
    if (!std::getenv("DISPLAY")) setenv("SDL_VIDEODRIVER", "offscreen", 0);
    const std::string command = std::string(UTSUSHI_BINARY_DIR) + "/utsushi --no-dialogs --virtual-clock --video=gl " +
                                "--audio=none --exit-after 60000 " + inputOption + "'" + game.string() + "' 2>'" +
                                (game / "stderr.txt").string() + "'";
    return std::system(command.c_str());
  }
  std::string errors() {
    std::ifstream in(game / "stderr.txt");
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }

  fs::path game;
};

}  // namespace engine_game
