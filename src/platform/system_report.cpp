#include "platform/system_report.h"

#include <SDL.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <thread>

#include "platform/paths.h"

namespace platform {
namespace {

std::string firstValue(const char* file, const std::string& key) {
  std::ifstream in(file);
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind(key, 0) != 0) continue;
    std::size_t colon = line.find(':');
    if (colon == std::string::npos) continue;
    std::size_t start = line.find_first_not_of(" \t", colon + 1);
    return start == std::string::npos ? std::string() : line.substr(start);
  }
  return {};
}

}  // namespace

std::string describeMachine() {
  std::ostringstream out;
  std::string cpu = firstValue("/proc/cpuinfo", "model name");
  out << "Processor: " << (cpu.empty() ? "unknown" : cpu) << " (" << std::thread::hardware_concurrency()
      << " threads)\n";
  std::string total = firstValue("/proc/meminfo", "MemTotal"), available = firstValue("/proc/meminfo", "MemAvailable");
  out << "Memory: " << (total.empty() ? "unknown" : total) << " total, " << (available.empty() ? "unknown" : available)
      << " available\n";
  struct utsname u {};
  if (uname(&u) == 0) out << "System: " << u.sysname << " " << u.release << " " << u.machine << "\n";
  std::string os = firstValue("/etc/os-release", "PRETTY_NAME");
  if (os.empty()) {
    std::ifstream in("/etc/os-release");
    std::string line;
    while (std::getline(in, line))
      if (line.rfind("PRETTY_NAME=", 0) == 0) os = line.substr(12);
  }
  if (!os.empty()) out << "Distribution: " << os << "\n";
  SDL_DisplayMode mode{};
  if (SDL_WasInit(SDL_INIT_VIDEO) && SDL_GetDesktopDisplayMode(0, &mode) == 0)
    out << "Display: " << mode.w << " x " << mode.h << ", " << mode.refresh_rate << " Hz, "
        << SDL_GetCurrentVideoDriver() << "\n";
  else
    out << "Display: none\n";
  return out.str();
}

std::string describeFitRectangles(const DisplayState& d) {
  std::string text;
  char line[160];
  for (int i = 1; i <= 3; ++i) {
    const Rect& s = d.source[static_cast<std::size_t>(i)];
    const Rect& t = d.destination[static_cast<std::size_t>(i)];
    std::snprintf(line, sizeof line, "Src%d %4d, %4d, %4d, %4d\tDest%d %4d, %4d, %4d, %4d\n", i, s.left, s.top, s.right,
                  s.bottom, i, t.left, t.top, t.right, t.bottom);
    text += line;
  }
  return text;
}

void writeSystemReport(const DisplayState& d) {
  std::ofstream out(writableGamePath("Information.txt"), std::ios::binary | std::ios::trunc);
  if (!out) return;  // the report is only for the reader's support: no reason to stop
  out << describeMachine() << describeFitRectangles(d);
}

}  // namespace platform
