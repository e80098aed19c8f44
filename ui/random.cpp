#include "ui/random.h"

#include <chrono>

namespace ui {

void ClockRandom::reseed() {
  const auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
  engine_.seed(static_cast<std::mt19937::result_type>(ticks));
}

float ClockRandom::next() {
  // 24 random bits make every float of [0, 1) on a 2^-24 grid, and never 1.
  return static_cast<float>(engine_() >> 8) / static_cast<float>(1u << 24);
}

}  // namespace ui
