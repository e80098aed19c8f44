#pragma once

#include <gtest/gtest.h>

#include "game/klimbor.h"
#include "game/module1.h"
#include "ui/headless_system.h"

// A game window on the headless system, with the score recording replaced by a counter.
class KlimborTest : public ::testing::Test {
 protected:
  static constexpr int kTick = 63;

  KlimborTest() { Module1::reset(); }
  ~KlimborTest() override { Module1::reset(); }

  void open_window() { sys.show(k); }
  // Opens the window and lets the start timer begin the first game.
  void start_game(float first_draw = 0.5f) {
    sys.draws.push_back(first_draw);
    open_window();
    sys.advance(3000);
  }
  void tick() { sys.advance(kTick); }
  bool result_shown() const { return k.dem.Visible && k.tout.Visible; }
  // Plays tick after tick; the number of the tick that showed the result panel, or 0.
  int ticks_to_outcome(int limit) {
    for (int n = 1; n <= limit; ++n) {
      tick();
      if (result_shown()) return n;
    }
    return 0;
  }
  // A player who neither drifts nor leaves the lane: the race is decided by climbing alone.
  void hold_course(Module1::Integer dy) {
    Module1::player_dx = 0;
    Module1::player_dy = dy;
  }
  // Puts frame 0 of a sprite where the next tick's move brings it to (top, left).
  void place_player_before_move(float top, float left) {
    k.ar1(0).Top = top + static_cast<float>(Module1::player_dy);
    k.ar1(0).Left = left + static_cast<float>(Module1::player_dx);
  }
  void place_rival_before_move(float top) {
    k.ar2(0).Top = top + static_cast<float>(Module1::level + 20);
  }

  ui::HeadlessSystem sys;
  int recordings = 0;
  game::Klimbor k{sys, [this](game::Klimbor&) { ++recordings; }};
};
