// Start-up to the first frame: starts a program and watches the X screen (one pixel at a time,
// through Xlib) until the program's first window shows something other than the black root.
// Prints the time in ms and the program's peak resident memory one second later.
//
//   startup_time <program> [runs]
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

// The first mapped top-level window of the screen that shows a non-black pixel.
bool drawn(Display* display) {
  Window root = DefaultRootWindow(display), parent = 0, *children = nullptr;
  unsigned int count = 0;
  if (!XQueryTree(display, root, &root, &parent, &children, &count)) return false;
  bool found = false;
  for (unsigned int i = 0; i < count && !found; ++i) {
    XWindowAttributes a;
    if (!XGetWindowAttributes(display, children[i], &a) || a.map_state != IsViewable) continue;
    if (a.width < 20 || a.height < 20) continue;
    XImage* image =
        XGetImage(display, root, a.x + a.width / 2, a.y + a.height - 8, 1, 1, AllPlanes, ZPixmap);
    if (image != nullptr) {
      found = (XGetPixel(image, 0, 0) & 0xFFFFFF) != 0;
      XDestroyImage(image);
    }
  }
  if (children != nullptr) XFree(children);
  return found;
}

long peak_rss_kb(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
  }
  return -1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: startup_time <program> [runs] [its argument]\n");
    return 2;
  }
  const int runs = argc > 2 ? std::atoi(argv[2]) : 7;
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) {
    std::fprintf(stderr, "no display\n");
    return 1;
  }
  std::vector<double> times;
  std::vector<long> memory;
  for (int run = 0; run < runs; ++run) {
    // A loader and the program it runs (wine64 Klimbor.exe), or the program alone.
    char* args[] = {argv[1], argc > 3 ? argv[3] : nullptr, nullptr};
    pid_t pid = 0;
    const auto start = Clock::now();
    if (posix_spawn(&pid, argv[1], nullptr, nullptr, args, environ) != 0) return 1;
    while (!drawn(display)) {
      if (Clock::now() - start > std::chrono::seconds(10)) break;
      std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
    times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    std::this_thread::sleep_for(std::chrono::seconds(1));
    memory.push_back(peak_rss_kb(pid));
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
  }
  std::sort(times.begin(), times.end());
  std::sort(memory.begin(), memory.end());
  std::string name = argc > 3 ? argv[3] : argv[1];
  name = name.substr(name.rfind('/') + 1);
  for (char& c : name) c = c == ' ' ? '_' : c;  // one word for bench/report.py
  std::printf("startup program=%s runs=%d median_ms=%.1f min_ms=%.1f max_ms=%.1f peak_rss_kb=%ld\n",
              name.c_str(), runs, times[times.size() / 2], times.front(), times.back(),
              memory[memory.size() / 2]);
  XCloseDisplay(display);
  return 0;
}
