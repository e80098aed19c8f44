#pragma once

#include <random>

namespace ui {

// The generator of the real window systems: seeded from the clock, single precision, never 1.
class ClockRandom {
 public:
  ClockRandom() { reseed(); }
  void reseed();
  // 0 <= r < 1.
  float next();

 private:
  std::mt19937 engine_;
};

}  // namespace ui
