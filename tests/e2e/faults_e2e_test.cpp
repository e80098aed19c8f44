#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <random>
#include <sstream>
#include <thread>

#include "session.h"

namespace e2e {
namespace {

std::string text_of(const std::filesystem::path& path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

int occurrences(const std::string& text, const std::string& words) {
  int n = 0;
  for (auto at = text.find(words); at != std::string::npos; at = text.find(words, at + 1)) ++n;
  return n;
}

class Faults : public Session {
 protected:
  std::vector<std::string> preload(const std::string& setting) const {
    return {"LD_PRELOAD=" KLB_FAULT_SHIM, setting};
  }
  // The error box: a dialog comes up, its text went to standard error too; OK closes it.
  void expect_error_reported(const std::string& words,
                             std::chrono::milliseconds within = kPatience) {
    expect_error_reported(words, game_errors(), within);
  }
  void expect_error_reported(const std::string& words, const std::filesystem::path& errors,
                             std::chrono::milliseconds within) {
    ASSERT_TRUE(wait_dialog(within)) << "no error box";
    EXPECT_TRUE(
        wait_for([&] { return text_of(errors).find(words) != std::string::npos; }, kPatience))
        << "standard error: " << text_of(errors);
    ASSERT_TRUE(wait_focused_dialog(kPatience));
    const std::optional<Window> box = dialog();
    ASSERT_TRUE(box.has_value());
    desktop.key("Return");
    ASSERT_TRUE(wait_closed(*box, kPatience)) << "OK did not close the error box";
  }
  void expect_game_goes_on() {
    EXPECT_TRUE(game->running());
    ASSERT_TRUE(desktop.window("Klimbor", 129, 278).has_value()) << "the game window is gone";
    EXPECT_TRUE(result_panel(game_shot()));
    click_game(kContinuer, kButtonsY);
    EXPECT_TRUE(wait_game(&Session::racing, kPatience)) << "Continuer no longer plays";
  }
  // An untouched first round is lost: the score is 0.
  void lose_a_round() {
    ASSERT_TRUE(wait_game(&Session::racing, kPatience));
    ASSERT_TRUE(wait_game(&Session::result_panel, kPatience));
  }
  void expect_no_place_then_the_viewer() {
    ASSERT_TRUE(wait_focused_dialog(kPatience)) << "no message";
    EXPECT_GT(dialog()->width, 200) << "the no-place message is a long one";
    EXPECT_EQ(text_of(game_errors()).find("erreur"), std::string::npos) << text_of(game_errors());
    desktop.key("Return");
    EXPECT_TRUE(wait_for([this] { return viewer_window().has_value(); }, kPatience)) << "no viewer";
  }
};

// Thirty places that even a lost game's 0 beats: every Valider records.
std::string losers_table() {
  std::vector<std::int16_t> scores;
  for (int place = 1; place <= 30; ++place)
    scores.push_back(static_cast<std::int16_t>(-10 * place));
  return test::table(scores);
}

TEST_F(Faults, AFolderAtTheScorePathIsReportedInFrenchAndTheGameGoesOn) {
  std::filesystem::create_directory(score_path());
  start_game();
  lose_a_round();
  click_game(kValider, kButtonsY);
  expect_error_reported("c'est un dossier");
  expect_game_goes_on();
}

TEST_F(Faults, AFullDiskIsReportedAndTheTableStaysWhole) {
  const std::string table = test::table({900, 500, 100});
  test::write_bytes(score_path(), table);
  start_game(preload("KLB_SHIM_FAIL=write:28"));
  ASSERT_TRUE(win_a_round(60s));
  validate_answering({"Zoe", "plein"});
  expect_error_reported("le disque est plein");
  EXPECT_TRUE(test::read_bytes(score_path()) == table) << "the table changed";
  expect_game_goes_on();
}

TEST_F(Faults, ARefusedFolderIsReportedAndTheTableStaysWhole) {
  const std::string table = test::table({900});
  test::write_bytes(score_path(), table);
  start_game(preload("KLB_SHIM_FAIL=open:13"));
  ASSERT_TRUE(win_a_round(60s));
  validate_answering({"Zoe", ""});
  expect_error_reported("accès refusé");
  EXPECT_TRUE(test::read_bytes(score_path()) == table) << "the table changed";
  expect_game_goes_on();
}

// The programs facing the files and file systems that players really have.
class RealFiles : public Faults {};

// How many reads of the table a traced program began.
int looks_in(const std::filesystem::path& trace) {
  return occurrences(text_of(trace), "looked\n");
}

TEST_F(RealFiles, AFifoAtThePathFreezesNeitherProgram) {
  ASSERT_EQ(::mkfifo(score_path().c_str(), 0644), 0);
  const auto trace = home.path() / "trace";
  viewer = std::make_unique<Program>(
      std::vector<std::string>{bin("klb best scores")},
      environment({"LD_PRELOAD=" KLB_FAULT_SHIM, "KLB_SHIM_TRACE=" + trace.string()}),
      viewer_errors().string());
  EXPECT_TRUE(wait_for([this] { return viewer_window().has_value(); }, 1s)) << "no viewer window";
  // The viewer program's boxes bear its own name.
  const auto box = [this] { return !desktop.windows("klb best scores").empty(); };
  EXPECT_TRUE(wait_for(box, 1s)) << "no error box";
  EXPECT_NE(text_of(viewer_errors()).find("c'est un tube nommé"), std::string::npos);
  EXPECT_TRUE(wait_for(
      [&] {
        const std::string focus = desktop.xdotool("getwindowfocus");
        return box() && focus.find(desktop.windows("klb best scores")[0].id) == 0;
      },
      2s));
  desktop.key("Return");
  EXPECT_TRUE(wait_for([&] { return !box(); }, 2s));
  // Two refreshes look at the path again and say nothing, neither in a box nor on standard
  // error. A box would hold the refreshes back while it is open, so it shows before a second
  // look could.
  const int looks = looks_in(trace);
  EXPECT_TRUE(wait_for([&] { return box() || looks_in(trace) >= looks + 2; }, 6s))
      << "the viewer stopped refreshing: " << looks_in(trace) - looks << " looks";
  EXPECT_FALSE(box()) << "the refreshes report it again";
  EXPECT_EQ(occurrences(text_of(viewer_errors()), "c'est un tube nommé"), 1)
      << text_of(viewer_errors());
  // Mended, the path is read at the next refresh.
  const auto fresh = score_path().parent_path() / "incoming";
  test::write_bytes(fresh, test::table({2000}));
  std::filesystem::rename(fresh, score_path());
  EXPECT_TRUE(wait_for(
      [&] {
        const auto v = viewer_window();
        return v && score_text(desktop.grab(*v), 1) > 10;
      },
      3s))
      << "the mended table is not shown";
  viewer.reset();

  std::filesystem::remove(score_path());
  ASSERT_EQ(::mkfifo(score_path().c_str(), 0644), 0);

  start_game();
  lose_a_round();
  click_game(kValider, kButtonsY);
  expect_error_reported("c'est un tube nommé", 1s);
  expect_game_goes_on();
}

TEST_F(RealFiles, AReadOnlyTableIsRefusedAndLeftAsItWas) {
  play_as_an_ordinary_user();
  const std::string table = losers_table();
  test::write_bytes(score_path(), table);
  run("chown nobody '" + score_path().string() + "' 2>/dev/null; chmod 0444 '" +
      score_path().string() + "'");
  start_game();
  lose_a_round();
  validate_answering({"Zoe", "protege"});
  expect_error_reported("accès refusé");
  EXPECT_TRUE(test::read_bytes(score_path()) == table) << "the table changed";
  expect_game_goes_on();
}

TEST_F(RealFiles, WithoutLocksANoPlaceScoreIsAnnounced) {
  test::write_bytes(score_path(), test::table({900, 500, 100}));
  start_game(preload("KLB_SHIM_FAIL=lock:9"));  // EBADF, as NFS answers a lock it refuses
  lose_a_round();
  click_game(kValider, kButtonsY);
  expect_no_place_then_the_viewer();
}

TEST_F(RealFiles, AFileOver64KiBStillAnnouncesANoPlaceScore) {
  const std::string huge = test::table({900, 500, 100}) + std::string(70 * 1024, 'z');
  test::write_bytes(score_path(), huge);
  start_game();
  lose_a_round();
  click_game(kValider, kButtonsY);
  expect_no_place_then_the_viewer();
  EXPECT_TRUE(test::read_bytes(score_path()) == huge) << "the file changed";
}

// Another program holding the lock beside the table, as a game stopped with Ctrl-Z in the middle
// of its rewrite does, until released.
class LockHolder {
 public:
  explicit LockHolder(const std::filesystem::path& lock_file) {
    int ready[2], release[2];
    // Close-on-exec: the programs the test starts must not keep the release end open.
    if (::pipe2(ready, O_CLOEXEC) != 0 || ::pipe2(release, O_CLOEXEC) != 0) return;
    pid_ = ::fork();
    if (pid_ == 0) {
      ::close(ready[0]);
      ::close(release[1]);
      const int fd = ::open(lock_file.c_str(), O_RDWR | O_CREAT, 0666);
      struct flock whole {};
      whole.l_type = F_WRLCK;
      const char held = ::fcntl(fd, F_OFD_SETLK, &whole) == 0 ? 'y' : 'n';
      (void)!::write(ready[1], &held, 1);
      char any;
      (void)!::read(release[0], &any, 1);  // until the test closes its end, or ends
      ::_exit(0);
    }
    ::close(ready[1]);
    ::close(release[0]);
    release_ = release[1];
    char held = 'n';
    held_ = ::read(ready[0], &held, 1) == 1 && held == 'y';
    ::close(ready[0]);
  }
  ~LockHolder() { release(); }
  LockHolder(const LockHolder&) = delete;
  LockHolder& operator=(const LockHolder&) = delete;

  bool held() const { return held_; }
  void release() {
    if (pid_ <= 0) return;
    ::close(release_);
    ::waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }

 private:
  pid_t pid_ = -1;
  int release_ = -1;
  bool held_ = false;
};

TEST_F(RealFiles, ALockHeldByAnotherProgramIsToldWithinSecondsAndValiderRecordsOnceFree) {
  const std::string table = losers_table();
  test::write_bytes(score_path(), table);
  LockHolder holder(home.path() / ".scores klimbor.lock");
  ASSERT_TRUE(holder.held());
  start_game();
  lose_a_round();
  validate_answering({"Zoe", "verrou"});
  const auto answered = Clock::now();
  expect_error_reported("un autre programme est en train d'écrire le tableau", 8s);
  const auto waited = Clock::now() - answered;
  EXPECT_GE(waited, 2900ms) << "given up before the holder had its three seconds";
  EXPECT_LE(waited, 8s);
  EXPECT_NE(text_of(game_errors()).find(".scores klimbor.lock"), std::string::npos)
      << "the message does not name the lock file: " << text_of(game_errors());
  EXPECT_TRUE(test::read_bytes(score_path()) == table) << "the table changed";

  holder.release();
  ASSERT_TRUE(result_panel(game_shot())) << "Valider is no longer offered";
  validate_answering({"Zoe", "libre"});
  ASSERT_TRUE(wait_focused_dialog(kPatience)) << "no place message";
  desktop.key("Return");
  EXPECT_TRUE(wait_for([this] { return viewer_window().has_value(); }, kPatience)) << "no viewer";
  const std::string after = test::read_bytes(score_path());
  EXPECT_EQ(test::pseudo_at(after, 1), "Zoe" + std::string(27, ' '));
  EXPECT_TRUE(after.substr(128) == table.substr(0, 29 * 128)) << "the places did not move down";
}

// Programs killed or racing one another in the middle of a recording.
class Races : public Faults {};

// The old table, or the old table with one record put in at its place: nothing in between.
bool old_or_new(const std::string& now, const std::string& old) {
  if (now == old) return true;
  if (now.size() != old.size()) return false;
  for (int at = 1; at <= 30; ++at) {
    const std::size_t cut = static_cast<std::size_t>(at - 1) * 128;
    if (now.substr(0, cut) == old.substr(0, cut) &&
        now.substr(cut + 128) == old.substr(cut, old.size() - cut - 128) &&
        test::pseudo_at(now, at) == "Kill" + std::string(26, ' ')) {
      return true;
    }
  }
  return false;
}

// How far a killed rewrite got, from the shim's trace.
enum Phase { before_rewrite, inside_rewrite, after_rewrite };

Phase phase_of(const std::string& trace) {
  if (trace.find("renamed") != std::string::npos) return after_rewrite;
  return trace.find("created") != std::string::npos ? inside_rewrite : before_rewrite;
}

unsigned number_from_environment(const char* name, unsigned otherwise) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0' ? static_cast<unsigned>(std::stoul(value)) : otherwise;
}

TEST_F(Races, KilledAtAnyMomentOfARecordingLeavesTheOldTableOrTheNew) {
  std::mt19937 random(test::seed());
  const unsigned rounds = number_from_environment("KLB_KILL_ROUNDS", 4);
  const std::string table = losers_table();
  const auto trace = home.path() / "trace";
  int landed[3] = {0, 0, 0}, whole = 0;
  for (unsigned round = 0; round < rounds; ++round) {
    test::write_bytes(score_path(), table);
    std::filesystem::remove(trace);
    // The lock, every write, flush and rename of the table take 120 ms each: before the
    // temporary file exists there is the lock's wait, and the rewrite itself lasts about 360 ms.
    auto env = preload("KLB_SHIM_SLOW_MS=120");
    env.push_back("KLB_SHIM_TRACE=" + trace.string());
    start_game(env);
    lose_a_round();
    validate_answering({"Kill"});
    ASSERT_TRUE(wait_focused_dialog(kPatience));
    desktop.type("x");
    desktop.key("Return");
    // Kills aimed in turn before the rewrite, inside it, and anywhere; each at a random moment.
    switch (round % 3) {
      case 0:
        std::this_thread::sleep_for(std::chrono::milliseconds(random() % 100));
        break;
      case 1:
        ASSERT_TRUE(wait_for([&] { return phase_of(text_of(trace)) != before_rewrite; }, 5s, 5ms));
        std::this_thread::sleep_for(std::chrono::milliseconds(random() % 300));
        break;
      default:
        std::this_thread::sleep_for(std::chrono::milliseconds(random() % 700));
    }
    game->kill_now();
    landed[phase_of(text_of(trace))]++;
    const std::string now = test::read_bytes(score_path());
    EXPECT_TRUE(old_or_new(now, table)) << "round " << round << ": a damaged table";
    whole += old_or_new(now, table) ? 1 : 0;
    game.reset();
  }
  std::cout << "killed " << rounds << " recordings: " << landed[before_rewrite]
            << " before the rewrite, " << landed[inside_rewrite] << " inside it, "
            << landed[after_rewrite] << " after it; " << whole << " tables whole\n";
  if (rounds >= 2) {
    EXPECT_GE(landed[before_rewrite], 1) << "no kill landed before the rewrite";
    EXPECT_GE(landed[inside_rewrite], 1) << "no kill landed inside the rewrite";
  }
}

TEST_F(Races, TwoGamesRecordingAtOnceBothLand) {
  const std::string table = test::table({900, 500, 100});
  test::write_bytes(score_path(), table);
  // Every write, flush and rename takes 1.5 s: the second game asks and answers its questions
  // while the first still rewrites the table, then waits for it.
  const auto slow = preload("KLB_SHIM_SLOW_MS=1500");
  start_game(slow);
  desktop.xdotool("windowmove " + game_window.id + " 300 0");
  game_window.x = 300;
  auto first = std::move(game);
  const Window first_window = game_window;
  start_game(slow);
  const Window second_window = game_window;

  game_window = first_window;
  ASSERT_TRUE(win_a_round(60s)) << "the first game";
  game_window = second_window;
  ASSERT_TRUE(win_a_round(60s)) << "the second game";

  game_window = first_window;
  validate_answering({"Alpha", "premier"});
  game_window = second_window;
  validate_answering({"Bravo", "second"});
  // Both announce their place once their rewrite is done.
  for (int message = 0; message < 2; ++message) {
    ASSERT_TRUE(wait_focused_dialog(kPatience)) << "message " << message;
    const std::optional<Window> shown = dialog();
    ASSERT_TRUE(shown.has_value());
    desktop.key("Return");
    // The other game's message may be up already; this one must go before it is answered.
    ASSERT_TRUE(wait_closed(*shown, kPatience)) << "message " << message << " stays";
  }

  const std::string after = test::read_bytes(score_path());
  std::vector<std::string> names;
  for (int place = 1; place <= 5; ++place)
    names.push_back(test::pseudo_at(after, place).substr(0, 5));
  EXPECT_EQ(std::count(names.begin(), names.end(), "Alpha"), 1) << "the first game's record";
  EXPECT_EQ(std::count(names.begin(), names.end(), "Bravo"), 1) << "the second game's record";
  EXPECT_EQ(std::count(names.begin(), names.end(), "P1   "), 1);
  EXPECT_EQ(std::count(names.begin(), names.end(), "P3   "), 1);
  const std::vector<int> scores = test::scores_of(after);
  EXPECT_TRUE(std::is_sorted(scores.rbegin(), scores.rend())) << "the table is out of order";
}

}  // namespace
}  // namespace e2e
