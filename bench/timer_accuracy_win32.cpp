// Times the game's Timer1 through the Win32 binding and its message loop: every call of
// Timer1_Timer is stamped with QueryPerformanceCounter while the game plays a set number of
// rounds, VITESSE pressed every 7th tick, each round started again at once by Continuer. Also
// times a bare periodic timer of the binding, the floor.
//
//   timer_accuracy_win32 [rounds]        the game
//   timer_accuracy_win32 --floor [ticks] a bare PeriodicTimer of 63 ms
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <optional>
#include <vector>

#include "game/klimbor.h"
#include "timing.h"
#include "ui/win32/periodic_timer.h"
#include "ui/win32/win32_system.h"

namespace {

double now_ms() {
  LARGE_INTEGER count, frequency;
  QueryPerformanceCounter(&count);
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(count.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

int floor_run(int ticks) {
  ui::win32::PeriodicTimer timer(63);
  std::optional<ui::win32::FineTimerResolution> fine;
  if (!timer.high_resolution()) fine.emplace();
  std::vector<double> moments;
  timer.start();
  while (static_cast<int>(moments.size()) < ticks) {
    WaitForSingleObject(timer.handle(), INFINITE);
    moments.push_back(now_ms());
  }
  print_stats("floor", period_stats("PeriodicTimer", 63, {moments}));
  std::printf("floor high_resolution=%d\n", timer.high_resolution() ? 1 : 0);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::strcmp(argv[1], "--floor") == 0) {
    return floor_run(argc > 2 ? std::atoi(argv[2]) : 400);
  }
  const int rounds = argc > 1 ? std::atoi(argv[1]) : 5;
  ui::win32::Win32System system(L"Klimbor");
  game::Klimbor window(system, [](game::Klimbor&) {});
  std::vector<std::vector<double>> ticks(1);
  int played = 0;
  window.Timer1.Tick = [&] {
    ticks.back().push_back(now_ms());
    if (ticks.back().size() % 7 == 0) window.Command1_Click();
    window.Timer1_Timer();
    if (!window.tout.Visible) return;
    ticks.emplace_back();
    if (++played >= rounds) {
      system.end_program();
    } else {
      window.cont_Click();
    }
  };
  system.show(window);
  system.run();
  print_stats("game", period_stats("Timer1", 63, ticks));
  return 0;
}
