// The packer's movie commands.
#pragma once
#include <filesystem>
#include <string>
#include <vector>

// utsushi-pack movie OUT FRAMES... [--sound FILE.ogg] [--fps N]
int packMovie(const std::vector<std::string>& args);
// True when the bytes begin as a movie file does.
bool isMovieFile(const std::string& bytes);
// The header and a count of the chunks, for utsushi-pack list.
int listMovie(const std::filesystem::path& file, const std::string& bytes);
