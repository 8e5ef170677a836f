// One running engine per game folder. The first start listens on a local socket named
// after the folder; a second start for the same folder asks it to raise its window and
// exits. The socket is abstract, so nothing is left behind when a run ends.
#pragma once
#include <filesystem>

namespace platform {

// True when this is the only run for the folder; false after asking the running one to
// show itself.
bool claimGameFolder(const std::filesystem::path& gameDir);

// Serves requests of later starts (called by the message pump).
void serveInstanceRequests();

void releaseGameFolder();

}  // namespace platform
