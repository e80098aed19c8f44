#include "desktop.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <array>
#include <cctype>
#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace e2e {

namespace {

std::string quote(const std::string& s) {
  std::string out = "'";
  for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

pid_t spawn(const std::vector<std::string>& argv, const std::vector<std::string>& env,
            const std::string& stderr_path = "", const std::string& stdout_path = "") {
  std::vector<char*> args;
  for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  // The test's settings come first: getenv finds the first of equal names.
  std::vector<char*> envp;
  for (const auto& e : env) envp.push_back(const_cast<char*>(e.c_str()));
  for (char** e = environ; *e != nullptr; ++e) envp.push_back(*e);
  envp.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (!stderr_path.empty()) {
    posix_spawn_file_actions_addopen(&actions, 2, stderr_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
  }
  if (!stdout_path.empty()) {
    posix_spawn_file_actions_addopen(&actions, 1, stdout_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
  }
  pid_t pid = -1;
  const int rc = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) throw std::runtime_error("cannot start " + argv[0]);
  return pid;
}

// Asked to end, then ended: openbox has been seen to take SIGTERM and go on running.
void stop(pid_t pid) {
  ::kill(pid, SIGTERM);
  int status = 0;
  if (!wait_for([&] { return waitpid(pid, &status, WNOHANG) != 0; }, 5s, 20ms)) {
    ::kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
  }
}

// The keys the French answers need beyond a US keyboard: the keysyms of each key (a letter, then
// its capital) and the characters they type. xdotool types a character the map lacks by
// remapping a spare key for a moment, and a busy program may read the key after it is restored.
struct FrenchKey {
  const char* keysyms;
  const char* characters;
};
constexpr std::array<FrenchKey, 17> kFrenchKeys{{
    {"eacute Eacute", "éÉ"},
    {"egrave Egrave", "èÈ"},
    {"agrave Agrave", "àÀ"},
    {"ccedilla Ccedilla", "çÇ"},
    {"ugrave Ugrave", "ùÙ"},
    {"acircumflex Acircumflex", "âÂ"},
    {"ecircumflex Ecircumflex", "êÊ"},
    {"icircumflex Icircumflex", "îÎ"},
    {"ocircumflex Ocircumflex", "ôÔ"},
    {"ucircumflex Ucircumflex", "ûÛ"},
    {"ediaeresis Ediaeresis", "ëË"},
    {"idiaeresis Idiaeresis", "ïÏ"},
    {"udiaeresis Udiaeresis", "üÜ"},
    {"oe OE", "œŒ"},
    {"EuroSign rightsinglequotemark", "€’"},
    {"guillemotleft guillemotright", "«»"},
    {"ellipsis", "…"},
}};

bool on_a_french_key(const std::string& character) {
  for (const FrenchKey& key : kFrenchKeys) {
    if (std::string(key.characters).find(character) != std::string::npos) return true;
  }
  return false;
}

std::string trimmed(std::string s) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.pop_back();
  return s;
}

using XDisplay = std::unique_ptr<Display, int (*)(Display*)>;

// The client area and the whole window around it, as the server has them: xdotool counts the
// frame's offset twice under a window manager.
std::optional<Window> geometry_of(Display* x, const std::string& id) {
  const auto client = static_cast<::Window>(std::stoul(id));
  XWindowAttributes a{};
  ::Window child = 0;
  int cx = 0, cy = 0;
  if (XGetWindowAttributes(x, client, &a) == 0 ||
      XTranslateCoordinates(x, client, a.root, 0, 0, &cx, &cy, &child) == 0) {
    return std::nullopt;
  }
  // The frame is the window's ancestor that lies on the root: the window itself without one.
  ::Window top = client;
  while (true) {
    ::Window root = 0, parent = 0;
    ::Window* children = nullptr;
    unsigned count = 0;
    if (XQueryTree(x, top, &root, &parent, &children, &count) == 0) return std::nullopt;
    if (children != nullptr) XFree(children);
    if (parent == root || parent == 0) break;
    top = parent;
  }
  XWindowAttributes f{};
  if (XGetWindowAttributes(x, top, &f) == 0) return std::nullopt;
  return Window{id,       cx,
                cy,       a.width,
                a.height, {f.x, f.y, f.width + 2 * f.border_width, f.height + 2 * f.border_width}};
}

// A window manager that runs names a window of its own on the root.
bool window_manager_runs(const std::string& display) {
  const XDisplay x(XOpenDisplay(display.c_str()), XCloseDisplay);
  if (!x) return false;
  const Atom check = XInternAtom(x.get(), "_NET_SUPPORTING_WM_CHECK", True);
  Atom type = 0;
  int format = 0;
  unsigned long count = 0, left = 0;
  unsigned char* data = nullptr;
  if (check == 0 || XGetWindowProperty(x.get(), DefaultRootWindow(x.get()), check, 0, 1, False,
                                       XA_WINDOW, &type, &format, &count, &left, &data) != 0) {
    return false;
  }
  if (data != nullptr) XFree(data);
  if (count != 1) return false;
  // Openbox names itself early in its start and lists the windows it manages last: until then a
  // window may be mapped behind its back, and a frame asked for goes unanswered.
  const Atom clients = XInternAtom(x.get(), "_NET_CLIENT_LIST", True);
  data = nullptr;
  type = 0;
  if (clients == 0 || XGetWindowProperty(x.get(), DefaultRootWindow(x.get()), clients, 0, 1, False,
                                         XA_WINDOW, &type, &format, &count, &left, &data) != 0) {
    return false;
  }
  if (data != nullptr) XFree(data);
  return type == XA_WINDOW;
}

}  // namespace

std::string to_string(Rgb c) {
  return "(" + std::to_string(c.r) + "," + std::to_string(c.g) + "," + std::to_string(c.b) + ")";
}

Shot::Shot(int width, int height, std::vector<std::uint8_t> rgb)
    : width_(width), height_(height), rgb_(std::move(rgb)) {}

Rgb Shot::at(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return {-1, -1, -1};
  const std::size_t i = (static_cast<std::size_t>(y) * width_ + x) * 3;
  if (i + 2 >= rgb_.size()) return {-1, -1, -1};
  return {rgb_[i], rgb_[i + 1], rgb_[i + 2]};
}

int Shot::count(Rgb colour, int x, int y, int w, int h) const {
  int n = 0;
  for (int j = y; j < y + h; ++j) {
    for (int i = x; i < x + w; ++i) n += at(i, j) == colour ? 1 : 0;
  }
  return n;
}

double Shot::mean_x(Rgb colour, int x, int y, int w, int h) const {
  double sum = 0;
  int n = 0;
  for (int j = y; j < y + h; ++j) {
    for (int i = x; i < x + w; ++i) {
      if (at(i, j) == colour) {
        sum += i;
        ++n;
      }
    }
  }
  return n == 0 ? -1 : sum / n;
}

Program::Program(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                 const std::string& stderr_path)
    : pid_(spawn(argv, env, stderr_path)) {}

Program::~Program() {
  if (running()) kill_now();
}

bool Program::running() {
  if (status_) return false;
  int status = 0;
  if (waitpid(pid_, &status, WNOHANG) == pid_) {
    status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return false;
  }
  return true;
}

std::optional<int> Program::wait_exit(std::chrono::milliseconds limit) {
  wait_for([this] { return !running(); }, limit, 20ms);
  return status_;
}

void Program::kill_now() {
  ::kill(pid_, SIGKILL);
  int status = 0;
  waitpid(pid_, &status, 0);
  status_ = 128 + SIGKILL;
}

Desktop::Desktop(int width, int height, int dpi, WindowManager manager) {
  std::array<int, 2> fds{};
  if (pipe(fds.data()) != 0) throw std::runtime_error("pipe");
  // Xvfb picks a free display and writes its number to the pipe.
  server_ = spawn({"/usr/bin/Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0",
                   std::to_string(width) + "x" + std::to_string(height) + "x24", "-nolisten", "tcp",
                   "-noreset"},
                  {});
  close(fds[1]);
  std::string number;
  char c = 0;
  while (read(fds[0], &c, 1) == 1 && c != '\n') number += c;
  close(fds[0]);
  if (number.empty()) throw std::runtime_error("Xvfb did not start");
  display_ = ":" + number;
  // -noreset: by default the server starts anew when its last client leaves, and refuses
  // connections meanwhile; the probes below would be that last client.
  if (!wait_for([this] { return !xdotool("getdisplaygeometry").empty(); }, 10s, 50ms)) {
    throw std::runtime_error("Xvfb on " + display_ + " takes no client");
  }
  if (dpi != 96) {
    run("echo 'Xft.dpi: " + std::to_string(dpi) + "' | DISPLAY=" + display_ +
        " xrdb -nocpp -global -merge");
  }
  map_french_letters();
  if (manager != WindowManager::none) start_window_manager(manager, width, height);
}

Desktop::~Desktop() {
  if (window_manager_ > 0) stop(window_manager_);
  if (!window_manager_settings_.empty()) std::filesystem::remove(window_manager_settings_);
  stop(server_);
}

// On keys that have no keysym, leaving the last one spare.
void Desktop::map_french_letters() const {
  std::vector<int> spare;
  std::istringstream map(run("DISPLAY=" + display_ + " xmodmap -pke"));
  std::string line;
  while (std::getline(map, line)) {
    const auto eq = line.find('=');
    if (eq == std::string::npos || line.rfind("keycode", 0) != 0) continue;
    const int code = std::atoi(line.c_str() + 7);
    if (code > 8 && trimmed(line.substr(eq + 1)).empty()) spare.push_back(code);
  }
  if (spare.size() <= kFrenchKeys.size()) {
    throw std::runtime_error("the keyboard of " + display_ + " has too few spare keys");
  }
  std::string command = "DISPLAY=" + display_ + " xmodmap";
  for (std::size_t i = 0; i < kFrenchKeys.size(); ++i) {
    command += " -e 'keycode " + std::to_string(spare[i]) + " = " + kFrenchKeys[i].keysyms + "'";
  }
  run(command);
}

void Desktop::start_window_manager(WindowManager manager, int width, int height) {
  // Its own settings, never the ones of whoever runs the tests.
  std::string settings = "/etc/xdg/openbox/rc.xml";
  if (manager == WindowManager::openbox_off_screen) {
    window_manager_settings_ = std::filesystem::temp_directory_path() /
                               ("klimbor-e2e-openbox-" + display_.substr(1) + ".xml");
    std::ofstream(window_manager_settings_)
        << "<?xml version=\"1.0\"?>\n"
        << "<openbox_config xmlns=\"http://openbox.org/3.4/rc\"><applications>\n"
        << "<application title=\"Klimbor\"><position force=\"yes\"><x>" << width - 60 << "</x><y>"
        << height - 80 << "</y></position></application>\n"
        << "</applications></openbox_config>\n";
    settings = window_manager_settings_.string();
  }
  window_manager_ = spawn({"/usr/bin/openbox", "--sm-disable", "--config-file", settings},
                          {"DISPLAY=" + display_}, "/dev/null", "/dev/null");
  if (!wait_for([this] { return window_manager_runs(display_); }, kPatience)) {
    throw std::runtime_error("no window manager on " + display_);
  }
}

std::string Desktop::xdotool(const std::string& args) const {
  return run("DISPLAY=" + display_ + " xdotool " + args + " 2>/dev/null");
}

Shot Desktop::grab(int x, int y, int width, int height) const {
  const std::string command = "DISPLAY=" + display_ + " import -silent -window root -crop " +
                              std::to_string(width) + "x" + std::to_string(height) + "+" +
                              std::to_string(x) + "+" + std::to_string(y) +
                              " -depth 8 rgb:- 2>/dev/null";
  const std::string bytes = run(command);
  return Shot(width, height, std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
}

std::vector<Window> Desktop::windows(const std::string& title) const {
  std::vector<Window> found;
  std::istringstream ids(xdotool("search --onlyvisible --name " + quote("^" + title + "$")));
  // A window may close while it is looked at: the error only leaves it out.
  XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
  const XDisplay x(XOpenDisplay(display_.c_str()), XCloseDisplay);
  if (!x) return found;
  std::string id;
  while (ids >> id) {
    if (auto w = geometry_of(x.get(), id)) found.push_back(*w);
  }
  return found;
}

std::optional<Window> Desktop::window(const std::string& title, int width, int height) const {
  for (const Window& w : windows(title)) {
    if (auto client = client_area(w, width, height)) return client;
  }
  return std::nullopt;
}

std::optional<Window> Desktop::client_area(const Window& w, int width, int height) const {
  if (!own_frames_) {
    if (w.width == width && w.height == height) return w;
    return std::nullopt;
  }
  // The same border on the left, right and bottom; the caption bar above.
  const int sides = w.width - width, border = sides / 2, caption = w.height - height - border;
  if (sides < 0 || sides % 2 != 0 || sides > 24 || caption < border || caption > border + 40) {
    return std::nullopt;
  }
  return Window{w.id, w.x + border, w.y + caption, width, height, w.frame};
}

void Desktop::click(int x, int y) const {
  // No --sync: it waits forever when the pointer is there already.
  xdotool("mousemove " + std::to_string(x) + " " + std::to_string(y) + " click 1");
}

bool Desktop::focus(const Window& w) const {
  return wait_for(
      [&] {
        if (has_focus(w)) return true;
        xdotool("windowfocus " + w.id);
        return false;
      },
      kPatience, 100ms);
}

bool Desktop::has_focus(const Window& w) const {
  return trimmed(xdotool("getwindowfocus")) == w.id;
}

void Desktop::key(const std::string& keysym) const {
  xdotool("key --delay 30 " + keysym);
}

void Desktop::type(const std::string& text) const {
  for (std::size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    const std::string character = text.substr(i, length);
    if (length > 1 && !on_a_french_key(character)) {
      throw std::invalid_argument("no key types " + character + ": add it to kFrenchKeys");
    }
    i += length;
  }
  xdotool("type --delay 20 " + quote(text));
}

bool wait_for(const std::function<bool()>& condition, std::chrono::milliseconds limit,
              std::chrono::milliseconds every) {
  const auto end = Clock::now() + limit;
  while (true) {
    if (condition()) return true;
    if (Clock::now() >= end) return false;
    std::this_thread::sleep_for(every);
  }
}

std::string run(const std::string& command) {
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  if (!pipe) return {};
  std::string out;
  std::array<char, 65536> buffer{};
  std::size_t n = 0;
  while ((n = fread(buffer.data(), 1, buffer.size(), pipe.get())) > 0) out.append(buffer.data(), n);
  return out;
}

}  // namespace e2e
