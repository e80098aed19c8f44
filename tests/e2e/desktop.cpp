#include "desktop.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
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
            const std::string& stderr_path = "") {
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
  pid_t pid = -1;
  const int rc = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) throw std::runtime_error("cannot start " + argv[0]);
  return pid;
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

Desktop::Desktop(int width, int height, int dpi) {
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
}

Desktop::~Desktop() {
  ::kill(server_, SIGTERM);
  int status = 0;
  waitpid(server_, &status, 0);
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
  std::string id;
  while (ids >> id) {
    Window w{id};
    std::istringstream shell(xdotool("getwindowgeometry --shell " + id));
    std::string line;
    while (std::getline(shell, line)) {
      const auto eq = line.find('=');
      if (eq == std::string::npos) continue;
      const std::string key = line.substr(0, eq);
      const int value = std::atoi(line.c_str() + eq + 1);
      if (key == "X") w.x = value;
      if (key == "Y") w.y = value;
      if (key == "WIDTH") w.width = value;
      if (key == "HEIGHT") w.height = value;
    }
    found.push_back(w);
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
  return Window{w.id, w.x + border, w.y + caption, width, height};
}

void Desktop::click(int x, int y) const {
  // No --sync: it waits forever when the pointer is there already.
  xdotool("mousemove " + std::to_string(x) + " " + std::to_string(y) + " click 1");
}

void Desktop::focus(const Window& w) const {
  xdotool("windowfocus " + w.id);
}

void Desktop::key(const std::string& keysym) const {
  xdotool("key --delay 30 " + keysym);
}

void Desktop::type(const std::string& text) const {
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
