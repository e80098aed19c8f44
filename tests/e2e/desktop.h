#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// What the end-to-end tests need to act as a player: an X server of their own, the programs
// started in it, the mouse and keyboard (xdotool), and screenshots (ImageMagick) read as pixels.
namespace e2e {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

struct Rgb {
  int r = 0, g = 0, b = 0;
  friend bool operator==(const Rgb&, const Rgb&) = default;
};

std::string to_string(Rgb c);

// A screenshot of a rectangle of the screen.
class Shot {
 public:
  Shot(int width, int height, std::vector<std::uint8_t> rgb);
  Rgb at(int x, int y) const;
  int width() const { return width_; }
  int height() const { return height_; }
  // How many pixels of the rectangle have exactly this colour.
  int count(Rgb colour, int x, int y, int w, int h) const;
  // The mean column of the pixels of this colour in the rectangle, or -1 without any.
  double mean_x(Rgb colour, int x, int y, int w, int h) const;

 private:
  int width_, height_;
  std::vector<std::uint8_t> rgb_;
};

struct Rect {
  int x = 0, y = 0, width = 0, height = 0;
};

struct Window {
  std::string id;
  int x = 0, y = 0, width = 0, height = 0;  // the client area, on the screen
  Rect frame;                               // the whole window, as the window manager framed it
};

// A program started by the test; killed if still running when destroyed.
class Program {
 public:
  // Its standard error goes to the file given, if any.
  Program(const std::vector<std::string>& argv, const std::vector<std::string>& env,
          const std::string& stderr_path = "");
  ~Program();
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  pid_t pid() const { return pid_; }
  bool running();
  // The exit status once the program has ended within the time given.
  std::optional<int> wait_exit(std::chrono::milliseconds limit);
  void kill_now();  // SIGKILL

 private:
  pid_t pid_ = -1;
  std::optional<int> status_;
};

enum class WindowManager {
  none,
  openbox,
  // Openbox told to put every window titled Klimbor near the bottom right corner, mostly off the
  // screen, as a window manager that remembers the places of a larger screen does.
  openbox_off_screen,
};

// A virtual X server on a free display, with the player's mouse and keyboard.
class Desktop {
 public:
  // A screen of this size; a density other than 96 dpi is given to the programs as the desktops
  // of Linux give it, by the X resource Xft.dpi. The keyboard has a key for every letter typed
  // (type), so that nothing changes the keyboard's map while a program reads it.
  explicit Desktop(int width = 900, int height = 760, int dpi = 96,
                   WindowManager manager = WindowManager::none);
  ~Desktop();
  Desktop(const Desktop&) = delete;
  Desktop& operator=(const Desktop&) = delete;

  const std::string& display() const { return display_; }

  Shot grab(int x, int y, int width, int height) const;
  Shot grab(const Window& w) const { return grab(w.x, w.y, w.width, w.height); }
  // Visible top-level windows with this exact title.
  std::vector<Window> windows(const std::string& title) const;
  // The client area of the visible window with this title and client size.
  std::optional<Window> window(const std::string& title, int width, int height) const;
  // The client area of a window if it has that client size.
  std::optional<Window> client_area(const Window& w, int width, int height) const;
  // Wine draws the frame of a window the window manager does not decorate inside its X window:
  // from now on a window's client area is looked for inside such a frame.
  void expect_own_frames() { own_frames_ = true; }

  void click(int x, int y) const;
  // Gives a window the keyboard, as a window manager gives it to a window it maps; true once it
  // has it.
  bool focus(const Window& w) const;
  bool has_focus(const Window& w) const;
  void key(const std::string& keysym) const;
  // ASCII and the French letters of the keyboard's map; anything else throws.
  void type(const std::string& text) const;
  std::string xdotool(const std::string& args) const;

 private:
  void map_french_letters() const;
  void start_window_manager(WindowManager manager, int width, int height);

  pid_t server_ = -1;
  pid_t window_manager_ = -1;
  std::filesystem::path window_manager_settings_;
  std::string display_;
  bool own_frames_ = false;
};

// How long a program may take to answer a player on a busy machine: a bound on waits for what
// must come, never a pause.
inline constexpr auto kPatience = 20s;

// Polls until the condition holds or the time is up; true if it held.
bool wait_for(const std::function<bool()>& condition, std::chrono::milliseconds limit,
              std::chrono::milliseconds every = 40ms);

// Runs a shell command; its standard output.
std::string run(const std::string& command);

}  // namespace e2e
