// Times the game's three timers through the real Qt binding: every call of Timer1_Timer,
// Timer2_Timer and Timer_Timer is stamped with QElapsedTimer while the game plays a set number
// of rounds, VITESSE pressed every 7th tick. Also reports the CPU time of the intro, of play and
// of the result panel, and the peak resident memory.
//
//   timer_accuracy [rounds]        the game
//   timer_accuracy --floor [ticks] a bare QTimer (PreciseTimer, 63 ms), timed the same way
#include <sys/resource.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "game/klimbor.h"
#include "timing.h"
#include "ui/qt/qt_system.h"

namespace {

double cpu_seconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

long peak_rss_kb() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_maxrss;
}

// CPU seconds per minute of wall time between two marks.
struct Meter {
  double cpu = 0, wall = 0;
  void start(double now_ms) {
    cpu = cpu_seconds();
    wall = now_ms;
  }
  double per_minute(double now_ms) const {
    return (cpu_seconds() - cpu) / ((now_ms - wall) / 60000.0);
  }
};

int floor_run(int ticks) {
  QElapsedTimer clock;
  std::vector<double> moments;
  QTimer timer;
  timer.setTimerType(Qt::PreciseTimer);
  timer.setInterval(63);
  QObject::connect(&timer, &QTimer::timeout, [&] {
    moments.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
    if (static_cast<int>(moments.size()) >= ticks) QCoreApplication::quit();
  });
  Meter meter;
  clock.start();
  meter.start(0);
  timer.start();
  QApplication::exec();
  print_stats("floor", period_stats("QTimer", 63, {moments}));
  std::printf("floor cpu_per_minute=%.4f peak_rss_kb=%ld\n", meter.per_minute(moments.back()),
              peak_rss_kb());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc > 1 && std::strcmp(argv[1], "--floor") == 0) {
    return floor_run(argc > 2 ? std::atoi(argv[2]) : 800);
  }
  const int rounds = argc > 1 ? std::atoi(argv[1]) : 5;

  ui::qt::QtSystem system(QStringLiteral("Klimbor"));
  game::Klimbor window(system, [](game::Klimbor&) {});
  QElapsedTimer clock;
  const auto now = [&] { return static_cast<double>(clock.nsecsElapsed()) / 1e6; };
  std::vector<std::vector<double>> ticks(1), frames(1);
  double first_game = -1, intro_cpu = 0, play_cpu = 0, play_ms = 0;
  int played = 0;
  Meter intro, round, panel;

  window.Timer.Tick = [&] {
    first_game = now();
    intro_cpu = intro.per_minute(now());
    window.Timer_Timer();
    round.start(now());
  };
  window.Timer2.Tick = [&] {
    frames.back().push_back(now());
    window.Timer2_Timer();
  };
  window.Timer1.Tick = [&] {
    ticks.back().push_back(now());
    if (ticks.back().size() % 7 == 0) window.Command1_Click();
    window.Timer1_Timer();
    if (!window.tout.Visible) return;
    // The round is over: a look at the result panel, then "Continuer".
    play_cpu += cpu_seconds() - round.cpu;
    play_ms += now() - round.wall;
    ticks.emplace_back();
    frames.emplace_back();
    if (++played >= rounds) {
      panel.start(now());
      QTimer::singleShot(3000, [] { QCoreApplication::quit(); });
      return;
    }
    QTimer::singleShot(300, [&] {
      system.deliver(window, window.cont.Click, ui::Dispatcher::Source::player);
      round.start(now());
    });
  };

  clock.start();
  intro.start(0);
  system.show(window);
  QApplication::exec();

  print_stats("game", period_stats("Timer1", 63, ticks));
  print_stats("game", period_stats("Timer2", 350, frames));
  std::printf("game timer=Timer first_game_ms=%.3f\n", first_game);
  std::printf(
      "game rounds=%d play_ms=%.0f cpu_play_per_minute=%.4f cpu_intro_per_minute=%.4f "
      "cpu_panel_per_minute=%.4f peak_rss_kb=%ld\n",
      played, play_ms, play_cpu / (play_ms / 60000.0), intro_cpu, panel.per_minute(now()),
      peak_rss_kb());
  return 0;
}
