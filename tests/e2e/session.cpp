#include "session.h"

#include <algorithm>
#include <cstdlib>
#include <thread>

#include <unistd.h>

namespace e2e {

std::string bin(const std::string& program) {
  return std::string(KLB_BUILD_DIR "/") + program;
}

namespace {

std::string variable(const char* name, const std::string& otherwise = "") {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0' ? value : otherwise;
}

}  // namespace

Session::Session() {
  if (!under_wine()) return;
  desktop.expect_own_frames();
  // A Wine server outlives its programs, with a desktop tied to the X server it first met:
  // every test starts one anew on its own.
  run("wineserver -k >/dev/null 2>&1; wineserver -w >/dev/null 2>&1");
  // The Wine prefix, and its drive C:, serve every test of the run.
  std::filesystem::remove(score_path());
  std::filesystem::remove(score_path().parent_path() / ".scores klimbor.lock");
}

bool Session::under_wine() {
  return !variable("KLB_E2E_WINE").empty();
}

std::filesystem::path Session::score_path() const {
  if (under_wine()) return std::filesystem::path(variable("WINEPREFIX")) / "drive_c/scores klimbor";
  return home.path() / "scores klimbor";
}

std::vector<std::string> Session::environment(const std::vector<std::string>& extra) const {
  std::vector<std::string> env = extra;
  env.push_back("DISPLAY=" + desktop.display());
  env.push_back("HOME=" + home.path().string());
  env.push_back("QT_QPA_PLATFORM=xcb");
  if (under_wine()) {
    for (const char* name : {"WINEPREFIX", "WINELOADER", "WINEDLLOVERRIDES"}) {
      env.push_back(std::string(name) + "=" + variable(name));
    }
    env.push_back("WINEDEBUG=-all");
  }
  return env;
}

void Session::start_game(const std::vector<std::string>& extra_env) {
  // A game window that was not there before: another game may be on the screen already.
  std::vector<std::string> known;
  for (const Window& w : desktop.windows("Klimbor")) known.push_back(w.id);
  game =
      std::make_unique<Program>(command("Klimbor"), environment(extra_env), game_errors().string());
  const auto fresh = [&]() -> std::optional<Window> {
    for (const Window& w : desktop.windows("Klimbor")) {
      const bool seen = std::find(known.begin(), known.end(), w.id) != known.end();
      if (auto client = desktop.client_area(w, 129, 278); client && !seen) return client;
    }
    return std::nullopt;
  };
  std::optional<Window> w;
  ASSERT_TRUE(wait_for([&] { return (w = fresh()).has_value(); }, kPatience))
      << "no game window on " << desktop.display() << "; running " << game->running()
      << "; windows: " << desktop.xdotool("search --name Klimbor")
      << "; stderr: " << run("cat '" + game_errors().string() + "'");
  game_window = *w;
  if (keyboard) {
    ASSERT_TRUE(desktop.focus(game_window)) << "the game window has not the keyboard";
  }
}

void Session::act(const std::string& keysym, int x, int y) const {
  if (keyboard) {
    desktop.key(keysym);
  } else {
    click_game(x, y);
  }
}

void Session::start_viewer() {
  viewer = std::make_unique<Program>(command("klb best scores"), environment(),
                                     viewer_errors().string());
  ASSERT_TRUE(wait_for([&] { return viewer_window().has_value(); }, kPatience))
      << "no viewer window";
}

std::vector<std::string> Session::command(const std::string& program) const {
  if (under_wine())
    return {variable("WINELOADER", "/usr/bin/wine"),
            variable("KLB_E2E_WINE") + "/" + program + ".exe"};
  std::vector<std::string> argv = launcher_;
  argv.push_back(bin(program));
  return argv;
}

void Session::play_as_an_ordinary_user() {
  if (::geteuid() != 0) return;
  run("chown nobody:nogroup '" + home.path().string() + "'");
  launcher_ = {"/usr/bin/setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups", "--"};
}

bool Session::intro(const Shot& s) const {
  return s.at(kOvalX, kOvalY) == kLightGreen && s.at(101, kButtonsY) == kOrange;
}

bool Session::racing(const Shot& s) const {
  return s.at(kOvalX, kOvalY) == kOrange && s.at(20, 8) == Rgb{0, 0, 0};
}

bool Session::result_panel(const Shot& s) const {
  return s.at(kOvalX, kOvalY) == kLightGreen && s.at(101, kButtonsY) == kButtonGreen &&
         s.at(61, kButtonsY) == kButtonGreen && s.at(21, kButtonsY) == kButtonGreen;
}

bool Session::wait_game(bool (Session::*state)(const Shot&) const,
                        std::chrono::milliseconds limit) {
  return wait_for([&] { return (this->*state)(game_shot()); }, limit);
}

void Session::steer_until_round_ends() {
  bool boost = false;
  const auto end = Clock::now() + 20s;
  while (Clock::now() < end) {
    const Shot s = game_shot();
    if (result_panel(s)) return;
    // Blue pixels in the right lane: the player's spider (the speed button has none). Hidden
    // behind the button, it is boosted out; then it is kept in the middle of its lane.
    const double x = s.mean_x(kBlue, 64, 9, 65, 269);
    const bool want = x < 0 || x < 95.5;
    if (want != boost) {
      act("space", kVitesseX, kVitesseY);
      boost = want;
    }
    std::this_thread::sleep_for(15ms);
  }
}

std::vector<Rgb> Session::score_label(const Shot& s) {
  std::vector<Rgb> pixels;
  for (int y = 42; y < 58; ++y) {
    for (int x = 18; x < 115; ++x) pixels.push_back(s.at(x, y));
  }
  return pixels;
}

bool Session::win_a_round(std::chrono::seconds limit) {
  // An untouched first round is lost: its label reads "Score: 0", whatever the font. It is the
  // same in every game, so one look serves the whole run.
  std::vector<Rgb>& zero = zero_score_label_;
  if (zero.empty()) {
    if (!wait_game(&Session::result_panel, kPatience)) return false;
    zero = score_label(game_shot());
  }
  const auto end = Clock::now() + limit;
  while (Clock::now() < end) {
    if (result_panel(game_shot())) act("c", kContinuer, kButtonsY);
    if (!wait_game(&Session::racing, kPatience)) return false;
    steer_until_round_ends();
    // From 0, only a win (or a draw) raises the score.
    if (score_label(game_shot()) != zero) return true;
  }
  return false;
}

void Session::validate_answering(const std::vector<std::string>& answers) {
  act("v", kValider, kButtonsY);
  answer(answers);
}

void Session::answer(const std::vector<std::string>& answers) {
  for (const std::string& answer : answers) {
    if (!wait_focused_dialog(kPatience)) {
      run("DISPLAY=" + desktop.display() + " import -window root /tmp/klimbor-e2e-failure.png");
      FAIL() << "no question; the screen is in /tmp/klimbor-e2e-failure.png";
    }
    const std::optional<Window> asked = dialog();
    ASSERT_TRUE(asked.has_value()) << "the question went before it was answered";
    if (answer.empty()) {
      desktop.key("Escape");
    } else {
      desktop.type(answer);
      desktop.key("Return");
    }
    // The next question may come at once; the next answer must not go to this one.
    ASSERT_TRUE(wait_closed(*asked, kPatience)) << "the question stays after the answer";
  }
}

std::string Session::screen_reader(const std::string& arguments) const {
  std::string command = "env";
  for (const std::string& setting : environment()) command += " '" + setting + "'";
  command += " '" + variable("WINELOADER", "/usr/bin/wine") + "' '" + variable("KLB_E2E_WINE") +
             "/tests/msaa_probe.exe' " + arguments + " 2>/dev/null; echo \"exit $?\"";
  return run(command);
}

// The score is drawn in dark green, its smoothed edges half way to the yellow of the cell,
// greener than it is red.
int Session::score_text(const Shot& s, int row) {
  int n = 0;
  for (int y = row * 16 + 1; y < row * 16 + 16; ++y) {
    for (int x = 130; x < 173; ++x) {  // the column, 650 twips wide after 450 and 1500
      const Rgb c = s.at(x, y);
      n += c.g - c.r >= 40 ? 1 : 0;
    }
  }
  return n;
}

std::optional<Window> Session::dialog() const {
  for (const Window& w : desktop.windows("Klimbor")) {
    const bool game = desktop.client_area(w, 129, 278).has_value();
    const bool viewer = desktop.client_area(w, 660, 654).has_value();
    if (!game && !viewer) return w;
  }
  return std::nullopt;
}

bool Session::wait_dialog(std::chrono::milliseconds limit) {
  return wait_for([this] { return dialog().has_value(); }, limit);
}

bool Session::wait_closed(const Window& closing, std::chrono::milliseconds limit) {
  return wait_for(
      [&] {
        const std::vector<Window> shown = desktop.windows("Klimbor");
        return std::none_of(shown.begin(), shown.end(),
                            [&](const Window& w) { return w.id == closing.id; });
      },
      limit);
}

bool Session::wait_focused_dialog(std::chrono::milliseconds limit) {
  return wait_for(
      [this] {
        const auto d = dialog();
        if (!d) return false;
        // Without a window manager, Wine leaves the X focus where it was: give it to the box,
        // as a window manager would.
        if (under_wine()) desktop.xdotool("windowfocus " + d->id);
        return desktop.has_focus(*d);
      },
      limit);
}

}  // namespace e2e
