#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "../headless/score_support.h"
#include "desktop.h"

namespace e2e {

inline constexpr Rgb kOrange{255, 128, 0};
inline constexpr Rgb kLightGreen{128, 255, 128};
inline constexpr Rgb kButtonGreen{0, 192, 0};
inline constexpr Rgb kBlue{0, 0, 255};

// One player at one desktop: a fresh X server, a fresh home folder, the real programs.
class Session : public ::testing::Test {
 public:
  // Points inside the game window, in pixels.
  static constexpr int kOvalX = 40, kOvalY = 102;  // light green in the title's oval
  static constexpr int kContinuer = 106, kValider = 66, kRecommencer = 26, kButtonsY = 82;
  static constexpr int kVitesseX = 104, kVitesseY = 266;

  // The Windows programs under Wine instead of the Linux ones, when KLB_E2E_WINE names the
  // folder of their .exe files; WINEPREFIX and WINELOADER then say which Wine.
  Session();
  static bool under_wine();

  std::filesystem::path score_path() const;
  std::vector<std::string> environment(const std::vector<std::string>& extra = {}) const;

  // Starts Klimbor and waits for its window; its standard error goes to game_errors().
  void start_game(const std::vector<std::string>& extra_env = {});
  std::filesystem::path game_errors() const { return home.path() / "klimbor.stderr"; }
  void start_viewer();
  std::filesystem::path viewer_errors() const { return home.path() / "viewer.stderr"; }
  // From now on the programs run as "nobody", whose home folder becomes the test's: root ignores
  // the permissions of files. Does nothing for a test run by an ordinary user.
  void play_as_an_ordinary_user();

  Shot game_shot() const { return desktop.grab(game_window); }
  bool intro(const Shot& s) const;
  bool racing(const Shot& s) const;
  bool result_panel(const Shot& s) const;
  bool wait_game(bool (Session::*state)(const Shot&) const, std::chrono::milliseconds limit);
  void click_game(int x, int y) const { desktop.click(game_window.x + x, game_window.y + y); }

  // Steers the player with VITESSE, keeping it in the middle of its lane, until the round ends.
  void steer_until_round_ends();
  // From the start of a game: plays rounds until the score is above 0, which from 0 only a win
  // or a draw gives; false if none was within the time given.
  bool win_a_round(std::chrono::seconds limit);
  static std::vector<Rgb> score_label(const Shot& s);
  // Valider on the result panel, then the player's answers to the questions: a text is typed
  // and Enter pressed; an empty answer presses Escape (Cancel).
  void validate_answering(const std::vector<std::string>& answers);
  void answer(const std::vector<std::string>& answers);

  // Under Wine, a screen reader in a program of its own (tests/msaa_probe.exe of the Windows
  // build) asks a window through MSAA, as NVDA or JAWS do: what it printed, then "exit N".
  std::string screen_reader(const std::string& arguments) const;

  // The player presses the keys instead of clicking: space for VITESSE, c for Continuer, v for
  // Valider; the game window gets the keyboard as it opens.
  bool keyboard = false;

  // A dialog of the program: a window titled Klimbor of neither window's size.
  std::optional<Window> dialog() const;
  bool wait_dialog(std::chrono::milliseconds limit);
  // A dialog of the program that has the keyboard: what the player types goes to it.
  bool wait_focused_dialog(std::chrono::milliseconds limit);
  // True once this dialog has closed, whether or not another has opened.
  bool wait_closed(const Window& dialog, std::chrono::milliseconds limit);
  std::optional<Window> viewer_window() const { return desktop.window("Klimbor", 660, 654); }
  // The text pixels of a row of the viewer's score column (row 0 is the heading): 0 when the
  // row shows no score.
  static int score_text(const Shot& s, int row);

  Desktop desktop;
  test::TempFolder home;
  std::unique_ptr<Program> game;
  std::unique_ptr<Program> viewer;
  Window game_window;

 private:
  // Presses the key, or clicks the game window at (x, y).
  void act(const std::string& keysym, int x, int y) const;
  std::vector<std::string> command(const std::string& program) const;

  std::vector<std::string> launcher_;                // what the programs are started through
  static inline std::vector<Rgb> zero_score_label_;  // "Score: 0", once seen
};

std::string bin(const std::string& program);

}  // namespace e2e
